// HttpRequest against a real server on 127.0.0.1: the request as it goes
// over the wire, byte for byte where it is fixed, and every output.
#include <gtest/gtest.h>

#include "http_request.h"
#include "loopback_server_win.h"

namespace {

using Lines = std::vector<std::string>;

const Text kForm = "Content-Type: application/x-www-form-urlencoded";

Lines DefaultLines(const Text& url) {
  return {"Referer: " + url, "Accept: */*", "Accept-Language: zh-cn", kForm};
}

Text TextOfBytes(const Bytes& b) { return Text(b.begin(), b.end()); }

// Every out-parameter present, pre-filled so that a missed write shows.
struct Outputs {
  Text returnedCookies = "stale", headers, location = "stale", responseHeaders = "stale";
  Bytes postBytes;
};

Bytes Request(const Text& url, Outputs& o, int method = 0, Text* cookies = nullptr,
              bool noAutoRedirect = false, const Text* proxy = nullptr) {
  return HttpRequest(url, method, "", cookies, &o.returnedCookies, &o.headers, &o.location,
                     noAutoRedirect, &o.postBytes, proxy, &o.responseHeaders);
}

TEST(HttpRequestWire, UrlAloneSendsGetWithTheDefaultLines) {
  LoopbackServer server;
  const std::string body("a\0b\xFF" "c", 5);
  const std::string head = "HTTP/1.1 200 OK\r\nX-Id: 7\r\nContent-Length: 5\r\n\r\n";
  server.Answer(head + body);
  const Text url = server.Url("/page?q=1&r=%E4");

  EXPECT_EQ(TextOfBytes(HttpRequest(url)), body);
  Outputs o;
  EXPECT_EQ(TextOfBytes(Request(url, o)), body) << "zero bytes are part of the body";

  const auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 2u);
  for (const std::string& raw : requests) {
    const WireRequest r = ParseRequest(raw);
    EXPECT_EQ(r.requestLine, "GET /page?q=1&r=%E4 HTTP/1.1");
    EXPECT_EQ(r.OwnLines(), DefaultLines(url));
    EXPECT_EQ(r.Value("User-Agent"), kHttpDefaultUserAgent);
    EXPECT_EQ(r.Count("Cookie"), 0);
    EXPECT_EQ(r.body, "");
  }
  EXPECT_EQ(o.headers, "Referer: " + url +
                           "\r\nAccept: */*\r\nAccept-Language: zh-cn\r\n" + kForm);
  EXPECT_EQ(o.responseHeaders, head);
  EXPECT_EQ(o.location, head) << "no Location line: the raw header text";
  EXPECT_EQ(o.returnedCookies, "");
}

TEST(HttpRequestWire, CallerHeaderLines) {
  struct LineCase {
    const char* what;
    Text headers;
    Text agent;
    Lines own;  // with "$url" for the address
  };
  const LineCase cases[] = {
      {"lower-case agent, last line without CR LF", "user-agent: X", "X",
       {"Referer: $url", "Accept: */*", "Accept-Language: zh-cn", kForm}},
      {"agent line after another", "Accept: text/html\r\nUser-Agent: Z", "Z",
       {"Accept: text/html", "Referer: $url", "Accept-Language: zh-cn", kForm}},
      {"own Referer and Content-Type", "Referer: http://r/\r\nContent-Type: text/plain", kHttpDefaultUserAgent,
       {"Referer: http://r/", "Content-Type: text/plain", "Accept: */*", "Accept-Language: zh-cn"}},
  };
  for (const LineCase& c : cases) {
    LoopbackServer server;
    const Text url = server.Url("/h");
    Outputs o;
    o.headers = c.headers;
    Request(url, o);
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u) << c.what;
    const WireRequest r = ParseRequest(requests[0]);
    Lines own;
    for (Text line : c.own) own.push_back(line == "Referer: $url" ? "Referer: " + url : line);
    EXPECT_EQ(r.OwnLines(), own) << c.what;
    EXPECT_EQ(r.Value("User-Agent"), c.agent) << c.what;
    EXPECT_EQ(r.Count("User-Agent"), 1) << c.what;
    EXPECT_EQ(o.headers.substr(0, c.headers.size()), c.headers) << c.what;
  }
}

TEST(HttpRequestWire, RequestBodies) {
  struct BodyCase {
    const char* what;
    int method;
    Text postText;
    Bytes postBytes;
    Text requestLine, body;
    Bytes postBytesAfter;
  };
  const Bytes given = {0, 1, 'z'};
  const BodyCase cases[] = {
      {"text post", 1, "a=1", {}, "POST /b HTTP/1.1", "a=1", {'a', '=', '1'}},
      {"bytes win over text", 1, "ignored", given, "POST /b HTTP/1.1", std::string("\0\1z", 3), given},
      {"method 2 is a GET with a body", 2, "a=1", {}, "GET /b HTTP/1.1", "a=1", {'a', '=', '1'}},
      {"POST with nothing", 1, "", {}, "POST /b HTTP/1.1", "", {}},
      {"method 0 sends no body", 0, "a=1", {}, "GET /b HTTP/1.1", "", {}},
  };
  for (const BodyCase& c : cases) {
    LoopbackServer server;
    Bytes postBytes = c.postBytes;
    HttpRequest(server.Url("/b"), c.method, c.postText, nullptr, nullptr, nullptr, nullptr, false,
                &postBytes);
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u) << c.what;
    const WireRequest r = ParseRequest(requests[0]);
    EXPECT_EQ(r.requestLine, c.requestLine) << c.what;
    EXPECT_EQ(r.body, c.body) << c.what;
    EXPECT_EQ(postBytes, c.postBytesAfter) << c.what;
  }
  // The bytes of a text post with postBytes omitted.
  LoopbackServer server;
  HttpRequest(server.Url("/b"), 1, "a=1");
  ASSERT_EQ(server.Requests().size(), 1u);
  EXPECT_EQ(ParseRequest(server.Requests()[0]).body, "a=1");
}

TEST(HttpRequestWire, CookiesSentReturnedAndMerged) {
  LoopbackServer server;
  server.Answer(Reply("HTTP/1.1 200 OK", "Set-Cookie: b=3; path=/\r\nSet-Cookie: c=4\r\n", "ok"));
  Outputs o;
  Text cookies = "a=1; b=2";
  EXPECT_EQ(TextOfBytes(Request(server.Url("/c"), o, 0, &cookies)), "ok");
  EXPECT_EQ(cookies, "b=3; c=4; a=1");
  EXPECT_EQ(o.returnedCookies, "b=3;c=4") << "the merge takes the spaces out";
  EXPECT_EQ(o.headers, "Referer: " + server.Url("/c") +
                           "\r\nAccept: */*\r\nAccept-Language: zh-cn\r\n" + kForm +
                           "\r\nCookie: a=1; b=2");

  Outputs omitted;
  Request(server.Url("/c"), omitted);
  EXPECT_EQ(omitted.returnedCookies, "b=3; c=4") << "no merge without cookies";

  const auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 2u);
  const WireRequest sent = ParseRequest(requests[0]);
  EXPECT_EQ(sent.Value("Cookie"), "a=1; b=2");
  EXPECT_EQ(sent.Count("Cookie"), 1);
}

TEST(HttpRequestWire, PresentCookiesTurnThePlatformCookiesOff) {
  LoopbackServer server;
  server.Answer(Reply("HTTP/1.1 200 OK", "Set-Cookie: jar=1; path=/jar\r\n"));
  server.Answer(Reply("HTTP/1.1 200 OK"));
  HttpRequest(server.Url("/jar/set"));
  HttpRequest(server.Url("/jar/a"));  // the platform sends what it kept
  Text empty;
  HttpRequest(server.Url("/jar/b"), 0, "", &empty);
  Text cookies = "own=2";
  HttpRequest(server.Url("/jar/c"), 0, "", &cookies);

  const auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 4u);
  EXPECT_EQ(ParseRequest(requests[1]).Value("Cookie"), "jar=1");
  EXPECT_EQ(ParseRequest(requests[2]).Count("Cookie"), 0) << "present, even empty";
  const WireRequest own = ParseRequest(requests[3]);
  EXPECT_EQ(own.Count("Cookie"), 1);
  EXPECT_EQ(own.Value("Cookie"), "own=2");
}

TEST(HttpRequestWire, LocationAndStatusesNotFollowed) {
  struct StatusCase {
    const char* status;
    const char* location;
  };
  const StatusCase cases[] = {
      {"HTTP/1.1 302 Found", "http://127.0.0.1:1/elsewhere"},
      {"HTTP/1.0 301 Moved Permanently", "http://127.0.0.1:1"},
      {"HTTP/1.1 200 OK", "http://127.0.0.1:1/content"},
  };
  for (const StatusCase& c : cases) {
    LoopbackServer server;
    server.Answer(Reply(c.status, "Location: " + Text(c.location) + "\r\n", "here"));
    Outputs o;
    EXPECT_EQ(TextOfBytes(Request(server.Url("/s"), o, 0, nullptr, true)), "here") << c.status;
    EXPECT_EQ(o.location, c.location) << c.status;
    EXPECT_EQ(server.Requests().size(), 1u) << c.status;
  }
  // "Location:" anywhere in a line counts: Content-Location too.
  LoopbackServer server;
  server.Answer(Reply("HTTP/1.1 200 OK", "Content-Location: /other\r\n"));
  Outputs o;
  Request(server.Url("/"), o);
  EXPECT_EQ(o.location, "/other");
}

TEST(HttpRequestWire, MovedPermanentlyIsFollowedWithThePathOfTheFirstAddress) {
  LoopbackServer first, second;
  first.Answer(Reply("HTTP/1.1 301 Moved Permanently",
                     "Set-Cookie: n=5; path=/\r\nLocation: http://127.0.0.1:" +
                         std::to_string(second.Port()) + "\r\n",
                     "moved"));
  const std::string secondHead = "HTTP/1.1 200 OK\r\nContent-Length: 6\r\n\r\n";
  second.Answer(secondHead + "second");
  const Text url = first.Url("/a/b?c=1");
  Outputs o;
  Text cookies = "a=1";
  EXPECT_EQ(TextOfBytes(Request(url, o, 0, &cookies, true)), "second");

  ASSERT_EQ(first.Requests().size(), 1u);
  ASSERT_EQ(second.Requests().size(), 1u);
  const WireRequest again = ParseRequest(second.Requests()[0]);
  EXPECT_EQ(again.requestLine, "GET /a/b?c=1 HTTP/1.1");
  Lines expected = DefaultLines(url);  // the Referer of the first address
  expected.push_back("Cookie: n=5; a=1");
  EXPECT_EQ(again.OwnLines(), expected) << "the cookies merged after the first answer";
  // The headers as completed by the first call; the second adds its cookies.
  EXPECT_EQ(o.headers, "Referer: " + url + "\r\nAccept: */*\r\nAccept-Language: zh-cn\r\n" + kForm +
                           "\r\nCookie: a=1\r\nCookie: n=5; a=1");
  EXPECT_EQ(cookies, "n=5; a=1");
  EXPECT_EQ(o.responseHeaders, secondHead);
  EXPECT_EQ(o.location, secondHead);
}

TEST(HttpRequestWire, RedirectLoopEndsWithTheLastBody) {
  LoopbackServer server;
  const Text self = "http://127.0.0.1:" + std::to_string(server.Port());
  for (int i = 0; i <= kMaxMovedFollowUps + 1; ++i) {
    server.Answer(Reply("HTTP/1.1 301 Moved Permanently", "Location: " + self + "\r\n",
                        "hop " + std::to_string(i)));
  }
  Outputs o;
  EXPECT_EQ(TextOfBytes(Request(server.Url("/loop"), o, 0, nullptr, true)),
            "hop " + std::to_string(kMaxMovedFollowUps));
  const auto requests = server.Requests();
  EXPECT_EQ(requests.size(), static_cast<std::size_t>(kMaxMovedFollowUps + 1));
  for (const std::string& raw : requests) EXPECT_EQ(ParseRequest(raw).requestLine, "GET /loop HTTP/1.1");
  EXPECT_EQ(o.location, self);
}

TEST(HttpRequestWire, UnreachableHostCompletesHeadersAndFillsSpaces) {
  const Text url = "http://127.0.0.1:" + std::to_string(ClosedLoopbackPort()) + "/x";
  Outputs o;
  Text cookies = "a = 1";
  EXPECT_TRUE(Request(url, o, 0, &cookies).empty());
  const Text spaces(5000, ' ');
  EXPECT_EQ(o.responseHeaders, spaces);
  EXPECT_EQ(o.location, spaces);
  EXPECT_EQ(o.returnedCookies, "");
  EXPECT_EQ(cookies, "a=1");
  EXPECT_EQ(o.headers, "Referer: " + url + "\r\nAccept: */*\r\nAccept-Language: zh-cn\r\n" + kForm +
                           "\r\nCookie: a = 1");
}

TEST(HttpRequestWire, NoConnectionLeavesTheCallersVariables) {
  // 70000 would wrap to port 4464 as a 16-bit number.
  Outputs o;
  o.headers = "X-Own: 1";
  Text cookies = "a = 1";
  EXPECT_TRUE(Request("http://127.0.0.1:70000/x", o, 1, &cookies).empty());
  EXPECT_EQ(o.headers, "X-Own: 1");
  EXPECT_EQ(o.location, "stale");
  EXPECT_EQ(o.responseHeaders, "stale");
  EXPECT_EQ(o.returnedCookies, "stale");
  EXPECT_EQ(cookies, "a = 1");
}

TEST(HttpRequestWire, HttpsAddressGoesOutSecure) {
  LoopbackServer server;
  Outputs o;
  EXPECT_TRUE(Request("https://127.0.0.1:" + std::to_string(server.Port()) + "/s", o).empty());
  const auto requests = server.Requests();
  ASSERT_FALSE(requests.empty());
  // A TLS handshake record, not a plain request line.
  EXPECT_EQ(requests[0].substr(0, 2), "\x16\x03");
  EXPECT_EQ(o.responseHeaders, Text(5000, ' '));
}

TEST(HttpRequestWire, ConnectionClosedMidBodyGivesWhatArrived) {
  LoopbackServer server;
  ScriptedAnswer cut{"HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n" + std::string(300, 'x')};
  cut.closeAfter = true;
  server.Answer(cut);
  Outputs o;
  EXPECT_EQ(TextOfBytes(Request(server.Url("/cut"), o)), std::string(300, 'x'));
  EXPECT_EQ(o.responseHeaders, "HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n");
}

TEST(HttpRequestWire, HeaderBlocksAroundTheBufferSize) {
  // 5,000 characters of headers no longer fit: the spaces stay, and the
  // cookies and location in them are not seen.
  for (std::size_t pad : {4800u, 5200u}) {
    std::string lines = "Set-Cookie: k=1; path=/\r\nLocation: /l\r\n";
    while (lines.size() < pad) lines += "X-Pad: " + std::string(91, 'p') + "\r\n";
    LoopbackServer server;
    server.Answer(Reply("HTTP/1.1 200 OK", lines, "body"));
    Outputs o;
    EXPECT_EQ(TextOfBytes(Request(server.Url("/big"), o)), "body") << pad;
    if (pad < 5000) {
      EXPECT_EQ(o.returnedCookies, "k=1");
      EXPECT_EQ(o.location, "/l");
      EXPECT_EQ(o.responseHeaders.substr(0, 17), "HTTP/1.1 200 OK\r\n");
    } else {
      EXPECT_EQ(o.responseHeaders, Text(5000, ' '));
      EXPECT_EQ(o.location, Text(5000, ' '));
      EXPECT_EQ(o.returnedCookies, "");
    }
  }
}

TEST(HttpRequestWire, LargeAndChunkedBodies) {
  std::string large(3 * 1024 * 1024 + 17, '\0');
  for (std::size_t i = 0; i < large.size(); ++i) large[i] = static_cast<char>((i * 7919) >> 3);
  LoopbackServer server;
  server.Answer(Reply("HTTP/1.1 200 OK", "", large));
  server.Answer(ChunkedReply("", large.substr(0, 100 * 1000), 999));
  EXPECT_TRUE(TextOfBytes(HttpRequest(server.Url("/large"))) == large);
  EXPECT_TRUE(TextOfBytes(HttpRequest(server.Url("/chunked"))) == large.substr(0, 100 * 1000));
}

TEST(HttpRequestWire, ProxyCarriesPlainRequests) {
  LoopbackServer proxy;
  proxy.Answer(Reply("HTTP/1.1 200 OK", "", "via proxy"));
  const Text target = "http://127.0.0.1:" + std::to_string(ClosedLoopbackPort()) + "/p?x=1";
  const Text where = "127.0.0.1:" + std::to_string(proxy.Port());
  Outputs o;
  EXPECT_EQ(TextOfBytes(Request(target, o, 0, nullptr, false, &where)), "via proxy");
  const auto requests = proxy.Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(ParseRequest(requests[0]).requestLine, "GET " + target + " HTTP/1.1");
}

}  // namespace
