#include "headers.h"

namespace {

bool BeginsIgnoringCase(std::string_view t, std::string_view prefix) {
  return Lower(Left(t, Length(prefix))) == prefix;
}

}  // namespace

Text ReplaceQuoteToken(std::string_view marker) { return Replace(marker, "#引号", "\"", -1, true); }

Text BetweenMarkers(std::string_view text, std::string_view startMarker, std::string_view endMarker,
                    int start, bool caseSensitive) {
  const Text from = ReplaceQuoteToken(startMarker), to = ReplaceQuoteToken(endMarker);
  int p = Find(text, from, start, !caseSensitive);
  if (p == -1) return {};
  p += Length(from);
  const int q = Find(text, to, p, !caseSensitive);
  if (q == -1) return {};
  return Mid(text, p, q - p);
}

Text ValueAfterColon(std::string_view line) {
  const int p = Find(line, ":");
  return p == -1 ? Text() : Trim(line.substr(static_cast<std::size_t>(p)));
}

Text UrlHost(std::string_view address, bool lastTwoLabels, bool keepPort) {
  Text v = Lower(address);
  if (Right(v, 1) != "/") v += "/";
  Text host;
  if (BeginsIgnoringCase(v, "https://")) {
    host = BetweenMarkers(v, "https://", "/");
  } else {
    if (Find(v, "http://") == -1) v = "http://" + v;
    host = BetweenMarkers(v, "http://", "/");
  }
  if (lastTwoLabels) {
    const TextArray labels = Split(host, ".");
    const int n = labels.Count();
    if (n >= 2) host = labels[n - 1] + "." + labels[n];
  }
  if (keepPort) return host;
  const int colon = Find(host, ":");
  return colon == -1 ? host : Left(host, colon - 1);
}

int UrlPort(std::string_view address) {
  const Text host = UrlHost(address, false, true);
  const int k = FindLast(host, ":");
  if (k == -1) return BeginsIgnoringCase(address, "https") ? 443 : 80;
  const std::int64_t port = Number(Mid(host, k + 1, Length(host)));
  // Clamped so that no port wraps into another; the caller refuses these.
  return port < -1 ? -1 : port > 65536 ? 65536 : static_cast<int>(port);
}

Text PathAfterHost(std::string_view address, std::string_view host, int searchFrom) {
  // The host is searched after the scheme: a host such as "h" or "tp"
  // would otherwise be found inside "http://" itself.
  const int a = host.empty() ? searchFrom : Find(address, host, searchFrom, true);
  const int b = Find(address, "/", a == -1 ? searchFrom : a, true);
  return b <= 0 ? Text("/") : Text(address.substr(static_cast<std::size_t>(b) - 1));
}

Text UrlPath(std::string_view address) {
  int after = 1;
  if (BeginsIgnoringCase(address, "https://")) {
    after = 9;
  } else if (const int p = Find(address, "http://", 1, true); p != -1) {
    after = p + 7;
  }
  return PathAfterHost(address, UrlHost(address), after);
}

Text CookieName(std::string_view entry) {
  const int p = Find(entry, "=");
  return p == -1 ? Trim(entry) : Trim(Left(entry, p - 1));
}

bool HasCookieNamed(const TextArray& entries, std::string_view name) {
  for (const Text& e : entries) {
    if (CookieName(e) == name) return true;
  }
  return false;
}

int IndexOfText(const TextArray& items, std::string_view text) {
  for (int i = 1; i <= items.Count(); ++i) {
    if (items[i] == text) return i;
  }
  return -1;
}

Text JoinDistinct(std::string_view list, std::string_view separator) {
  TextArray kept;
  for (const Text& piece : Split(list, separator)) {
    if (IndexOfText(kept, piece) == -1) kept.Append(piece);
  }
  Text out;
  for (int i = 1; i <= kept.Count(); ++i) {
    if (i > 1) out.append(separator);
    out += kept[i];
  }
  return out;
}

Text MergeCookies(Text& cookies, Text& newCookies) {
  cookies = RemoveSpaces(cookies);
  newCookies = RemoveSpaces(newCookies);
  TextArray list = Split(newCookies, ";");
  for (const Text& entry : Split(cookies, ";")) {
    if (!HasCookieNamed(list, CookieName(entry))) list.Append(entry);
  }
  Text merged;
  for (const Text& entry : list) {
    if (Right(entry, 8) == "=deleted") continue;
    merged += entry + "; ";
  }
  cookies = JoinDistinct(Left(merged, Length(merged) - 2), "; ");
  return cookies;
}
