// A stand-in for the client in the updater's tests: it records each start
// in "started.log" beside its own file (its process id, then the texts of
// the updater window's controls as they are at that moment), is slow to
// become ready for input, and runs until it is closed or terminated.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

BOOL CALLBACK AppendText(HWND control, LPARAM lp) {
  char text[512] = "";
  GetWindowTextA(control, text, sizeof text);  // another process's: read without a message
  auto* line = reinterpret_cast<std::string*>(lp);
  *line += '|';
  *line += text;
  return TRUE;
}

void RecordStart() {
  char path[MAX_PATH];
  const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string log(path, n);
  log = log.substr(0, log.find_last_of("\\/") + 1) + "started.log";
  std::string line = std::to_string(GetCurrentProcessId());
  if (HWND updater = FindWindowA(nullptr, "自动更新")) {
    EnumChildWindows(updater, AppendText, reinterpret_cast<LPARAM>(&line));
  }
  line += "\n";
  if (FILE* f = std::fopen(log.c_str(), "ab")) {
    std::fwrite(line.data(), 1, line.size(), f);
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
