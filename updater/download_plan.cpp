#include "download_plan.h"

#include <algorithm>
#include <limits>

namespace {

bool StartsWithNoCase(std::string_view t, std::string_view prefix) {
  return t.size() >= prefix.size() && Lower(t.substr(0, prefix.size())) == prefix;
}

// Digits only; -1 for nothing, anything else, or a number too large.
std::int64_t Digits(std::string_view t) {
  if (t.empty() || t.size() > 18) return -1;
  std::int64_t n = 0;
  for (char c : t) {
    if (c < '0' || c > '9') return -1;
    n = n * 10 + (c - '0');
  }
  return n;
}

std::string_view Stripped(std::string_view t) {
  while (!t.empty() && (t.front() == ' ' || t.front() == '\t')) t.remove_prefix(1);
  while (!t.empty() && (t.back() == ' ' || t.back() == '\t' || t.back() == '\r' || t.back() == '\n')) {
    t.remove_suffix(1);
  }
  return t;
}

}  // namespace

bool ParseHttpAddress(std::string_view url, HttpAddress* address) {
  HttpAddress a;
  const std::size_t scheme = url.find("://");
  if (scheme != std::string_view::npos) {
    if (StartsWithNoCase(url, "https://")) {
      a.secure = true;
      a.port = 443;
    } else if (!StartsWithNoCase(url, "http://")) {
      return false;
    }
    url.remove_prefix(scheme + 3);
  }
  url = url.substr(0, url.find('#'));
  std::size_t slash = url.find_first_of("/?");
  std::string_view authority = url.substr(0, slash);
  if (slash != std::string_view::npos) {
    a.path = Text(url.substr(slash));
    if (a.path[0] == '?') a.path.insert(0, "/");
  }
  const std::size_t at = authority.rfind('@');
  if (at != std::string_view::npos) authority.remove_prefix(at + 1);
  std::size_t colon = authority.rfind(':');
  if (colon != std::string_view::npos && authority.find(']', colon) != std::string_view::npos) {
    colon = std::string_view::npos;  // inside a bracketed IPv6 literal
  }
  if (colon != std::string_view::npos) {
    const std::int64_t port = Digits(authority.substr(colon + 1));
    if (port < 1 || port > 65535) return false;
    a.port = static_cast<int>(port);
    authority = authority.substr(0, colon);
  }
  if (authority.size() >= 2 && authority.front() == '[' && authority.back() == ']') {
    authority = authority.substr(1, authority.size() - 2);
  }
  if (authority.empty()) return false;
  a.host = Text(authority);
  *address = std::move(a);
  return true;
}

std::int64_t ParseLength(std::string_view value) { return Digits(Stripped(value)); }

bool ParseContentRange(std::string_view value, ByteRange* range, std::int64_t* total) {
  value = Stripped(value);
  if (!StartsWithNoCase(value, "bytes ")) return false;
  value = Stripped(value.substr(6));
  const std::size_t dash = value.find('-'), slash = value.find('/');
  if (dash == std::string_view::npos || slash == std::string_view::npos || slash < dash) return false;
  ByteRange r{Digits(value.substr(0, dash)), Digits(value.substr(dash + 1, slash - dash - 1))};
  const std::int64_t t = Digits(value.substr(slash + 1));
  if (r.first < 0 || r.last < r.first || t <= r.last) return false;
  *range = r;
  *total = t;
  return true;
}

TransferPlan PlanTransfer(bool askedForRange, int status, std::string_view contentLength,
                          std::string_view contentRange) {
  TransferPlan plan;
  const std::int64_t length = ParseLength(contentLength);
  if (status == 200) {
    plan.ok = true;
    plan.total = length;
    return plan;
  }
  ByteRange range;
  std::int64_t total = 0;
  if (status != 206 || !askedForRange || !ParseContentRange(contentRange, &range, &total)) {
    return plan;
  }
  if (range.first != 0 || range.last != 0 || (length >= 0 && length != 1)) return plan;
  plan.ok = true;
  plan.total = total;
  plan.ranged = true;
  return plan;
}

std::vector<ByteRange> SplitIntoParts(std::int64_t total, int count) {
  const std::int64_t most = std::max<std::int64_t>(1, total / kMinPartBytes);
  const std::int64_t n = std::clamp<std::int64_t>(count, 1, most);
  std::vector<ByteRange> parts;
  for (std::int64_t i = 0; i < n; ++i) {
    parts.push_back({total * i / n, total * (i + 1) / n - 1});
  }
  return parts;
}

std::size_t ReadSize(const DownloadTask& task) {
  constexpr std::int64_t kLeast = 1 << 20, kMostBlock = 8 << 20;
  std::int64_t block = task.fixedChunk > 0 ? task.fixedChunk : task.chunkSize;
  block = std::clamp<std::int64_t>(block, 1, kMostBlock);
  return static_cast<std::size_t>((kLeast + block - 1) / block * block);
}

ReadPacer::ReadPacer(std::size_t most) : most_(std::max(most, kBuffered)) {}

std::size_t ReadPacer::Next(std::size_t available) const {
  const double target = std::min(bytesPerSecond_ / 10, 2.0 * static_cast<double>(lastGot_));
  if (target < kBuffered) return std::min(available, most_);
  return std::max(std::min(available, most_), std::min(static_cast<std::size_t>(target), most_));
}

void ReadPacer::Took(std::size_t got, std::int64_t microseconds) {
  const double rate = got * 1e6 / static_cast<double>(std::max<std::int64_t>(microseconds, 1));
  bytesPerSecond_ = bytesPerSecond_ == 0 ? rate : (bytesPerSecond_ + rate) / 2;
  lastGot_ = got;
}
