#include "update_page.h"

#include <cstddef>

namespace {

// Escaped by EscapeRegexText; the operators among them may not stand bare.
constexpr std::string_view kSpecials = "|(/)[]?.\\^$*+}{-";
constexpr std::string_view kOperators = "^$\\.*+?()[]{}|";
constexpr std::string_view kLazyGroup = "([\\s\\S]*?)";

char FoldByte(char c, bool ignoreCase) {
  return ignoreCase && c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c;
}

// The regular expressions RegexBetween prepares have one shape: a literal,
// the lazy group, a literal. Matching that shape by search takes linear
// space, where a backtracking engine recurses once per byte of the group
// and overflows the stack on a page of some ten thousand bytes.
class BetweenPattern {
 public:
  struct Match {
    std::size_t groupBegin, groupEnd, end;
  };

  // False for a pattern of any other shape.
  bool Prepare(std::string_view pattern, bool ignoreCase) {
    ignoreCase_ = ignoreCase;
    const std::size_t group = pattern.find(kLazyGroup);
    return group != std::string_view::npos && Unescape(pattern.substr(0, group), &start_) &&
           Unescape(pattern.substr(group + kLazyGroup.size()), &end_) && !start_.empty();
  }

  // The first match at or after byte offset from.
  bool Search(std::string_view text, std::size_t from, Match* m) const {
    const std::size_t begin = Find(text, start_, from);
    if (begin == std::string_view::npos) return false;
    const std::size_t groupBegin = begin + start_.size();
    // No end after the first start means none after any later start either.
    const std::size_t groupEnd = Find(text, end_, groupBegin);
    if (groupEnd == std::string_view::npos) return false;
    *m = {groupBegin, groupEnd, groupEnd + end_.size()};
    return true;
  }

 private:
  static bool Unescape(std::string_view escaped, Text* literal) {
    literal->clear();
    for (std::size_t i = 0; i < escaped.size(); ++i) {
      char c = escaped[i];
      if (c == '\\') {
        if (++i == escaped.size()) return false;
        c = escaped[i];
      } else if (kOperators.find(c) != std::string_view::npos) {
        return false;
      }
      literal->push_back(c);
    }
    return true;
  }

  std::size_t Find(std::string_view text, std::string_view s, std::size_t from) const {
    for (std::size_t i = from; i + s.size() <= text.size(); ++i) {
      std::size_t k = 0;
      while (k < s.size() && FoldByte(text[i + k], ignoreCase_) == FoldByte(s[k], ignoreCase_)) ++k;
      if (k == s.size()) return i;
    }
    return std::string_view::npos;
  }

  Text start_, end_;
  bool ignoreCase_ = true;
};

}  // namespace

Text EscapeRegexText(Text& marker) {
  const Text lowered = Lower(marker);
  Text escaped;
  escaped.reserve(lowered.size() * 2);
  for (char c : lowered) {
    if (kSpecials.find(c) != std::string_view::npos) escaped.push_back('\\');
    escaped.push_back(c);
  }
  marker = escaped;
  return escaped;
}

Text RegexBetween(std::string_view text, Text& startMarker, Text& endMarker, bool allMatches,
                  TextArray* matches, bool caseSensitive) {
  if (text.empty() || startMarker.empty() || endMarker.empty()) return Text();
  const Text pattern = EscapeRegexText(startMarker) + Text(kLazyGroup) + EscapeRegexText(endMarker);
  BetweenPattern re;
  if (!re.Prepare(pattern, !caseSensitive)) return Text();
  BetweenPattern::Match m{};
  if (!allMatches) {
    return re.Search(text, 0, &m) ? Text(text.substr(m.groupBegin, m.groupEnd - m.groupBegin))
                                  : Text();
  }
  int count = 0;
  for (std::size_t from = 0; re.Search(text, from, &m); from = m.end) {
    if (matches) matches->Append(Text(text.substr(m.groupBegin, m.groupEnd - m.groupBegin)));
    ++count;
  }
  return Decimal(count);
}

UpdateInfo ReadUpdateInfo(std::string_view page) {
  // Each call escapes its markers in place, so each gets fresh ones.
  auto value = [page](const char* start) {
    Text s = start, e = "】";
    return RegexBetween(page, s, e);
  };
  UpdateInfo info;
  info.downloadAddress = value("下载地址【");
  const Text version = value("版本【");
  const Text notes = Replace(value("更新内容【"), "</p><p>", "\r\n", 3, true);
  info.description = "官方最新版本：" + version + "\r\n更新内容：" + notes;
  return info;
}
