// The exchange file: the one channel from the main window to the preview
// and result windows, an INI file in the program directory read and
// written only through the platform's private-profile functions.
#pragma once

#include "text.h"

inline constexpr char kExchangeFileName[] = "vlbrn_pzwj.ini";
inline constexpr char kTemplateSection[] = "Velbrun配置文件";
inline constexpr char kJobSection[] = "Velbrun生成配置文件";
// Reads give at most this many bytes.
inline constexpr int kExchangeValueLimit = 10239;

// The program directory followed by "/vlbrn_pzwj.ini".
Text ExchangeFilePath();

// Nothing reports failure: a value that cannot be written reads back empty.
void WriteExchangeValue(const Text& section, const Text& key, const Text& value);
// A missing file, section or key gives the empty text.
Text ReadExchangeValue(const Text& section, const Text& key);
void DeleteExchangeFile();

// The same on a file of the caller's choice.
void WriteProfileValue(const Text& path, const Text& section, const Text& key, const Text& value);
Text ReadProfileValue(const Text& path, const Text& section, const Text& key);
void DeleteFileIfPresent(const Text& path);
