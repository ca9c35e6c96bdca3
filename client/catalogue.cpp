#include "catalogue.h"

CatalogueEntry ParseCatalogueLine(std::string_view line, int number) {
  CatalogueEntry e;
  e.number = Decimal(number);
  e.title = "[" + TextLeftOf(line, "----") + "]";
  e.preview = TextBetween(line, "----", "---");
  e.generation = TextAfterLast(line, "---");
  return e;
}

std::vector<CatalogueEntry> ParseCatalogue(std::string_view cleaned) {
  std::vector<CatalogueEntry> entries;
  int number = 0;
  for (const Text& line : Split(cleaned, "\r\n")) entries.push_back(ParseCatalogueLine(line, ++number));
  return entries;
}

Text PictureIdOf(std::string_view generationAddress) { return TextAfterLast(generationAddress, "id="); }

Text CountLabelText(int count) { return "高清" + Decimal(count) + "张图"; }
