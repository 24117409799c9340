#pragma once
// Runs one console program hidden, with its standard output and standard
// error captured through a pipe. At most one child exists at a time.
#include <windows.h>

#include <cstddef>
#include <string>

class TToolRunner {
public:
  enum class TToolOutcome { NotStarted, Ended };

  // Longest command line the system accepts, terminating zero included.
  static constexpr std::size_t MaxCommandLine = 32767;
  // Bytes asked for by one read of the pipe.
  static constexpr unsigned long DrainChunkSize = 10240;

  TToolRunner() = default;
  virtual ~TToolRunner();
  TToolRunner(const TToolRunner&) = delete;
  TToolRunner& operator=(const TToolRunner&) = delete;

  // Launch and poll: starts the command line, empties the pipe until the child
  // ends and leaves its exit code in ExitCode. Output is kept in `output` only
  // for the stages 0, 5 and 6. A command line of MaxCommandLine characters or
  // more is not started. A failure raised meanwhile ends the child first.
  TToolOutcome RunToolCommand(const std::wstring& commandLine, int stage, std::wstring& output);
  // Reads what waits in the pipe without ever blocking; true when it read any.
  bool DrainToolOutput(int stage, std::wstring& output);
  // Closes both pipe ends and the child's handles; ends a child still running.
  void ReleaseToolProcess();

  // Pumps the window's pending messages once (a bare runner has no window);
  // called before the start and whenever messages arrive while the child runs.
  virtual void ProcessMessages();

  static bool KeepsToolOutput(int stage) { return stage == 0 || stage == 5 || stage == 6; }

  PROCESS_INFORMATION ProcessInfo{};  // process handle null = no child
  DWORD ExitCode = 0;
  HANDLE ReadOut = INVALID_HANDLE_VALUE;
  HANDLE WriteOut = INVALID_HANDLE_VALUE;

protected:
  // Called after every drain while the child runs; a failure raised here
  // leaves RunToolCommand like any other (tests use it).
  virtual void ToolPolled() {}
};
