// Runs a stand-in tool that lasts a few seconds and compares the processor
// time spent for this program meanwhile with the time that passed. Under Wine
// every call into the system that waits or polls is a round trip to the Wine
// server, so the server's time counts too: it is read from outside, in the
// host's /proc, where the prefix's one wineserver is found by its WINEPREFIX.
#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "../bench_figures.h"
#include "stages/tool_runner.h"
#include "standins/standin_fixture.h"

namespace {

// How long the stand-in tool runs: 4 s, so one tick of /proc is 0.25 %.
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

// User and system time of a host process (all its threads), in seconds; -1
// when it cannot be read. /proc counts in USER_HZ ticks, 100 a second.
double HostCpuSeconds(const std::wstring& pid) {
  const std::string stat = ReadHostFile(L"/proc/" + pid + L"/stat");
  const size_t close = stat.rfind(')');
  if (close == std::string::npos) return -1;
  std::istringstream fields(stat.substr(close + 2));
  std::string field;
  unsigned long long utime = 0, stime = 0;
  for (int i = 3; i <= 15 && fields >> field; ++i) {
    if (i == 14) utime = std::stoull(field);
    if (i == 15) stime = std::stoull(field);
  }
  return fields ? static_cast<double>(utime + stime) / 100.0 : -1;
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

// This process alone, as Windows counts it.
double OwnCpuSeconds() {
  FILETIME created{}, exited{}, kernel{}, user{};
  ::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user);
  const auto seconds = [](const FILETIME& t) {
    return static_cast<double>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7;
  };
  return seconds(kernel) + seconds(user);
}

}  // namespace

int wmain() {
  standin::TStandInScope scope(L"bench-runner");
  scope.Control(L"bootsect_x64", ToolControl);
  const std::wstring server = FindWineServer();
  const bool counted = !server.empty() && HostCpuSeconds(L"self") >= 0;
  std::vector<double> shares;
  for (int run = 0; run <= bench::MinPairs; ++run) {
    TToolRunner runner;
    std::wstring output;
    LARGE_INTEGER frequency{}, start{}, end{};
    ::QueryPerformanceFrequency(&frequency);
    // This process and its wineserver from outside, or this process alone.
    const auto cpuNow = [&] { return counted ? HostCpuSeconds(L"self") + HostCpuSeconds(server) : OwnCpuSeconds(); };
    const double cpuStart = cpuNow();
    ::QueryPerformanceCounter(&start);
    const auto outcome = runner.RunToolCommand(standin::ToolPath(L"bootsect_x64.exe") + L" /nt60 Q:", 6, output);
    ::QueryPerformanceCounter(&end);
    const double cpu = cpuNow() - cpuStart;
    if (outcome != TToolRunner::TToolOutcome::Ended || runner.ExitCode != 0) {
      std::fprintf(stderr, "bench runner-cpu: the stand-in tool did not run\n");
      return 1;
    }
    const double wall = static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
    if (run > 0) shares.push_back(100.0 * cpu / wall);  // the first run warms up
  }
  bench::PrintFigure("runner-cpu", shares, "%", "runs", "< 1 %",
                     counted ? "" : " [the Wine server's time cannot be read here: this process alone]");
  return 0;
}
