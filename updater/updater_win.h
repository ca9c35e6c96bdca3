// tarnix: its global state, its window and the handlers wired to it.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string_view>

#include "download_task.h"
#include "downloader.h"
#include "text.h"
#include "window_builder_win.h"

struct UpdaterState {
  std::unique_ptr<Downloader> download;
  DownloadTask task;
  double totalSize = 0;  // bytes, 0 until the facility reports the size
  Text versionPage;      // address of the version page
  std::atomic<HWND> window{nullptr};  // where the facility's events are posted
};

UpdaterState& Updater();

// The window "自动更新" and its wiring.
extern const WindowDef kUpdaterWindow;

// The facility's events, passed from its threads to the window thread.
constexpr UINT kTotalSizeMessage = WM_APP + 1;     // wp, lp: high and low 32 bits of the size
constexpr UINT kDownloadEndedMessage = WM_APP + 2;  // wp: DownloadResult

// Start sequence, message loop and exit routine; the result is the exit code.
int RunUpdater(HINSTANCE instance, int show, const char* versionPage);

// Handlers (window thread unless said otherwise).
void OnWindowCreated(HWND window);
void StopRunningClient();
void ShowUpdateInfo(HWND window, std::string_view address);
Text FetchText(std::string_view address);
void StartDownload(HWND window);
void UpdateProgress(HWND window);
// On the facility's threads: posts the work to the window thread.
int OnDownloadEvent(int event, const DownloadTask& task, std::int64_t value, int result);
void OnTotalSize(HWND window, WPARAM wp, LPARAM lp);
void OnDownloadEnded(HWND window, WPARAM wp, LPARAM lp);

Text ClientPath();  // program directory + "/kelvane.exe"
