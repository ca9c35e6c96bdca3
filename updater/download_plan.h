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
  bool ranged = false;      // the server answered "bytes=0-" with a range of the whole file
};

// The first request asks for "Range: bytes=0-" when askedForRange. Any
// status but 200 and a consistent 206 is a failure: an error page must never
// be written as the file.
TransferPlan PlanTransfer(bool askedForRange, int status, std::string_view contentLength,
                          std::string_view contentRange);

// Parts of at least kMinPartBytes each, at most count of them.
constexpr std::int64_t kMinPartBytes = 64 * 1024;
std::vector<ByteRange> SplitIntoParts(std::int64_t total, int count);

// Bytes asked of one read while data streams in: a whole number of blocks,
// at least 1 MiB, since under Wine each read call costs about 140 µs.
std::size_t ReadSize(const DownloadTask& task);

// How much one read asks for. A read of what is already buffered returns at
// once; a larger one blocks until it is filled, so its size follows the
// measured rate: doubled after a quick read, halved after a slow one, so
// that the progress and a request to stop are seen several times a second.
class ReadPacer {
 public:
  static constexpr std::size_t kBuffered = 8192;  // what WinInet holds ready at most under Wine
  explicit ReadPacer(std::size_t most);
  std::size_t Next(std::size_t available) const;
  // After a read of asked bytes that took this long; reads of what was
  // buffered say nothing about the rate.
  void Took(std::size_t asked, std::int64_t milliseconds);

 private:
  std::size_t most_, current_;
};
