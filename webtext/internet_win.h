// The WinInet calls that HttpRequest and FetchPage share.
#pragma once

#include "owners_win.h"
#include "text.h"

// The root handle: through the proxy list "http=" + *proxy when a proxy is
// given, else direct; the bypass list is empty.
UniqueInternet OpenInternet(const Text& agent, const Text* proxy);
// An HTTP connection; none for a port outside 0..65535 (it would wrap).
UniqueInternet ConnectHttp(HINTERNET root, const Text& host, int port);
// A request without referrer and accept types: those go in header lines.
UniqueInternet OpenHttpRequest(HINTERNET connection, const Text& verb, const Text& path,
                               DWORD flags);
// The raw response header text, when a response came and its headers fit
// into bufferSize characters.
bool QueryRawHeaders(HINTERNET request, int bufferSize, Text& headers);
// Up to size bytes into a zeroed block; a failed read counts as 0 bytes.
DWORD ReadBlock(HINTERNET request, std::uint8_t* block, DWORD size);
