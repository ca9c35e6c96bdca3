// FetchPage against a real server on 127.0.0.1, and the window messages
// that run (or, for HttpRequest, wait) while a slow body arrives.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>

#include "fetch_page.h"
#include "http_request.h"
#include "loopback_server_win.h"

namespace {

using Lines = std::vector<std::string>;

const Text kAccept =
    "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, application/x-shockwave-flash, "
    "application/vnd.ms-excel, application/vnd.ms-powerpoint, application/msword, */*";
const Text kForm = "Content-Type: application/x-www-form-urlencoded";

TEST(FetchPageWire, UrlAloneSendsGetWithTheDefaultLines) {
  LoopbackServer server;
  server.Answer(Reply("HTTP/1.1 200 OK", "", std::string("abc\0def", 7)));
  const Text url = server.Url("/f.txt");
  EXPECT_EQ(FetchPage(url), "abc") << "the body is cut at its first zero byte";

  const auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 1u);
  const WireRequest r = ParseRequest(requests[0]);
  EXPECT_EQ(r.requestLine, "GET /f.txt HTTP/1.1");
  EXPECT_EQ(r.OwnLines(), (Lines{kAccept, "Referer: " + url, "Accept-Language: zh-cn"}));
  EXPECT_EQ(r.Value("User-Agent"), kFetchUserAgent);
  EXPECT_EQ(r.Count("Content-Length"), 0);
  EXPECT_EQ(r.body, "");
}

TEST(FetchPageWire, VerbsAndFormPosts) {
  struct VerbCase {
    const char* what;
    Text verb, data, verbAfter, requestLine, body;
    Lines extra;  // after the three default lines
  };
  const VerbCase cases[] = {
      {"lower-case post stays", "post", "a=1", "post", "post /f HTTP/1.1", "a=1",
       {kForm, "Content-Length: 3"}},
      {"POST without data", "POST", "", "POST", "POST /f HTTP/1.1", "", {}},
      {"another verb becomes GET", "PUT", "a=1", "GET", "GET /f HTTP/1.1", "", {}},
  };
  for (const VerbCase& c : cases) {
    LoopbackServer server;
    const Text url = server.Url("/f");
    Text verb = c.verb, headers;
    FetchPage(url, &verb, nullptr, &headers, c.data);
    EXPECT_EQ(verb, c.verbAfter) << c.what;
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u) << c.what;
    const WireRequest r = ParseRequest(requests[0]);
    EXPECT_EQ(r.requestLine, c.requestLine) << c.what;
    EXPECT_EQ(r.body, c.body) << c.what;
    Lines lines = {kAccept, "Referer: " + url, "Accept-Language: zh-cn"};
    lines.insert(lines.end(), c.extra.begin(), c.extra.end());
    Text sent;
    for (const std::string& line : lines) sent += line + "\r\n";
    EXPECT_EQ(headers, sent) << c.what;
    // The platform sends "Content-Length" for any POST; the rest are ours.
    if (!c.extra.empty()) {
      lines.pop_back();
      EXPECT_EQ(r.Value("Content-Length"), "3") << c.what;
    }
    EXPECT_EQ(r.OwnLines(), lines) << c.what;
  }
}

TEST(FetchPageWire, CallerLinesResponseHeadersAndProxy) {
  LoopbackServer server;
  const std::string head = "HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\n";
  server.Answer(head + "page");
  std::string big = "HTTP/1.1 200 OK\r\n";
  while (big.size() < 1100) big += "X-Pad: " + std::string(50, 'p') + "\r\n";
  server.Answer(Reply("HTTP/1.1 200 OK", big.substr(17), "big"));
  server.Answer(Reply("HTTP/1.1 200 OK", "", "proxied"));

  Text headers = "accept: text/plain\r\nX-Own: 1\r\n", responseHeaders = "stale";
  EXPECT_EQ(FetchPage(server.Url("/a"), nullptr, nullptr, &headers, "", &responseHeaders), "page");
  EXPECT_EQ(responseHeaders, head);
  EXPECT_EQ(FetchPage(server.Url("/b"), nullptr, nullptr, nullptr, "", &responseHeaders), "big");
  EXPECT_EQ(responseHeaders, Text(1024, ' ')) << "headers beyond 1,024 bytes leave the spaces";
  const Text proxy = "127.0.0.1:" + std::to_string(server.Port());
  const Text target = "http://127.0.0.1:" + std::to_string(ClosedLoopbackPort()) + "/c?d=1";
  EXPECT_EQ(FetchPage(target, nullptr, &proxy), "proxied");

  const auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_EQ(ParseRequest(requests[0]).OwnLines(),
            (Lines{"accept: text/plain", "X-Own: 1", "Referer: " + server.Url("/a"),
                   "Accept-Language: zh-cn"}));
  EXPECT_EQ(ParseRequest(requests[2]).requestLine, "GET " + target + " HTTP/1.1");
}

TEST(FetchPageWire, FailuresGiveEmpty) {
  const Text url = "http://127.0.0.1:" + std::to_string(ClosedLoopbackPort()) + "/x";
  Text verb = "DELETE", headers;
  EXPECT_EQ(FetchPage(url, &verb, nullptr, &headers), "");
  EXPECT_EQ(verb, "GET");
  EXPECT_EQ(headers, kAccept + "\r\nReferer: " + url + "\r\nAccept-Language: zh-cn\r\n");
  headers.clear();
  EXPECT_EQ(FetchPage("http://127.0.0.1:65536/x", nullptr, nullptr, &headers), "");
  EXPECT_EQ(headers, "") << "no connection: nothing sent";
}

// Counts the window's timer ticks and posted messages.
int g_ticks = 0;
int g_posted = 0;

LRESULT CALLBACK CountingProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_TIMER) ++g_ticks;
  if (msg == WM_APP) ++g_posted;
  return DefWindowProcA(hwnd, msg, wp, lp);
}

class TimerWindow {
 public:
  TimerWindow() {
    WNDCLASSA wc{};
    wc.lpfnWndProc = CountingProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "FetchPageTimer";
    RegisterClassA(&wc);
    hwnd_ = CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                            wc.hInstance, nullptr);
    SetTimer(hwnd_, 1, 10, nullptr);
  }
  ~TimerWindow() {
    KillTimer(hwnd_, 1);
    DestroyWindow(hwnd_);
  }
  HWND get() const { return hwnd_; }

 private:
  HWND hwnd_;
};

TEST(FetchPageWire, WindowMessagesRunWhileASlowBodyArrives) {
  TimerWindow window;
  ASSERT_NE(window.get(), nullptr);
  const std::string body(2000, 'b');
  ScriptedAnswer slow{Reply("HTTP/1.1 200 OK", "", body)};
  slow.pieceSize = 200;
  slow.pauseMs = 40;
  LoopbackServer server;
  server.Answer(slow);

  g_ticks = g_posted = 0;
  PostMessageA(window.get(), WM_APP, 0, 0);
  EXPECT_EQ(FetchPage(server.Url("/slow")), body);
  EXPECT_EQ(g_posted, 1);
  EXPECT_GE(g_ticks, 5) << "the timer kept firing during about 0.4 s of reads";

  // HttpRequest lets nothing run while it waits.
  g_ticks = g_posted = 0;
  PostMessageA(window.get(), WM_APP, 0, 0);
  EXPECT_EQ(TextOf(HttpRequest(server.Url("/slow"))), body);
  EXPECT_EQ(g_posted, 0);
  EXPECT_EQ(g_ticks, 0);
  ProcessPendingMessages();
  EXPECT_EQ(g_posted, 1);
}

TEST(FetchPageWire, ReceiveTimeoutEndsASilentServer) {
  // The platform's own receive time-out is 30 s or more; FetchPage sets 18 s.
  ScriptedAnswer silent;
  silent.silent = true;
  LoopbackServer server;
  server.Answer(silent);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(FetchPage(server.Url("/never")), "");
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_GT(seconds, 16.0);
  EXPECT_LT(seconds, 27.0);
}

}  // namespace
