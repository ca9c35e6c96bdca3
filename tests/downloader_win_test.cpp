// The background download facility against the loopback server.
#include <gtest/gtest.h>

#include <mutex>

#include "downloader.h"
#include "updater_support_win.h"

namespace {

struct Event {
  int event;
  std::int64_t value;
  int result;
};

std::mutex g_eventsMutex;
std::vector<Event> g_events;

int Record(int event, const DownloadTask&, std::int64_t value, int result) {
  std::lock_guard<std::mutex> lock(g_eventsMutex);
  g_events.push_back({event, value, result});
  return 0;
}

std::vector<Event> Events() {
  std::lock_guard<std::mutex> lock(g_eventsMutex);
  return g_events;
}

bool Ended() {
  for (const Event& e : Events()) {
    if (e.event == kDownloadEventEnded) return true;
  }
  return false;
}

class DownloaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    {
      std::lock_guard<std::mutex> lock(g_eventsMutex);
      g_events.clear();
    }
    dir_ = UniqueTestDirectory("out");
    target_ = dir_ + "\\kelvane.exe";
  }

  // A task as the updater sets it, for a file the server serves.
  DownloadTask Task(const Text& url) const {
    DownloadTask task;
    task.mode = kDownloadToFile;
    task.url = url;
    task.localPath = target_;
    task.threadCount = 3;
    task.connectTimeout = 5000;
    task.sendTimeout = 5001;
    task.receiveTimeout = 10000;
    task.chunkSize = 10240;
    task.eventCallback = Record;
    return task;
  }

  static Text Serve(const char* name, std::size_t size) {
    const Text bytes = SomeBytes(size);
    EXPECT_TRUE(WriteWholeFile(ServerRoot() + "\\" + name, bytes));
    return bytes;
  }

  static std::vector<Text> RequestsFor(const char* name) {
    std::vector<Text> found;
    for (const Text& line : RequestLog()) {
      if (Find(line, name) > 0) found.push_back(line);
    }
    return found;
  }

  Text dir_, target_;
};

TEST_F(DownloaderTest, WritesTheServedBytesInPartsOrInOneStream) {
  struct Case {
    const char* query;
    int threads;
    std::size_t requests;  // the first, then a ranged one per part; or one stream
    bool sizeReported;
  } cases[] = {
      {"", 3, 4, true},
      {"?ranges=0", 3, 1, true},   // a server without ranges: one stream, same bytes
      {"?length=0", 3, 4, true},   // the length of a range is enough
      {"?length=0&ranges=0", 3, 1, false},  // no length: one stream up to the closed connection
      {"", 1, 1, true},
  };
  const std::size_t size = 3000017;  // odd, and several reads per part
  const Text served = Serve("f.bin", size);
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.query) + " threads " + Decimal(c.threads));
    const Text name = "/f.bin?case=" + Decimal(++n) + Replace(c.query, "?", "&");
    {
      std::lock_guard<std::mutex> lock(g_eventsMutex);
      g_events.clear();
    }
    Downloader download;
    DownloadTask task = Task(ServerUrl(name));
    task.threadCount = c.threads;
    ASSERT_TRUE(download.Add(task));
    ASSERT_TRUE(WaitUntil(Ended, 20000));
    const std::vector<Event> events = Events();
    ASSERT_EQ(events.size(), c.sizeReported ? 2u : 1u);
    if (c.sizeReported) {
      EXPECT_EQ(events[0].event, kDownloadEventTotalSize);
      EXPECT_EQ(events[0].value, static_cast<std::int64_t>(size));
    }
    EXPECT_EQ(events.back().event, kDownloadEventEnded);
    EXPECT_EQ(events.back().result, kDownloadComplete);
    EXPECT_EQ(events.back().value, static_cast<std::int64_t>(size));
    EXPECT_EQ(download.BytesDone(), static_cast<std::int64_t>(size));
    EXPECT_TRUE(ReadWholeFile(target_) == served) << "the file equals the served bytes";
    EXPECT_FALSE(FileExists(target_ + ".part"));
    const std::vector<Text> requests = RequestsFor(("case=" + Decimal(n) + (c.query[0] ? "&" : " ")).c_str());
    EXPECT_EQ(requests.size(), c.requests);
    DeleteFileA(target_.c_str());
  }
}

TEST_F(DownloaderTest, AFailedTransferLeavesTheTargetAsItWas) {
  Serve("g.bin", 600000);
  const Text old = "the old client";
  struct Case {
    Text url;
    int result;
  } cases[] = {
      {ServerUrl("/g.bin?drop=300000"), kDownloadFailed},  // dropped mid-body, in parts
      {ServerUrl("/g.bin?drop=300000&ranges=0"), kDownloadFailed},  // and in one stream
      {ServerUrl("/missing.bin"), kDownloadFailed},        // an error page is not the file
      {ServerUrl("/g.bin?status=500"), kDownloadFailed},
      {ServerUrl("/g.bin?reset=1"), kDownloadFailed},
      {"http://127.0.0.1:1/g.bin", kDownloadFailed},       // nothing listens there
      {"ftp://127.0.0.1/g.bin", kDownloadRefused},
      {"gopher:/x", kDownloadRefused},                     // no host and port to be found
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.url);
    {
      std::lock_guard<std::mutex> lock(g_eventsMutex);
      g_events.clear();
    }
    ASSERT_TRUE(WriteWholeFile(target_, old));
    Downloader download;
    ASSERT_TRUE(download.Add(Task(c.url)));
    ASSERT_TRUE(WaitUntil(Ended, 20000));
    const std::vector<Event> events = Events();
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.back().event, kDownloadEventEnded);
    EXPECT_EQ(events.back().result, c.result);
    EXPECT_EQ(ReadWholeFile(target_), old);
    EXPECT_FALSE(FileExists(target_ + ".part"));
  }
}

TEST_F(DownloaderTest, RefusesATaskWithoutAnyEvent) {
  Serve("h.bin", 200000);
  Downloader download;
  EXPECT_FALSE(download.Add(Task(""))) << "no usable address: no transfer";
  DownloadTask other = Task(ServerUrl("/h.bin"));
  other.mode = 1;
  EXPECT_FALSE(download.Add(other));
  EXPECT_EQ(download.BytesDone(), 0);

  ASSERT_TRUE(download.Add(Task(ServerUrl("/h.bin?step=4000&every=100"))));
  EXPECT_FALSE(download.Add(Task(ServerUrl("/h.bin")))) << "one task at a time";
  ASSERT_TRUE(WaitUntil(Ended, 20000));
  EXPECT_EQ(Events().back().result, kDownloadComplete);
  // Once it has ended, the next task may start (the updater's retry).
  ASSERT_TRUE(download.Add(Task(ServerUrl("/h.bin"))));
  ASSERT_TRUE(WaitUntil([] { return Events().size() == 4; }, 20000));
  EXPECT_EQ(Events().back().result, kDownloadComplete);
}

TEST_F(DownloaderTest, CountsBytesAsTheyArriveAndStopsWhenDestroyed) {
  Serve("s.bin", 600000);
  auto download = std::make_unique<Downloader>();
  ASSERT_TRUE(download->Add(Task(ServerUrl("/s.bin?step=4000&every=100"))));
  ASSERT_TRUE(WaitUntil([&] { return download->BytesDone() > 0; }, 5000));
  const std::int64_t early = download->BytesDone();
  ASSERT_TRUE(WaitUntil([&] { return download->BytesDone() > early; }, 5000));
  ASSERT_EQ(Events().size(), 1u) << "only the size so far";

  const ULONGLONG start = GetTickCount64();
  download.reset();
  const ULONGLONG took = GetTickCount64() - start;
  EXPECT_LT(took, 1000u) << "a transfer that reads steadily sees the stop at once";
  EXPECT_FALSE(FileExists(target_)) << "nothing partial is put in place";
  EXPECT_FALSE(FileExists(target_ + ".part"));
  Sleep(300);
  EXPECT_EQ(Events().size(), 1u) << "no event after the destruction began";
}

TEST_F(DownloaderTest, DestructionWaitsAtMostStopWait) {
  // Each part gets 3,000 bytes, then the server stalls far beyond stopWait.
  Serve("t.bin", 600000);
  auto download = std::make_unique<Downloader>();
  DownloadTask task = Task(ServerUrl("/t.bin?step=3000&every=20000"));
  task.stopWait = 300;
  task.receiveTimeout = 3000;  // the stalled thread ends on its own after this
  ASSERT_TRUE(download->Add(task));
  ASSERT_TRUE(WaitUntil([&] { return download->BytesDone() == 9000; }, 5000));
  const ULONGLONG start = GetTickCount64();
  download.reset();
  const ULONGLONG took = GetTickCount64() - start;
  EXPECT_GE(took, 250u);
  EXPECT_LT(took, 1000u);
  EXPECT_FALSE(FileExists(target_));
  EXPECT_TRUE(WaitUntil([&] { return !FileExists(target_ + ".part"); }, 6000))
      << "the stalled transfer ends at its receive time-out and cleans up";
  EXPECT_EQ(Events().size(), 1u);
}

}  // namespace
