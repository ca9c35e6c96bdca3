// The blank-line cleaner the catalogue goes through before it is split.
#pragma once

#include <string_view>

#include "text.h"

// Drops one CR LF at the start and one at the end of text (in the caller's
// variable too), then every line that holds only white space, so that the
// lines left are separated by single CR LF pairs. On Windows the work is
// done by the "VBScript.RegExp" component (pattern "\n\s*\r" replaced by
// nothing); initCom holds COM once more around it. Where the component is
// missing, and natively, DropBlankLineBreaks does the same.
Text RemoveBlankLines(Text& text, bool initCom = false);

// One CR LF off each end, in place.
void DropOuterLineBreaks(Text& text);
// Every line feed followed by a run of white space ([ \f\n\r\t\v]) that
// holds a carriage return is removed up to the run's last carriage return.
Text DropBlankLineBreaks(std::string_view text);
