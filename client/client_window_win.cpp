#include "client_window_win.h"

#include <windowsx.h>

#include "controls_win.h"

namespace {

constexpr char kWindowClass[] = "KelvaneWindow";
// The windows' default font.
constexpr FontDef kSong12{"宋体", 12, false};

bool SameFont(const FontDef& a, const FontDef& b) {
  return a.height == b.height && a.bold == b.bold && Text(a.face) == Text(b.face);
}

}  // namespace

std::unique_ptr<ClientWindow> ClientWindow::Create(const WindowDef& def, GoneCallback gone) {
  if (!RegisterWindowClass(kWindowClass, Proc, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1)) ||
      !RegisterControlClasses())
    return nullptr;

  std::unique_ptr<ClientWindow> window(new ClientWindow(def));
  const DWORD style = WS_POPUP | WS_SYSMENU | (def.minimizeBox ? WS_MINIMIZEBOX : 0);
  const int x = (GetSystemMetrics(SM_CXSCREEN) - def.width) / 2;
  const int y = (GetSystemMetrics(SM_CYSCREEN) - def.height) / 2;
  if (!CreateWindowExA(0, kWindowClass, def.caption, style, x, y, def.width, def.height, nullptr,
                       nullptr, GetModuleHandleA(nullptr), window.get()))
    return nullptr;
  window->gone_ = gone;
  return window;
}

ClientWindow::~ClientWindow() {
  if (hwnd_) {
    gone_ = nullptr;
    DestroyWindow(hwnd_);
  }
}

HWND ClientWindow::Control(int id) const {
  auto it = controls_.find(id);
  return it == controls_.end() ? nullptr : it->second;
}

BrowserBox* ClientWindow::Browser(int id) const {
  auto it = browsers_.find(id);
  return it == browsers_.end() ? nullptr : it->second.get();
}

HFONT ClientWindow::FontFor(const FontDef& font) {
  const FontDef& f = font.face ? font : kSong12;
  for (size_t i = 0; i < fontDefs_.size(); ++i) {
    if (SameFont(fontDefs_[i], f)) return fonts_[i].get();
  }
  // A negative height asks for the character height, without the leading.
  fonts_.emplace_back(CreateFontA(-f.height, 0, 0, 0, f.bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE,
                                  FALSE, GB2312_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                  DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, f.face));
  fontDefs_.push_back(f);
  return fonts_.back().get();
}

bool ClientWindow::BuildControls() {
  for (size_t i = 0; i < def_.controlCount; ++i) {
    const ControlDef& c = def_.controls[i];
    HWND parent = c.parent ? Control(c.parent) : hwnd_;
    if (!parent) return false;
    if (c.kind == ControlKind::Timer) {
      SetTimerPeriod(c.id, c.period);
      continue;
    }
    if (c.kind == ControlKind::BrowserBox) {
      auto box = BrowserBox::Create(parent, c.id, c.x, c.y, c.width, c.height, c.shown,
                                    [this, &c] { Fire(c, EventKind::DocumentComplete, 0, 0); });
      if (!box) return false;
      if (c.text) box->SetAddress(c.text);
      controls_[c.id] = box->hwnd();
      browsers_[c.id] = std::move(box);
      continue;
    }
    HWND hwnd = CreateControl(c, parent, FontFor(c.font));
    if (!hwnd) return false;
    controls_[c.id] = hwnd;
  }
  return true;
}

void ClientWindow::Fire(const ControlDef& control, EventKind kind, int x, int y) {
  if (control.event != kind || !control.handler) return;
  // The handler may destroy this window; this object outlives the call.
  control.handler(Event{def_.id, control.id, x, y});
}

void ClientWindow::RunWindowEvent(Handler handler) {
  if (handler) handler(Event{def_.id, 0, 0, 0});
}

void ClientWindow::SetTimerPeriod(int id, int milliseconds) {
  if (!hwnd_) return;
  if (milliseconds > 0) {
    SetTimer(hwnd_, static_cast<UINT_PTR>(id), static_cast<UINT>(milliseconds), nullptr);
  } else {
    KillTimer(hwnd_, static_cast<UINT_PTR>(id));
  }
}

void ClientWindow::PopUpMenu(int menuId, POINT screen) {
  UniqueMenu popup(CreatePopupMenu());
  if (!popup) return;
  int shown = 0;
  for (size_t i = 0; i < def_.menuCount; ++i) {
    const MenuItemDef& item = def_.menu[i];
    if (item.parent != menuId || !item.shown) continue;
    AppendMenuA(popup.get(), MF_STRING, static_cast<UINT_PTR>(item.id), item.caption);
    ++shown;
  }
  if (shown == 0) return;
  // Without being the foreground window the menu would not close when the
  // user clicks elsewhere.
  SetForegroundWindow(hwnd_);
  TrackPopupMenu(popup.get(), TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, screen.x, screen.y, 0,
                 hwnd_, nullptr);
  PostMessageA(hwnd_, WM_NULL, 0, 0);
}

void ClientWindow::RunMenuItem(int itemId) {
  const MenuItemDef* item = FindMenuItemDef(def_, itemId);
  if (item && item->handler) item->handler(Event{def_.id, itemId, 0, 0});
}

LRESULT ClientWindow::Handle(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CREATE:
      return BuildControls() ? 0 : -1;
    case kControlEventMessage: {
      const ControlDef* c = FindControlDef(def_, LOWORD(wp));
      if (c) Fire(*c, static_cast<EventKind>(HIWORD(wp)), GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
      return 0;
    }
    case WM_COMMAND: {
      const int id = LOWORD(wp), code = HIWORD(wp);
      if (lp == 0 && code == 0) {
        RunMenuItem(id);
        return 0;
      }
      const ControlDef* c = FindControlDef(def_, id);
      if (!c) break;
      if (c->kind == ControlKind::Button && code == BN_CLICKED) Fire(*c, EventKind::Clicked, 0, 0);
      if (c->kind == ControlKind::DropDownList && code == CBN_SELCHANGE)
        Fire(*c, EventKind::ItemSelected, 0, 0);
      return 0;
    }
    case WM_TIMER: {
      const ControlDef* c = FindControlDef(def_, static_cast<int>(wp));
      if (!c || c->kind != ControlKind::Timer) break;
      Fire(*c, EventKind::TimerFired, 0, 0);
      return 0;
    }
    case WM_DESTROY:
      RunWindowEvent(def_.willBeDestroyed);
      for (size_t i = 0; i < def_.controlCount; ++i) {
        if (def_.controls[i].kind == ControlKind::Timer) SetTimerPeriod(def_.controls[i].id, 0);
      }
      return 0;
    case WM_NCDESTROY: {
      HWND hwnd = hwnd_;
      hwnd_ = nullptr;
      controls_.clear();
      if (gone_) gone_(def_.id);
      return DefWindowProcA(hwnd, msg, wp, lp);
    }
  }
  return DefWindowProcA(hwnd_, msg, wp, lp);
}

LRESULT CALLBACK ClientWindow::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
  if (msg == WM_NCCREATE) {
    auto* window = static_cast<ClientWindow*>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams);
    window->hwnd_ = hwnd;
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(window));
  }
  auto* window = reinterpret_cast<ClientWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (!window || !window->hwnd_) return DefWindowProcA(hwnd, msg, wp, lp);
  if (msg == WM_NCDESTROY) SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
  return window->Handle(msg, wp, lp);
}
