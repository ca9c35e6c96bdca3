#include "updater_win.h"

#include <commctrl.h>

#include "http_request.h"
#include "processes_win.h"
#include "progress.h"
#include "update_page.h"

namespace {

const char kLabel[] = "标签";
const char kBar[] = "进度条";
const char kNotes[] = "编辑框_更新内容";
const char kAddress[] = "编辑框_下载地址";
const char kReceive[] = "超级按钮_接收";
const char kCancel[] = "超级按钮_取消";

void EnableButtons(HWND window, bool enable) {
  EnableWindow(ControlOf(window, kReceive), enable);
  EnableWindow(ControlOf(window, kCancel), enable);
}

}  // namespace

UpdaterState& Updater() {
  static UpdaterState state;
  return state;
}

Text ClientPath() { return ProgramDirectory() + "/kelvane.exe"; }

int RunUpdater(HINSTANCE instance, int show, const char* versionPage) {
  UpdaterState& u = Updater();
  u.download = std::make_unique<Downloader>();
  u.task = DownloadTask();
  u.totalSize = 0;
  u.versionPage = versionPage;
  // The exit routine, however the loop ends: a running transfer is told to
  // stop and waited for at most stopWait.
  struct ExitRoutine {
    ~ExitRoutine() {
      Updater().window = nullptr;
      Updater().download.reset();
      Updater().task = DownloadTask();
    }
  } exitRoutine;

  HWND window = BuildWindow(kUpdaterWindow, instance);
  if (!window) return 1;
  ShowWindow(window, show);
  UpdateWindow(window);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return 0;
}

void OnWindowCreated(HWND window) {
  Updater().window = window;
  StopRunningClient();
  ShowUpdateInfo(window, Updater().versionPage);
  StartDownload(window);
}

void StopRunningClient() {
  const Text client = ClientPath();
  if (GetFileAttributesA(client.c_str()) == INVALID_FILE_ATTRIBUTES) return;
  // Termination is not awaited: the file may still be held for a moment,
  // and the download then replaces it.
  KillProcessByName("kelvane.exe", true, false);
  DeleteFileA("kelvane.exe");
  DeleteFileA(client.c_str());
}

Text FetchText(std::string_view address) { return TextOf(HttpRequest(address)); }

void ShowUpdateInfo(HWND window, std::string_view address) {
  const UpdateInfo info = ReadUpdateInfo(Utf8ToGbk(FetchText(address)));
  SetControlText(window, kAddress, info.downloadAddress);
  SetControlText(window, kNotes, info.description);
}

void StartDownload(HWND window) {
  StopRunningClient();
  DownloadTask& task = Updater().task;
  task.mode = kDownloadToFile;
  task.url = Trim(ControlText(window, kAddress));
  task.stopWait = 1000;
  task.threadCount = 3;
  task.localPath = ClientPath();
  task.connectTimeout = 5000;
  task.sendTimeout = 5001;
  task.receiveTimeout = 10000;
  task.chunkSize = 10240;
  task.eventCallback = OnDownloadEvent;
  EnableButtons(window, false);
  Updater().download->Add(task);
}

void UpdateProgress(HWND window) {
  if (IsWindowEnabled(ControlOf(window, kReceive))) return;
  const int percent = ProgressPercent(Updater().download->BytesDone(), Updater().totalSize);
  SetControlText(window, kLabel, ProgressCaption(percent));
  SendMessageA(ControlOf(window, kBar), PBM_SETPOS, static_cast<WPARAM>(percent), 0);
}

int OnDownloadEvent(int event, const DownloadTask&, std::int64_t value, int result) {
  const HWND window = Updater().window;
  if (event == kDownloadEventTotalSize) {
    const auto bytes = static_cast<std::uint64_t>(value);
    PostMessageA(window, kTotalSizeMessage, static_cast<WPARAM>(bytes >> 32),
                 static_cast<LPARAM>(static_cast<DWORD>(bytes)));
  } else if (event == kDownloadEventEnded) {
    PostMessageA(window, kDownloadEndedMessage, static_cast<WPARAM>(result), 0);
  }
  return 0;
}

void OnTotalSize(HWND, WPARAM wp, LPARAM lp) {
  const std::uint64_t bytes = (static_cast<std::uint64_t>(wp) << 32) | static_cast<DWORD>(lp);
  Updater().totalSize = static_cast<double>(bytes);
}

void OnDownloadEnded(HWND window, WPARAM wp, LPARAM) {
  if (wp != kDownloadComplete) {
    // Nothing partial was put in place: nothing is started, and the
    // address and buttons come into view for another try.
    Updater().totalSize = 0;
    SetControlText(window, kLabel, "下载失败，请点击“接  收”重试");
    EnableButtons(window, true);
    FitWindowToControls(window);
    return;
  }
  UpdateProgress(window);  // the display catches up with the finished transfer
  SetControlText(window, kLabel, "已经下载完成-马上执行");
  UpdateWindow(window);
  StartProgram(ClientPath(), 1000);
  DestroyWindow(window);
}
