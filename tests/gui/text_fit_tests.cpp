// Every control's text fits its room at several DPIs, with "Make text
// bigger" and with a wider font in place of the dialog font. The probe runs
// the program's start-up and measures in its own process; each run is a new
// process, so it sees the settings made just before it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "base/win32_handles.h"
#include "gui/gui_driver.h"

namespace {

struct TProbeResult {
  SIZE Client{};
  std::vector<std::string> Cuts;
  std::vector<int> Ink;  // dark pixels of each link on a light panel
};

class TextFit : public ::testing::Test {
protected:
  // Settings a killed run left behind go back first (PrepareWine).
  static void SetUpTestSuite() { gui::PrepareWine(); }

  TProbeResult Probe(const std::wstring& name) {
    TProbeResult result;
    const std::wstring report = gui::BuildDir() + L"\\text-fit-" + name + L".txt";
    ::DeleteFileW(report.c_str());
    std::wstring command = L"\"" + gui::BinDir() + L"\\text_fit_probe.exe\" \"" + report + L"\" \"" +
                           gui::ScreenshotDir() + L"\\text-fit-" + name + L".png\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
      ADD_FAILURE() << "probe not started: " << ::GetLastError();
      return result;
    }
    const TKernelHandle process(info.hProcess), thread(info.hThread);
    EXPECT_EQ(::WaitForSingleObject(process.Get(), 60000), WAIT_OBJECT_0);
    DWORD code = 1;
    ::GetExitCodeProcess(process.Get(), &code);
    EXPECT_EQ(code, 0u);
    std::ifstream in{std::filesystem::path(report)};
    std::string line;
    while (std::getline(in, line)) {
      if (line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);
      if (line.rfind("WINDOW ", 0) == 0)
        std::istringstream(line.substr(7)) >> result.Client.cx >> result.Client.cy;
      else if (line.rfind("INK ", 0) == 0)
        result.Ink.push_back(std::stoi(line.substr(4)));
      else if (!line.empty())
        result.Cuts.push_back(line);
    }
    EXPECT_GT(result.Client.cx, 0) << "no report from the probe";
    return result;
  }

  static std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
  }
};

TEST_F(TextFit, NothingIsCutAtAnyDpi) {
  for (DWORD dpi : {96ul, 120ul, 144ul}) {
    std::unique_ptr<gui::TWineDpiScope> scope;
    if (dpi != 96) {
      scope = std::make_unique<gui::TWineDpiScope>(dpi);
      ASSERT_TRUE(scope->Applied());
    }
    const TProbeResult result = Probe(std::to_wstring(dpi) + L"dpi");
    EXPECT_TRUE(result.Cuts.empty()) << dpi << " dpi:\n" << Joined(result.Cuts);
    EXPECT_EQ(result.Client.cx, gui::ScaleForDpi(318, dpi)) << dpi;
    EXPECT_EQ(result.Client.cy, gui::ScaleForDpi(350, dpi)) << dpi;
  }
}

TEST_F(TextFit, BiggerTextGrowsTheWindow) {
  gui::TWineSettingScope bigger(L"Software\\Microsoft\\Accessibility", L"TextScaleFactor", 150);
  ASSERT_TRUE(bigger.Applied());
  const TProbeResult result = Probe(L"text-150");
  EXPECT_TRUE(result.Cuts.empty()) << Joined(result.Cuts);
  EXPECT_GT(result.Client.cx, 318 * 14 / 10);
  EXPECT_GT(result.Client.cy, 350 * 14 / 10);
}

// Wine replaces only a font it does not have, and it has Tahoma: the
// dialog font's name is replaced instead, which is what Tahoma stands for.
TEST_F(TextFit, WiderFontGrowsTheWindow) {
  gui::TWineSettingScope wider(L"Software\\Wine\\Fonts\\Replacements", L"MS Shell Dlg 2",
                               std::wstring(L"DejaVu Sans"));
  ASSERT_TRUE(wider.Applied());
  const TProbeResult result = Probe(L"wider-font");
  EXPECT_TRUE(result.Cuts.empty()) << Joined(result.Cuts);
  EXPECT_GT(result.Client.cx, 318);
}

// A high-contrast theme's white text would vanish on the light panels.
TEST_F(TextFit, PanelLinksStayDarkInHighContrast) {
  gui::TWineSettingScope white(L"Control Panel\\Colors", L"WindowText", std::wstring(L"255 255 255"));
  ASSERT_TRUE(white.Applied());
  const TProbeResult result = Probe(L"high-contrast");
  ASSERT_EQ(result.Ink.size(), 2u);
  for (int dark : result.Ink) EXPECT_GT(dark, 20);
}

}  // namespace
