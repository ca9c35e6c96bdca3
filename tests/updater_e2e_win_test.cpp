// tarnix end to end under Wine: the program built against the loopback
// server, in a program directory of its own with a stand-in client, driven
// and watched from this process as a user and a screen would.
#include "updater_win.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <sstream>

#include "processes_win.h"
#include "updater_support_win.h"

namespace {

const char kStartText[] = "  获取更新信息………………";
const char kDone[] = "已经下载完成-马上执行";
const char kFailed[] = "下载失败，请点击“接  收”重试";

// The updater's window as another process sees it.
class UpdaterWindow {
 public:
  explicit UpdaterWindow(HWND hwnd = nullptr) : hwnd_(hwnd) {}
  HWND hwnd() const { return hwnd_; }
  HWND Control(const char* name) const { return GetDlgItem(hwnd_, ControlId(kUpdaterWindow, name)); }

  // Empty when the window does not answer within a moment.
  Text ControlText(const char* name) const {
    char buffer[4096] = "";
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutA(Control(name), WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer),
                             SMTO_ABORTIFHUNG, 500, &copied)) {
      return Text();
    }
    return Text(buffer, copied);
  }
  int Bar() const {
    DWORD_PTR pos = 0;
    if (!SendMessageTimeoutA(Control("进度条"), PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, 500, &pos)) return -1;
    return static_cast<int>(pos);
  }
  // Returns once the click has been handled.
  void Click(const char* name) const {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(Control(name), BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, 5000, &ignored);
  }
  bool Enabled(const char* name) const { return IsWindowEnabled(Control(name)) != FALSE; }
  // The control's place in the window's client area.
  RECT Place(const char* name) const {
    RECT r{};
    GetWindowRect(Control(name), &r);
    MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&r), 2);
    return r;
  }

 private:
  HWND hwnd_;
};

// The window once it is shown with all its controls.
UpdaterWindow WaitForUpdaterWindow() {
  HWND found = nullptr;
  WaitUntil(
      [&] {
        found = FindWindowA(nullptr, "自动更新");
        return found && IsWindowVisible(found) &&
               GetDlgItem(found, ControlId(kUpdaterWindow, "超级按钮_取消"));
      },
      15000);
  return UpdaterWindow(found);
}

struct Sample {
  ULONGLONG at;
  Text status;
  int bar;
};

class UpdaterEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    app_ = UniqueTestDirectory("app");
    ASSERT_TRUE(CopyFileA(WindowsPath(TARNIX_E2E_EXE).c_str(), (app_ + "\\tarnix.exe").c_str(), FALSE));
    CreateDirectoryA((ServerRoot() + "\\new").c_str(), nullptr);
    // What an earlier case in this process left on the server.
    for (const char* file : {"requests.log", "version.html", "version.html.opts", "new\\kelvane.exe.opts"}) {
      DeleteFileA((ServerRoot() + "\\" + file).c_str());
    }
  }

  void TearDown() override {
    // The updater first, so that it starts no client after the log is read.
    if (updater_.Running()) {
      TerminateProcess(updater_.handle.get(), 0);
      WaitForSingleObject(updater_.handle.get(), 5000);
    }
    for (const Text& line : StartLog()) {
      UniqueKernelHandle p(OpenProcess(PROCESS_TERMINATE, FALSE, static_cast<DWORD>(Number(line))));
      if (p) TerminateProcess(p.get(), 0);
    }
  }

  // The version page, in UTF-8 as the server keeps it.
  static void WritePage(const Text& version, const Text& address, const Text& notes) {
    const Text page = "<html><body><p>版本【" + version + "】</p>\r\n<p>下载地址【" + address +
                      "】</p>\r\n<p>更新内容【" + notes + "】</p></body></html>";
    ASSERT_TRUE(WriteWholeFile(ServerRoot() + "\\version.html", GbkToUtf8(page)));
  }

  // The new client: the stand-in with bytes appended, which Windows ignores.
  static Text ServeNewClient(std::size_t size) {
    const Text standIn = ReadWholeFile(WindowsPath(STANDIN_CLIENT_EXE));
    EXPECT_LT(standIn.size(), size / 2);
    const Text bytes = standIn + SomeBytes(size - std::min(size, standIn.size()));
    EXPECT_TRUE(WriteWholeFile(ServerRoot() + "\\new\\kelvane.exe", bytes));
    return bytes;
  }

  static void SetFault(const Text& file, const Text& options) {
    ASSERT_TRUE(WriteWholeFile(ServerRoot() + "\\" + file + ".opts", options));
  }

  void StartUpdater() {
    updater_ = Spawn(app_ + "\\tarnix.exe", app_);
    ASSERT_TRUE(updater_.Running());
  }

  bool UpdaterEnds(DWORD timeoutMs) {
    return WaitForSingleObject(updater_.handle.get(), timeoutMs) == WAIT_OBJECT_0;
  }

  // One line per start of a stand-in from the program directory.
  std::vector<Text> StartLog() const {
    std::vector<Text> lines;
    std::istringstream in(ReadWholeFile(app_ + "\\started.log"));
    for (Text line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }

  std::vector<Text> Requests(const char* path) const {
    std::vector<Text> found;
    for (const Text& line : RequestLog()) {
      if (Find(line, Text(" ") + path) > 0) found.push_back(line);
    }
    return found;
  }

  // Status and bar each time either changes, until the updater ends.
  std::vector<Sample> WatchUntilTheEnd(const UpdaterWindow& w, DWORD timeoutMs) {
    std::vector<Sample> samples;
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    while (updater_.Running() && GetTickCount64() < end) {
      // A tick may fall between two reads: the bar read before and after
      // the label must agree.
      const int before = w.Bar();
      Sample s{GetTickCount64(), w.ControlText("标签"), w.Bar()};
      if (!s.status.empty() && s.bar >= 0 && s.bar == before &&
          (samples.empty() || samples.back().status != s.status || samples.back().bar != s.bar)) {
        samples.push_back(s);
      }
      Sleep(10);
    }
    return samples;
  }

  Text app_;
  Process updater_;
};

TEST_F(UpdaterEndToEnd, ReplacesTheRunningClientShowingProgressAndHandsOver) {
  // The updater stops the first process of that name, wherever it runs from.
  ASSERT_EQ(FindProcessId("kelvane.exe"), 0u) << "a client left running elsewhere would be stopped instead";
  ASSERT_TRUE(CopyStandIn(app_ + "\\kelvane.exe"));
  Process oldClient = Spawn(app_ + "\\kelvane.exe", app_);
  ASSERT_TRUE(WaitUntil([&] { return StartLog().size() == 1; }, 5000));
  // Three parts of 4,000 bytes every 100 ms: about five seconds.
  const Text served = ServeNewClient(600000);
  const Text address = ServerUrl("/new/kelvane.exe?step=4000&every=100");
  WritePage("1.4", address, "a</p><p>b</p><p>c</p><p>d</p><p>e");
  StartUpdater();

  const UpdaterWindow w = WaitForUpdaterWindow();
  ASSERT_NE(w.hwnd(), nullptr);
  EXPECT_EQ(w.ControlText("标签"), kStartText) << "until the first tick";
  RECT frame{};
  GetWindowRect(w.hwnd(), &frame);
  EXPECT_EQ(frame.left, 50);
  EXPECT_EQ(frame.top, 50);
  EXPECT_EQ(frame.right - frame.left, 381);
  EXPECT_EQ(frame.bottom - frame.top, 242);
  struct Place {
    const char* name;
    int x, y, width, height;
    const char* text;
  } places[] = {
      {"标签", 8, 8, 336, 11, nullptr},
      {"进度条", 7, 24, 360, 18, nullptr},
      {"编辑框_更新内容", 10, 52, 352, 152, "官方最新版本：1.4\r\n更新内容：a\r\nb\r\nc\r\nd</p><p>e"},
      {"标签1", 8, 214, 336, 11, "请输入下载地址："},
      {"编辑框_下载地址", 7, 232, 360, 20, address.c_str()},
      {"超级按钮_接收", 213, 264, 64, 24, "接  收"},
      {"超级按钮_取消", 296, 264, 64, 24, "取  消"},
  };
  for (const Place& p : places) {
    const RECT r = w.Place(p.name);
    EXPECT_EQ(r.left, p.x) << p.name;
    EXPECT_EQ(r.top, p.y) << p.name;
    EXPECT_EQ(r.right - r.left, p.width) << p.name;
    EXPECT_EQ(r.bottom - r.top, p.height) << p.name;
    if (p.text) {
      EXPECT_EQ(w.ControlText(p.name), p.text) << p.name;
    }
  }
  EXPECT_FALSE(w.Enabled("超级按钮_接收"));
  EXPECT_FALSE(w.Enabled("超级按钮_取消"));
  EXPECT_EQ(WaitForSingleObject(oldClient.handle.get(), 5000), WAIT_OBJECT_0) << "the old client is stopped";

  const std::vector<Sample> samples = WatchUntilTheEnd(w, 30000);
  ASSERT_TRUE(UpdaterEnds(5000));
  ASSERT_GE(samples.size(), 3u);
  EXPECT_EQ(samples.front().status, kStartText);
  EXPECT_EQ(samples.front().bar, 0);
  // The display advances once per second, label and bar together.
  std::vector<Sample> ticks;
  for (const Sample& s : samples) {
    if (Find(s.status, "已完成：") == 1) ticks.push_back(s);
  }
  Text seen;
  for (const Sample& t : ticks) seen += " " + Decimal(t.bar) + "%@" + Decimal(t.at - ticks[0].at);
  std::printf("progress by tick (percent@ms):%s\n", seen.c_str());
  ASSERT_GE(ticks.size(), 3u);
  for (std::size_t i = 0; i < ticks.size(); ++i) {
    EXPECT_EQ(ticks[i].status, "已完成：" + Decimal(ticks[i].bar) + "%");
    if (i == 0) continue;
    EXPECT_GT(ticks[i].bar, ticks[i - 1].bar);
    if (i + 1 < ticks.size()) {
      EXPECT_GE(ticks[i].at - ticks[i - 1].at, 700u) << "one change per tick";
    }
  }
  EXPECT_EQ(samples.back().status, kDone);
  EXPECT_EQ(samples.back().bar, 100);

  DWORD code = 1;
  GetExitCodeProcess(updater_.handle.get(), &code);
  EXPECT_EQ(code, 0u);
  EXPECT_TRUE(ReadWholeFile(app_ + "\\kelvane.exe") == served) << "the file equals the served bytes";
  EXPECT_FALSE(FileExists(app_ + "\\kelvane.exe.part"));
  const std::vector<Text> starts = StartLog();
  ASSERT_EQ(starts.size(), 2u) << "the old client, then the new one";
  EXPECT_GT(Find(starts[1], Text("|") + kDone + "|"), 0) << "the caption was set before the start: " << starts[1];
  UniqueKernelHandle newClient(
      OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(Number(starts[1]))));
  EXPECT_EQ(WaitForSingleObject(newClient.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT))
      << "the new client runs on after the updater";

  EXPECT_EQ(Requests("/version.html").size(), 1u);
  const std::vector<Text> requests = Requests("/new/kelvane.exe");
  ASSERT_EQ(requests.size(), 4u) << "the length, then three parts";
  EXPECT_GT(Find(requests[0], "bytes=0-0"), 0);
}

TEST_F(UpdaterEndToEnd, UnreachablePageLeavesTheWindowWaiting) {
  SetFault("version.html", "reset=1");
  // A client of that name runs elsewhere; with no client file in the
  // program directory nothing is stopped.
  const Text elsewhere = UniqueTestDirectory("elsewhere") + "\\kelvane.exe";
  ASSERT_TRUE(CopyStandIn(elsewhere));
  Process other = Spawn(elsewhere);
  ASSERT_TRUE(other.Running());
  StartUpdater();

  const UpdaterWindow w = WaitForUpdaterWindow();
  ASSERT_NE(w.hwnd(), nullptr);
  ASSERT_TRUE(WaitUntil([&] { return w.ControlText("标签") == "已完成：0%"; }, 3000));
  EXPECT_EQ(w.ControlText("编辑框_下载地址"), "");
  EXPECT_EQ(w.ControlText("编辑框_更新内容"), "官方最新版本：\r\n更新内容：");
  // It stays so, tick after tick. An address typed in now is not taken: a
  // click on the disabled "接  收" does nothing.
  ServeNewClient(200000);
  const Text typed = ServerUrl("/new/kelvane.exe");
  SendMessageTimeoutA(w.Control("编辑框_下载地址"), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(typed.c_str()),
                      SMTO_ABORTIFHUNG, 2000, nullptr);
  w.Click("超级按钮_接收");
  const ULONGLONG end = GetTickCount64() + 1500;
  while (GetTickCount64() < end) {
    ASSERT_EQ(w.ControlText("标签"), "已完成：0%");
    ASSERT_EQ(w.Bar(), 0);
    ASSERT_FALSE(w.Enabled("超级按钮_接收"));
    ASSERT_FALSE(w.Enabled("超级按钮_取消"));
    Sleep(50);
  }
  for (const Text& line : RequestLog()) EXPECT_GT(Find(line, "/version.html"), 0) << "no transfer: " << line;
  EXPECT_TRUE(other.Running());
  TerminateProcess(other.handle.get(), 0);

  PostMessageA(w.hwnd(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(UpdaterEnds(3000));
}

TEST_F(UpdaterEndToEnd, ADroppedTransferStartsNothingAndRetrySucceeds) {
  const Text served = ServeNewClient(600000);
  SetFault("new\\kelvane.exe", "drop=300000");
  WritePage("1.4", ServerUrl("/new/kelvane.exe"), "x");
  StartUpdater();

  const UpdaterWindow w = WaitForUpdaterWindow();
  ASSERT_NE(w.hwnd(), nullptr);
  ASSERT_TRUE(WaitUntil([&] { return w.ControlText("标签") == kFailed; }, 15000));
  EXPECT_TRUE(w.Enabled("超级按钮_接收"));
  EXPECT_TRUE(w.Enabled("超级按钮_取消"));
  EXPECT_FALSE(FileExists(app_ + "\\kelvane.exe")) << "nothing partial is left as the client";
  EXPECT_FALSE(FileExists(app_ + "\\kelvane.exe.part"));
  EXPECT_TRUE(StartLog().empty()) << "nothing is started";
  EXPECT_TRUE(updater_.Running());
  RECT client{};
  GetClientRect(w.hwnd(), &client);
  EXPECT_GE(client.bottom, w.Place("超级按钮_接收").bottom) << "the address row and buttons come into view";

  // "取  消" does nothing; once the server is back, "接  收" downloads
  // again and hands over.
  const std::size_t requests = RequestLog().size();
  w.Click("超级按钮_取消");
  EXPECT_EQ(w.ControlText("标签"), kFailed);
  EXPECT_EQ(RequestLog().size(), requests);
  EXPECT_TRUE(w.Enabled("超级按钮_接收"));
  ASSERT_TRUE(DeleteFileA((ServerRoot() + "\\new\\kelvane.exe.opts").c_str()));
  w.Click("超级按钮_接收");
  ASSERT_TRUE(UpdaterEnds(15000));
  EXPECT_TRUE(ReadWholeFile(app_ + "\\kelvane.exe") == served);
  const std::vector<Text> starts = StartLog();
  ASSERT_EQ(starts.size(), 1u);
  EXPECT_GT(Find(starts[0], kDone), 0);
}

TEST_F(UpdaterEndToEnd, ClosingDuringTheDownloadEndsTheUpdaterWithinASecond) {
  ServeNewClient(600000);
  WritePage("1.4", ServerUrl("/new/kelvane.exe?step=2000&every=100"), "x");  // some ten seconds
  StartUpdater();
  const UpdaterWindow w = WaitForUpdaterWindow();
  ASSERT_NE(w.hwnd(), nullptr);
  ASSERT_TRUE(WaitUntil([&] { return w.Bar() > 0; }, 5000));

  const ULONGLONG start = GetTickCount64();
  PostMessageA(w.hwnd(), WM_CLOSE, 0, 0);
  ASSERT_TRUE(UpdaterEnds(3000));
  const ULONGLONG took = GetTickCount64() - start;
  EXPECT_LT(took, 1500u);
  std::printf("the updater ended %llu ms after the window was closed\n", took);
  EXPECT_FALSE(FileExists(app_ + "\\kelvane.exe"));
  EXPECT_FALSE(FileExists(app_ + "\\kelvane.exe.part"));
  EXPECT_TRUE(StartLog().empty());
}

}  // namespace
