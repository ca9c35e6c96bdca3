// RegexObject: the system's "VBScript.RegExp" component reached through
// IDispatch by names. Windows only. Each object initialises COM for its
// thread (apartment) while it lives and must be used on that thread.
// Nothing throws; failure gives false, an empty text or 0.
#pragma once

#include <string_view>

#include "blank_lines.h"  // RemoveBlankLines
#include "owners_win.h"
#include "text.h"

class RegexObject {
 public:
  RegexObject();
  ~RegexObject();
  // A copy shares the engine and the match collection (each gains a
  // reference), and has its own subject and its own hold on COM.
  RegexObject(const RegexObject& other);
  RegexObject& operator=(const RegexObject& other);

  // New engine, options and pattern ("#引号" becomes a double quote when
  // quoteToken), then the matches over subject. True when the component
  // produced a match collection (also an empty one).
  bool Create(std::string_view pattern, std::string_view subject, bool caseSensitive = false,
              bool multiline = true, bool global = true, bool quoteToken = false);
  Text GetPattern() const;
  // subject with the matches replaced ("$1" and the like name groups).
  Text Replace(std::string_view replacement) const;
  int MatchCount() const;
  // Match index (from 1); offset receives its byte offset (from 0) in
  // subject.
  Text MatchText(int index, int* offset = nullptr) const;
  // Group groupIndex (from 1) of match matchIndex (from 1).
  Text SubmatchText(int matchIndex, int groupIndex, int* offset = nullptr) const;
  // Groups of the first match; 0 when there is no match.
  int SubmatchCount() const;

 private:
  // First: COM is held before the automation objects and let go after.
  bool comHeld_;
  ComPtr<IDispatch> engine_;
  ComPtr<IDispatch> matches_;
  Text subject_;
};
