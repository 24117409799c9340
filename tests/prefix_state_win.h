#pragma once
// Settings of the shared Wine prefix that tests change (screen DPI, decimal
// separator, AutoRun policy, the contents of drive Q:). Each scope notes the
// first state in a journal inside the prefix before it changes anything and
// puts it back on every way out; a journal entry left by a killed test is
// put back when the next test program starts.
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

namespace prefixstate {

// One registry value: as found (with whether its key existed) on entry, put
// back on exit. Keys are named in the 64-bit view, as the program names its
// own, also from a 32-bit test (Software\WOW6432Node\... is the 32-bit one).
class TRegistryValueScope {
public:
  TRegistryValueScope(HKEY hive, std::wstring key, std::wstring name);
  ~TRegistryValueScope();
  TRegistryValueScope(const TRegistryValueScope&) = delete;
  TRegistryValueScope& operator=(const TRegistryValueScope&) = delete;

private:
  std::wstring FEntry;  // the journal file
};

// Drive Q: empty on entry and on exit.
class TDriveQScope {
public:
  TDriveQScope();
  ~TDriveQScope();
  TDriveQScope(const TDriveQScope&) = delete;
  TDriveQScope& operator=(const TDriveQScope&) = delete;

private:
  std::wstring FEntry;
};

// The folder of the native system programs as this process names it: a
// 32-bit test program in the 64-bit prefix reaches it only through Sysnative.
std::wstring NativeSystemFolder();

// The stand-in tools (format.com, label.exe, diskpart.exe, dism.exe, from
// the test program's folder) where Windows keeps its own: the native system
// folder, and the 32-bit one of a 64-bit prefix. What Wine keeps there under
// those names is set aside and put back on exit; Wine is told to run the
// files there rather than its own built-in programs of those names.
class TSystemToolsScope {
public:
  // With a stand-in's file name, that one takes every tool's place in the
  // 32-bit folder: its log line tells a test which folder a tool ran from.
  explicit TSystemToolsScope(const wchar_t* thirtyTwoBitStandIn = nullptr);
  ~TSystemToolsScope();
  TSystemToolsScope(const TSystemToolsScope&) = delete;
  TSystemToolsScope& operator=(const TSystemToolsScope&) = delete;

private:
  std::vector<std::wstring> FEntries;
  std::vector<std::unique_ptr<TRegistryValueScope>> FOverrides;
};

// Puts back whatever the journal still holds. Every Windows test program
// does this before its first test.
void RepairLeftovers();

}  // namespace prefixstate
