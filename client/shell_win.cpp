#include "shell.h"

#include <array>
#include <memory>
#include <vector>

#include "client_window_win.h"
#include "exchange_file.h"
#include "handlers.h"
#include "skin_handover.h"

namespace {

std::array<std::unique_ptr<ClientWindow>, kWindowCount> open;
// Windows already destroyed. Their objects may still be on the stack (a
// handler that closes its own window), so they go only between messages.
std::vector<std::unique_ptr<ClientWindow>> closed;

std::unique_ptr<ClientWindow>& Slot(WindowId window) { return open[static_cast<int>(window)]; }

void WindowGone(WindowId window) {
  closed.push_back(std::move(Slot(window)));
  for (const auto& w : open) {
    if (w) return;
  }
  // The client ends with its last window, whichever that is.
  PostQuitMessage(0);
}

void ReleaseClosedWindows() { closed.clear(); }

}  // namespace

void OpenWindow(WindowId window) {
  if (ClientWindow* w = Slot(window).get()) {
    if (IsIconic(w->hwnd())) {
      ShowWindow(w->hwnd(), SW_RESTORE);
    } else {
      SetForegroundWindow(w->hwnd());
      SetActiveWindow(w->hwnd());
    }
    return;
  }
  auto created = ClientWindow::Create(DefinitionOf(window), WindowGone);
  if (!created) return;
  ClientWindow* w = created.get();
  Slot(window) = std::move(created);
  ShowWindow(w->hwnd(), SW_SHOW);
  UpdateWindow(w->hwnd());
  w->RunWindowEvent(w->def().created);
}

void CloseWindow(WindowId window) {
  if (ClientWindow* w = Slot(window).get()) DestroyWindow(w->hwnd());
}

void ShowMessage(const Text& text, int style, const Text& title) {
  const UINT icon = static_cast<UINT>(style) & MB_ICONMASK;
  MessageBoxA(nullptr, text.c_str(), title.empty() ? "信息：" : title.c_str(),
              MB_OK | MB_TASKMODAL | icon);
}

bool IsWindowOpen(WindowId window) { return Slot(window) != nullptr; }

HWND WindowHandle(WindowId window) {
  ClientWindow* w = Slot(window).get();
  return w ? w->hwnd() : nullptr;
}

HWND ControlHandle(WindowId window, int id) {
  ClientWindow* w = Slot(window).get();
  return w ? w->Control(id) : nullptr;
}

BrowserBox* BrowserOf(WindowId window, int id) {
  ClientWindow* w = Slot(window).get();
  return w ? w->Browser(id) : nullptr;
}

void SetTimerPeriod(WindowId window, int id, int milliseconds) {
  if (ClientWindow* w = Slot(window).get()) w->SetTimerPeriod(id, milliseconds);
}

void PopUpMenu(WindowId window, int menuId, POINT screen) {
  if (ClientWindow* w = Slot(window).get()) w->PopUpMenu(menuId, screen);
}

void RunMenuItem(WindowId window, int itemId) {
  if (ClientWindow* w = Slot(window).get()) w->RunMenuItem(itemId);
}

int RunMessageLoop() {
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
    ReleaseClosedWindows();
  }
  ReleaseClosedWindows();
  return static_cast<int>(msg.wParam);
}

void ProcessWindowMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  ReleaseClosedWindows();
}

void OnMainCreated(const Event&) {
  ApplySkin(WindowHandle(WindowId::Main));
  SkinGroupBoxes(WindowHandle(WindowId::Main));
}

void OnPreviewCreated(const Event&) {
  ShowPreview();
  ApplySkin(WindowHandle(WindowId::Preview));
}

void OnResultCreated(const Event&) {
  ApplySkin(WindowHandle(WindowId::Result));
  RequestPicture();
  ShowPicture();
}

void OnSecondaryWindowDestroyed(const Event&) { DeleteExchangeFile(); }

void CloseEventWindow(const Event& e) { CloseWindow(e.window); }

void OpenResultWindow(const Event&) { OpenWindow(WindowId::Result); }
