#pragma once
// Runs process_probe.exe (beside the test program) and waits for its end,
// answering the test thread's window messages meanwhile.
#include <string>

#include "base/message_pump.h"
#include "stages/tool_runner.h"
#include "standins/standin_fixture.h"

inline unsigned long RunProbe(const std::wstring& arguments) {
  struct TPumpingRunner : TToolRunner {
    void ProcessMessages() override { ProcessPendingMessages(); }
  } runner;
  std::wstring output;
  const std::wstring command = L"\"" + standin::BinDir() + L"\\process_probe.exe\" " + arguments;
  if (runner.RunToolCommand(command, 0, output) != TToolRunner::TToolOutcome::Ended) return ~0ul;
  ProcessPendingMessages();  // what the probe posted just before its end
  return runner.ExitCode;
}
