#include "picture_file.h"

namespace {

bool IsDeviceName(std::string_view title) {
  // Windows opens these as devices whatever extension follows.
  static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL"};
  static const char* const kNumbered[] = {"COM", "LPT"};
  const Text name = Upper(title);
  for (const char* d : kDevices) {
    if (name == d) return true;
  }
  for (const char* d : kNumbered) {
    if (name.size() == 4 && name.compare(0, 3, d) == 0 && name[3] >= '1' && name[3] <= '9') return true;
  }
  return false;
}

}  // namespace

Text PictureFilePath(std::string_view programDirectory, std::string_view title) {
  for (unsigned char c : title) {
    if (c < 0x20) return {};
  }
  // Find steps over double-byte characters, so a GBK second byte of 0x5C or
  // 0x7C is not taken for a separator (Windows reads the pair as one).
  for (const char* refused : {"\\", "/", ":", "*", "?", "\"", "<", ">", "|", ".."}) {
    if (Find(title, refused) != -1) return {};
  }
  if (IsDeviceName(title)) return {};
  return Text(programDirectory) + "/" + Text(title) + ".gif";
}
