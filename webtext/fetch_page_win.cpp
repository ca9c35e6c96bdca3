#include "fetch_page.h"

#include "internet_win.h"

Text FetchPage(std::string_view url, Text* verb, const Text* proxy, Text* headers,
               std::string_view postData, Text* responseHeaders) {
  Text scratchVerb, scratchHeaders;
  Text& method = verb ? *verb : scratchVerb;
  Text& lines = headers ? *headers : scratchHeaders;
  // Copies: the caller may pass one of its in/out variables as an argument.
  const Text address(url), data(postData);

  UniqueInternet root = OpenInternet(kFetchUserAgent, proxy);
  if (!root) return {};
  UniqueInternet connection = ConnectHttp(root.get(), PageHost(address), PagePort(address));
  if (!connection) return {};
  method = FetchVerb(method);
  UniqueInternet request =
      OpenHttpRequest(connection.get(), method, PagePath(address), INTERNET_FLAG_RELOAD);
  if (!request) return {};
  DWORD timeout = kFetchTimeoutMs;
  for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT,
                       INTERNET_OPTION_SEND_TIMEOUT}) {
    InternetSetOptionA(request.get(), option, &timeout, sizeof timeout);
  }

  CompleteFetchHeaders(lines, address, method, data);
  const DWORD lineLength = static_cast<DWORD>(lines.size());
  if (method != "GET") {
    HttpSendRequestA(request.get(), lines.c_str(), lineLength,
                     data.empty() ? nullptr : const_cast<char*>(data.data()),
                     static_cast<DWORD>(data.size()));
  } else {
    HttpSendRequestA(request.get(), lines.c_str(), lineLength, nullptr, 0);
  }

  // Window messages run before every read, so the window stays alive
  // while a slow page arrives.
  Bytes body;
  for (DWORD read = 1; read > 0;) {
    std::uint8_t block[kFetchReadBlock] = {};
    ProcessPendingMessages();
    read = ReadBlock(request.get(), block, sizeof block);
    body.insert(body.end(), block, block + read);
  }
  if (responseHeaders &&
      !QueryRawHeaders(request.get(), kFetchResponseHeaderBuffer, *responseHeaders)) {
    responseHeaders->assign(kFetchResponseHeaderBuffer, ' ');
  }
  // Children before their parent: closing the root first would free them
  // and leave their handle values to be closed again later.
  request.reset();
  connection.reset();
  root.reset();
  return TextOf(body);
}
