// Finding, stopping and starting processes by their executable's name.
#include <gtest/gtest.h>

#include "processes_win.h"
#include "updater_support_win.h"

namespace {

class ProcessesTest : public ::testing::Test {
 protected:
  // A running stand-in client under that file name, in a directory of its own.
  Process Start(const Text& fileName) {
    const Text path = UniqueTestDirectory("p") + "\\" + fileName;
    EXPECT_TRUE(CopyStandIn(path));
    Process p = Spawn(path);
    EXPECT_TRUE(p.Running()) << path;
    started_.push_back(p.id);
    handles_.push_back(std::move(p.handle));
    Process view;
    view.id = started_.back();
    HANDLE dup = nullptr;
    DuplicateHandle(GetCurrentProcess(), handles_.back().get(), GetCurrentProcess(), &dup, 0, FALSE,
                    DUPLICATE_SAME_ACCESS);
    view.handle.reset(dup);
    return view;
  }

  void TearDown() override {
    for (UniqueKernelHandle& h : handles_) TerminateProcess(h.get(), 0);
  }

  // A name of this run only, so that no other process can match it.
  const Text name_ = "UpdProbe" + Decimal(GetCurrentProcessId()) + ".exe";
  std::vector<DWORD> started_;
  std::vector<UniqueKernelHandle> handles_;
};

TEST_F(ProcessesTest, FindsTheNameIgnoringAsciiCaseUnlessExact) {
  const Process p = Start(name_);
  EXPECT_EQ(FindProcessId(name_), p.id);
  EXPECT_EQ(FindProcessId(Lower(name_)), p.id) << "differs only in ASCII case";
  EXPECT_EQ(FindProcessId(Upper(name_)), p.id);
  EXPECT_EQ(FindProcessId(name_, true), p.id);
  EXPECT_EQ(FindProcessId(Lower(name_), true), 0u);
  EXPECT_EQ(FindProcessId("x" + name_), 0u) << "another name";
  EXPECT_EQ(FindProcessId(""), 0u);
}

TEST_F(ProcessesTest, KillsOnlyTheFirstMatch) {
  Process a = Start(name_);
  Process b = Start(Upper(name_));
  const DWORD first = FindProcessId(name_);
  ASSERT_TRUE(first == a.id || first == b.id);
  Process& victim = first == a.id ? a : b;
  Process& spared = first == a.id ? b : a;

  EXPECT_TRUE(KillProcessByName(Lower(name_), true));
  EXPECT_EQ(WaitForSingleObject(victim.handle.get(), 5000), WAIT_OBJECT_0);
  DWORD code = 1;
  GetExitCodeProcess(victim.handle.get(), &code);
  EXPECT_EQ(code, 0u);
  EXPECT_EQ(WaitForSingleObject(spared.handle.get(), 200), static_cast<DWORD>(WAIT_TIMEOUT))
      << "the second match is left running";
  EXPECT_EQ(FindProcessId(name_), spared.id);
  EXPECT_FALSE(KillProcessByName("x" + name_, true));
  EXPECT_TRUE(spared.Running());
}

TEST_F(ProcessesTest, StartsAProgramAndWaitsForItToBeReady) {
  const Text dir = UniqueTestDirectory("s");
  const Text path = dir + "/" + name_;  // the updater's own form: a forward slash
  ASSERT_TRUE(CopyStandIn(path));
  const ULONGLONG start = GetTickCount64();
  ASSERT_TRUE(StartProgram(path, 1000));
  const ULONGLONG took = GetTickCount64() - start;
  // The stand-in takes half a second to be ready for input.
  EXPECT_GE(took, 400u);
  EXPECT_LT(took, 1500u);
  const DWORD pid = FindProcessId(name_);
  ASSERT_NE(pid, 0u);
  EXPECT_EQ(ReadWholeFile(dir + "\\started.log"), Decimal(pid) + "\n");
  UniqueKernelHandle process(OpenProcess(PROCESS_TERMINATE, FALSE, pid));
  TerminateProcess(process.get(), 0);

  EXPECT_FALSE(StartProgram(dir + "/missing.exe", 1000));
}

TEST(ProgramDirectory, IsTheDirectoryOfTheRunningFile) {
  char path[MAX_PATH];
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  const Text dir = ProgramDirectory();
  EXPECT_EQ(dir + "\\" + Text(path).substr(dir.size() + 1), path);
  EXPECT_NE(dir.back(), '\\');
}

}  // namespace
