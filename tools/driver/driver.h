// A driver for tests that use the client's windows as a person would, from
// a separate process: start kelvane.exe from a fresh program directory,
// find its windows and controls, click, pick, press, read, answer message
// boxes and pop-up menus, take screenshots, wait for the end.
//
// Every wait is bounded polling with a time-out; nothing throws. Texts are
// GBK (the code page of the client), read with the W messages because some
// A messages return UTF-16 across processes under Wine.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace driver {

// Polls done() every 20 ms until it holds or timeoutMs has passed.
bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs = 5000);

// The client program this build made (a Windows path).
std::string BuiltClientPath();

// A visible top-level window of that process and class, waiting for it.
HWND WaitTopLevel(DWORD pid, const char* cls, DWORD timeoutMs = 5000);

// One running client in its own temporary program directory. The
// destructor ends the client if it still runs and removes the directory.
class Client {
 public:
  Client() = default;
  ~Client();
  Client(const Client&) = delete;
  Client& operator=(const Client&) = delete;

  // Copies the program as "kelvane.exe" into a fresh directory, runs any
  // prepare step on that directory, starts the client there (its working
  // directory elsewhere) and waits until its main window is complete.
  bool Start(const std::string& program = BuiltClientPath(),
             const std::function<void(const std::string& dir)>& prepare = nullptr);
  const std::string& Directory() const { return dir_; }
  std::string FileInDirectory(const std::string& name) const { return dir_ + "\\" + name; }
  DWORD ProcessId() const { return pid_; }

  bool Running() const;
  bool WaitForExit(DWORD timeoutMs, DWORD* exitCode = nullptr) const;

  // The client's visible top-level windows with exactly this caption.
  std::vector<HWND> Windows(const std::string& caption) const;
  // The first of them, waiting for it up to timeoutMs; nullptr if none.
  HWND WaitWindow(const std::string& caption, DWORD timeoutMs = 5000) const;
  // The client's window of class "#32770" (a message box) or "#32768"
  // (a pop-up menu), waiting for it.
  HWND WaitMessageBox(DWORD timeoutMs = 5000) const;
  HWND WaitPopupMenu(DWORD timeoutMs = 5000) const;

 private:
  std::string dir_;
  HANDLE process_ = nullptr;
  DWORD pid_ = 0;
};

// Controls. Control() searches all descendants of the window.
HWND Control(HWND window, int id);
std::string GetText(HWND hwnd);
std::string ClassName(HWND hwnd);
bool SetText(HWND hwnd, const std::string& text);

// Clicks a button (BM_CLICK, posted: the click may open a modal box).
bool Click(HWND button);
// Selects a drop-down item and notifies the combo's parent as a user's
// choice does.
bool PickComboItem(HWND combo, int index);
std::vector<std::string> ComboItems(HWND combo);
int ComboSelection(HWND combo);
// The cells of every row of a list view (columns 0 .. columns - 1), read
// through memory lent in the list's process.
std::vector<std::vector<std::string>> ListRows(HWND list, int columns);

enum class Button { Left, Right };
// Presses and releases a mouse button at a point of the control's client
// area (default: its centre), by posted mouse messages.
bool Press(HWND control, Button button);
bool Press(HWND control, Button button, POINT client);

// Geometry on the screen. VisibleRect is the part of the control that its
// ancestors do not clip away: empty when it can neither be seen nor
// reached with the mouse.
RECT ScreenRect(HWND hwnd);
RECT VisibleRect(HWND hwnd);
// A child's window rectangle relative to its parent's client area.
RECT RectInParent(HWND hwnd);

struct MessageBoxInfo {
  std::string title;
  std::string text;
  int style = -1;    // 0 plain, 16 stop icon, 64 information icon
  int buttons = 0;   // number of push buttons
  bool owned = false;
};
MessageBoxInfo ReadMessageBox(HWND box);
bool PressOk(HWND box);

// Chooses the item at a position of a pop-up menu, by keyboard.
bool ChooseMenuItem(HWND popup, int index);
// Whether the pop-up menu looks exactly like one with these items: the
// driver pops up its own menu with them and compares the pictures.
bool MenuShows(HWND popup, const std::vector<std::string>& items);

// Pictures of the screen.
struct Image {
  int width = 0, height = 0;
  std::vector<std::uint32_t> pixels;  // 0x00RRGGBB, rows top down
  std::uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
  bool operator==(const Image& o) const {
    return width == o.width && height == o.height && pixels == o.pixels;
  }
};
// The screen inside r, once two successive copies agree (the target may
// still be painting), at most after timeoutMs.
Image CaptureScreen(const RECT& r, DWORD timeoutMs = 2000);
// Brings hwnd's top-level window to the top, repaints it and captures hwnd.
Image Capture(HWND hwnd);
// Captures hwnd as it is: only the painting already due is done first.
Image CaptureAsIs(HWND hwnd);
bool SavePng(const Image& image, const std::string& path);
// Capture and SavePng in one.
bool SaveScreenshot(HWND hwnd, const std::string& path);

}  // namespace driver
