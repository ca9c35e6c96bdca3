#include "blank_lines.h"

// No COM outside Windows: the same replacement done directly.
Text RemoveBlankLines(Text& text, bool /*initCom*/) {
  DropOuterLineBreaks(text);
  return DropBlankLineBreaks(text);
}
