#include "fetch_page.h"

#include "headers.h"

namespace {

bool HasHttpScheme(std::string_view url) { return Lower(Left(url, 7)) == "http://"; }

// The host part with its port: after "http://" (or from the start without
// that scheme) up to the next "/".
Text HostAndPort(std::string_view url) {
  const int from = HasHttpScheme(url) ? 8 : 1;
  const int slash = Find(url, "/", from);
  const std::string_view rest = url.substr(static_cast<std::size_t>(from) - 1);
  return slash == -1 ? Text(rest) : Text(rest.substr(0, static_cast<std::size_t>(slash - from)));
}

}  // namespace

const char kFetchUserAgent[] = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";

Text PageHost(std::string_view url) {
  const Text host = HostAndPort(url);
  const int colon = Find(host, ":");
  return Lower(colon == -1 ? host : Left(host, colon - 1));
}

int PagePort(std::string_view url) {
  const Text host = HostAndPort(url);
  const int colon = Find(host, ":");
  if (colon == -1) return 80;
  const std::int64_t port = Number(Mid(host, colon + 1, Length(host)));
  return port < -1 ? -1 : port > 65536 ? 65536 : static_cast<int>(port);
}

Text PagePath(std::string_view url) {
  return PathAfterHost(url, PageHost(url), HasHttpScheme(url) ? 8 : 1);
}

Text FetchVerb(std::string_view verb) { return Upper(verb) == "POST" ? Text(verb) : Text("GET"); }

void CompleteFetchHeaders(Text& headers, std::string_view url, std::string_view verb,
                          std::string_view postData) {
  if (Find(headers, "Accept: ", 1, true) == -1) {
    headers +=
        "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, "
        "application/x-shockwave-flash, application/vnd.ms-excel, "
        "application/vnd.ms-powerpoint, application/msword, */*\r\n";
  }
  if (Find(headers, "Referer: ", 1, true) == -1) headers.append("Referer: ").append(url) += "\r\n";
  if (Find(headers, "Accept-Language: ", 1, true) == -1) headers += "Accept-Language: zh-cn\r\n";
  if (Upper(verb) == "POST" && !postData.empty()) {
    headers += "Content-Type: application/x-www-form-urlencoded\r\n";
    headers += "Content-Length: " + Decimal(Length(postData)) + "\r\n";
  }
}
