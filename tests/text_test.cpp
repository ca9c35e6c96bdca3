// One table of cases per routine; the same file runs natively and under
// Wine, so both builds must give the same bytes.
#include <gtest/gtest.h>

#include "case_table.h"

#include "text.h"

namespace {

// Narrow literals are GBK in this build; u8 literals stay UTF-8.
const Text kZhong = "中";         // D6 D0
const Text kZhongUtf8 = u8"中";   // E4 B8 AD

Text Hex(std::string_view bytes) {
  static const char digits[] = "0123456789ABCDEF";
  Text out;
  for (unsigned char b : bytes) {
    if (!out.empty()) out += ' ';
    out += digits[b >> 4];
    out += digits[b & 15];
  }
  return out;
}

Text Hex(const Bytes& b) { return Hex(std::string_view(reinterpret_cast<const char*>(b.data()), b.size())); }

Text Joined(const TextArray& a) {
  Text out = Decimal(a.Count()) + ":";
  for (const Text& t : a) out += "[" + t + "]";
  return out;
}

TEST(TextPrimitives, LengthLeftRightMid) {
  RunTable({
      {"length counts bytes", [] { return Decimal(Length("a中b")); }, "4"},
      {"left 0", [] { return Left("abc", 0); }, ""},
      {"left negative", [] { return Left("abc", -2); }, ""},
      {"left beyond", [] { return Left("abc", 9); }, "abc"},
      {"left may split a pair", [] { return Hex(Left("中", 1)); }, "D6"},
      {"right 2", [] { return Right("abcd", 2); }, "cd"},
      {"right beyond", [] { return Right("ab", 5); }, "ab"},
      {"right 0", [] { return Right("ab", 0); }, ""},
      {"mid", [] { return Mid("abcdef", 2, 3); }, "bcd"},
      {"mid clipped", [] { return Mid("abcdef", 5, 10); }, "ef"},
      {"mid at 0", [] { return Mid("abc", 0, 2); }, ""},
      {"mid past end", [] { return Mid("abc", 4, 1); }, ""},
      {"mid n 0", [] { return Mid("abc", 1, 0); }, ""},
      {"mid of empty", [] { return Mid("", 1, 1); }, ""},
  });
}

TEST(TextPrimitives, FindAndFindLast) {
  RunTable({
      {"find", [] { return Decimal(Find("abcabc", "bc")); }, "2"},
      {"find from start", [] { return Decimal(Find("abcabc", "bc", 3)); }, "5"},
      {"start below 1 counts as 1", [] { return Decimal(Find("abc", "a", -5)); }, "1"},
      {"start past end", [] { return Decimal(Find("abc", "c", 4)); }, "-1"},
      {"absent", [] { return Decimal(Find("abc", "x")); }, "-1"},
      {"case kept by default", [] { return Decimal(Find("ABC", "b")); }, "-1"},
      {"ignore case", [] { return Decimal(Find("ABC", "b", 1, true)); }, "2"},
      {"empty s with text left", [] { return Decimal(Find("abc", "", 2)); }, "1"},
      {"empty s past end", [] { return Decimal(Find("abc", "", 4)); }, "-1"},
      {"empty s in empty t", [] { return Decimal(Find("", "")); }, "-1"},
      {"longer than t", [] { return Decimal(Find("ab", "abc")); }, "-1"},
      // B0 A1 D6 D0: the bytes A1 D6 would match across the pair boundary.
      {"never starts on a second byte", [] { return Decimal(Find("\xB0\xA1\xD6\xD0", "\xA1\xD6")); }, "-1"},
      {"finds the pair itself", [] { return Decimal(Find("a啊中", "中")); }, "4"},
      // D6 41 is one character; 'A' as its second byte is not the letter A.
      {"second byte is not a letter", [] { return Decimal(Find("\xD6\x41", "A")); }, "-1"},
      {"no case folding inside a pair", [] { return Decimal(Find("\xD6\x41", "\xD6\x61", 1, true)); }, "-1"},
      {"start inside a pair steps on", [] { return Decimal(Find("\xD6\x61\x61", "a", 2)); }, "3"},
      {"lone lead byte at end", [] { return Decimal(Find("ab\xD6", "\xD6")); }, "3"},
      {"find last", [] { return Decimal(FindLast("a-b-c", "-")); }, "4"},
      {"find last ignoring case", [] { return Decimal(FindLast("xAxa", "a", true)); }, "4"},
      {"find last absent", [] { return Decimal(FindLast("abc", "x")); }, "-1"},
      {"find last empty s", [] { return Decimal(FindLast("abc", "")); }, "-1"},
      {"find last skips second bytes", [] { return Decimal(FindLast("\xA1\x61\xB0\xA1", "\xA1")); }, "1"},
  });
}

TEST(TextPrimitives, Split) {
  RunTable({
      {"CR LF lines", [] { return Joined(Split("a\r\n\r\nb\r\n", "\r\n")); }, "3:[a][][b]"},
      {"empty t gives no pieces", [] { return Joined(Split("", ",")); }, "0:"},
      {"empty sep gives t", [] { return Joined(Split("a,b", "")); }, "1:[a,b]"},
      {"leading separator", [] { return Joined(Split(",a", ",")); }, "2:[][a]"},
      {"only a separator", [] { return Joined(Split(",", ",")); }, "1:[]"},
      {"no separator", [] { return Joined(Split("abc", ",")); }, "1:[abc]"},
      {"catalogue line", [] { return Joined(Split("t----p---g", "---")); }, "3:[t][-p][g]"},
      {"not inside a pair", [] { return Joined(Split("\xB0\xA1\xA1", "\xA1")); }, "1:[\xB0\xA1]"},
  });
}

TEST(TextPrimitives, SpacesAndCase) {
  RunTable({
      {"trim half and full width", [] { return Trim("\xA1\xA1 a b \xA1\xA1 "); }, "a b"},
      {"trim keeps tabs and newlines", [] { return Trim("\ta\r\n"); }, "\ta\r\n"},
      {"trim all spaces", [] { return Trim("  \xA1\xA1"); }, ""},
      // B0 A1 then A1: the last A1 is a lone byte, not half of a full-width space.
      {"trim respects pairs", [] { return Hex(Trim("\xB0\xA1\xA1\xA1")); }, "B0 A1"},
      {"remove spaces", [] { return RemoveSpaces(" a\xA1\xA1 b "); }, "ab"},
      {"lower", [] { return Lower("AbC中"); }, "abc中"},
      {"upper", [] { return Upper("aBc中"); }, "ABC中"},
      {"second bytes untouched", [] { return Hex(Lower("\xD6\x41Z")); }, "D6 41 7A"},
  });
}

TEST(TextPrimitives, Replace) {
  RunTable({
      {"all, ignoring case", [] { return Replace("aXbxc", "x", "-"); }, "a-b-c"},
      {"case sensitive", [] { return Replace("aXbxc", "x", "-", -1, true); }, "aXb-c"},
      {"at most count", [] { return Replace("xxx", "x", "y", 2); }, "yyx"},
      {"count 0", [] { return Replace("xxx", "x", "y", 0); }, "xxx"},
      {"non-overlapping", [] { return Replace("aaaa", "aa", "b"); }, "bb"},
      {"empty s", [] { return Replace("abc", "", "z"); }, "abc"},
      {"grows", [] { return Replace("a-b", "-", "</p><p>"); }, "a</p><p>b"},
      {"blank lines", [] { return Replace("a\r\n\r\nb", "\r\n\r\n", "\r\n"); }, "a\r\nb"},
  });
}

TEST(TextPrimitives, BytesAndNumbers) {
  RunTable({
      {"text stops at zero byte", [] { return TextOf(Bytes{'a', 'b', 0, 'c'}); }, "ab"},
      {"text of no zero", [] { return TextOf(Bytes{'a', 'b'}); }, "ab"},
      {"text of empty", [] { return TextOf(Bytes{}); }, ""},
      {"bytes", [] { return Hex(BytesOf("a中")); }, "61 D6 D0"},
      {"decimal", [] { return Decimal(-42); }, "-42"},
      {"number", [] { return Decimal(Number("123abc")); }, "123"},
      {"number with spaces and sign", [] { return Decimal(Number("  -7x")); }, "-7"},
      {"not a number", [] { return Decimal(Number("abc")); }, "0"},
      {"number saturates", [] { return Decimal(Number("99999999999999999999")); }, "9223372036854775807"},
      {"lowest number", [] { return Decimal(Number("-9223372036854775808")); }, "-9223372036854775808"},
  });
  TextArray a;
  a.Append("x");
  EXPECT_EQ(a[1], "x");
  EXPECT_EQ(a[0], "");
  EXPECT_EQ(a[2], "");
}

TEST(TextBetween, FirstMatch) {
  const Text page = "<p>版本【1.3】</p>";
  RunTable({
      {"version", [&] { return TextBetween(page, "版本【", "】"); }, "1.3"},
      {"ignores ASCII case", [&] { return TextBetween(page, "<P>", "</P>"); }, "版本【1.3】"},
      {"absent start", [] { return TextBetween("abc]", "[", "]"); }, ""},
      {"absent start, open", [] { return TextBetween("abc]d", "[", "]", false, nullptr, true); }, "abc"},
      {"absent end", [] { return TextBetween("[abc", "[", "]"); }, ""},
      {"absent end, open", [] { return TextBetween("x[abc", "[", "]", false, nullptr, true); }, "abc"},
      {"both empty", [] { return TextBetween("abc", "", ""); }, ""},
      {"both empty, open", [] { return TextBetween("abc", "", "", false, nullptr, true); }, "abc"},
      {"empty start", [] { return TextBetween("a]b", "", "]"); }, ""},
      {"empty start, open", [] { return TextBetween("a]b", "", "]", false, nullptr, true); }, "a"},
      {"empty end", [] { return TextBetween("[ab", "[", ""); }, ""},
      {"empty end, open", [] { return TextBetween("[ab", "[", "", false, nullptr, true); }, "ab"},
      {"empty text", [] { return TextBetween("", "[", "]"); }, ""},
      {"end searched after start", [] { return TextBetween("]x[y]z", "[", "]"); }, "y"},
      {"reply path",
       [] {
         return TextBetween("<status><OUTPUTIMG>./tmp/1.gif</outputimg><srcimg>x",
                            "<status><outputimg>.", "</outputimg><srcimg>");
       },
       "/tmp/1.gif"},
  });
}

TEST(TextBetween, AllMatches) {
  TextArray m;
  m.Append("stale");
  EXPECT_EQ(TextBetween("[a][b]", "[", "]", true, &m), "2");
  EXPECT_EQ(Joined(m), "2:[a][b]");
  EXPECT_EQ(TextBetween("no markers", "[", "]", true, &m), "0");
  EXPECT_EQ(m.Count(), 0) << "matches are emptied first";
  EXPECT_EQ(TextBetween("[a][b", "[", "]", true, &m), "1");
  EXPECT_EQ(Joined(m), "1:[a]");
  EXPECT_EQ(TextBetween("[a]]x[[b]", "[", "]", true, &m), "2");
  EXPECT_EQ(Joined(m), "2:[a][[b]");
  EXPECT_EQ(TextBetween("<B>x</b><b>y</B>", "<b>", "</b>", true, &m), "2");
  EXPECT_EQ(Joined(m), "2:[x][y]");
  EXPECT_EQ(TextBetween("[a]", "", "]", true, &m, true), "[a]");
  EXPECT_EQ(TextBetween("[a]", "[", "", true, &m), "");
  EXPECT_EQ(m.Count(), 0);
  EXPECT_EQ(TextBetween("[a][b]", "[", "]", true), "2") << "matches may be left out";
}

TEST(TextBetween, LeftOfAndAfterLast) {
  RunTable({
      {"left of", [] { return TextLeftOf("a----b", "----"); }, "a"},
      {"left of absent", [] { return TextLeftOf("ab", "----"); }, ""},
      {"left of keeps text before start", [] { return TextLeftOf("a-b-c", "-", 3); }, "a-b"},
      {"left of ignoring case", [] { return TextLeftOf("aXb", "x", 1, true); }, "a"},
      {"left of empty marker", [] { return TextLeftOf("abc", ""); }, ""},
      {"after last", [] { return TextAfterLast("a---b---c", "---"); }, "c"},
      {"after last absent", [] { return TextAfterLast("abc", "---"); }, ""},
      {"after last at end", [] { return TextAfterLast("ab---", "---"); }, ""},
      {"after last ignoring case", [] { return TextAfterLast("aXbxc", "X", true); }, "c"},
  });
}

TEST(CodePages, MixedTextBothWays) {
  const Text gbk = "版本【1.3】 中文 abc";
  const Text utf8 = u8"版本【1.3】 中文 abc";
  RunTable({
      {"utf8 to gbk", [&] { return Utf8ToGbk(utf8); }, gbk},
      {"gbk to utf8", [&] { return GbkToUtf8(gbk); }, utf8},
      {"ascii unchanged", [] { return Utf8ToGbk("plain ascii 123"); }, "plain ascii 123"},
      {"empty", [] { return Utf8ToGbk(""); }, ""},
      {"empty gbk", [] { return GbkToUtf8(""); }, ""},
      {"full-width space", [] { return Hex(GbkToUtf8("\xA1\xA1")); }, "E3 80 80"},
      {"euro is single byte 80", [] { return Hex(GbkToUtf8("\x80")); }, "E2 82 AC"},
      {"stops at a zero byte", [] { return Utf8ToGbk(std::string_view("a\0b", 3)); }, "a"},
      {"non-BMP has no GBK form", [] { return Utf8ToGbk("\xF0\x9F\x98\x80"); }, "??"},
  });
}

TEST(CodePages, Utf16Units) {
  RunTable({
      {"utf8", [&] { return Hex(TextToUtf16(kZhongUtf8 + "a")); }, "2D 4E 61 00 00 00"},
      {"gbk", [&] { return Hex(TextToUtf16(kZhong, 936)); }, "2D 4E 00 00"},
      {"empty", [] { return Hex(TextToUtf16("")); }, "00 00"},
      {"surrogate pair", [] { return Hex(TextToUtf16("\xF0\x9F\x98\x80")); }, "3D D8 00 DE 00 00"},
      {"to ANSI by default", [] { return Hex(Utf16ToText(Bytes{0x2D, 0x4E, 0x41, 0})); }, "D6 D0 41"},
      {"to utf8", [] { return Hex(Utf16ToText(Bytes{0x2D, 0x4E, 0, 0}, 65001)); }, "E4 B8 AD"},
      {"stops at zero unit", [] { return Utf16ToText(Bytes{'a', 0, 0, 0, 'b', 0}); }, "a"},
      {"no terminator", [] { return Utf16ToText(Bytes{'a', 0, 'b', 0}); }, "ab"},
      {"odd last byte ignored", [] { return Utf16ToText(Bytes{'a', 0, 'b'}); }, "a"},
      {"empty wide", [] { return Utf16ToText(Bytes{}); }, ""},
      // UTF-8 of Chinese is 1.5 times the GBK size: the output must still fit.
      {"long chinese to utf8",
       [] {
         Text gbk, utf8;
         for (int i = 0; i < 2000; ++i) gbk += kZhong, utf8 += kZhongUtf8;
         return GbkToUtf8(gbk) == utf8 ? "same" : "differs";
       },
       "same"},
  });
}

TEST(CodePages, BadInputHasDefinedResults) {
  // The Windows converters' replacements, which the native build copies.
  RunTable({
      {"stray continuation bytes", [] { return Hex(TextToUtf16("\x80\x80")); }, "FD FF FD FF 00 00"},
      {"truncated at end", [] { return Hex(TextToUtf16("a\xE4\xB8")); }, "61 00 FD FF 00 00"},
      {"lead then ASCII", [] { return Hex(TextToUtf16("\xE4z")); }, "FD FF 7A 00 00 00"},
      {"overlong two bytes", [] { return Hex(TextToUtf16("\xC0\x80z")); }, "FD FF FD FF 7A 00 00 00"},
      {"overlong three bytes", [] { return Hex(TextToUtf16("\xE0\x80\x80")); }, "FD FF FD FF 00 00"},
      {"encoded surrogate", [] { return Hex(TextToUtf16("\xED\xA0\x80z")); }, "FD FF FD FF 7A 00 00 00"},
      {"beyond U+10FFFF", [] { return Hex(TextToUtf16("\xF4\x90\x80\x80")); }, "FD FF FD FF FD FF 00 00"},
      {"invalid bytes FF FE", [] { return Hex(TextToUtf16("\xFF\xFEz")); }, "FD FF FD FF 7A 00 00 00"},
      {"utf8 invalid to gbk", [] { return Utf8ToGbk("a\xFF" "b"); }, "a?b"},
      {"lone lead byte at end of gbk", [] { return Hex(TextToUtf16("a\xB0", 936)); }, "61 00 3F 00 00 00"},
      {"bad gbk pair is one character", [] { return Hex(TextToUtf16("\x81\x20z", 936)); }, "3F 00 7A 00 00 00"},
      {"gbk FF", [] { return Hex(TextToUtf16("\xFF", 936)); }, "F5 F8 00 00"},
      {"lone lead to utf8", [] { return GbkToUtf8("ab\xD6"); }, "ab?"},
      {"lone surrogate to utf8", [] { return Hex(Utf16ToText(Bytes{0x00, 0xD8, 'z', 0}, 65001)); }, "EF BF BD 7A"},
      {"lone surrogate to gbk", [] { return Utf16ToText(Bytes{0x00, 0xD8, 'z', 0}, 936); }, "?z"},
      {"unmappable to gbk", [] { return Hex(Utf16ToText(Bytes{0xE9, 0x00, 0xAC, 0x20, 0x80, 0x00}, 936)); }, "A8 A6 80 3F"},
  });
}

TEST(UrlEncode, Table) {
  RunTable({
      {"space", [] { return UrlEncode("a b", true); }, "a%20b"},
      {"underscore", [] { return UrlEncode("a_b", true); }, "a%5Fb"},
      {"reserved stay encoded", [] { return UrlEncode("~*/+", true); }, "%7E%2A%2F%2B"},
      {"unreserved kept", [] { return UrlEncode("Az09-.", true); }, "Az09-."},
      {"letters encoded", [] { return UrlEncode("A"); }, "%41"},
      {"low byte", [] { return UrlEncode("\n", true); }, "%0A"},
      {"utf8 of a double-byte character", [] { return UrlEncode("中", true, true); }, "%E4%B8%AD"},
      {"gbk bytes as they are", [] { return UrlEncode("中", true); }, "%D6%D0"},
      {"empty", [] { return UrlEncode("", true, true); }, ""},
  });
}

}  // namespace
