// Feeds arbitrary bytes as addresses, response headers, request headers
// and cookie lists to the web toolkit's platform-free routines: no crash,
// no read past the end, and the properties below for any input.
#include <string_view>

#include "blank_lines.h"
#include "fetch_page.h"
#include "fuzz_support.h"
#include "headers.h"
#include "http_request.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::uint8_t flags = data[0];
  std::string_view all(reinterpret_cast<const char*>(data + 1), size - 1);
  // Fields: text, cookies, more cookies.
  const auto [t, c, n] = Fields(all);

  // Addresses.
  const Text host = UrlHost(t, flags & 1, flags & 2);
  Check(Lower(host) == host);
  const int port = UrlPort(t);
  Check(port >= -1 && port <= 65536);
  Check(Left(UrlPath(t), 1) == "/");
  Check(Lower(PageHost(t)) == PageHost(t));
  Check(PagePort(t) >= -1 && PagePort(t) <= 65536);
  Check(Left(PagePath(t), 1) == "/");
  Check(Length(BetweenMarkers(t, c, n, flags, flags & 4)) <= Length(t));
  Check(Length(ValueAfterColon(t)) <= Length(t));

  // Response headers.
  Text location = "x", returned = "x";
  ScanHttpResponseHeaders(t, location, returned);
  Check(Length(location) <= Length(t));
  Check(Left(returned, 2) != "; " && Right(returned, 2) != "; ");
  (void)IsMovedPermanently(t);

  // Request headers.
  const Text agent = HttpUserAgent(t);
  Check(!agent.empty() && Find(agent, "\r\n") == -1);
  const std::uint32_t requestFlags = HttpRequestFlags(t, flags & 8, flags & 16);
  Check(((requestFlags & kHttpFlagSecure) != 0) != ((requestFlags & kHttpFlagIgnoreRedirectToHttps) != 0));
  Text headers(t);
  CompleteHttpHeaders(headers, c, n);
  Check(Left(headers, Length(t)) == t);
  for (const char* name : {"Referer:", "Accept:", "Accept-Language:", "Content-Type:"}) {
    Check(Find(headers, name) != -1);
  }
  Text fetchHeaders(t);
  const Text verb = FetchVerb(c);
  Check(verb == "GET" || Upper(verb) == "POST");
  CompleteFetchHeaders(fetchHeaders, c, verb, n);
  Check(Left(fetchHeaders, Length(t)) == t);

  // Cookie lists.
  Text cookies(c), newCookies(n);
  const Text merged = MergeCookies(cookies, newCookies);
  Check(merged == cookies);
  Check(Find(newCookies, " ") == -1);
  TextArray entries;
  for (const Text& e : Split(cookies, "; ")) {
    Check(Right(e, 8) != "=deleted");
    Check(IndexOfText(entries, e) == -1);
    entries.Append(e);
  }

  // Blank lines: nothing the pattern "\n\s*\r" matches is left.
  Text page(t);
  const Text clean = RemoveBlankLines(page);
  Check(clean == DropBlankLineBreaks(page));
  Check(clean.size() <= t.size());
  for (std::size_t i = 0; i < clean.size(); ++i) {
    if (clean[i] != '\n') continue;
    for (std::size_t j = i + 1; j < clean.size() && std::string_view(" \f\n\r\t\v").find(clean[j]) != std::string_view::npos; ++j) {
      Check(clean[j] != '\r');
    }
  }
  return 0;
}
