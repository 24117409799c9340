#pragma once
// Runs one console program hidden, with its standard output and standard
// error captured through a pipe. At most one child exists at a time.
#include <windows.h>

#include <string>

class TToolRunner {
public:
  enum class TToolOutcome { NotStarted, Ended };

  TToolRunner() = default;
  virtual ~TToolRunner();
  TToolRunner(const TToolRunner&) = delete;
  TToolRunner& operator=(const TToolRunner&) = delete;

  // Launch and poll: starts the command line, empties the pipe until the child
  // ends and leaves its exit code in ExitCode. Output is kept in `output` only
  // for the stages 0, 5 and 6.
  TToolOutcome RunToolCommand(const std::wstring& commandLine, int stage, std::wstring& output);
  void DrainToolOutput(int stage, std::wstring& output);
  // Closes both pipe ends and the child's handles; ends a child still running.
  void ReleaseToolProcess();

  // Pumps the window's pending messages once.
  virtual void ProcessMessages();

  PROCESS_INFORMATION ProcessInfo{};  // process handle null = no child
  DWORD ExitCode = 0;
  HANDLE ReadOut = INVALID_HANDLE_VALUE;
  HANDLE WriteOut = INVALID_HANDLE_VALUE;
};
