// Where the running program's file lies; both programs name every file
// they use from its directory.
#pragma once

#include "text.h"

// The directory of the running program's file, without a trailing separator.
Text ProgramDirectory();
// The running program's file name, without its directory.
Text ProgramFileName();
