// FetchPage: a simple page fetch over WinInet that keeps the window
// responsive: pending window messages run before each 512-byte read.
// Plain HTTP only. Never throws; empty on failure.
#pragma once

#include <string_view>

#include "text.h"

// verb: "POST" in any letter case stays as written; anything else (also an
//   omitted verb) is replaced in the caller's variable by "GET".
// proxy: when present, even empty, "host:port" of a plain-HTTP proxy.
// headers: extra request lines, each ended by CR LF; the defaults are
//   appended to this variable.
// postData: form data sent unless the verb is exactly "GET".
// responseHeaders: when present, the raw response header text (at most
//   1,024 bytes).
// Result: the body up to its first zero byte.
Text FetchPage(std::string_view url, Text* verb = nullptr, const Text* proxy = nullptr,
               Text* headers = nullptr, std::string_view postData = {},
               Text* responseHeaders = nullptr);

// Lower-case host without port; an "https://" address has the host "https".
Text PageHost(std::string_view url);
// Port number; 80 when the address names none.
int PagePort(std::string_view url);
// Path and query from the first "/" after the host; "/" when there is none.
Text PagePath(std::string_view url);

// The platform-free steps of FetchPage.

extern const char kFetchUserAgent[];
constexpr int kFetchReadBlock = 512;
constexpr int kFetchResponseHeaderBuffer = 1024;
constexpr unsigned long kFetchTimeoutMs = 18000;

// "GET" unless upper(verb) is "POST", which stays as written.
Text FetchVerb(std::string_view verb);
// Appends Accept, Referer and Accept-Language lines that headers lacks
// (letter case ignored), and for a POST with data its Content-Type and
// Content-Length lines.
void CompleteFetchHeaders(Text& headers, std::string_view url, std::string_view verb,
                          std::string_view postData);
