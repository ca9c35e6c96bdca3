// screenshot <window caption> <out.png> [wait ms]
// Waits for a visible top-level window with that caption, brings it to the
// top and saves its screen rectangle as PNG. (PrintWindow of a top-level
// window draws only its background under Wine, so the screen is copied.)
#include <windows.h>
#include <objidl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>
namespace Gdiplus {
using std::max;
using std::min;
}  // namespace Gdiplus
#include <gdiplus.h>

#include "owners_win.h"

namespace {

bool PngEncoder(CLSID* clsid) {
  UINT count = 0, size = 0;
  if (Gdiplus::GetImageEncodersSize(&count, &size) != Gdiplus::Ok || size == 0) return false;
  std::vector<BYTE> buffer(size);
  auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
  if (Gdiplus::GetImageEncoders(count, size, codecs) != Gdiplus::Ok) return false;
  for (UINT i = 0; i < count; ++i) {
    if (wcscmp(codecs[i].MimeType, L"image/png") == 0) {
      *clsid = codecs[i].Clsid;
      return true;
    }
  }
  return false;
}

class GdiplusSession {
 public:
  GdiplusSession() {
    Gdiplus::GdiplusStartupInput input;
    ok_ = Gdiplus::GdiplusStartup(&token_, &input, nullptr) == Gdiplus::Ok;
  }
  ~GdiplusSession() {
    if (ok_) Gdiplus::GdiplusShutdown(token_);
  }
  bool ok() const { return ok_; }

 private:
  ULONG_PTR token_ = 0;
  bool ok_ = false;
};

int Save(HWND hwnd, const char* path) {
  RECT r;
  GetWindowRect(hwnd, &r);
  const int w = r.right - r.left, h = r.bottom - r.top;
  WindowDc screen(nullptr);
  UniqueMemoryDc memory(CreateCompatibleDC(screen.get()));
  UniqueBitmap bitmap(CreateCompatibleBitmap(screen.get(), w, h));
  if (!screen || !memory || !bitmap) return 3;
  {
    SelectedObject select(memory.get(), bitmap.get());
    BitBlt(memory.get(), 0, 0, w, h, screen.get(), r.left, r.top, SRCCOPY);
  }
  GdiplusSession gdiplus;
  CLSID png;
  if (!gdiplus.ok() || !PngEncoder(&png)) return 4;
  wchar_t wide[MAX_PATH];
  MultiByteToWideChar(CP_ACP, 0, path, -1, wide, MAX_PATH);
  Gdiplus::Bitmap image(bitmap.get(), nullptr);
  return image.Save(wide, &png, nullptr) == Gdiplus::Ok ? 0 : 5;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: screenshot <caption> <out.png> [wait ms]\n");
    return 2;
  }
  const DWORD wait = argc > 3 ? static_cast<DWORD>(std::atoi(argv[3])) : 10000;
  const DWORD start = GetTickCount();
  HWND hwnd = nullptr;
  while (!(hwnd = FindWindowA(nullptr, argv[1])) || !IsWindowVisible(hwnd)) {
    if (GetTickCount() - start > wait) {
      std::fprintf(stderr, "screenshot: no visible window \"%s\"\n", argv[1]);
      return 1;
    }
    Sleep(50);
  }
  SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
  SetForegroundWindow(hwnd);
  RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  Sleep(300);  // let the target finish painting
  int rc = Save(hwnd, argv[2]);
  if (rc != 0) std::fprintf(stderr, "screenshot: saving failed (%d)\n", rc);
  return rc;
}
