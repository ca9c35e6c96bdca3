#include "text.h"

#include <climits>

namespace {

constexpr std::size_t npos = std::string_view::npos;

bool IsLead(char c) { return static_cast<unsigned char>(c) >= 0x80; }

// Bytes of the character at i: a lead byte takes the byte after it, except
// a lone lead byte at the very end.
std::size_t CharLen(std::string_view t, std::size_t i) {
  return IsLead(t[i]) && i + 1 < t.size() ? 2 : 1;
}

char FoldAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c; }

// s compared at t[i..]; the walk follows s's own characters so that a
// double-byte character is always compared exactly, never case-folded.
bool MatchAt(std::string_view t, std::size_t i, std::string_view s, bool ignoreCase) {
  for (std::size_t k = 0; k < s.size();) {
    if (IsLead(s[k])) {
      std::size_t n = CharLen(s, k);
      if (t.compare(i + k, n, s.substr(k, n)) != 0) return false;
      k += n;
    } else {
      char a = t[i + k], b = s[k];
      if (ignoreCase ? FoldAscii(a) != FoldAscii(b) : a != b) return false;
      ++k;
    }
  }
  return true;
}

bool IsSpaceAt(std::string_view t, std::size_t i, std::size_t n) {
  return (n == 1 && t[i] == ' ') || (n == 2 && t[i] == '\xA1' && t[i + 1] == '\xA1');
}

// The first character boundary at or after byte i.
std::size_t BoundaryAtOrAfter(std::string_view t, std::size_t i) {
  std::size_t b = 0;
  while (b < i && b < t.size()) b += CharLen(t, b);
  return b;
}

// First match of s at or after from, which must be a character boundary.
std::size_t FindFrom(std::string_view t, std::string_view s, std::size_t from, bool ignoreCase) {
  if (s.size() > t.size()) return npos;
  const std::size_t last = t.size() - s.size();
  for (std::size_t i = from; i <= last; i += CharLen(t, i)) {
    if (MatchAt(t, i, s, ignoreCase)) return i;
  }
  return npos;
}

template <typename Fold>
Text MapSingleBytes(std::string_view t, Fold fold) {
  Text out(t);
  for (std::size_t i = 0; i < out.size(); i += CharLen(out, i)) {
    if (!IsLead(out[i])) out[i] = fold(out[i]);
  }
  return out;
}

}  // namespace

const Text& TextArray::operator[](int index) const {
  static const Text empty;
  return index >= 1 && index <= Count() ? items_[index - 1] : empty;
}

int Length(std::string_view t) { return static_cast<int>(t.size()); }

Text Left(std::string_view t, int n) {
  if (n <= 0) return {};
  return Text(t.substr(0, static_cast<std::size_t>(n)));
}

Text Right(std::string_view t, int n) {
  if (n <= 0) return {};
  std::size_t k = static_cast<std::size_t>(n);
  return k >= t.size() ? Text(t) : Text(t.substr(t.size() - k));
}

Text Mid(std::string_view t, int position, int n) {
  if (position < 1 || n <= 0 || static_cast<std::size_t>(position) > t.size()) return {};
  return Text(t.substr(static_cast<std::size_t>(position) - 1, static_cast<std::size_t>(n)));
}

int Find(std::string_view t, std::string_view s, int start, bool ignoreCase) {
  if (start < 1) start = 1;
  if (static_cast<std::size_t>(start) > t.size()) return -1;
  if (s.empty()) return 1;
  std::size_t from = BoundaryAtOrAfter(t, static_cast<std::size_t>(start) - 1);
  std::size_t p = FindFrom(t, s, from, ignoreCase);
  return p == npos ? -1 : static_cast<int>(p) + 1;
}

int FindLast(std::string_view t, std::string_view s, bool ignoreCase) {
  if (s.empty() || s.size() > t.size()) return -1;
  int found = -1;
  const std::size_t last = t.size() - s.size();
  for (std::size_t i = 0; i <= last; i += CharLen(t, i)) {
    if (MatchAt(t, i, s, ignoreCase)) found = static_cast<int>(i) + 1;
  }
  return found;
}

TextArray Split(std::string_view t, std::string_view sep) {
  TextArray pieces;
  if (t.empty()) return pieces;
  if (sep.empty()) {
    pieces.Append(Text(t));
    return pieces;
  }
  std::size_t from = 0;
  for (std::size_t p; (p = FindFrom(t, sep, from, false)) != npos; from = p + sep.size()) {
    pieces.Append(Text(t.substr(from, p - from)));
  }
  if (from < t.size()) pieces.Append(Text(t.substr(from)));
  return pieces;
}

Text Trim(std::string_view t) {
  std::size_t begin = t.size(), end = 0;
  for (std::size_t i = 0, n; i < t.size(); i += n) {
    n = CharLen(t, i);
    if (IsSpaceAt(t, i, n)) continue;
    if (begin == t.size()) begin = i;
    end = i + n;
  }
  return begin < end ? Text(t.substr(begin, end - begin)) : Text();
}

Text RemoveSpaces(std::string_view t) {
  Text out;
  out.reserve(t.size());
  for (std::size_t i = 0, n; i < t.size(); i += n) {
    n = CharLen(t, i);
    if (!IsSpaceAt(t, i, n)) out.append(t.substr(i, n));
  }
  return out;
}

Text Lower(std::string_view t) { return MapSingleBytes(t, FoldAscii); }

Text Upper(std::string_view t) {
  return MapSingleBytes(t, [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - ('a' - 'A')) : c; });
}

Text Replace(std::string_view t, std::string_view s, std::string_view r, int count,
             bool caseSensitive) {
  if (s.empty() || count == 0) return Text(t);
  Text out;
  std::size_t from = 0;
  for (std::size_t p; count != 0 && (p = FindFrom(t, s, from, !caseSensitive)) != npos;
       from = p + s.size()) {
    out.append(t.substr(from, p - from)).append(r);
    if (count > 0) --count;
  }
  out.append(t.substr(from));
  return out;
}

Text TextOf(const Bytes& b) {
  std::size_t n = 0;
  while (n < b.size() && b[n] != 0) ++n;
  return Text(reinterpret_cast<const char*>(b.data()), n);
}

Bytes BytesOf(std::string_view t) { return Bytes(t.begin(), t.end()); }

Text Decimal(std::int64_t n) { return std::to_string(n); }

std::int64_t Number(std::string_view t) {
  std::size_t i = 0;
  while (i < t.size() && t[i] == ' ') ++i;
  bool negative = false;
  if (i < t.size() && (t[i] == '-' || t[i] == '+')) negative = t[i++] == '-';
  // Accumulate negatively so that INT64_MIN fits; saturate beyond the range.
  std::int64_t value = 0;
  for (; i < t.size() && t[i] >= '0' && t[i] <= '9'; ++i) {
    int digit = t[i] - '0';
    if (value < (INT64_MIN + digit) / 10) {
      value = INT64_MIN;
      break;
    }
    value = value * 10 - digit;
  }
  if (negative) return value;
  return value == INT64_MIN ? INT64_MAX : -value;
}

Text TextBetween(std::string_view text, std::string_view startMarker, std::string_view endMarker,
                 bool allMatches, TextArray* matches, bool openEnds) {
  if (matches) matches->Clear();
  const Text whole = openEnds ? Text(text) : Text();

  if (allMatches) {
    if (startMarker.empty() || endMarker.empty()) return whole;
    int found = 0;
    // Each search runs over the rest after the last end marker, as its own text.
    std::string_view rest = text;
    for (std::size_t p; (p = FindFrom(rest, startMarker, 0, true)) != npos;) {
      std::string_view after = rest.substr(p + startMarker.size());
      std::size_t q = FindFrom(after, endMarker, 0, true);
      if (q != npos) {
        ++found;
        if (matches) matches->Append(Text(after.substr(0, q)));
        rest = after.substr(q + endMarker.size());
      }
      ProcessPendingMessages();
      if (q == npos) break;
    }
    return Decimal(found);
  }

  if (startMarker.empty() && endMarker.empty()) return whole;
  std::string_view rest;
  if (startMarker.empty()) {
    if (!openEnds) return {};
    rest = text;
  } else {
    std::size_t p = FindFrom(text, startMarker, 0, true);
    if (p != npos) {
      rest = text.substr(p + startMarker.size());
    } else if (openEnds) {
      rest = text;
    } else {
      return {};
    }
  }
  if (endMarker.empty()) return openEnds ? Text(rest) : Text();
  std::size_t q = FindFrom(rest, endMarker, 0, true);
  if (q != npos) return Text(rest.substr(0, q));
  return openEnds ? Text(rest) : Text();
}

Text TextLeftOf(std::string_view text, std::string_view marker, int start, bool ignoreCase) {
  int p = Find(text, marker, start, ignoreCase);
  return p == -1 ? Text() : Left(text, p - 1);
}

Text TextAfterLast(std::string_view text, std::string_view marker, bool ignoreCase) {
  int p = FindLast(text, marker, ignoreCase);
  if (p == -1) return {};
  return Text(text.substr(static_cast<std::size_t>(p) - 1 + marker.size()));
}

Text GbkToUtf8(std::string_view gbk) { return Utf16ToText(TextToUtf16(gbk, 936), 65001); }

Text Utf8ToGbk(std::string_view utf8) { return Utf16ToText(TextToUtf16(utf8, 65001), 936); }

Text UrlEncode(std::string_view text, bool keepUnreserved, bool utf8First) {
  static const char hex[] = "0123456789ABCDEF";
  const Text source = utf8First ? GbkToUtf8(text) : Text(text);
  Text out;
  out.reserve(source.size() * 3);
  for (char c : source) {
    bool plain = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                 c == '-' || c == '.';
    if (keepUnreserved && plain) {
      out += c;
    } else {
      unsigned char b = static_cast<unsigned char>(c);
      out += '%';
      out += hex[b >> 4];
      out += hex[b & 0x0F];
    }
  }
  return out;
}
