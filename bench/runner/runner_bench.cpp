// Runs a stand-in tool that lasts 3 seconds and compares the processor time
// this program spent meanwhile with the time that passed.
#include <windows.h>

#include <cstdio>
#include <string>

#include "stages/tool_runner.h"
#include "standins/standin_fixture.h"

namespace {

unsigned long long CpuTime100ns() {
  FILETIME creation{}, exit{}, kernel{}, user{};
  ::GetProcessTimes(::GetCurrentProcess(), &creation, &exit, &kernel, &user);
  auto value = [](const FILETIME& t) {
    return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
  };
  return value(kernel) + value(user);
}

}  // namespace

int wmain() {
  standin::TStandInScope scope(L"bench-runner");
  scope.Control(L"bootsect_x64", "sleep_ms=3000\nexit=0\n");
  TToolRunner runner;
  std::wstring output;
  LARGE_INTEGER frequency{}, start{}, end{};
  ::QueryPerformanceFrequency(&frequency);
  ::QueryPerformanceCounter(&start);
  const unsigned long long cpuStart = CpuTime100ns();
  const auto outcome = runner.RunToolCommand(standin::ToolPath(L"bootsect_x64.exe") + L" /nt60 Q:", 6, output);
  const unsigned long long cpuEnd = CpuTime100ns();
  ::QueryPerformanceCounter(&end);
  if (outcome != TToolRunner::TToolOutcome::Ended || runner.ExitCode != 0) {
    std::fprintf(stderr, "bench runner-cpu: the stand-in tool did not run\n");
    return 1;
  }
  const double wallSeconds = static_cast<double>(end.QuadPart - start.QuadPart) / frequency.QuadPart;
  const double cpuSeconds = static_cast<double>(cpuEnd - cpuStart) / 1e7;
  std::printf("bench runner-cpu: %.1f %% (goal < 5 %%)\n", 100.0 * cpuSeconds / wallSeconds);
  return 0;
}
