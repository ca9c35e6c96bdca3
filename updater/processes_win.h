// Processes the updater stops and starts.
#pragma once

#include <windows.h>

#include <string_view>

#include "program_directory.h"
#include "text.h"

// The id of the first process in a snapshot whose executable file name is
// name (ASCII letters folded unless exactCase); 0 when none matches.
DWORD FindProcessId(std::string_view name, bool exactCase = false);

// Terminates, with exit code 0, the first process named name (or, when
// useName is false, named as the updater's own executable). True when the
// termination call succeeded. It does not wait for the process to end.
bool KillProcessByName(Text name, bool useName = false, bool exactCase = false);

// Starts commandLine as a new process with its window shown normally and
// waits at most idleWait milliseconds for it to be ready for input.
bool StartProgram(const Text& commandLine, DWORD idleWait);
