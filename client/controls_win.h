// The control kinds of the window definitions as Win32 child windows, and
// the few operations the handlers need on them.
#pragma once

#include <windows.h>

#include "text.h"
#include "window_def.h"

// Sent by a control to its top-level window for the events the standard
// notifications do not carry: wParam = MAKEWPARAM(control id, EventKind),
// lParam = MAKELPARAM(x, y) in the control's client area.
inline constexpr UINT kControlEventMessage = WM_APP + 1;
// Asks a picture box for the index of the frame it shows (from any process).
inline constexpr UINT kPictureFrameMessage = WM_APP + 2;

inline constexpr char kLabelClass[] = "KelvaneLabel";
inline constexpr char kPictureClass[] = "KelvanePicture";

// Registers a window class of this program once (arrow cursor).
bool RegisterWindowClass(const char* name, WNDPROC proc, HBRUSH background);
// Registers the window classes of the client's own control kinds and the
// common controls it uses. Safe to call again.
bool RegisterControlClasses();

// Creates the child window of a control (not for timers or browser boxes).
HWND CreateControl(const ControlDef& def, HWND parent, HFONT font);

Text ControlText(HWND control);
void SetControlText(HWND control, const Text& text);
void SetControlVisible(HWND control, bool shown);
// Position of the selected drop-down item, from 0; -1 when none.
int SelectedItem(HWND combo);
// Text of one cell of a list view; empty when the row or column is missing.
Text ListCell(HWND list, int row, int column);

// Holds a control's repainting off while it lives, then repaints it once.
// (Wine repaints a list view on every insertion otherwise: 24 ms a row.)
class RedrawPause {
 public:
  explicit RedrawPause(HWND control) : control_(control) { SendMessageA(control_, WM_SETREDRAW, FALSE, 0); }
  ~RedrawPause() {
    SendMessageA(control_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(control_, nullptr, TRUE);
  }
  RedrawPause(const RedrawPause&) = delete;
  RedrawPause& operator=(const RedrawPause&) = delete;

 private:
  HWND control_;
};

// Catalogue filling, one row or item at a time.
void RemoveListRows(HWND list);
// Appends a row and sets its cells from column 0; gives the row's position.
int AppendListRow(HWND list, const Text* cells, int count);
// Removes every item from position keep on.
void KeepComboItems(HWND combo, int keep);
void AppendComboItem(HWND combo, const Text& item);
int ComboItemCount(HWND combo);
