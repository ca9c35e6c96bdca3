// screenshot <window caption> <out.png> [wait ms]
// Waits for a visible top-level window with that caption, brings it to the
// top and saves its screen rectangle as PNG. (PrintWindow of a top-level
// window draws only its background under Wine, so the screen is copied.)
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "driver.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: screenshot <caption> <out.png> [wait ms]\n");
    return 2;
  }
  const DWORD wait = argc > 3 ? static_cast<DWORD>(std::atoi(argv[3])) : 10000;
  HWND hwnd = nullptr;
  if (!driver::WaitUntil(
          [&] { return (hwnd = FindWindowA(nullptr, argv[1])) && IsWindowVisible(hwnd); }, wait)) {
    std::fprintf(stderr, "screenshot: no visible window \"%s\"\n", argv[1]);
    return 1;
  }
  if (!driver::SaveScreenshot(hwnd, argv[2])) {
    std::fprintf(stderr, "screenshot: saving failed\n");
    return 3;
  }
  return 0;
}
