// The description of one background download, as the updater hands it to
// the download facility. Members keep their order; integers are 32-bit.
#pragma once

#include <cstdint>
#include <optional>

#include "text.h"

struct DownloadTask;

// Events the facility reports, on its own threads.
constexpr int kDownloadEventTotalSize = 3;  // value: total size in bytes; once per task
constexpr int kDownloadEventEnded = 4;      // value: bytes transferred; result: DownloadResult

enum DownloadResult : int {
  kDownloadComplete = 0,  // every byte is in place at localPath
  kDownloadFailed = 1,    // transfer or file error; localPath is untouched
  kDownloadRefused = 2,   // an address the facility does not download (FTP, unparsable)
};

// The facility ignores the answer: it asks nothing of the updater.
using DownloadEventCallback = int (*)(int event, const DownloadTask& task, std::int64_t value,
                                      int result);

constexpr std::int32_t kDownloadToFile = 4096;

struct DownloadTask {
  std::int32_t mode = 1;  // kDownloadToFile is the one mode the facility runs
  Text url;
  Text localPath;
  Text ftpUser = "anonymous";
  Text ftpPassword = "guest@example.com";
  std::int32_t threadCount = 1;  // parallel ranged parts when the server allows them
  std::int32_t fixedChunk = 0;   // when not 0, the block size instead of chunkSize
  std::int32_t connectTimeout = 20000;  // milliseconds
  std::int32_t sendTimeout = 20000;
  std::int32_t receiveTimeout = 20000;
  std::int32_t stopWait = 1000;  // longest wait for a running transfer when the facility ends
  std::int32_t chunkSize = 20480;  // block size: reads are whole numbers of blocks
  std::int32_t smallChunk = 1024;
  std::int32_t reserved14 = 0;
  DownloadEventCallback eventCallback = nullptr;
  Text reserved16;
  std::int32_t ftpTransferMode = 1;
  Text binaryExtensions = ".exe|.rar|.zip|.gif|.jpg|.mp3|.rm";
  std::optional<Text> reserved19;
  std::optional<Text> reserved20;
};
