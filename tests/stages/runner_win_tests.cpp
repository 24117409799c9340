// The console tool runner with real pipes and child processes (the stand-in
// tools of <build>\bin), no window involved.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>

#include "base/failure.h"
#include "base/win32_handles.h"
#include "stages/tool_runner.h"
#include "standins/standin_fixture.h"

namespace {

using Outcome = TToolRunner::TToolOutcome;

class TTestRunner : public TToolRunner {
public:
  int Pumps = 0;
  bool PipeAtPump = false;
  std::function<void(TTestRunner&)> OnPoll;

  void ProcessMessages() override {
    ++Pumps;
    PipeAtPump = ReadOut != INVALID_HANDLE_VALUE;
  }

  bool Idle() const {
    return ReadOut == INVALID_HANDLE_VALUE && WriteOut == INVALID_HANDLE_VALUE &&
           ProcessInfo.hProcess == nullptr && ProcessInfo.hThread == nullptr;
  }

protected:
  void ToolPolled() override {
    if (OnPoll) OnPoll(*this);
  }
};

const std::wstring IsoInfo = standin::ToolPath(L"isoinfo.exe");

std::string Hex(const std::string& bytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string text;
  for (const char c : bytes) {
    text += digits[static_cast<unsigned char>(c) >> 4];
    text += digits[static_cast<unsigned char>(c) & 15];
  }
  return text;
}

// Open handles of this process, found by probing handle values: Wine's
// GetProcessHandleCount always answers 0.
DWORD OpenHandleCount() {
  DWORD count = 0;
  for (std::uintptr_t value = 4; value < 0x10000; value += 4) {
    DWORD flags = 0;
    if (::GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++count;
  }
  return count;
}

// A command line of exactly `length` characters that starts the stand-in.
std::wstring CommandOfLength(std::size_t length) {
  const std::wstring head = IsoInfo + L" ";
  return head + std::wstring(length - head.size(), L'x');
}

TEST(ToolRunner, SilentToolIsJudgedByItsExitCode) {
  standin::TStandInScope scope(L"runner-silent");
  TTestRunner runner;
  for (const DWORD code : {3ul, 0ul}) {
    scope.Control(L"isoinfo", "exit=" + std::to_string(code) + "\n");
    std::wstring output;
    ASSERT_EQ(runner.RunToolCommand(IsoInfo + L" -d -i \"x y.iso\"", 0, output), Outcome::Ended);
    EXPECT_EQ(runner.ExitCode, code);
    EXPECT_EQ(output, L"");
    // The child is over but its handles and the pipe wait for the release.
    EXPECT_NE(runner.ReadOut, INVALID_HANDLE_VALUE);
    EXPECT_NE(runner.ProcessInfo.hProcess, nullptr);
    runner.ReleaseToolProcess();
    EXPECT_TRUE(runner.Idle());
    EXPECT_EQ(runner.ExitCode, code);
  }
  // One pump per run, before the pipe exists.
  EXPECT_EQ(runner.Pumps, 2);
  EXPECT_FALSE(runner.PipeAtPump);
  const auto log = scope.Log();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[1], L"isoinfo|" + IsoInfo + L" -d -i \"x y.iso\"");
}

TEST(ToolRunner, ReadsWaitingBytesInFullChunksWithoutBlocking) {
  standin::TStandInScope scope(L"runner-chunks");
  TTestRunner runner;
  // 25000 bytes in one write, then a pause so they all wait at once. A zero
  // byte ends each of the first two chunks, so the text shows where every
  // read began and ended.
  std::string bytes(10240, 'A');
  bytes += std::string(10240, 'B') + std::string(4520, 'C');
  bytes[10239] = '\0';
  bytes[20479] = '\0';
  scope.Control(L"isoinfo", "output_hex=" + Hex(bytes) + "\nsleep_ms=300\n");
  std::wstring output;
  ASSERT_EQ(runner.RunToolCommand(IsoInfo, 0, output), Outcome::Ended);
  const std::wstring expected =
      std::wstring(10239, L'A') + std::wstring(10239, L'B') + std::wstring(4520, L'C');
  EXPECT_TRUE(output == expected) << "got " << output.size() << " characters";
  runner.ReleaseToolProcess();

  // A read of exactly 10240 bytes, or two, leaves an empty pipe: the runner
  // must not read again and hang on its own open write end.
  for (const std::size_t size : {10240u, 20480u}) {
    scope.Control(L"isoinfo", "output_hex=" + Hex(std::string(size, 'x')) + "\nsleep_ms=300\n");
    output.clear();
    ASSERT_EQ(runner.RunToolCommand(IsoInfo, 0, output), Outcome::Ended);
    EXPECT_EQ(output.size(), size);
    runner.ReleaseToolProcess();
  }
}

TEST(ToolRunner, LargeOutputNeverStallsTheTool) {
  standin::TStandInScope scope(L"runner-large");
  TTestRunner runner;
  scope.Control(L"isoinfo", "bytes=1048576\nexit=0\n");
  std::wstring output;
  ASSERT_EQ(runner.RunToolCommand(IsoInfo, 0, output), Outcome::Ended);
  EXPECT_EQ(runner.ExitCode, 0u);
  ASSERT_EQ(output.size(), 1048576u);
  for (std::size_t i = 0; i < output.size(); i += 4099) ASSERT_EQ(output[i], L'a' + i % 26) << i;
  runner.ReleaseToolProcess();

  // A stage that keeps no output drains the same amount and keeps nothing.
  output.clear();
  ASSERT_EQ(runner.RunToolCommand(IsoInfo, 1, output), Outcome::Ended);
  EXPECT_TRUE(output.empty()) << output.size() << " characters kept";
}

TEST(ToolRunner, OutputIsAnsiTextKeptOnlyForStagesZeroFiveAndSix) {
  standin::TStandInScope scope(L"runner-ansi");
  std::string high;
  for (int c = 128; c < 256; ++c) high += static_cast<char>(c);
  scope.Control(L"isoinfo", "output=Volume id: X\noutput_hex=" + Hex(high) + "\n");
  const std::wstring expected = L"Volume id: X\r\n" + standin::Widen(high, CP_ACP);
  TTestRunner runner;
  for (int stage = 0; stage <= 6; ++stage) {
    std::wstring output;
    ASSERT_EQ(runner.RunToolCommand(IsoInfo, stage, output), Outcome::Ended);
    EXPECT_EQ(output, TToolRunner::KeepsToolOutput(stage) ? expected : L"") << "stage " << stage;
    runner.ReleaseToolProcess();
  }
}

TEST(ToolRunner, LongCommandLinesRunUpToTheSystemLimit) {
  standin::TStandInScope scope(L"runner-long");
  scope.Control(L"isoinfo", "exit=0\n");
  TTestRunner runner;
  for (const std::size_t length : {512u, 513u, 2000u, 32766u}) {
    const std::wstring command = CommandOfLength(length);
    std::wstring output;
    ASSERT_EQ(runner.RunToolCommand(command, 0, output), Outcome::Ended) << length;
    runner.ReleaseToolProcess();
    EXPECT_EQ(scope.Log().back(), L"isoinfo|" + command) << length;
  }
  const std::size_t runs = scope.Log().size();
  for (const std::size_t length : {32767u, 40000u}) {
    std::wstring output;
    EXPECT_EQ(runner.RunToolCommand(CommandOfLength(length), 0, output), Outcome::NotStarted) << length;
    EXPECT_TRUE(runner.Idle());
  }
  EXPECT_EQ(scope.Log().size(), runs);

  // A program that cannot be found is not started either.
  std::wstring output;
  EXPECT_EQ(runner.RunToolCommand(L"quillora-no-such-tool.exe", 0, output), Outcome::NotStarted);
}

TEST(ToolRunner, ExitCode259IsAnEnd) {
  standin::TStandInScope scope(L"runner-259");
  scope.Control(L"isoinfo", "output=done\nexit=259\n");
  TTestRunner runner;
  std::wstring output;
  ASSERT_EQ(runner.RunToolCommand(IsoInfo, 0, output), Outcome::Ended);
  EXPECT_EQ(runner.ExitCode, 259u);
  EXPECT_EQ(output, L"done\r\n");
}

TEST(ToolRunner, FailureRaisedWhileTheToolRunsEndsTheTool) {
  standin::TStandInScope scope(L"runner-raise");
  scope.Control(L"isoinfo", "output=started\nsleep_ms=60000\n");
  TTestRunner runner;
  TKernelHandle child;
  runner.OnPoll = [&](TTestRunner& self) {
    child.Reset(::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE,
                              self.ProcessInfo.dwProcessId));
    throw EFailure(L"raised while the tool runs");
  };
  std::wstring output;
  EXPECT_THROW(runner.RunToolCommand(IsoInfo, 0, output), EFailure);
  EXPECT_TRUE(runner.Idle());
  ASSERT_TRUE(child);
  EXPECT_EQ(::WaitForSingleObject(child.Get(), 0), WAIT_OBJECT_0);
  DWORD code = 1;
  EXPECT_TRUE(::GetExitCodeProcess(child.Get(), &code));
  EXPECT_EQ(code, 0u);
}

TEST(ToolRunner, ReleaseWithoutAChildTouchesNothingAndRunsLeakNoHandle) {
  standin::TStandInScope scope(L"runner-handles");
  scope.Control(L"isoinfo", "output=x\nexit=1\n");
  DWORD before = OpenHandleCount();
  ASSERT_GT(before, 0u);
  {
    TTestRunner idle;
    idle.ExitCode = 77;
    idle.ReleaseToolProcess();
    EXPECT_TRUE(idle.Idle());
    EXPECT_EQ(idle.ExitCode, 77u);
  }
  EXPECT_EQ(OpenHandleCount(), before);

  TTestRunner runner;
  std::wstring output;
  runner.RunToolCommand(IsoInfo, 0, output);  // warms up what the first start opens for good
  const HANDLE held[] = {runner.ReadOut, runner.WriteOut, runner.ProcessInfo.hProcess,
                         runner.ProcessInfo.hThread};
  runner.ReleaseToolProcess();
  for (const HANDLE handle : held) {
    DWORD flags = 0;
    EXPECT_FALSE(::GetHandleInformation(handle, &flags)) << handle << " left open";
  }
  before = OpenHandleCount();
  for (int i = 0; i < 100; ++i) {
    output.clear();
    ASSERT_EQ(runner.RunToolCommand(IsoInfo, 0, output), Outcome::Ended);
    ASSERT_EQ(runner.ExitCode, 1u);
    runner.ReleaseToolProcess();
  }
  EXPECT_EQ(OpenHandleCount(), before);
  EXPECT_EQ(scope.Log().size(), 101u);
}

TEST(ToolRunner, NoDefaultCurrentDirectoryInExePathKeepsTheCurrentFolderOut) {
  standin::TStandInScope scope(L"runner-cwd");
  scope.Control(L"label", "exit=0\n");
  // A tool that lies only in the current folder.
  const std::wstring folder = scope.Dir();
  ASSERT_TRUE(::CopyFileW((standin::BinDir() + L"\\label.exe").c_str(),
                          (folder + L"\\quillora_probe_tool.exe").c_str(), FALSE));
  wchar_t saved[MAX_PATH] = {};
  ::GetCurrentDirectoryW(MAX_PATH, saved);
  ASSERT_TRUE(::SetCurrentDirectoryW(folder.c_str()));
  TTestRunner runner;
  std::wstring output;
  const Outcome found = runner.RunToolCommand(L"quillora_probe_tool.exe", 2, output);
  runner.ReleaseToolProcess();
  ::SetEnvironmentVariableW(L"NoDefaultCurrentDirectoryInExePath", L"1");
  const Outcome hidden = runner.RunToolCommand(L"quillora_probe_tool.exe", 2, output);
  runner.ReleaseToolProcess();
  ::SetEnvironmentVariableW(L"NoDefaultCurrentDirectoryInExePath", nullptr);
  ::SetCurrentDirectoryW(saved);
  ::DeleteFileW((folder + L"\\quillora_probe_tool.exe").c_str());
  if (found != Outcome::Ended) GTEST_SKIP() << "this system does not search the current folder";
  EXPECT_EQ(hidden, Outcome::NotStarted);
}

}  // namespace
