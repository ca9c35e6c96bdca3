#include "downloader.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "download_plan.h"
#include "owners_win.h"

struct Downloader::Shared {
  std::mutex mutex;  // guards running, worker and stopWait
  std::condition_variable finished;
  bool running = false;
  std::thread worker;  // the task thread; it runs the other parts itself
  std::int32_t stopWait = 1000;

  std::mutex callbackMutex;  // held while an event is delivered
  bool silenced = false;     // the facility is being destroyed

  std::atomic<bool> stop{false};
  std::atomic<std::int64_t> bytesDone{0};
};

namespace {

using Shared = Downloader::Shared;

void Notify(Shared& s, const DownloadTask& task, int event, std::int64_t value, int result) {
  std::lock_guard<std::mutex> lock(s.callbackMutex);
  if (!s.silenced && task.eventCallback) task.eventCallback(event, task, value, result);
}

Text QueryHeader(HINTERNET request, DWORD info) {
  char buffer[256];
  DWORD size = sizeof buffer - 1;
  if (!HttpQueryInfoA(request, info, buffer, &size, nullptr)) return Text();
  return Text(buffer, std::min<DWORD>(size, sizeof buffer - 1));
}

struct Response {
  UniqueInternet connection;
  UniqueInternet request;  // declared after its connection: destroyed first
  int status = 0;
  // A request is closed before its connection, whose closing would close it too.
  void Close() {
    request.reset();
    connection.reset();
  }
};

// The part file beside the target, removed unless it was moved into place.
class PartFile {
 public:
  explicit PartFile(Text path) : path_(std::move(path)) {}
  ~PartFile() {
    if (!moved_) DeleteFileA(path_.c_str());
  }
  PartFile(const PartFile&) = delete;
  PartFile& operator=(const PartFile&) = delete;
  const char* path() const { return path_.c_str(); }
  bool MoveTo(const Text& target) {
    moved_ = MoveFileExA(path_.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
    return moved_;
  }

 private:
  Text path_;
  bool moved_ = false;
};

class Transfer {
 public:
  Transfer(Shared& shared, const DownloadTask& task) : s_(shared), task_(task) {}

  DownloadResult Run() {
    if (!ParseHttpAddress(task_.url, &address_)) return kDownloadRefused;
    session_.reset(
        InternetOpenA("Mozilla/4.0 (compatible; tarnix)", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!session_) return kDownloadFailed;
    SetTimeouts(session_.get());

    bool askRange = task_.threadCount > 1;
    if (askRange) {
      // WinInet may hold back connections to one server beyond its own limit.
      DWORD connections = static_cast<DWORD>(task_.threadCount) + 1;
      InternetSetOptionA(nullptr, INTERNET_OPTION_MAX_CONNS_PER_SERVER, &connections, sizeof connections);
    }
    Response first;
    if (!Open(askRange ? "0-0" : "", &first)) return kDownloadFailed;
    if (askRange && first.status == 416) {  // an empty file has no first byte
      first.Close();
      askRange = false;
      if (!Open("", &first)) return kDownloadFailed;
    }
    const TransferPlan plan =
        PlanTransfer(askRange, first.status, QueryHeader(first.request.get(), HTTP_QUERY_CONTENT_LENGTH),
                     QueryHeader(first.request.get(), HTTP_QUERY_CONTENT_RANGE));
    if (!plan.ok) return kDownloadFailed;
    if (plan.total >= 0) Notify(s_, task_, kDownloadEventTotalSize, plan.total, 0);

    PartFile part(task_.localPath + ".part");
    file_.reset(CreateFileA(part.path(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file_) return kDownloadFailed;
    bool ok;
    if (plan.ranged) {
      first.Close();
      ok = ReadParts(plan.total);
    } else {
      ok = ReadBody(first.request.get(), 0, plan.total);
    }
    ok = ok && !s_.stop && (plan.total < 0 || s_.bytesDone == plan.total);
    file_.reset();
    return ok && part.MoveTo(task_.localPath) ? kDownloadComplete : kDownloadFailed;
  }

 private:
  // Wine applies the time-outs of a request only when they are set on that
  // very handle, not inherited from the session.
  void SetTimeouts(HINTERNET handle) {
    const std::pair<DWORD, std::int32_t> timeouts[] = {
        {INTERNET_OPTION_CONNECT_TIMEOUT, task_.connectTimeout},
        {INTERNET_OPTION_SEND_TIMEOUT, task_.sendTimeout},
        {INTERNET_OPTION_RECEIVE_TIMEOUT, task_.receiveTimeout},
    };
    for (const auto& [option, milliseconds] : timeouts) {
      DWORD value = static_cast<DWORD>(milliseconds);
      if (milliseconds > 0) InternetSetOptionA(handle, option, &value, sizeof value);
    }
  }

  // range: "FIRST-LAST", or empty for the whole file.
  bool Open(const Text& range, Response* r) {
    r->connection.reset(InternetConnectA(session_.get(), address_.host.c_str(),
                                         static_cast<INTERNET_PORT>(address_.port), nullptr, nullptr,
                                         INTERNET_SERVICE_HTTP, 0, 0));
    if (!r->connection) return false;
    LPCSTR accept[] = {"*/*", nullptr};
    DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_COOKIES |
                  INTERNET_FLAG_NO_UI | INTERNET_FLAG_KEEP_CONNECTION;
    if (address_.secure) flags |= INTERNET_FLAG_SECURE;
    r->request.reset(HttpOpenRequestA(r->connection.get(), "GET", address_.path.c_str(), "HTTP/1.1",
                                      nullptr, accept, flags, 0));
    if (!r->request) return false;
    SetTimeouts(r->request.get());
    const Text headers = range.empty() ? Text() : "Range: bytes=" + range + "\r\n";
    if (!HttpSendRequestA(r->request.get(), headers.empty() ? nullptr : headers.c_str(),
                          static_cast<DWORD>(headers.size()), nullptr, 0)) {
      return false;
    }
    DWORD status = 0, size = sizeof status;
    if (!HttpQueryInfoA(r->request.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status,
                        &size, nullptr)) {
      return false;
    }
    r->status = static_cast<int>(status);
    return true;
  }

  // The first part runs on this thread, the others on their own; each asks
  // for its own range.
  bool ReadParts(std::int64_t total) {
    const std::vector<ByteRange> parts = SplitIntoParts(total, task_.threadCount);
    std::vector<std::thread> threads;
    for (std::size_t i = 1; i < parts.size(); ++i) {
      try {
        threads.emplace_back([this, part = parts[i]] { ReadPart(part); });
      } catch (...) {
        failed_ = true;
        break;
      }
    }
    ReadPart(parts[0]);
    for (std::thread& t : threads) t.join();
    return !failed_;
  }

  void ReadPart(const ByteRange part) noexcept {
    try {
      Response r;
      ByteRange got;
      std::int64_t total = 0;
      if (!Open(Decimal(part.first) + "-" + Decimal(part.last), &r) || r.status != 206 ||
          !ParseContentRange(QueryHeader(r.request.get(), HTTP_QUERY_CONTENT_RANGE), &got, &total) ||
          got.first != part.first || got.last != part.last) {
        failed_ = true;
        return;
      }
      if (!ReadBody(r.request.get(), part.first, part.Size())) failed_ = true;
    } catch (...) {
      failed_ = true;
    }
  }

  // length -1: up to the end of the stream. A body that ends before its
  // length is a failure, as is a stop request.
  bool ReadBody(HINTERNET request, std::int64_t offset, std::int64_t length) {
    std::vector<char> buffer(ReadSize(task_));
    ReadPacer pacer(buffer.size());
    auto last = std::chrono::steady_clock::now();
    for (std::int64_t remaining = length; remaining != 0;) {
      if (s_.stop || failed_) return false;
      DWORD available = 0;
      if (!InternetQueryDataAvailable(request, &available, 0, 0)) return Fail();
      std::size_t want = pacer.Next(available);
      if (remaining > 0) want = static_cast<std::size_t>(std::min<std::int64_t>(want, remaining));
      DWORD got = 0;
      if (want > 0 && !InternetReadFile(request, buffer.data(), static_cast<DWORD>(want), &got)) {
        return Fail();
      }
      const auto now = std::chrono::steady_clock::now();
      pacer.Took(got, std::chrono::duration_cast<std::chrono::microseconds>(now - last).count());
      last = now;
      if (got == 0) return length < 0 || Fail();
      if (!WriteAt(offset, buffer.data(), got)) return Fail();
      offset += got;
      s_.bytesDone += got;
      if (remaining > 0) remaining -= got;
    }
    return true;
  }

  bool WriteAt(std::int64_t offset, const char* data, DWORD n) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(static_cast<std::uint64_t>(offset) >> 32);
    DWORD written = 0;
    return WriteFile(file_.get(), data, n, &written, &at) && written == n;
  }

  bool Fail() {
    failed_ = true;
    return false;
  }

  Shared& s_;
  const DownloadTask& task_;
  HttpAddress address_;
  UniqueInternet session_;
  UniqueKernelHandle file_;  // shared by the parts: each writes at its own offsets
  std::atomic<bool> failed_{false};
};

void TaskMain(std::shared_ptr<Shared> s, DownloadTask task) noexcept {
  DownloadResult result = kDownloadFailed;
  try {
    result = Transfer(*s, task).Run();
  } catch (...) {
  }
  const std::int64_t bytes = s->bytesDone;
  {
    std::lock_guard<std::mutex> lock(s->mutex);
    s->running = false;
  }
  s->finished.notify_all();
  try {
    Notify(*s, task, kDownloadEventEnded, bytes, result);
  } catch (...) {
  }
}

}  // namespace

Downloader::Downloader() : shared_(std::make_shared<Shared>()) {}

Downloader::~Downloader() {
  {
    std::lock_guard<std::mutex> lock(shared_->callbackMutex);
    shared_->silenced = true;
  }
  shared_->stop = true;
  std::unique_lock<std::mutex> lock(shared_->mutex);
  const bool ended =
      shared_->finished.wait_for(lock, std::chrono::milliseconds(std::max(0, shared_->stopWait)),
                                 [this] { return !shared_->running; });
  std::thread worker = std::move(shared_->worker);
  lock.unlock();
  if (!worker.joinable()) return;
  // A transfer blocked past stopWait keeps the shared state alive and
  // ends when its read times out; it reports nothing.
  if (ended) {
    worker.join();
  } else {
    worker.detach();
  }
}

bool Downloader::Add(const DownloadTask& task) {
  if (task.mode != kDownloadToFile || task.url.empty()) return false;
  std::thread previous;
  {
    std::lock_guard<std::mutex> lock(shared_->mutex);
    if (shared_->running) return false;
    previous = std::move(shared_->worker);
  }
  if (previous.joinable()) previous.join();  // it has ended; only its last event may be running
  std::lock_guard<std::mutex> lock(shared_->mutex);
  shared_->bytesDone = 0;
  shared_->stopWait = task.stopWait;
  try {
    shared_->worker = std::thread(TaskMain, shared_, task);
  } catch (...) {
    return false;
  }
  shared_->running = true;
  return true;
}

std::int64_t Downloader::BytesDone() const { return shared_->bytesDone; }
