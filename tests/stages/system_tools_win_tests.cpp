// A 32-bit Quillora in the 64-bit prefix runs Windows' native tools: the
// 32-bit folder holds another stand-in under every tool's name, which would
// log under its own.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "drives/host_checks.h"
#include "prefix_state_win.h"
#include "stages/system_tools.h"
#include "stages/tool_runner.h"
#include "standins/standin_fixture.h"

TEST(SystemTools, A32BitBuildRunsTheNativeTools) {
  ASSERT_TRUE(IsWow64());
  const prefixstate::TSystemToolsScope systemTools(L"bootsect_x86.exe");
  const standin::TStandInScope standIns(L"system-tools");
  const TSystemToolPaths tools = SystemToolPaths(IsWow64());
  TToolRunner runner;
  std::wstring output;
  for (const std::wstring* tool : {&tools.Format, &tools.Label, &tools.DiskPart, &tools.Dism})
    EXPECT_EQ(runner.RunToolCommand(L"\"" + *tool + L"\"", 1, output), TToolRunner::TToolOutcome::Ended) << *tool;
  std::vector<std::wstring> ran;
  for (const std::wstring& line : standIns.Log()) ran.push_back(line.substr(0, line.find(L'|')));
  EXPECT_EQ(ran, (std::vector<std::wstring>{L"format", L"label", L"diskpart", L"dism"}));
}
