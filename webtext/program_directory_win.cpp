#include <windows.h>

#include <algorithm>
#include <vector>

#include "program_directory.h"

namespace {

Text ProgramPath() {
  std::vector<char> buffer(MAX_PATH);
  for (;;) {
    const DWORD n = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n < buffer.size()) return Text(buffer.data(), n);
    buffer.resize(buffer.size() * 2);
  }
}

// 0-based offset of the last separator, or npos; a GBK second byte may be
// 0x5C, so the search walks characters.
std::size_t LastSeparator(const Text& path) {
  const int at = std::max(FindLast(path, "\\"), FindLast(path, "/"));
  return at < 1 ? Text::npos : static_cast<std::size_t>(at - 1);
}

}  // namespace

Text ProgramDirectory() {
  const Text path = ProgramPath();
  const std::size_t slash = LastSeparator(path);
  return slash == Text::npos ? Text() : path.substr(0, slash);
}

Text ProgramFileName() {
  const Text path = ProgramPath();
  const std::size_t slash = LastSeparator(path);
  return slash == Text::npos ? path : path.substr(slash + 1);
}
