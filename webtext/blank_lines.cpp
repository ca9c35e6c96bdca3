#include "blank_lines.h"

namespace {

bool IsRegexSpace(char c) {
  return c == ' ' || c == '\f' || c == '\n' || c == '\r' || c == '\t' || c == '\v';
}

}  // namespace

void DropOuterLineBreaks(Text& text) {
  if (Left(text, 2) == "\r\n") text.erase(0, 2);
  if (Right(text, 2) == "\r\n") text.erase(text.size() - 2);
}

Text DropBlankLineBreaks(std::string_view text) {
  // A regular-expression match of "\n\s*\r": the greedy run backs off to
  // its last carriage return. No later line feed of the same run can match
  // (no carriage return follows it inside the run), so the run is done in
  // one pass. (White space is never the second byte of a GBK pair.)
  Text out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    if (text[i] != '\n') {
      out += text[i++];
      continue;
    }
    std::size_t end = i + 1, keepFrom = i;
    for (; end < text.size() && IsRegexSpace(text[end]); ++end) {
      if (text[end] == '\r') keepFrom = end + 1;
    }
    out.append(text.substr(keepFrom, end - keepFrom));
    i = end;
  }
  return out;
}
