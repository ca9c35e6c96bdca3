#include "window_builder_win.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "owners_win.h"

namespace {

constexpr int kFirstControlId = 100;

struct WindowData {
  const WindowDef* def;
  UniqueFont font;
  // Labels are 11 pixels high: their font is chosen by its whole line
  // height, which for SimSun is the same font, and for a substitute with
  // more leading keeps the glyphs from being cut off.
  UniqueFont labelFont;
};

HFONT SongTi(int height) {
  return CreateFontA(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, GB2312_CHARSET, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "宋体");
}

WindowData* DataOf(HWND window) {
  return reinterpret_cast<WindowData*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

const ControlDef* ControlAt(const WindowDef& def, WPARAM id) {
  const std::size_t index = static_cast<std::size_t>(id) - kFirstControlId;
  return id >= kFirstControlId && index < def.controlCount ? &def.controls[index] : nullptr;
}

void CreateControls(HWND window, const WindowData& data) {
  const HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(window, GWLP_HINSTANCE));
  for (std::size_t i = 0; i < data.def->controlCount; ++i) {
    const ControlDef& c = data.def->controls[i];
    const UINT id = static_cast<UINT>(kFirstControlId + i);
    if (c.kind == ControlKind::Timer) {
      SetTimer(window, id, c.interval, nullptr);
      continue;
    }
    const char* cls = "STATIC";
    DWORD style = WS_CHILD | WS_VISIBLE, exStyle = 0;
    switch (c.kind) {
      case ControlKind::Label:
        style |= SS_LEFT | SS_NOPREFIX;
        break;
      case ControlKind::ProgressBar:
        cls = PROGRESS_CLASSA;
        break;
      case ControlKind::Edit:
        cls = "EDIT";
        style |= WS_TABSTOP | ES_AUTOHSCROLL;
        exStyle = WS_EX_CLIENTEDGE;
        break;
      case ControlKind::MultiLineEdit:
        cls = "EDIT";
        style |= WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN;
        exStyle = WS_EX_CLIENTEDGE;
        break;
      case ControlKind::Button:
        cls = "BUTTON";
        style |= WS_TABSTOP | BS_PUSHBUTTON;
        break;
      case ControlKind::Timer:
        break;
    }
    HWND control = CreateWindowExA(exStyle, cls, c.text ? c.text : "", style, c.x, c.y, c.width,
                                   c.height, window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                   instance, nullptr);
    const HFONT font = c.kind == ControlKind::Label ? data.labelFont.get() : data.font.get();
    if (control && font) SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), 0);
  }
}

LRESULT CALLBACK BuiltWindowProc(HWND window, UINT msg, WPARAM wp, LPARAM lp) noexcept {
  if (msg == WM_NCCREATE) {
    // The window takes the data over; WM_NCDESTROY frees it.
    auto* holder = static_cast<std::unique_ptr<WindowData>*>(
        reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(holder->release()));
  }
  WindowData* data = DataOf(window);
  if (!data) return DefWindowProcA(window, msg, wp, lp);
  const WindowDef& def = *data->def;
  switch (msg) {
    case WM_CREATE:
      CreateControls(window, *data);
      return 0;
    case WM_COMMAND:
      if (HIWORD(wp) == BN_CLICKED) {
        const ControlDef* c = ControlAt(def, LOWORD(wp));
        // A disabled button's click, even a simulated one, does nothing.
        if (c && c->kind == ControlKind::Button && c->handler &&
            IsWindowEnabled(reinterpret_cast<HWND>(lp))) {
          c->handler(window);
        }
        return 0;
      }
      break;
    case WM_TIMER: {
      const ControlDef* c = ControlAt(def, wp);
      if (c && c->kind == ControlKind::Timer && c->handler) c->handler(window);
      return 0;
    }
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    case WM_NCDESTROY:
      SetWindowLongPtrA(window, GWLP_USERDATA, 0);
      delete data;
      return DefWindowProcA(window, msg, wp, lp);
  }
  for (std::size_t i = 0; i < def.messageCount; ++i) {
    if (def.messages[i].message == msg) {
      def.messages[i].handler(window, wp, lp);
      return 0;
    }
  }
  return DefWindowProcA(window, msg, wp, lp);
}

}  // namespace

HWND BuildWindow(const WindowDef& def, HINSTANCE instance) {
  INITCOMMONCONTROLSEX common{sizeof common, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&common);
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = BuiltWindowProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = def.className;
  if (!RegisterClassExA(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return nullptr;

  auto data = std::make_unique<WindowData>();
  data->def = &def;
  data->font.reset(SongTi(-12));  // 9 points
  data->labelFont.reset(SongTi(12));
  HWND window = CreateWindowExA(0, def.className, def.caption,
                                WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, def.x, def.y,
                                def.width, def.height, nullptr, nullptr, instance, &data);
  if (window && def.created) def.created(window);
  return window;
}

int ControlId(const WindowDef& def, const char* name) {
  for (std::size_t i = 0; i < def.controlCount; ++i) {
    if (std::strcmp(def.controls[i].name, name) == 0) return static_cast<int>(kFirstControlId + i);
  }
  return 0;
}

HWND ControlOf(HWND window, const char* name) {
  const WindowData* data = DataOf(window);
  const int id = data ? ControlId(*data->def, name) : 0;
  return id ? GetDlgItem(window, id) : nullptr;
}

Text ControlText(HWND window, const char* name) {
  HWND control = ControlOf(window, name);
  const int n = control ? GetWindowTextLengthA(control) : 0;
  if (n <= 0) return Text();
  Text text(static_cast<std::size_t>(n) + 1, '\0');
  text.resize(static_cast<std::size_t>(GetWindowTextA(control, text.data(), n + 1)));
  return text;
}

void SetControlText(HWND window, const char* name, const Text& text) {
  if (HWND control = ControlOf(window, name)) SetWindowTextA(control, text.c_str());
}

void FitWindowToControls(HWND window) {
  const WindowData* data = DataOf(window);
  if (!data) return;
  RECT client{0, 0, 0, 0};
  GetClientRect(window, &client);
  for (std::size_t i = 0; i < data->def->controlCount; ++i) {
    const ControlDef& c = data->def->controls[i];
    if (c.kind == ControlKind::Timer) continue;
    client.right = std::max<LONG>(client.right, c.x + c.width + 8);
    client.bottom = std::max<LONG>(client.bottom, c.y + c.height + 8);
  }
  RECT outer = client;
  AdjustWindowRectEx(&outer, static_cast<DWORD>(GetWindowLongPtrA(window, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongPtrA(window, GWL_EXSTYLE)));
  SetWindowPos(window, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}
