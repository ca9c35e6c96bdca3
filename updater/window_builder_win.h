// Windows built from a definition table: the window, its controls with
// names, places, start texts and event handlers, read by one builder.
#pragma once

#include <windows.h>

#include <cstddef>

#include "text.h"

enum class ControlKind { Label, ProgressBar, Edit, MultiLineEdit, Button, Timer };

using ControlHandler = void (*)(HWND window);
using MessageHandler = void (*)(HWND window, WPARAM wp, LPARAM lp);

struct ControlDef {
  const char* name;
  ControlKind kind;
  int x, y, width, height;  // client coordinates; a timer's place is only its designer's
  const char* text;
  ControlHandler handler;  // clicked (buttons) or periodic event (timers)
  UINT interval;           // timers: milliseconds
};

struct MessageDef {
  UINT message;
  MessageHandler handler;
};

struct WindowDef {
  const char* className;
  const char* caption;
  int x, y, width, height;  // outer size
  const ControlDef* controls;
  std::size_t controlCount;
  const MessageDef* messages;  // further window messages, such as posted events
  std::size_t messageCount;
  ControlHandler created;  // once every control exists, before the window is shown
};

// Creates the window and its controls and runs its created handler; the
// window's destruction ends the message loop. Null when it cannot be made.
HWND BuildWindow(const WindowDef& def, HINSTANCE instance);

// The child-window id of the named control (0 when there is none): the
// same in every process, so that a test driver can find the control.
int ControlId(const WindowDef& def, const char* name);

// The control of that name in a window made by BuildWindow, or null.
HWND ControlOf(HWND window, const char* name);

Text ControlText(HWND window, const char* name);
void SetControlText(HWND window, const char* name, const Text& text);

// Grows the window so that every control lies inside its client area.
void FitWindowToControls(HWND window);
