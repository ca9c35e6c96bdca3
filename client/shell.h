// The client shell: its windows, the rules by which they open and close,
// the message loop and the program-wide state.
#pragma once

#include <windows.h>

#include "program_directory.h"
#include "text.h"
#include "window_def.h"

class BrowserBox;


// Address of the picture the rendering service produced last.
inline Text PictureAddress;

// Opens a window, not modal and without an owner. An open window is not
// created again: it is restored when minimised, otherwise activated.
void OpenWindow(WindowId window);
// Destroys the window; its will-be-destroyed handler runs first.
void CloseWindow(WindowId window);
// Task-modal box without owner and with one OK button; style 0 (plain),
// 16 (stop) or 64 (information); an empty title gives "信息：".
void ShowMessage(const Text& text, int style = 0, const Text& title = Text());

bool IsWindowOpen(WindowId window);
HWND WindowHandle(WindowId window);            // nullptr when closed
HWND ControlHandle(WindowId window, int id);   // nullptr when closed or unknown
BrowserBox* BrowserOf(WindowId window, int id);
void SetTimerPeriod(WindowId window, int id, int milliseconds);  // 0 stops it
// Pops up the visible items under a menu of the window at a screen point.
void PopUpMenu(WindowId window, int menuId, POINT screen);
// Runs a menu item's handler, shown or not.
void RunMenuItem(WindowId window, int itemId);

// Runs the message loop until the last window has been destroyed.
int RunMessageLoop();
// Handles the messages already waiting (for tests that drive the windows
// in their own thread).
void ProcessWindowMessages();

// Handlers of the shell's own events.
void OnMainCreated(const Event&);
void OnPreviewCreated(const Event&);
void OnResultCreated(const Event&);
void OnSecondaryWindowDestroyed(const Event&);
void CloseEventWindow(const Event& e);
void OpenResultWindow(const Event&);
