// Quillora.exe started with a planted format.com beside it and in its current
// folder, and a planted 7z.dll in its current folder: being elevated, it must
// run and load none of them; format.com runs from the system folder only. The
// test leaves the search to the program's own settings. The 7z.dll beside the
// program is one of the other width: a plain search by name passes over it
// (Wine does) and would go on to the current folder. The burn's checks before
// erasing load the library before any tool runs.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "burn/burn_test_support.h"
#include "gui/gui_driver.h"
#include "standins/standin_fixture.h"

namespace {

// Burns plain.iso onto Q: and returns the text of the box that ends it, once
// the burn has ended.
std::wstring BurnAndReadTheEnd(gui::TQuilloraProcess& app) {
  const HWND window = app.Window();
  const HWND drives = gui::FindControlByOrder(window, L"ComboBox", 0);
  const HWND burn = gui::FindControl(window, L"Burn", L"Button");
  if (!gui::WaitUntil([&] { return gui::IsEnabled(burn); }, 30000)) return L"Burn stays disabled";
  gui::SetText(gui::FindControlByOrder(window, L"Edit", 0), gui::BuildDir() + L"\\burn-images\\plain.iso");
  gui::SelectComboItem(drives, 1);  // Q:, after the blank line
  if (!gui::WaitUntil([&] { return gui::ComboSelectionText(drives).starts_with(L"Q:"); }, 5000)) return L"no drive";
  gui::Click(burn);
  const auto confirm = app.WaitForMessageBox(10000);
  if (!confirm || !confirm->Press(IDYES)) return L"no confirmation";
  if (!gui::WaitUntil([&] { return !::IsWindow(confirm->Handle); }, 10000)) return L"confirmation stuck";
  const auto end = app.WaitForMessageBox(60000);
  if (!end) return L"no box at the end";
  end->Press(IDOK);
  // The burn has ended once its clean-up has enabled the controls again.
  if (!app.WaitForNoMessageBox(10000) || !gui::WaitUntil([&] { return gui::IsEnabled(burn); }, 30000))
    return L"the burn did not end";
  return end->Text;
}

TEST(PlantedFiles, PlantedToolsAndLibraryAreIgnored) {
  gui::PrepareWine();
  const burntest::TBurnHostScopes host;
  // Only the program's own settings may keep the current folder out.
  ::SetEnvironmentVariableW(L"NoDefaultCurrentDirectoryInExePath", nullptr);
  standin::TStandInScope standIns(L"search-path");
  const std::wstring exe = gui::PrepareTestBusAppFolder(L"search_path", "Q: removable\r\n");
  ASSERT_FALSE(exe.empty());
  const std::wstring app = exe.substr(0, exe.find_last_of(L'\\') + 1);
  const std::wstring planted = gui::BuildDir() + L"\\gui-app\\search_path_current\\";
  ASSERT_TRUE(gui::RemoveTree(planted));
  ASSERT_TRUE(::CreateDirectoryW(planted.c_str(), nullptr));
  // The planted format.com is the label stand-in: a run of it logs a label line.
  for (const std::wstring& folder : {app, planted})
    ASSERT_TRUE(::CopyFileW((gui::BinDir() + L"\\label.exe").c_str(), (folder + L"format.com").c_str(), FALSE));
  ASSERT_TRUE(::MoveFileW((app + L"7z.dll").c_str(), (planted + L"7z.dll").c_str()));
  wchar_t other[MAX_PATH] = {};
  const DWORD length = ::GetEnvironmentVariableW(L"QUILLORA_OTHER_7Z_DLL", other, MAX_PATH);
  ASSERT_TRUE(length > 0 && length < MAX_PATH) << "QUILLORA_OTHER_7Z_DLL is not set";
  std::wstring otherDll = L"Z:";
  for (DWORD i = 0; i < length; ++i) otherDll += other[i] == L'/' ? L'\\' : other[i];
  ASSERT_TRUE(::CopyFileW(otherDll.c_str(), (app + L"7z.dll").c_str(), FALSE));

  // The burn's checks load the library first: only the planted 7z.dll could
  // pass them.
  gui::TQuilloraProcess quillora;
  ASSERT_TRUE(quillora.Start(exe, 30000, planted)) << std::string(quillora.LastError().begin(), quillora.LastError().end());
  EXPECT_EQ(BurnAndReadTheEnd(quillora), L"Error, please reinstall this software.");
  EXPECT_TRUE(standIns.Log().empty());

  // With the right 7z.dll beside the program, the burn runs the system
  // folder's format.com alone.
  ASSERT_TRUE(::CopyFileW((planted + L"7z.dll").c_str(), (app + L"7z.dll").c_str(), FALSE));
  EXPECT_EQ(BurnAndReadTheEnd(quillora), L"Burn the ISO file to USB disk has been successfully completed.");
  const std::wstring format = prefixstate::NativeSystemFolder() + L"\\format.com";
  EXPECT_EQ(standIns.Log(), std::vector<std::wstring>{L"format|\"" + format + L"\" Q: /FS:FAT32 /Q /Y"});
  quillora.RequestClose();
  EXPECT_TRUE(quillora.WaitForExit(10000));
}

}  // namespace
