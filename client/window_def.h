// Window definitions as data: one table per window, read by the builder.
// Nothing here depends on Windows; the handlers are plain functions.
#pragma once

#include <cstddef>

enum class WindowId { Main, Preview, Result };
inline constexpr int kWindowCount = 3;

enum class ControlKind {
  Button,
  Edit,
  MultiLineEdit,
  TransparentLabel,
  GroupBox,
  PictureBox,
  DropDownList,
  ListView,
  BrowserBox,
  Timer,
};

// The one event a control reacts to, if any.
enum class EventKind {
  None,
  Clicked,           // button
  LeftPressed,       // transparent label
  RightPressed,      // transparent label
  ItemSelected,      // drop-down list
  DocumentComplete,  // browser box
  TimerFired,        // timer
  MenuChosen,        // menu item
};

struct Event {
  WindowId window;
  int control;   // control or menu item identifier; 0 for window events
  int x, y;      // mouse position in the control's client area, for presses
};
using Handler = void (*)(const Event&);

struct FontDef {
  const char* face;  // nullptr: the windows' default font
  int height;        // character height in pixels
  bool bold;
};
inline constexpr FontDef kDefaultFont{nullptr, 0, false};

struct ColumnDef {
  const char* title;
  int width;
};

enum class PictureId { None, Decoration, PreviewLoading, ResultLoading };

struct ControlDef {
  int id;
  const char* name;
  ControlKind kind;
  int parent;  // identifier of the parent control, 0 for the window
  int x, y, width, height;
  // Window text; for a drop-down list its one item (selected), for a
  // browser box its first address (nullptr: none).
  const char* text;
  bool shown;
  FontDef font;
  EventKind event;
  Handler handler;
  const ColumnDef* columns = nullptr;  // list view, ended by a null title
  PictureId picture = PictureId::None;
  int period = 0;  // timer, milliseconds; 0 leaves it unarmed
};

struct MenuItemDef {
  int id;
  const char* caption;
  int parent;  // identifier of the enclosing menu, 0 for the top level
  bool shown;
  Handler handler;
};

struct WindowDef {
  WindowId id;
  const char* caption;
  int width, height;
  bool minimizeBox;
  const ControlDef* controls;
  std::size_t controlCount;
  const MenuItemDef* menu;
  std::size_t menuCount;
  Handler created;
  Handler willBeDestroyed;
};

const WindowDef& DefinitionOf(WindowId window);
const ControlDef* FindControlDef(const WindowDef& def, int id);
const MenuItemDef* FindMenuItemDef(const WindowDef& def, int id);
