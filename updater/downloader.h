// The background download facility: downloads an HTTP address to a file on
// its own threads, one task at a time.
//
// The file is written beside the target as localPath + ".part" and moved
// into place only when every byte of the transfer has arrived; on any
// failure the target is left as it was and the part file is removed.
// When the server states the length and answers a range, threadCount
// parts run in parallel; otherwise one stream carries the body.
//
// eventCallback runs on the facility's threads: kDownloadEventTotalSize
// once the length is known, then kDownloadEventEnded once with the result.
// It must neither add a task nor destroy the facility, and must not wait
// for the thread that does (post to it instead). No event follows the start
// of the destruction.
#pragma once

#include <cstdint>
#include <memory>

#include "download_task.h"

class Downloader {
 public:
  Downloader();
  // Tells a running transfer to stop and waits for it at most the task's
  // stopWait milliseconds; a transfer still blocked then ends on its own.
  ~Downloader();
  Downloader(const Downloader&) = delete;
  Downloader& operator=(const Downloader&) = delete;

  // Starts the task. False, and no event ever, while a task runs, for an
  // empty address or a mode other than kDownloadToFile. Any other address
  // ends with kDownloadEventEnded (FTP and unparsable ones as refused).
  bool Add(const DownloadTask& task);

  // Bytes the running (or last) task has written so far; 0 before any.
  std::int64_t BytesDone() const;

  struct Shared;

 private:
  std::shared_ptr<Shared> shared_;
};
