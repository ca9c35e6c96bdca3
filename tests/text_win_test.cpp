// Windows-only behaviour of the text routines.
#include <windows.h>

#include <gtest/gtest.h>

#include "text.h"

namespace {

int g_timerTicks = 0;

LRESULT CALLBACK CountingProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_APP) ++g_timerTicks;
  return DefWindowProcA(hwnd, msg, wp, lp);
}

TEST(TextBetweenWin, AllMatchesModeLetsWindowMessagesRun) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = CountingProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "TextBetweenPump";
  ASSERT_NE(RegisterClassA(&wc), 0);
  HWND hwnd = CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              wc.hInstance, nullptr);
  ASSERT_NE(hwnd, nullptr);

  g_timerTicks = 0;
  PostMessageA(hwnd, WM_APP, 0, 0);
  EXPECT_EQ(TextBetween("[a]", "[", "]", true), "1");
  EXPECT_EQ(g_timerTicks, 1) << "a posted message runs during the search";

  PostMessageA(hwnd, WM_APP, 0, 0);
  EXPECT_EQ(TextBetween("[a]", "[", "]"), "a");
  EXPECT_EQ(g_timerTicks, 1) << "first-match mode processes nothing";

  // A quit request is left for the message loop that owns it.
  PostQuitMessage(3);
  EXPECT_EQ(TextBetween("[a]", "[", "]", true), "1");
  MSG msg;
  EXPECT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 3u);

  DestroyWindow(hwnd);
  UnregisterClassA(wc.lpszClassName, wc.hInstance);
}

}  // namespace
