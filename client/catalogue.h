// The template catalogue: one template a line, title "----" preview
// address "---" generation address, in code page 936.
#pragma once

#include <vector>

#include "text.h"

struct CatalogueEntry {
  Text number;      // position among the cleaned lines, from 1
  Text title;       // "[" + name + "]"
  Text preview;     // preview page address
  Text generation;  // generation address; the picture id follows its last "id="
};

// One line cut into its fields; malformed lines give empty fields.
CatalogueEntry ParseCatalogueLine(std::string_view line, int number);
// Every line of an already cleaned catalogue text (split at CR LF).
std::vector<CatalogueEntry> ParseCatalogue(std::string_view cleaned);
Text PictureIdOf(std::string_view generationAddress);
// "高清" + count + "张图".
Text CountLabelText(int count);
