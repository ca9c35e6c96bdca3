// The whole update under Wine, against the development deployment: the
// client finds a newer version on its version page, starts tarnix, and
// tarnix replaces the running client with the served file and hands over.
#include "updater_win.h"

#include <gtest/gtest.h>

#include "control_ids.h"
#include "deployment.h"
#include "driver.h"
#include "fetch_page.h"
#include "http_request.h"
#include "processes_win.h"
#include "updater_support_win.h"

namespace {

// tools/devserver.py on the deployment's port, serving clientFile (a Unix
// path) as "/download/kelvane.exe".
class Deployment {
 public:
  ~Deployment() {
    if (started_) Control("quit");
  }

  bool Start(int port, const Text& clientFile) {
    port_ = port;
    if (Control("quit")) WaitUntil([&] { return !Control("reset"); }, 3000);  // one left over
    // Wine starts a Unix program given by its absolute path. The lifetime
    // bounds a server whose test died.
    Text command = "/usr/bin/python3 " KELVANE_DEVSERVER " --port " + Decimal(port) +
                   " --lifetime 120 --client-file " + clientFile;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &started)) {
      return false;
    }
    UniqueKernelHandle process(started.hProcess), thread(started.hThread);
    started_ = WaitUntil([&] { return Control("reset"); }, 10000);
    return started_;
  }

  // A control request: "set?version=1.4", "reset", "quit".
  bool Control(const Text& what) const {
    const Text answer = TextOf(HttpRequest(Url("/_control/" + what)));
    return answer == "ok" || answer == "bye";
  }

  // How many recorded requests begin with this request line start.
  int Requests(const Text& start) const {
    const Text raw = TextOf(HttpRequest(Url("/_control/raw")));
    int n = 0;
    for (int at = Find(raw, "\n" + start); at > 0; at = Find(raw, "\n" + start, at + 1)) ++n;
    return n;
  }

  Text Url(const Text& path) const { return "http://127.0.0.1:" + Decimal(port_) + path; }

 private:
  int port_ = 0;
  bool started_ = false;
};

HWND WaitForUpdaterWindow() {
  HWND found = nullptr;
  WaitUntil(
      [&] {
        found = FindWindowA(nullptr, "自动更新");
        return found && IsWindowVisible(found);
      },
      15000);
  return found;
}

Text UpdaterText(HWND updater, const char* name) {
  return driver::GetText(GetDlgItem(updater, ControlId(kUpdaterWindow, name)));
}

TEST(UpdateFlow, AnExpiredClientIsReplacedByTheServedOneAndStarted) {
  if (PageHost(kVersionPageUrl) != "127.0.0.1") GTEST_SKIP() << "built for another deployment";
  // The updater stops the first process of that name, wherever it runs from.
  ASSERT_EQ(FindProcessId("kelvane.exe"), 0u) << "a client left running elsewhere would be stopped instead";

  // The new client: the built one with bytes appended, which Windows ignores.
  const Text unixDir = UPDATE_FLOW_DIR;
  CreateDirectoryA(WindowsPath(unixDir).c_str(), nullptr);
  const Text served = ReadWholeFile(driver::BuiltClientPath()) + SomeBytes(300001);
  ASSERT_TRUE(WriteWholeFile(WindowsPath(unixDir + "/new_kelvane.exe"), served));
  Deployment deployment;
  ASSERT_TRUE(deployment.Start(PagePort(kVersionPageUrl), unixDir + "/new_kelvane.exe"));
  ASSERT_TRUE(deployment.Control("set?version=1.4&notes=" +
                                 UrlEncode("甲</p><p>乙</p><p>丙</p><p>丁</p><p>戊", true, true)));

  driver::Client client;
  ASSERT_TRUE(client.Start(driver::BuiltClientPath(), [](const std::string& dir) {
    CopyFileA(WindowsPath(TARNIX_EXE).c_str(), (dir + "\\tarnix.exe").c_str(), FALSE);
  }));
  HWND main = client.WaitWindow(ids::kMainCaption);
  ASSERT_NE(main, nullptr);
  ASSERT_TRUE(driver::Click(driver::Control(main, ids::kInitButton)));
  HWND box = client.WaitMessageBox();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(driver::ReadMessageBox(box).text, "软件已经过期，点击确定开始自动更新&…………");
  // From now on every answer of the deployment takes a while, so that the
  // updater's window can be read before it ends.
  ASSERT_TRUE(deployment.Control("set?delay_ms=1500"));
  ASSERT_TRUE(driver::PressOk(box));

  HWND updater = WaitForUpdaterWindow();
  ASSERT_NE(updater, nullptr);
  DWORD updaterId = 0;
  GetWindowThreadProcessId(updater, &updaterId);
  UniqueKernelHandle updaterProcess(OpenProcess(SYNCHRONIZE, FALSE, updaterId));
  EXPECT_TRUE(client.WaitForExit(5000)) << "the running client is terminated";
  EXPECT_TRUE(WaitUntil([&] { return !FileExists(client.FileInDirectory("kelvane.exe")); }, 3000))
      << "and its file deleted";
  EXPECT_EQ(UpdaterText(updater, "编辑框_更新内容"), "官方最新版本：1.4\r\n更新内容：甲\r\n乙\r\n丙\r\n丁</p><p>戊");
  EXPECT_EQ(UpdaterText(updater, "编辑框_下载地址"), deployment.Url("/download/kelvane.exe"));
  CreateDirectoryA(WindowsPath(KELVANE_SCREENSHOT_DIR).c_str(), nullptr);
  driver::SaveScreenshot(updater, WindowsPath(KELVANE_SCREENSHOT_DIR "/updater_downloading.png"));

  ASSERT_EQ(WaitForSingleObject(updaterProcess.get(), 20000), WAIT_OBJECT_0) << "the updater ends";
  EXPECT_TRUE(ReadWholeFile(client.FileInDirectory("kelvane.exe")) == served)
      << "the client file equals the served bytes";
  EXPECT_EQ(deployment.Requests("GET /download/kelvane.exe"), 4) << "the length, then three parts";
  const DWORD started = FindProcessId("kelvane.exe");
  ASSERT_NE(started, 0u) << "the new client runs";
  EXPECT_NE(started, client.ProcessId());
  UniqueKernelHandle newClient(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, started));
  EXPECT_NE(driver::WaitTopLevel(started, nullptr), nullptr) << "with its window";
  TerminateProcess(newClient.get(), 0);
  WaitForSingleObject(newClient.get(), 5000);
}

}  // namespace
