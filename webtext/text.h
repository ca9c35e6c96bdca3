// Text primitives of both programs. All text is code page 936 (GBK) bytes:
// lengths and positions count bytes, positions start at 1, and a byte of
// 0x80 or more begins a double-byte character that searches step over whole.
// Nothing here throws or fails: a missing piece gives the empty text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

using Text = std::string;
using Bytes = std::vector<std::uint8_t>;

// A list of texts indexed from 1; an index out of range reads as empty.
class TextArray {
 public:
  int Count() const { return static_cast<int>(items_.size()); }
  bool Empty() const { return items_.empty(); }
  const Text& operator[](int index) const;
  void Append(Text t) { items_.push_back(std::move(t)); }
  void Clear() { items_.clear(); }
  std::vector<Text>::const_iterator begin() const { return items_.begin(); }
  std::vector<Text>::const_iterator end() const { return items_.end(); }

 private:
  std::vector<Text> items_;
};

int Length(std::string_view t);
// Byte counts: these may split a double-byte character.
Text Left(std::string_view t, int n);
Text Right(std::string_view t, int n);
Text Mid(std::string_view t, int position, int n);

// First occurrence of s beginning at or after byte position start, or -1.
// An empty s gives 1 while any text remains from start. ignoreCase folds
// ASCII letters only.
int Find(std::string_view t, std::string_view s, int start = 1, bool ignoreCase = false);
// Last occurrence of s, or -1 (also for an empty s).
int FindLast(std::string_view t, std::string_view s, bool ignoreCase = false);

// Pieces between separators. An empty t gives none, an empty sep gives t;
// a leading or doubled separator gives an empty piece, a trailing one does not.
TextArray Split(std::string_view t, std::string_view sep);
// Half-width (0x20) and full-width (A1 A1) spaces only; tabs, CR, LF stay.
Text Trim(std::string_view t);
Text RemoveSpaces(std::string_view t);
Text Lower(std::string_view t);
Text Upper(std::string_view t);
// Non-overlapping occurrences, left to right, at most count (negative: all).
Text Replace(std::string_view t, std::string_view s, std::string_view r, int count = -1,
             bool caseSensitive = false);

Text TextOf(const Bytes& b);  // up to the first zero byte
Bytes BytesOf(std::string_view t);
Text Decimal(std::int64_t n);
// Leading decimal number after optional spaces and sign; 0 when there is none.
std::int64_t Number(std::string_view t);

// Markers are matched ignoring ASCII case. matches, when given, is emptied
// first. In all-matches mode the result is the count of matches as text and
// pending window messages are processed once per start marker found.
Text TextBetween(std::string_view text, std::string_view startMarker, std::string_view endMarker,
                 bool allMatches = false, TextArray* matches = nullptr, bool openEnds = false);
Text TextLeftOf(std::string_view text, std::string_view marker, int start = 1,
                bool ignoreCase = false);
Text TextAfterLast(std::string_view text, std::string_view marker, bool ignoreCase = false);

// Code pages: 0 is the system ANSI code page (936 for this system),
// 936 is GBK, 65001 is UTF-8.
// UTF-16LE code units of the text followed by one zero unit.
Bytes TextToUtf16(std::string_view text, unsigned codePage = 65001);
// wide is read up to its first zero unit.
Text Utf16ToText(const Bytes& wide, unsigned codePage = 0);
Text Utf8ToGbk(std::string_view utf8);
Text GbkToUtf8(std::string_view gbk);

// Percent-encodes every byte except, with keepUnreserved, "-", "." and
// ASCII letters and digits; utf8First encodes the UTF-8 form of the text.
Text UrlEncode(std::string_view text, bool keepUnreserved = false, bool utf8First = false);

// Lets the window thread's pending messages run (nothing natively).
void ProcessPendingMessages();
