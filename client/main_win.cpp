// kelvane: the placard-photo client.
#include <windows.h>
#include <ole2.h>

#include "gdiplus_win.h"
#include "shell.h"
#include "skin_handover.h"

namespace {

// The browser boxes need OLE on the window thread, for the whole run.
class OleSession {
 public:
  OleSession() : ok_(SUCCEEDED(OleInitialize(nullptr))) {}
  ~OleSession() {
    if (ok_) OleUninitialize();
  }
  OleSession(const OleSession&) = delete;
  OleSession& operator=(const OleSession&) = delete;

 private:
  bool ok_;
};

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  OleSession ole;
  GdiplusSession gdiplus;
  StartSkinEngine();
  OpenWindow(WindowId::Main);
  if (!IsWindowOpen(WindowId::Main)) {
    StopSkinEngine();
    return 1;
  }
  const int code = RunMessageLoop();
  StopSkinEngine();
  return code;
}
