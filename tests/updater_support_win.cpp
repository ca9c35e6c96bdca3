#include "updater_support_win.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

Text Environment(const char* name) {
  const char* v = std::getenv(name);
  return v ? Text(v) : Text();
}

}  // namespace

Text WindowsPath(const Text& unixPath) { return "Z:" + Replace(unixPath, "/", "\\"); }

Text ServerRoot() { return WindowsPath(Environment("UPDATER_TEST_ROOT")); }

Text ServerUrl(const Text& path) {
  return "http://127.0.0.1:" + Environment("UPDATER_TEST_PORT") + path;
}

std::vector<Text> RequestLog() {
  std::vector<Text> lines;
  std::istringstream in(ReadWholeFile(ServerRoot() + "\\requests.log"));
  for (Text line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

Text UniqueTestDirectory(const char* name) {
  static int counter = 0;
  const Text dir = ServerRoot() + "\\" + name + Decimal(++counter);
  CreateDirectoryA(dir.c_str(), nullptr);
  return dir;
}

Text ReadWholeFile(const Text& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

bool WriteWholeFile(const Text& path, const Text& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

bool FileExists(const Text& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

Text SomeBytes(std::size_t n) {
  Text bytes(n, '\0');
  std::uint32_t x = 2463534242u;
  for (char& c : bytes) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    c = static_cast<char>(x >> 24);
  }
  return bytes;
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
  const ULONGLONG end = GetTickCount64() + timeoutMs;
  for (;;) {
    if (condition()) return true;
    if (GetTickCount64() >= end) return false;
    Sleep(10);
  }
}

Process Spawn(const Text& path, const Text& directory) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  Text line = "\"" + path + "\"";
  Process p;
  if (!CreateProcessA(path.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      directory.empty() ? nullptr : directory.c_str(), &startup, &info)) {
    return p;
  }
  CloseHandle(info.hThread);
  p.handle.reset(info.hProcess);
  p.id = info.dwProcessId;
  return p;
}

bool CopyStandIn(const Text& path) {
  return CopyFileA(WindowsPath(STANDIN_CLIENT_EXE).c_str(), path.c_str(), FALSE) != 0;
}
