#include "http_request.h"

#include "headers.h"

namespace {

// The trimmed text after the first marker (ignoring case) up to the next
// stop, or to the end when no stop follows; empty without the marker.
Text ValueAfterMarker(std::string_view text, std::string_view marker, std::string_view stop) {
  const int p = Find(text, marker, 1, true);
  if (p == -1) return {};
  const std::string_view rest = text.substr(static_cast<std::size_t>(p) - 1 + marker.size());
  const int q = Find(rest, stop);
  return Trim(q == -1 ? rest : rest.substr(0, static_cast<std::size_t>(q) - 1));
}

}  // namespace

const char kHttpDefaultUserAgent[] =
    "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1; RUXEN; .NET CLR 2.0.50727; "
    ".NET CLR 3.0.04506.648; .NET CLR 3.5.21022)";

Text HttpUserAgent(std::string_view headers) {
  // The agent line's own value, also when it is the last line (no CR LF
  // after it) and not the first one.
  Text agent = ValueAfterMarker(headers, "User-Agent:", "\r\n");
  return agent.empty() ? Text(kHttpDefaultUserAgent) : agent;
}

std::uint32_t HttpRequestFlags(std::string_view url, bool cookiesPresent, bool noAutoRedirect) {
  std::uint32_t flags = kHttpFlagReload | kHttpFlagNeedFile;
  if (cookiesPresent) flags |= kHttpFlagNoCookies;
  if (noAutoRedirect) flags |= kHttpFlagNoAutoRedirect;
  flags |= Lower(Left(url, 5)) == "https" ? kHttpFlagSecure : kHttpFlagIgnoreRedirectToHttps;
  return flags;
}

void CompleteHttpHeaders(Text& headers, std::string_view url, std::string_view cookies) {
  if (Find(headers, "Referer:") == -1) {
    headers += headers.empty() ? "Referer: " : "\r\nReferer: ";
    headers += url;
  }
  if (Find(headers, "Accept:") == -1) headers += "\r\nAccept: */*";
  if (Find(headers, "Accept-Language:") == -1) headers += "\r\nAccept-Language: zh-cn";
  if (Find(headers, "Content-Type:") == -1) {
    headers += "\r\nContent-Type: application/x-www-form-urlencoded";
  }
  if (!cookies.empty()) headers.append("\r\nCookie: ").append(cookies);
}

void ScanHttpResponseHeaders(std::string_view responseHeaders, Text& location,
                             Text& returnedCookies) {
  location.clear();
  returnedCookies.clear();
  for (const Text& line : Split(responseHeaders, "\r\n")) {
    if (Find(line, "Location:") != -1) location = ValueAfterColon(line);
    if (Find(line, "Set-Cookie") == -1) continue;
    // A cookie without attributes has no ";" after it: its value runs to
    // the end of the line. Empty entries are left out.
    const Text cookie = ValueAfterMarker(line, "Set-Cookie:", ";");
    if (!cookie.empty()) returnedCookies += cookie + "; ";
  }
  returnedCookies = Left(returnedCookies, Length(returnedCookies) - 2);
}

bool IsMovedPermanently(std::string_view responseHeaders) {
  return BetweenMarkers(responseHeaders, "HTTP/1.1 ", " Moved") == "301";
}
