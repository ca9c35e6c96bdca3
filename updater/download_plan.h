// The download facility's decisions that need no platform: the address,
// how the first response shapes the transfer, the parts and the read size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "download_task.h"
#include "text.h"

struct HttpAddress {
  bool secure = false;
  Text host;
  int port = 80;
  Text path = "/";  // with the query
};

// "http://", "https://" or no scheme. False for any other scheme (FTP
// included), a missing host or a bad port.
bool ParseHttpAddress(std::string_view url, HttpAddress* address);

struct ByteRange {
  std::int64_t first = 0, last = -1;  // inclusive
  std::int64_t Size() const { return last - first + 1; }
};

// A decimal header value; -1 when it is absent or not a plain number.
std::int64_t ParseLength(std::string_view value);

// "bytes FIRST-LAST/TOTAL"; false for anything else (an unknown "*" total too).
bool ParseContentRange(std::string_view value, ByteRange* range, std::int64_t* total);

struct TransferPlan {
  bool ok = false;
  std::int64_t total = -1;  // -1: the length is not known; the stream's end ends the body
  bool ranged = false;      // the server answers ranges: the parts ask for theirs
};

// With askedForRange the first request asked for "Range: bytes=0-0" only
// to learn the length and whether ranges are served (a request left with
// most of its body unread costs its whole body: WinInet reads it away when
// the handle closes); a 200 answer is read as the one stream. Any status
// but 200 and a consistent 206 is a failure: an error page must never be
// written as the file.
TransferPlan PlanTransfer(bool askedForRange, int status, std::string_view contentLength,
                          std::string_view contentRange);

// Parts of at least kMinPartBytes each, at most count of them.
constexpr std::int64_t kMinPartBytes = 64 * 1024;
std::vector<ByteRange> SplitIntoParts(std::int64_t total, int count);

// Bytes asked of one read while data streams in: a whole number of blocks,
// at least 1 MiB, since under Wine each read call costs about 140 µs.
std::size_t ReadSize(const DownloadTask& task);

// How much one read asks for. A read blocks until it is filled, so its size
// follows the measured rate of the stream: about a tenth of a second's worth
// (from WinInet's buffer up to most), so that the progress and a request to
// stop are seen several times a second. The size at most doubles from one
// read to the next, as one quick read may only have found data that was
// waiting. A stream slower than one buffer in that time is read as it
// arrives, never waiting for more.
class ReadPacer {
 public:
  static constexpr std::size_t kBuffered = 8192;  // what WinInet holds ready at most under Wine
  explicit ReadPacer(std::size_t most);
  std::size_t Next(std::size_t available) const;
  // After each read: bytes got, and the time since the previous read ended
  // (the wait for data included).
  void Took(std::size_t got, std::int64_t microseconds);

 private:
  std::size_t most_;
  double bytesPerSecond_ = 0;  // 0: not measured yet
  std::size_t lastGot_ = 0;
};
