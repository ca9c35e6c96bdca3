// HttpRequest: one HTTP exchange over WinInet, body returned as Bytes.
//
// Optional arguments: a null pointer is an omitted argument. For cookies
// and proxy an omitted argument differs from a present empty one. An
// omitted out-parameter goes to a scratch variable. The routine never
// throws; an empty body is its only sign of failure.
#pragma once

#include <cstdint>
#include <string_view>

#include "text.h"

// method: 1 sends "POST", any other value "GET"; every non-zero value
//   sends a body: postBytes, or when that is empty the bytes of postText
//   (stored into *postBytes).
// cookies: when present the platform's cookie handling is off, a non-empty
//   list goes out as a "Cookie: " line, and afterwards the variable holds
//   the sent cookies merged with those the response set.
// returnedCookies: the cookies the response set, "a=1;b=2" (or with "; "
//   when cookies is omitted).
// headers: extra request lines joined by CR LF (no trailing CR LF); the
//   default lines are appended to this very variable.
// location: the response's "Location:" value, or the raw response header
//   text when it has none.
// noAutoRedirect: the platform does not follow redirects; a "301" answer
//   is still followed here (at most kMaxMovedFollowUps times).
// proxy: "host:port" of a proxy for plain-HTTP requests.
// responseHeaders: the raw header text (status and header lines each ended
//   by CR LF, then an empty line); 5,000 spaces when it could not be read.
Bytes HttpRequest(std::string_view url, int method = 0, std::string_view postText = {},
                  Text* cookies = nullptr, Text* returnedCookies = nullptr, Text* headers = nullptr,
                  Text* location = nullptr, bool noAutoRedirect = false, Bytes* postBytes = nullptr,
                  const Text* proxy = nullptr, Text* responseHeaders = nullptr);

// Successive "301" answers followed before the last body read is returned.
constexpr int kMaxMovedFollowUps = 10;

// The platform-free steps of HttpRequest, in the order it takes them.

constexpr std::uint32_t kHttpFlagReload = 0x80000000;
constexpr std::uint32_t kHttpFlagNeedFile = 0x10;
constexpr std::uint32_t kHttpFlagNoCookies = 0x80000;
constexpr std::uint32_t kHttpFlagNoAutoRedirect = 0x200000;
constexpr std::uint32_t kHttpFlagSecure = 0x800000;
constexpr std::uint32_t kHttpFlagIgnoreRedirectToHttps = 0x4000;

extern const char kHttpDefaultUserAgent[];
constexpr int kHttpReadBlock = 1024;
constexpr int kHttpResponseHeaderBuffer = 5000;

// The value of the caller's "User-Agent:" line (any letter case), or the
// default agent when there is none or it is empty.
Text HttpUserAgent(std::string_view headers);
std::uint32_t HttpRequestFlags(std::string_view url, bool cookiesPresent, bool noAutoRedirect);
// Appends Referer, Accept, Accept-Language and Content-Type lines that
// headers lacks (case-sensitive test), then "Cookie: " + cookies when
// cookies is non-empty.
void CompleteHttpHeaders(Text& headers, std::string_view url, std::string_view cookies);
// Header scan: location from the last line holding "Location:" (empty
// when none), returnedCookies "a=1; b=2" from the "Set-Cookie" lines.
void ScanHttpResponseHeaders(std::string_view responseHeaders, Text& location,
                             Text& returnedCookies);
// The status text between "HTTP/1.1 " and " Moved" is exactly "301".
bool IsMovedPermanently(std::string_view responseHeaders);
