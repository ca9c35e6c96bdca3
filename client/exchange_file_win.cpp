#include "exchange_file.h"

#include <windows.h>

#include "shell.h"

Text ExchangeFilePath() { return ProgramDirectory() + "/" + kExchangeFileName; }

void WriteExchangeValue(const Text& section, const Text& key, const Text& value) {
  WriteProfileValue(ExchangeFilePath(), section, key, value);
}

Text ReadExchangeValue(const Text& section, const Text& key) {
  return ReadProfileValue(ExchangeFilePath(), section, key);
}

void DeleteExchangeFile() { DeleteFileIfPresent(ExchangeFilePath()); }

void WriteProfileValue(const Text& path, const Text& section, const Text& key, const Text& value) {
  WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), path.c_str());
}

Text ReadProfileValue(const Text& path, const Text& section, const Text& key) {
  char buffer[kExchangeValueLimit + 1];
  const DWORD length = GetPrivateProfileStringA(section.c_str(), key.c_str(), "", buffer,
                                                sizeof buffer, path.c_str());
  return Text(buffer, length < sizeof buffer ? length : sizeof buffer - 1);
}

void DeleteFileIfPresent(const Text& path) {
  if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) DeleteFileA(path.c_str());
}
