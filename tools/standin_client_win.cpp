// A stand-in for the client in the updater's tests: it records each start
// in "started.log" beside its own file (its process id, then the texts of
// the updater window's controls as they are at that moment), is slow to
// become ready for input, and runs until it is closed or terminated.
#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

char g_line[8192];

BOOL CALLBACK AppendText(HWND control, LPARAM) {
  char text[1024] = "";
  GetWindowTextA(control, text, sizeof text);  // another process's: read without a message
  const std::size_t used = std::strlen(g_line);
  std::snprintf(g_line + used, sizeof g_line - used, "|%s", text);
  return TRUE;
}

void RecordStart() {
  char log[MAX_PATH + 16] = "";
  GetModuleFileNameA(nullptr, log, MAX_PATH);
  char* slash = std::strrchr(log, '\\');
  std::strcpy(slash ? slash + 1 : log, "started.log");
  std::snprintf(g_line, sizeof g_line, "%lu", GetCurrentProcessId());
  if (HWND updater = FindWindowA(nullptr, "自动更新")) EnumChildWindows(updater, AppendText, 0);
  if (FILE* f = std::fopen(log, "ab")) {
    std::fprintf(f, "%s\n", g_line);
    std::fclose(f);
  }
}

LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
  RecordStart();
  // Whoever waits for this process to be ready for input waits this long,
  // so that a test can look at the starter in that moment.
  Sleep(500);
  WNDCLASSA wc{};
  wc.lpfnWndProc = Proc;
  wc.hInstance = instance;
  wc.lpszClassName = "StandInClient";
  RegisterClassA(&wc);
  HWND hwnd = CreateWindowExA(0, wc.lpszClassName, "替身客户端", WS_OVERLAPPEDWINDOW, 600, 50, 200,
                              100, nullptr, nullptr, instance, nullptr);
  if (!hwnd) return 1;
  ShowWindow(hwnd, show);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
  return 0;
}
