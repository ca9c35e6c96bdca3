// The platform-free routines of the web toolkit, one table per routine.
// The same file runs natively and under Wine (where RemoveBlankLines goes
// through the "VBScript.RegExp" component).
#include <gtest/gtest.h>

#include "case_table.h"

#include "blank_lines.h"
#include "fetch_page.h"
#include "headers.h"
#include "http_request.h"

namespace {

Text Port(int port) { return Decimal(port); }

TextArray ArrayOf(std::initializer_list<const char*> items) {
  TextArray a;
  for (const char* t : items) a.Append(t);
  return a;
}

TEST(HeaderRoutines, BetweenMarkers) {
  RunTable({
      {"the quote token stands for one double quote",
       [] { return BetweenMarkers("x=\"a1\"", "#引号a", "#引号"); }, "1"},
      {"the value keeps its space", [] { return BetweenMarkers("Set-Cookie: sid=5; path=/", "Set-Cookie:", ";"); }, " sid=5"},
      {"case ignored by default", [] { return BetweenMarkers("<P>x</p>", "<p>", "</P>"); }, "x"},
      {"case kept when asked", [] { return BetweenMarkers("<P>x</p>", "<p>", "</p>", 1, true); }, ""},
      {"from start", [] { return BetweenMarkers("[a][b]", "[", "]", 2); }, "b"},
      {"start below 1 counts as 1", [] { return BetweenMarkers("[a]", "[", "]", -3); }, "a"},
      {"start marker missing", [] { return BetweenMarkers("a]", "[", "]"); }, ""},
      {"end marker missing", [] { return BetweenMarkers("[a", "[", "]"); }, ""},
      {"empty end marker gives empty", [] { return BetweenMarkers("[a]", "[", ""); }, ""},
      {"empty start marker reads from the beginning", [] { return BetweenMarkers("ab]c", "", "]", 3); }, "ab"},
      {"adjacent markers", [] { return BetweenMarkers("[]", "[", "]"); }, ""},
      // D5 5B is one character: its second byte is not the marker "[".
      {"never a second byte", [] { return BetweenMarkers("\xD5[a]", "[", "]"); }, ""},
      {"double-byte markers", [] { return BetweenMarkers("版本【1.3】", "版本【", "】"); }, "1.3"},
      {"empty text", [] { return BetweenMarkers("", "", ""); }, ""},
  });
}

TEST(HeaderRoutines, ValueAfterColon) {
  RunTable({
      {"header value", [] { return ValueAfterColon("Location: X"); }, "X"},
      {"first colon only", [] { return ValueAfterColon("Location: http://h:8/"); }, "http://h:8/"},
      {"no colon", [] { return ValueAfterColon("Location X"); }, ""},
      {"full-width spaces trimmed", [] { return ValueAfterColon("a:　b　"); }, "b"},
      {"tabs and CR stay", [] { return ValueAfterColon("a:\tb\r"); }, "\tb\r"},
  });
}

TEST(AddressRoutines, UrlHost) {
  RunTable({
      {"lower case, no port", [] { return UrlHost("HTTP://A.B.C:8080/x"); }, "a.b.c"},
      {"keep port", [] { return UrlHost("HTTP://A.B.C:8080/x", false, true); }, "a.b.c:8080"},
      {"last two labels", [] { return UrlHost("HTTP://A.B.C:8080/x", true); }, "b.c"},
      {"last two labels with port", [] { return UrlHost("HTTP://A.B.C:8080/x", true, true); }, "b.c:8080"},
      {"one label stays", [] { return UrlHost("http://host/", true); }, "host"},
      {"no scheme", [] { return UrlHost("host/path"); }, "host"},
      {"https", [] { return UrlHost("https://Secure.example/p"); }, "secure.example"},
      {"a query needs a slash before it", [] { return UrlHost("http://host?x=1"); }, "host?x=1"},
      {"scheme and nothing else", [] { return UrlHost("http://"); }, ""},
      {"empty", [] { return UrlHost(""); }, ""},
  });
}

TEST(AddressRoutines, UrlPortAndPath) {
  RunTable({
      {"https default", [] { return Port(UrlPort("https://host/x")); }, "443"},
      {"HTTPS in capitals", [] { return Port(UrlPort("HTTPS://host")); }, "443"},
      {"http default", [] { return Port(UrlPort("http://host")); }, "80"},
      {"no scheme", [] { return Port(UrlPort("host/x")); }, "80"},
      {"named port", [] { return Port(UrlPort("http://host:8080/")); }, "8080"},
      {"https with port", [] { return Port(UrlPort("https://host:8443/")); }, "8443"},
      {"colon without digits", [] { return Port(UrlPort("http://host:/")); }, "0"},
      // Must not wrap into another port (70000 would be 4464 as 16 bits).
      {"beyond 65535", [] { return Port(UrlPort("http://host:70000/")); }, "65536"},
      {"far beyond", [] { return Port(UrlPort("http://host:99999999999999999999/")); }, "65536"},
      {"path of a bare host", [] { return UrlPath("http://host"); }, "/"},
      {"path and query", [] { return UrlPath("http://host/a/b?c=1"); }, "/a/b?c=1"},
      {"letter case kept", [] { return UrlPath("HTTP://HOST/A/B"); }, "/A/B"},
      {"query without slash", [] { return UrlPath("http://host?x=1"); }, "/"},
      {"no scheme", [] { return UrlPath("host:81/x"); }, "/x"},
      {"https", [] { return UrlPath("https://host/s?q"); }, "/s?q"},
      // The host "h" also occurs inside "http://": the path must not start there.
      {"host found inside the scheme", [] { return UrlPath("http://h/x"); }, "/x"},
      {"host found inside https", [] { return UrlPath("https://s/x"); }, "/x"},
      {"empty host", [] { return UrlPath("http:///x"); }, "/x"},
  });
}

TEST(CookieRoutines, NamesAndLists) {
  RunTable({
      {"name", [] { return CookieName(" sid = 5"); }, "sid"},
      {"no equals sign", [] { return CookieName(" flag "); }, "flag"},
      {"value with equals", [] { return CookieName("a=b=c"); }, "a"},
      {"has name", [] { return Text(HasCookieNamed(ArrayOf({"a=1", " b=2"}), "b") ? "yes" : "no"); }, "yes"},
      {"case-sensitive", [] { return Text(HasCookieNamed(ArrayOf({"A=1"}), "a") ? "yes" : "no"); }, "no"},
      {"empty array", [] { return Text(HasCookieNamed(TextArray(), "") ? "yes" : "no"); }, "no"},
      {"index", [] { return Decimal(IndexOfText(ArrayOf({"x", "y", "y"}), "y")); }, "2"},
      {"index exact", [] { return Decimal(IndexOfText(ArrayOf({"Y"}), "y")); }, "-1"},
      {"join distinct", [] { return JoinDistinct("x; y; x", "; "); }, "x; y"},
      {"first-seen order", [] { return JoinDistinct("b;a;b;c;a", ";"); }, "b;a;c"},
      {"empty pieces count once", [] { return JoinDistinct(";;a", ";"); }, ";a"},
      {"empty list", [] { return JoinDistinct("", "; "); }, ""},
  });
}

TEST(CookieRoutines, MergeCookies) {
  struct MergeCase {
    const char* cookies;
    const char* newCookies;
    const char* merged;
    const char* newAfter;
  };
  const MergeCase cases[] = {
      {"a=1; b=2", "b=3; c=4", "b=3; c=4; a=1", "b=3;c=4"},
      // The deleted cookie drops out and hides the old value.
      {"a=1", "a=deleted", "", "a=deleted"},
      {"", "x=1", "x=1", "x=1"},
      {"x=1", "", "x=1", ""},
      {"", "", "", ""},
      {"a = 1 ;　b=2", "", "a=1; b=2", ""},
      {"a=1; a=1", "", "a=1", ""},
      {"a=1; b=deleted", "c=3", "c=3; a=1", "c=3"},
  };
  for (const MergeCase& c : cases) {
    Text cookies = c.cookies, newCookies = c.newCookies;
    const Text result = MergeCookies(cookies, newCookies);
    EXPECT_EQ(result, c.merged) << c.cookies << " + " << c.newCookies;
    EXPECT_EQ(cookies, c.merged) << c.cookies << " + " << c.newCookies;
    EXPECT_EQ(newCookies, c.newAfter) << c.cookies << " + " << c.newCookies;
  }
}

TEST(HttpRequestSteps, UserAgent) {
  RunTable({
      {"default", [] { return HttpUserAgent("Accept: x"); }, kHttpDefaultUserAgent},
      {"single line, any case, no CR LF", [] { return HttpUserAgent("user-agent: X"); }, "X"},
      {"followed by a line", [] { return HttpUserAgent("User-Agent:  Y \r\nAccept: x"); }, "Y"},
      // The value after the first colon of the whole text would be "x\r\nUser-Agent: Z".
      {"last but not first line", [] { return HttpUserAgent("Accept: x\r\nUser-Agent: Z"); }, "Z"},
      {"empty value", [] { return HttpUserAgent("User-Agent:\r\nAccept: x"); }, kHttpDefaultUserAgent},
  });
}

TEST(HttpRequestSteps, Flags) {
  struct FlagCase {
    const char* url;
    bool cookies, noRedirect;
    std::uint32_t flags;
  };
  const std::uint32_t always = 0x80000000 | 0x10;
  const FlagCase cases[] = {
      {"http://h/", false, false, always | 0x4000},
      {"h/", true, false, always | 0x80000 | 0x4000},
      {"http://h/", false, true, always | 0x200000 | 0x4000},
      {"HTTPS://h/", true, true, always | 0x80000 | 0x200000 | 0x800000},
      {"https", false, false, always | 0x800000},
  };
  for (const FlagCase& c : cases) {
    EXPECT_EQ(HttpRequestFlags(c.url, c.cookies, c.noRedirect), c.flags) << c.url;
  }
}

TEST(HttpRequestSteps, CompleteHeaders) {
  const Text defaults =
      "\r\nAccept: */*\r\nAccept-Language: zh-cn\r\nContent-Type: application/x-www-form-urlencoded";
  struct HeaderCase {
    const char* what;
    Text headers, cookies, expected;
  };
  const HeaderCase cases[] = {
      {"url alone", "", "", "Referer: http://h/p" + defaults},
      {"agent line kept", "user-agent: X", "", "user-agent: X\r\nReferer: http://h/p" + defaults},
      {"Accept present", "Accept: a/b", "",
       "Accept: a/b\r\nReferer: http://h/p\r\nAccept-Language: zh-cn\r\n"
       "Content-Type: application/x-www-form-urlencoded"},
      {"lower-case accept gets the default too", "accept: a/b", "",
       "accept: a/b\r\nReferer: http://h/p" + defaults},
      {"all present", "Referer: r\r\nAccept: a\r\nAccept-Language: l\r\nContent-Type: t", "",
       "Referer: r\r\nAccept: a\r\nAccept-Language: l\r\nContent-Type: t"},
      {"cookies", "", "a=1; b=2", "Referer: http://h/p" + defaults + "\r\nCookie: a=1; b=2"},
      {"cookie line added even when one is there", "Cookie: z=0", "a=1",
       "Cookie: z=0\r\nReferer: http://h/p" + defaults + "\r\nCookie: a=1"},
  };
  for (const HeaderCase& c : cases) {
    Text headers = c.headers;
    CompleteHttpHeaders(headers, "http://h/p", c.cookies);
    EXPECT_EQ(headers, c.expected) << c.what;
  }
}

TEST(HttpRequestSteps, ScanResponseHeaders) {
  struct ScanCase {
    const char* what;
    Text headers, location, cookies;
  };
  const ScanCase cases[] = {
      {"two cookies", "HTTP/1.1 200 OK\r\nSet-Cookie: a=1; path=/\r\nSet-Cookie: b=2; path=/\r\n\r\n", "", "a=1; b=2"},
      {"no location", "HTTP/1.1 200 OK\r\n\r\n", "", ""},
      {"location", "HTTP/1.1 302 Found\r\nLocation: http://x:1/y\r\n\r\n", "http://x:1/y", ""},
      {"a later line overwrites", "Location: a\r\nContent-Location: b\r\n", "b", ""},
      {"location is case-sensitive", "location: a\r\n", "", ""},
      // A cookie without attributes has no ";" after it; it must not be lost.
      {"cookie without attributes", "Set-Cookie: c=3\r\nSet-Cookie: d=4; path=/\r\n", "", "c=3; d=4"},
      {"empty cookie left out", "Set-Cookie: ; path=/\r\nSet-Cookie:\r\nSet-Cookie: e=5\r\n", "", "e=5"},
      {"marker case ignored", "Set-Cookie SET-COOKIE: f=6; x\r\n", "", "f=6"},
      {"the 5,000 spaces of a failed query", Text(5000, ' '), "", ""},
  };
  for (const ScanCase& c : cases) {
    Text location = "stale", cookies = "stale";
    ScanHttpResponseHeaders(c.headers, location, cookies);
    EXPECT_EQ(location, c.location) << c.what;
    EXPECT_EQ(cookies, c.cookies) << c.what;
  }
}

TEST(HttpRequestSteps, MovedPermanently) {
  const std::pair<const char*, bool> cases[] = {
      {"HTTP/1.1 301 Moved Permanently\r\nLocation: http://h\r\n\r\n", true},
      {"http/1.1 301 moved\r\n", true},
      {"HTTP/1.1 302 Moved Temporarily\r\n", false},
      {"HTTP/1.0 301 Moved Permanently\r\n", false},
      {"HTTP/1.1 301 MovedX\r\n", true},
      {"HTTP/1.1 200 OK\r\n\r\n", false},
      {"", false},
  };
  for (const auto& [headers, moved] : cases) EXPECT_EQ(IsMovedPermanently(headers), moved) << headers;
}

TEST(FetchPageSteps, Addresses) {
  RunTable({
      {"host", [] { return PageHost("HTTP://Host:8081/f.txt"); }, "host"},
      {"port", [] { return Port(PagePort("http://host:8081/f.txt")); }, "8081"},
      {"path", [] { return PagePath("http://host:8081/f.txt"); }, "/f.txt"},
      {"default port", [] { return Port(PagePort("http://host/f")); }, "80"},
      {"no scheme", [] { return PageHost("Host/f"); }, "host"},
      {"no scheme path", [] { return PagePath("host/a?b=1"); }, "/a?b=1"},
      {"no path", [] { return PagePath("http://host"); }, "/"},
      {"https host", [] { return PageHost("https://host/x"); }, "https"},
      {"https port", [] { return Port(PagePort("https://host/x")); }, "0"},
      {"https path", [] { return PagePath("https://host/x"); }, "//host/x"},
      {"port beyond 65535", [] { return Port(PagePort("http://h:65536/")); }, "65536"},
      // The host "t" also occurs inside "http://".
      {"host found inside the scheme", [] { return PagePath("http://t/x"); }, "/x"},
  });
}

TEST(FetchPageSteps, VerbAndHeaders) {
  RunTable({
      {"post stays as written", [] { return FetchVerb("post"); }, "post"},
      {"POST", [] { return FetchVerb("POST"); }, "POST"},
      {"other verbs become GET", [] { return FetchVerb("PUT"); }, "GET"},
      {"empty", [] { return FetchVerb(""); }, "GET"},
  });
  const Text accept =
      "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, application/x-shockwave-flash, "
      "application/vnd.ms-excel, application/vnd.ms-powerpoint, application/msword, */*\r\n";
  const Text defaults = accept + "Referer: http://h/f\r\nAccept-Language: zh-cn\r\n";
  const Text form = "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: 3\r\n";
  struct HeaderCase {
    const char* what;
    Text headers, verb, data, expected;
  };
  const HeaderCase cases[] = {
      {"url alone", "", "GET", "", defaults},
      {"post with data", "", "post", "a=1", defaults + form},
      {"POST without data", "", "POST", "", defaults},
      {"GET with data", "", "GET", "a=1", defaults},
      {"case ignored", "accept: x\r\nREFERER: y\r\n", "GET", "",
       "accept: x\r\nREFERER: y\r\nAccept-Language: zh-cn\r\n"},
      {"length in bytes", "", "POST", "中", defaults +
       "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: 2\r\n"},
  };
  for (const HeaderCase& c : cases) {
    Text headers = c.headers;
    CompleteFetchHeaders(headers, "http://h/f", c.verb, c.data);
    EXPECT_EQ(headers, c.expected) << c.what;
  }
}

TEST(BlankLines, RemoveBlankLines) {
  struct CleanCase {
    Text text, result, variable;
  };
  const CleanCase cases[] = {
      {"a\r\n\r\nb", "a\r\nb", "a\r\n\r\nb"},
      {"a\r\n   \r\nb", "a\r\nb", "a\r\n   \r\nb"},
      {"\r\na\r\n", "a", "a"},
      {"a\r\nb\r\nc", "a\r\nb\r\nc", "a\r\nb\r\nc"},
      {"\r\na\r\nb\r\n", "a\r\nb", "a\r\nb"},
      // Only one CR LF comes off each end.
      {"a\r\n\r\n\r\n", "a\r\n", "a\r\n\r\n"},
      {"\r\n\r\na", "\r\na", "\r\na"},
      {"a\r\n\t \r\n\r\n中\r\n", "a\r\n中", "a\r\n\t \r\n\r\n中"},
      {"a\n\nb", "a\n\nb", "a\n\nb"},
      {"\r\n", "", ""},
      {"", "", ""},
  };
  for (const CleanCase& c : cases) {
    Text text = c.text;
    EXPECT_EQ(RemoveBlankLines(text), c.result) << c.text;
    EXPECT_EQ(text, c.variable) << c.text;
    // The direct replacement agrees with the component's.
    EXPECT_EQ(DropBlankLineBreaks(c.variable), c.result) << c.text;
  }
}

}  // namespace
