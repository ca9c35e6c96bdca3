#include "internet_win.h"

#include <vector>

UniqueInternet OpenInternet(const Text& agent, const Text* proxy) {
  if (proxy) {
    const Text list = "http=" + *proxy;
    return UniqueInternet(InternetOpenA(agent.c_str(), INTERNET_OPEN_TYPE_PROXY, list.c_str(), "", 0));
  }
  return UniqueInternet(InternetOpenA(agent.c_str(), INTERNET_OPEN_TYPE_DIRECT, "", "", 0));
}

UniqueInternet ConnectHttp(HINTERNET root, const Text& host, int port) {
  if (port < 0 || port > 65535) return UniqueInternet();
  return UniqueInternet(InternetConnectA(root, host.c_str(), static_cast<INTERNET_PORT>(port), "",
                                         "", INTERNET_SERVICE_HTTP, 0, 0));
}

UniqueInternet OpenHttpRequest(HINTERNET connection, const Text& verb, const Text& path,
                               DWORD flags) {
  return UniqueInternet(
      HttpOpenRequestA(connection, verb.c_str(), path.c_str(), "HTTP/1.1", "", nullptr, flags, 0));
}

bool QueryRawHeaders(HINTERNET request, int bufferSize, Text& headers) {
  // One spare byte: the terminator never lands outside the buffer.
  std::vector<char> buffer(static_cast<std::size_t>(bufferSize) + 1, ' ');
  DWORD length = static_cast<DWORD>(bufferSize);
  if (!HttpQueryInfoA(request, HTTP_QUERY_RAW_HEADERS_CRLF, buffer.data(), &length, nullptr) ||
      length > static_cast<DWORD>(bufferSize)) {
    return false;
  }
  // Without a response some platforms report a bare CR LF: no headers.
  if (length <= 2) return false;
  headers.assign(buffer.data(), length);
  return true;
}

DWORD ReadBlock(HINTERNET request, std::uint8_t* block, DWORD size) {
  DWORD read = 0;
  if (!InternetReadFile(request, block, size, &read) || read > size) return 0;
  return read;
}
