// The builder: one top-level window made from its definition, with every
// control of the table, and the routing of control events to the table's
// handlers.
#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <vector>

#include "browser_box_win.h"
#include "owners_win.h"
#include "window_def.h"

class ClientWindow {
 public:
  // Called once the window has been destroyed (from WM_NCDESTROY).
  using GoneCallback = void (*)(WindowId);

  // Creates the window hidden, with all its controls, centred on the screen.
  // No frame or caption of its own: the skin engine draws them.
  static std::unique_ptr<ClientWindow> Create(const WindowDef& def, GoneCallback gone);
  ~ClientWindow();
  ClientWindow(const ClientWindow&) = delete;
  ClientWindow& operator=(const ClientWindow&) = delete;

  HWND hwnd() const { return hwnd_; }
  const WindowDef& def() const { return def_; }
  HWND Control(int id) const;
  BrowserBox* Browser(int id) const;

  void RunWindowEvent(Handler handler);
  void SetTimerPeriod(int id, int milliseconds);
  void PopUpMenu(int menuId, POINT screen);
  void RunMenuItem(int itemId);

 private:
  explicit ClientWindow(const WindowDef& def) : def_(def) {}
  bool BuildControls();
  HFONT FontFor(const FontDef& font);
  void Fire(const ControlDef& control, EventKind kind, int x, int y);
  LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept;

  const WindowDef& def_;
  GoneCallback gone_ = nullptr;
  HWND hwnd_ = nullptr;
  std::map<int, HWND> controls_;
  std::map<int, std::unique_ptr<BrowserBox>> browsers_;
  std::vector<UniqueFont> fonts_;
  std::vector<FontDef> fontDefs_;
};
