// download_bench URL OUT THREADS: downloads URL to OUT with the updater's
// download facility, the task set as the updater sets it but for the count
// of parts, and prints the rate and the CPU time the process spent.
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>

#include "downloader.h"

namespace {

std::atomic<int> g_result{-1};
std::atomic<std::int64_t> g_bytes{0};

int OnEvent(int event, const DownloadTask&, std::int64_t value, int result) {
  if (event == kDownloadEventEnded) {
    g_bytes = value;
    g_result = result;
  }
  return 0;
}

double CpuSeconds() {
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  auto seconds = [](const FILETIME& t) {
    return ((static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7;
  };
  return seconds(kernel) + seconds(user);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: download_bench URL OUT THREADS\n");
    return 2;
  }
  DownloadTask task;
  task.mode = kDownloadToFile;
  task.url = argv[1];
  task.localPath = argv[2];
  task.threadCount = std::atoi(argv[3]);
  task.connectTimeout = 5000;
  task.sendTimeout = 5001;
  task.receiveTimeout = 10000;
  task.chunkSize = 10240;
  task.eventCallback = OnEvent;

  const double cpu0 = CpuSeconds();
  LARGE_INTEGER frequency, t0, t1;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&t0);
  {
    Downloader download;
    if (!download.Add(task)) return 1;
    while (g_result < 0) Sleep(1);
  }
  QueryPerformanceCounter(&t1);
  const double seconds = static_cast<double>(t1.QuadPart - t0.QuadPart) / frequency.QuadPart;
  std::printf("facility, %d part(s): %.1f MB in %.3f s = %.0f MB/s, CPU %.3f s, result %d\n",
              task.threadCount, g_bytes / 1e6, seconds, g_bytes / 1e6 / seconds, CpuSeconds() - cpu0,
              g_result.load());
  return g_result == kDownloadComplete ? 0 : 1;
}
