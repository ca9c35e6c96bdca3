#include <windows.h>

#include <algorithm>

#include "text.h"

Bytes TextToUtf16(std::string_view text, unsigned codePage) {
  const Text z(text.substr(0, text.find('\0')));
  // The ANSI count covers valid UTF-8 and GBK input; the code page's own
  // count covers invalid UTF-8, where each bad byte becomes one unit.
  int units = std::max({MultiByteToWideChar(CP_ACP, 0, z.c_str(), -1, nullptr, 0),
                        MultiByteToWideChar(codePage, 0, z.c_str(), -1, nullptr, 0), 1});
  std::vector<wchar_t> wide(static_cast<std::size_t>(units), L'\0');
  int written = MultiByteToWideChar(codePage, 0, z.c_str(), -1, wide.data(), units);
  if (written <= 0) return Bytes(2, 0);  // refused: an empty text
  const auto* raw = reinterpret_cast<const std::uint8_t*>(wide.data());
  return Bytes(raw, raw + static_cast<std::size_t>(written) * 2);
}

Text Utf16ToText(const Bytes& wide, unsigned codePage) {
  std::vector<wchar_t> units(wide.size() / 2 + 1, L'\0');
  for (std::size_t i = 0; i + 1 < wide.size(); i += 2) {
    units[i / 2] = static_cast<wchar_t>(wide[i] | (wide[i + 1] << 8));
  }
  const int ansi = WideCharToMultiByte(CP_ACP, 0, units.data(), -1, nullptr, 0, nullptr, nullptr);
  // Twice the ANSI count, or more when the target needs it (UTF-8 of Chinese).
  const int size = std::max(2 * ansi, WideCharToMultiByte(codePage, 0, units.data(), -1, nullptr,
                                                          0, nullptr, nullptr));
  Text buffer(static_cast<std::size_t>(size), ' ');
  if (size == 0) return buffer;
  WideCharToMultiByte(codePage, 0, units.data(), -1, buffer.data(), size, nullptr, nullptr);
  std::size_t end = buffer.find('\0');
  if (end != Text::npos) buffer.resize(end);
  return buffer;
}
