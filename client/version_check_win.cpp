// Version check, updater start and feedback page.
#include <windows.h>
#include <shellapi.h>

#include "deployment.h"
#include "handlers.h"
#include "http_request.h"
#include "owners_win.h"
#include "shell.h"

namespace {

constexpr char kClientVersion[] = "1.3";
constexpr DWORD kUpdaterReadyWaitMs = 1000;

void StartUpdater() {
  // Quoted: the program directory may hold spaces. No arguments.
  Text commandLine = "\"" + ProgramDirectory() + "/tarnix.exe\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION started{};
  if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &started)) {
    return;
  }
  UniqueKernelHandle process(started.hProcess), thread(started.hThread);
  WaitForInputIdle(process.get(), kUpdaterReadyWaitMs);
}

// True when current; otherwise the user has been told and the updater runs.
bool EnsureCurrentVersion() {
  if (FetchVersionText() == kClientVersion) return true;
  ShowMessage("软件已经过期，点击确定开始自动更新&…………", 0, "更新提示：");
  StartUpdater();
  return false;
}

}  // namespace

Text FetchVersionText() {
  const Text page = Utf8ToGbk(TextOf(HttpRequest(kVersionPageUrl)));
  return TextBetween(page, "版本【", "】");
}

void CheckVersion() {
  if (EnsureCurrentVersion()) LoadCatalogue();
}

void CheckForUpdate() {
  if (EnsureCurrentVersion()) ShowMessage("当前已是最新版本，无需更新。", 64, "更新提示：");
}

void OpenFeedbackPage() {
  const Text address = Text(kFeedbackServer) + "/lifk.html";
  ShellExecuteA(nullptr, "open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}
