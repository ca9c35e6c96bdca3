// Shared by the updater's Windows tests: the loopback server that
// tools/updater_test_server.py runs around each test, files, processes and
// bounded waiting.
#pragma once

#include <windows.h>

#include <functional>
#include <vector>

#include "owners_win.h"
#include "text.h"

// A Unix path as Wine sees it (drive Z: is the Unix root).
Text WindowsPath(const Text& unixPath);
// The server's directory as a Windows path, and its address.
Text ServerRoot();
Text ServerUrl(const Text& path);
// The requests the server has seen, one "METHOD PATH RANGE" line each.
std::vector<Text> RequestLog();

Text UniqueTestDirectory(const char* name);  // fresh, under the server's directory
Text ReadWholeFile(const Text& path);        // empty when missing
bool WriteWholeFile(const Text& path, const Text& bytes);
bool FileExists(const Text& path);
Text SomeBytes(std::size_t n);  // not compressible, the same each run

// Polls every 10 ms until the condition holds; false after timeoutMs.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs);

struct Process {
  UniqueKernelHandle handle;
  DWORD id = 0;
  bool Running() const { return handle && WaitForSingleObject(handle.get(), 0) == WAIT_TIMEOUT; }
};
// Started with that working directory (or the caller's).
Process Spawn(const Text& path, const Text& directory = Text());
// A copy of the stand-in client (tools/standin_client) at path.
bool CopyStandIn(const Text& path);
