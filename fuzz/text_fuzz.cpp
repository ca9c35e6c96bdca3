// Feeds arbitrary bytes to every text routine: no crash, no read past the
// end, and a few properties that must hold for any input.
#include <string_view>

#include "fuzz_support.h"
#include "text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::uint8_t flags = data[0];
  const int number = static_cast<std::int8_t>(data[1]);
  std::string_view all(reinterpret_cast<const char*>(data + 2), size - 2);
  // Fields: text, marker, second marker.
  const auto [t, s, e] = Fields(all);
  const bool ignoreCase = flags & 1, openEnds = flags & 2, allMatches = flags & 4;

  int p = Find(t, s, number, ignoreCase);
  Check(p == -1 || (p >= 1 && p <= Length(t) + 1));
  if (p > 0 && !s.empty()) Check(Lower(Mid(t, p, Length(s))) == Lower(s) || !ignoreCase);
  if (p > 0 && !s.empty() && !ignoreCase) Check(Mid(t, p, Length(s)) == s);
  int q = FindLast(t, s, ignoreCase);
  Check(q == -1 || (q >= 1 && q + Length(s) - 1 <= Length(t)));

  Check(Length(Left(t, number)) <= Length(t));
  Check(Length(Right(t, number)) <= Length(t));
  Check(Length(Mid(t, number, number)) <= Length(t));
  for (const Text& piece : Split(t, s)) Check(piece.size() <= t.size());
  Check(Trim(Trim(t)) == Trim(t));
  Check(Length(Lower(t)) == Length(t) && Length(Upper(t)) == Length(t));
  Check(Length(RemoveSpaces(t)) <= Length(t));
  (void)Replace(t, s, e, number, flags & 8);
  (void)Number(t);

  TextArray matches;
  Text between = TextBetween(t, s, e, allMatches, &matches, openEnds);
  if (allMatches && !s.empty() && !e.empty()) Check(between == Decimal(matches.Count()));
  Check(between.size() <= t.size() || allMatches);
  (void)TextLeftOf(t, s, number, ignoreCase);
  (void)TextAfterLast(t, s, ignoreCase);

  Text gbk = Utf8ToGbk(t);
  Text utf8 = GbkToUtf8(t);
  Bytes wide = TextToUtf16(t, flags & 16 ? 936 : 65001);
  Check(wide.size() >= 2 && wide.size() % 2 == 0 && wide[wide.size() - 1] == 0 &&
        wide[wide.size() - 2] == 0);
  (void)Utf16ToText(BytesOf(t), flags & 32 ? 65001 : 936);
  // Whatever GBK decodes to can be encoded back: the round trip is stable.
  Check(GbkToUtf8(Utf8ToGbk(utf8)) == utf8);
  Check(gbk.find('\0') == Text::npos && utf8.find('\0') == Text::npos);
  Check(UrlEncode(t).size() == t.size() * 3);
  (void)UrlEncode(t, true, flags & 64);
  return 0;
}
