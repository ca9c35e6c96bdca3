// Header, cookie and address routines under HttpRequest. Platform-free;
// they take untrusted text (response headers, addresses) and never fail:
// a missing piece gives the empty text, the default port or "/".
#pragma once

#include <string_view>

#include "text.h"

// In marker texts "#引号" stands for one double quote.
Text ReplaceQuoteToken(std::string_view marker);

// The text between the first startMarker at or after start and the next
// endMarker; empty when either is missing. Markers take the quote token.
Text BetweenMarkers(std::string_view text, std::string_view startMarker, std::string_view endMarker,
                    int start = 1, bool caseSensitive = false);
// The trimmed text after the first ":"; empty without one.
Text ValueAfterColon(std::string_view line);

// Lower-case host of an address with or without "http://" or "https://".
Text UrlHost(std::string_view address, bool lastTwoLabels = false, bool keepPort = false);
// The port the address names, else 443 for "https" and 80 for the rest.
// A number outside 0..65535 comes back as -1 or 65536, never wrapped.
int UrlPort(std::string_view address);
// Path and query as written, at least "/".
Text UrlPath(std::string_view address);
// The address from the first "/" after host, which is searched from byte
// position searchFrom (past the scheme); "/" when there is none.
Text PathAfterHost(std::string_view address, std::string_view host, int searchFrom);

// Cookie lists are "name=value; name=value". New values win, old cookies
// the response does not mention follow, "=deleted" entries drop out. Both
// variables lose their spaces; the merged list goes into cookies as well.
Text MergeCookies(Text& cookies, Text& newCookies);
Text CookieName(std::string_view entry);
bool HasCookieNamed(const TextArray& entries, std::string_view name);
// The pieces of list in first-seen order, each once.
Text JoinDistinct(std::string_view list, std::string_view separator);
// Position from 1 of the first item equal to text, or -1.
int IndexOfText(const TextArray& items, std::string_view text);
