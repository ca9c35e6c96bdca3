#include "download_win.h"

#include "fetch_page.h"
#include "internet_win.h"

namespace {

constexpr char kDownloadAgent[] = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1)";
constexpr char kAcceptLine[] = "Accept: */*\r\n";
constexpr DWORD kReadBlock = 64 * 1024;

bool IsSuccess(HINTERNET request) {
  DWORD status = 0, size = sizeof status;
  return HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size,
                        nullptr) &&
         status >= 200 && status < 300;
}

}  // namespace

Bytes DownloadBytes(const Text& address) {
  if (address.empty()) return {};
  UniqueInternet root = OpenInternet(kDownloadAgent, nullptr);
  if (!root) return {};
  UniqueInternet connection = ConnectHttp(root.get(), PageHost(address), PagePort(address));
  if (!connection) return {};
  // The accept line goes as a header: accept types would add their own.
  UniqueInternet request(HttpOpenRequestA(connection.get(), "GET", PagePath(address).c_str(),
                                          "HTTP/1.0", nullptr, nullptr,
                                          INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE, 0));
  if (!request) return {};
  if (!HttpSendRequestA(request.get(), kAcceptLine, static_cast<DWORD>(sizeof kAcceptLine - 1),
                        nullptr, 0) ||
      !IsSuccess(request.get())) {
    return {};
  }
  Bytes body;
  std::vector<std::uint8_t> block(kReadBlock);
  for (DWORD read; (read = ReadBlock(request.get(), block.data(), kReadBlock)) > 0;) {
    body.insert(body.end(), block.begin(), block.begin() + read);
  }
  return body;
}
