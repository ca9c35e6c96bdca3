// Browser box: the WebBrowser control in a small OLE container of our own
// (client site, in-place site and frame), with a DWebBrowserEvents2 sink
// that reports document complete.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <functional>
#include <memory>

#include "text.h"

class BrowserSite;

class BrowserBox {
 public:
  // Creates the host child window at (x, y, w, h) of parent and activates
  // the control in it. Returns nullptr when the host cannot be made; a box
  // whose control could not be created stays an empty pane.
  static std::unique_ptr<BrowserBox> Create(HWND parent, int id, int x, int y, int width,
                                            int height, bool shown,
                                            std::function<void()> onDocumentComplete);
  ~BrowserBox();
  BrowserBox(const BrowserBox&) = delete;
  BrowserBox& operator=(const BrowserBox&) = delete;

  HWND hwnd() const { return host_; }
  bool HasControl() const;
  // Starts navigating and returns at once.
  void SetAddress(const Text& address);
  // The address of the page now shown (empty before any navigation).
  Text Address() const;
  void SetEnabled(bool enabled);
  bool Enabled() const;
  // The event sink as the control sees it, so that events can be delivered
  // to it directly.
  IDispatch* EventSink() const;

 private:
  BrowserBox() = default;
  void Close();
  static LRESULT CALLBACK HostProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept;

  HWND host_ = nullptr;
  BrowserSite* site_ = nullptr;  // holds the control; one reference ours
};
