// Reading the version page: three values, each between its start marker and
// the next "】", searched byte-wise with ASCII case folding.
#pragma once

#include <string_view>

#include "text.h"

// Lower-cases the marker and puts a backslash before each regular-expression
// special character; the escaped form is stored back and returned.
Text EscapeRegexText(Text& marker);

// The text between startMarker and the first endMarker after it (pattern
// start ([\s\S]*?) end). Both markers are replaced by their escaped forms.
// allMatches appends group 1 of every match to matches (not emptied first)
// and gives the count as decimal text. Empty text or marker: empty result.
Text RegexBetween(std::string_view text, Text& startMarker, Text& endMarker,
                  bool allMatches = false, TextArray* matches = nullptr,
                  bool caseSensitive = false);

struct UpdateInfo {
  Text downloadAddress;  // for 编辑框_下载地址
  Text description;      // for 编辑框_更新内容: version and notes
};

// page is the version page already in code page 936.
UpdateInfo ReadUpdateInfo(std::string_view page);
