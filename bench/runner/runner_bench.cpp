// Runs a stand-in tool that lasts a few seconds, once through the runner and
// once waited for with no polling at all, in alternating pairs, and prints
// the processor time the runner adds as a share of the time that passed.
// Under Wine every call that waits or polls is a round trip to the Wine
// server, so the server's time counts too: it is read from outside, in the
// host's /proc, where the prefix's one wineserver is found by its WINEPREFIX.
// Starting a Wine process costs the server far more than the runner does;
// that cost is the same on both sides of a pair and drops out.
#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "../bench_figures.h"
#include "base/win32_handles.h"
#include "stages/tool_runner.h"
#include "standins/standin_fixture.h"

namespace {

// How long the stand-in tool runs: 4 s, some eighty of the runner's longest waits.
const char* const ToolControl = "sleep_ms=4000\nexit=0\n";

std::string ReadHostFile(const std::wstring& unixPath) {
  std::wstring path = L"Z:" + unixPath;
  for (wchar_t& c : path)
    if (c == L'/') c = L'\\';
  std::ifstream in(std::filesystem::path(path), std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Processor time of a host process (all its threads), in seconds; -1 when it
// cannot be read. The scheduler's counters are in nanoseconds; /proc's stat
// counts 10 ms ticks, too coarse for a share well under 1 %.
double HostCpuSeconds(const std::wstring& pid) {
  WIN32_FIND_DATAW entry{};
  const std::wstring tasks = L"Z:\\proc\\" + pid + L"\\task\\";
  const HANDLE find = ::FindFirstFileW((tasks + L"*").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return -1;
  unsigned long long nanoseconds = 0;
  bool any = false;
  do {
    const std::wstring task = entry.cFileName;
    if (task.find_first_not_of(L"0123456789") != std::wstring::npos) continue;
    std::istringstream fields(ReadHostFile(L"/proc/" + pid + L"/task/" + task + L"/schedstat"));
    unsigned long long ran = 0;
    if (fields >> ran) {
      nanoseconds += ran;
      any = true;
    }
  } while (::FindNextFileW(find, &entry));
  ::FindClose(find);
  return any ? static_cast<double>(nanoseconds) / 1e9 : -1;
}

// The host's process id of the wineserver of this program's prefix; empty
// when there is none to be seen (not under Wine, or no /proc).
std::wstring FindWineServer() {
  wchar_t prefix[MAX_PATH] = {};
  const DWORD n = ::GetEnvironmentVariableW(L"WINEPREFIX", prefix, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return {};
  std::string wanted = "WINEPREFIX=";
  for (DWORD i = 0; i < n; ++i) wanted += static_cast<char>(prefix[i]);
  WIN32_FIND_DATAW entry{};
  const HANDLE find = ::FindFirstFileW(L"Z:\\proc\\*", &entry);
  if (find == INVALID_HANDLE_VALUE) return {};
  std::wstring found;
  do {
    const std::wstring pid = entry.cFileName;
    if (pid.find_first_not_of(L"0123456789") != std::wstring::npos) continue;
    const std::string command = ReadHostFile(L"/proc/" + pid + L"/cmdline");
    if (command.find("wineserver") == std::string::npos) continue;
    const std::string environment = ReadHostFile(L"/proc/" + pid + L"/environ");
    size_t start = 0;
    for (size_t end; (end = environment.find('\0', start)) != std::string::npos; start = end + 1)
      if (environment.compare(start, end - start, wanted) == 0) found = pid;
  } while (found.empty() && ::FindNextFileW(find, &entry));
  ::FindClose(find);
  return found;
}

// The host's process id of this program ("self" cannot be looked into deeper
// through Wine's paths); empty when there is no /proc to read.
std::wstring OwnHostPid() {
  const std::string stat = ReadHostFile(L"/proc/self/stat");
  const std::string pid = stat.substr(0, stat.find(' '));
  if (pid.empty() || pid.find_first_not_of("0123456789") != std::string::npos) return {};
  return std::wstring(pid.begin(), pid.end());
}

// This process alone, as Windows counts it.
double OwnCpuSeconds() {
  FILETIME created{}, exited{}, kernel{}, user{};
  ::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user);
  const auto seconds = [](const FILETIME& t) {
    return static_cast<double>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7;
  };
  return seconds(kernel) + seconds(user);
}

// The other side of a pair: the same child, waited for with no polling.
bool RunUnpolled(std::wstring commandLine) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &started))
    return false;
  const TKernelHandle process(started.hProcess);
  const TKernelHandle thread(started.hThread);
  DWORD code = 1;
  return ::WaitForSingleObject(process.Get(), INFINITE) == WAIT_OBJECT_0 &&
         ::GetExitCodeProcess(process.Get(), &code) && code == 0;
}

}  // namespace

int wmain() {
  standin::TStandInScope scope(L"bench-runner");
  scope.Control(L"bootsect_x64", ToolControl);
  const std::wstring commandLine = standin::ToolPath(L"bootsect_x64.exe") + L" /nt60 Q:";
  const std::wstring self = OwnHostPid();
  const std::wstring server = FindWineServer();
  const bool counted = !self.empty() && !server.empty() && HostCpuSeconds(self) >= 0 && HostCpuSeconds(server) >= 0;
  // This process and its wineserver from outside, or this process alone.
  const auto cpuNow = [&] { return counted ? HostCpuSeconds(self) + HostCpuSeconds(server) : OwnCpuSeconds(); };
  LARGE_INTEGER frequency{};
  ::QueryPerformanceFrequency(&frequency);
  // Processor seconds and seconds passed of one run.
  struct TSpent {
    double Cpu = 0, Wall = 0;
  };
  // Empty when the tool did not run as asked.
  const auto measure = [&](auto&& run) -> std::optional<TSpent> {
    LARGE_INTEGER start{}, end{};
    const double cpuStart = cpuNow();
    ::QueryPerformanceCounter(&start);
    const bool ran = run();
    ::QueryPerformanceCounter(&end);
    const double cpu = cpuNow() - cpuStart;
    if (!ran) return std::nullopt;
    return TSpent{cpu, static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart)};
  };
  const auto polled = [&] {
    return measure([&] {
      TToolRunner runner;
      std::wstring output;
      return runner.RunToolCommand(commandLine, 6, output) == TToolRunner::TToolOutcome::Ended &&
             runner.ExitCode == 0;
    });
  };
  const auto unpolled = [&] { return measure([&] { return RunUnpolled(commandLine); }); };
  std::vector<double> shares;
  for (int pair = 0; pair <= bench::MinPairs; ++pair) {
    std::optional<TSpent> withRunner, without;
    bench::RunPair(pair, [&] { withRunner = polled(); }, [&] { without = unpolled(); });
    if (!withRunner || !without) {
      std::fprintf(stderr, "bench runner-cpu: the stand-in tool did not run\n");
      return 1;
    }
    if (pair > 0) shares.push_back(100.0 * (withRunner->Cpu - without->Cpu) / withRunner->Wall);  // the first warms up
  }
  bench::PrintFigure("runner-cpu", shares, "%", "pairs", "< 1 %",
                     counted ? "" : " [the Wine server's time cannot be read here: this process alone]");
  return 0;
}
