#include "stages/tool_runner.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "base/text_convert.h"
#include "base/win32_handles.h"

namespace {

// Room the original command-line buffer had: 512 characters and the zero.
constexpr std::size_t MinCommandBuffer = 513;
// While the child runs and the pipe stays empty, the wait on the child
// doubles from 1 ms up to this, so a silent child costs next to nothing and
// a talkative one is read again at once.
constexpr DWORD MaxPollWaitMs = 50;
// How long a terminated child is given to be gone.
constexpr DWORD TerminateWaitMs = 2000;

// Bytes waiting in the pipe; 0 also when the pipe cannot be asked, since a
// read would then risk blocking on our own open write end.
DWORD BytesWaiting(HANDLE pipe) {
  DWORD waiting = 0;
  if (!::PeekNamedPipe(pipe, nullptr, 0, nullptr, &waiting, nullptr)) return 0;
  return waiting;
}

// One chunk on its own, in the ANSI code page; a zero byte ends its text.
void AppendAnsiChunk(const char* bytes, DWORD count, std::wstring& output) {
  const std::size_t length = static_cast<std::size_t>(std::find(bytes, bytes + count, '\0') - bytes);
  output += WideFromCodePage(CP_ACP, bytes, length);
}

}  // namespace

TToolRunner::~TToolRunner() { ReleaseToolProcess(); }

void TToolRunner::ProcessMessages() {}

TToolRunner::TToolOutcome TToolRunner::RunToolCommand(const std::wstring& commandLine, int stage,
                                                      std::wstring& output) {
  if (commandLine.size() >= MaxCommandLine) return TToolOutcome::NotStarted;
  // CreateProcessW may write into the buffer, so it gets its own copy.
  std::vector<wchar_t> buffer(std::max(commandLine.size() + 1, MinCommandBuffer), L'\0');
  std::copy(commandLine.begin(), commandLine.end(), buffer.begin());

  ReleaseToolProcess();  // a stage starts from no pipe and no child
  try {
    ProcessMessages();

    SECURITY_ATTRIBUTES security{};
    security.nLength = sizeof security;
    security.lpSecurityDescriptor = nullptr;
    security.bInheritHandle = TRUE;
    HANDLE readEnd = INVALID_HANDLE_VALUE;
    HANDLE writeEnd = INVALID_HANDLE_VALUE;
    // A failed pipe is not fatal: the child then runs with nothing captured.
    if (::CreatePipe(&readEnd, &writeEnd, &security, 0)) {
      ReadOut = readEnd;
      WriteOut = writeEnd;
    }

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    startup.hStdOutput = WriteOut;
    startup.hStdError = WriteOut;

    PROCESS_INFORMATION started{};
    if (!::CreateProcessW(nullptr, buffer.data(), &security, &security, TRUE, NORMAL_PRIORITY_CLASS,
                          nullptr, nullptr, &startup, &started))
      return TToolOutcome::NotStarted;
    ProcessInfo = started;
    ExitCode = STILL_ACTIVE;

    // The handle's signalled state tells the end, so an exit code of 259 is
    // not mistaken for a running child. The window's messages wake the wait
    // too, so it repaints and answers while the child runs (its inputs are
    // off and it refuses to close meanwhile). A pipe cannot be waited on:
    // while it is empty it is looked at again after a short wait.
    DWORD waitMs = 0;
    for (;;) {
      const bool read = DrainToolOutput(stage, output);
      ToolPolled();
      waitMs = read ? 0 : std::min(std::max(2 * waitMs, DWORD{1}), MaxPollWaitMs);
      const DWORD woken = ::MsgWaitForMultipleObjects(1, &ProcessInfo.hProcess, FALSE, waitMs, QS_ALLINPUT);
      if (woken == WAIT_OBJECT_0 + 1) {
        // Marks what is queued as seen, so a pump that leaves messages in the
        // queue cannot turn the wait into a spin; what comes later wakes it.
        ::GetQueueStatus(QS_ALLINPUT);
        ProcessMessages();
      }
      else if (woken != WAIT_TIMEOUT)
        break;
    }
    DrainToolOutput(stage, output);  // what was written just before the end

    DWORD code = STILL_ACTIVE;
    if (::GetExitCodeProcess(ProcessInfo.hProcess, &code)) ExitCode = code;
    return TToolOutcome::Ended;
  } catch (...) {
    ReleaseToolProcess();
    throw;
  }
}

bool TToolRunner::DrainToolOutput(int stage, std::wstring& output) {
  if (BytesWaiting(ReadOut) == 0) return false;
  std::vector<char> buffer(DrainChunkSize + 1, '\0');
  const bool keep = KeepsToolOutput(stage);
  for (;;) {
    DWORD count = 0;
    if (!::ReadFile(ReadOut, buffer.data(), DrainChunkSize, &count, nullptr)) count = 0;
    if (count > 0 && keep) AppendAnsiChunk(buffer.data(), count, output);
    // A full chunk may have more behind it, but only a waiting byte makes
    // another read safe.
    if (count != DrainChunkSize || BytesWaiting(ReadOut) == 0) break;
  }
  return true;
}

void TToolRunner::ReleaseToolProcess() {
  // The pipe ends go first, before the child is looked at.
  TFileHandle readEnd(std::exchange(ReadOut, INVALID_HANDLE_VALUE));
  TFileHandle writeEnd(std::exchange(WriteOut, INVALID_HANDLE_VALUE));
  readEnd.Reset();
  writeEnd.Reset();

  const TKernelHandle process(std::exchange(ProcessInfo.hProcess, nullptr));
  const TKernelHandle thread(std::exchange(ProcessInfo.hThread, nullptr));
  ProcessInfo = {};
  if (!process) return;
  DWORD code = 0;
  if (::GetExitCodeProcess(process.Get(), &code)) ExitCode = code;
  if (::WaitForSingleObject(process.Get(), 0) == WAIT_TIMEOUT &&
      ::TerminateProcess(process.Get(), 0))
    ::WaitForSingleObject(process.Get(), TerminateWaitMs);
}
