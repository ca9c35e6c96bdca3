#include "processes_win.h"

#include <tlhelp32.h>

#include "owners_win.h"
#include "program_directory.h"

DWORD FindProcessId(std::string_view name, bool exactCase) {
  UniqueKernelHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return 0;
  const Text wanted = exactCase ? Text(name) : Lower(name);
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32First(snapshot.get(), &entry); more;
       more = Process32Next(snapshot.get(), &entry)) {
    const Text exe = exactCase ? Text(entry.szExeFile) : Lower(entry.szExeFile);
    if (exe == wanted) return entry.th32ProcessID;
  }
  return 0;
}

bool KillProcessByName(Text name, bool useName, bool exactCase) {
  if (!useName) {
    name = ProgramFileName();
  }
  const DWORD pid = FindProcessId(name, exactCase);
  if (pid == 0) return false;
  UniqueKernelHandle process(OpenProcess(PROCESS_TERMINATE, FALSE, pid));
  return process && TerminateProcess(process.get(), 0);
}

bool StartProgram(const Text& commandLine, DWORD idleWait) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION info{};
  Text line = commandLine;  // CreateProcessA may write into it
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &info)) {
    return false;
  }
  UniqueKernelHandle process(info.hProcess), thread(info.hThread);
  WaitForInputIdle(process.get(), idleWait);
  return true;
}
