#include "http_request.h"

#include "headers.h"
#include "internet_win.h"

namespace {

// The caller's variables for one call: its own, or scratch ones for the
// out-parameters it left out.
struct CallState {
  int method;
  std::string_view postText;
  Text* cookies;
  Text& returnedCookies;
  Text& headers;
  Text& location;
  bool noAutoRedirect;
  Bytes& postBytes;
  const Text* proxy;
  Text& responseHeaders;
};

// One exchange. False when no request could be opened: then nothing of
// the caller's has changed.
bool Exchange(const Text& url, CallState& c, Bytes& body) {
  UniqueInternet root = OpenInternet(HttpUserAgent(c.headers), c.proxy);
  if (!root) return false;
  UniqueInternet connection = ConnectHttp(root.get(), UrlHost(url), UrlPort(url));
  if (!connection) return false;
  UniqueInternet request =
      OpenHttpRequest(connection.get(), c.method == 1 ? "POST" : "GET", UrlPath(url),
                      HttpRequestFlags(url, c.cookies != nullptr, c.noAutoRedirect));
  if (!request) return false;

  CompleteHttpHeaders(c.headers, url, c.cookies ? std::string_view(*c.cookies) : "");
  const DWORD headerLength = static_cast<DWORD>(c.headers.size());
  if (c.method == 0) {
    HttpSendRequestA(request.get(), c.headers.c_str(), headerLength, nullptr, 0);
  } else {
    if (c.postBytes.empty()) c.postBytes = BytesOf(c.postText);
    HttpSendRequestA(request.get(), c.headers.c_str(), headerLength,
                     c.postBytes.empty() ? nullptr : c.postBytes.data(),
                     static_cast<DWORD>(c.postBytes.size()));
  }

  // The vector grows geometrically: a large body costs linear time.
  for (;;) {
    std::uint8_t block[kHttpReadBlock] = {};
    const DWORD read = ReadBlock(request.get(), block, sizeof block);
    if (read == 0) break;
    body.insert(body.end(), block, block + read);
  }
  if (!QueryRawHeaders(request.get(), kHttpResponseHeaderBuffer, c.responseHeaders)) {
    c.responseHeaders.assign(kHttpResponseHeaderBuffer, ' ');
  }
  request.reset();
  connection.reset();
  root.reset();

  ScanHttpResponseHeaders(c.responseHeaders, c.location, c.returnedCookies);
  if (c.cookies) MergeCookies(*c.cookies, c.returnedCookies);
  if (c.location.empty()) c.location = c.responseHeaders;
  return true;
}

}  // namespace

Bytes HttpRequest(std::string_view url, int method, std::string_view postText, Text* cookies,
                  Text* returnedCookies, Text* headers, Text* location, bool noAutoRedirect,
                  Bytes* postBytes, const Text* proxy, Text* responseHeaders) {
  Text scratchReturned, scratchHeaders, scratchLocation, scratchResponse;
  Bytes scratchPost;
  CallState c{method,
              postText,
              cookies,
              returnedCookies ? *returnedCookies : scratchReturned,
              headers ? *headers : scratchHeaders,
              location ? *location : scratchLocation,
              noAutoRedirect,
              postBytes ? *postBytes : scratchPost,
              proxy,
              responseHeaders ? *responseHeaders : scratchResponse};
  // Copies: the caller may pass one of its out-variables as an argument.
  Text address(url);
  const Text ownPostText(postText);
  c.postText = ownPostText;
  for (int followUps = 0;; ++followUps) {
    Bytes received;
    if (!Exchange(address, c, received)) return received;
    // A "301" names the new scheme and host; the path and query stay.
    // Redirect loops end after a bound with the last body read.
    if (followUps == kMaxMovedFollowUps || !IsMovedPermanently(c.responseHeaders)) return received;
    address = c.location + UrlPath(address);
    c.location.clear();
  }
}
