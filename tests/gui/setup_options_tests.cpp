// The Windows setup options through the window: QuilloraTest.exe under Wine
// with drive Q: on its test USB bus, the stand-in tools and the real 7z.dll.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "burn/burn_test_support.h"
#include "gui/gui_driver.h"
#include "gui/setup_options_dialog.h"
#include "standins/standin_fixture.h"

namespace {

const std::string UsbBus = "Q: removable disk=1 size=16008609792\r\n";
const wchar_t* const Ticks[] = {
    L"Remove the requirement for 4 GB+ RAM, Secure Boot and TPM 2.0",
    L"Remove the requirement for an online Microsoft account",
    L"Create a local account with the user name:",
    L"Set regional options to the same values as this PC's",
    L"Disable data collection (skip the privacy questions)",
    L"Disable BitLocker automatic device encryption",
};

std::wstring Image(const std::wstring& name) { return gui::BuildDir() + L"\\burn-images\\" + name; }

class SetupOptions : public ::testing::Test {
protected:
  static void SetUpTestSuite() { gui::PrepareWine(); }
  void SetUp() override {
    burntest::EmptyDriveQ();
    ASSERT_TRUE(standin::WriteWholeFile(L"Q:\\marker.txt", "untouched"));
    const std::wstring exe = gui::PrepareTestBusAppFolder(L"setup_options", UsbBus);
    ASSERT_FALSE(exe.empty());
    ASSERT_TRUE(App.Start(exe)) << std::string(App.LastError().begin(), App.LastError().end());
    gui::SetText(gui::FindControlByOrder(App.Window(), L"Edit", 0), Image(L"setup.iso"));
  }
  // Q: chosen again (a burn rebuilds the list), then Burn.
  void ClickBurn() {
    HWND drives = gui::FindControlByOrder(App.Window(), L"ComboBox", 0);
    gui::SelectComboItem(drives, 1);
    ASSERT_TRUE(gui::WaitUntil([&] { return gui::ComboSelectionText(drives).starts_with(L"Q:"); }, 5000));
    gui::Click(gui::FindControl(App.Window(), L"Burn", L"Button"));
  }
  // Burn, and the dialog it shows.
  HWND Ask() {
    ClickBurn();
    const HWND dialog = gui::WaitForSetupOptions(10000);
    EXPECT_TRUE(dialog);
    return dialog;
  }
  std::vector<bool> Ticked(HWND dialog) {
    std::vector<bool> ticked;
    for (const wchar_t* text : Ticks) ticked.push_back(gui::IsChecked(gui::FindControl(dialog, text, L"Button")));
    return ticked;
  }
  void Press(HWND dialog, const wchar_t* button) {
    gui::Click(gui::FindControl(dialog, button, L"Button"));
    ASSERT_TRUE(gui::WaitUntil([&] { return !::IsWindow(dialog); }, 10000));
  }

  burntest::TBurnHostScopes Host;
  gui::TSetupOptionsScope Remembered;
  standin::TStandInScope StandIns{L"setup-options"};
  gui::TQuilloraProcess App;
};

TEST_F(SetupOptions, PlainImageAsksNothingAndCancelChangesNothing) {
  gui::SetText(gui::FindControlByOrder(App.Window(), L"Edit", 0), Image(L"plain.iso"));
  ClickBurn();
  std::optional<gui::TMessageBox> confirm = App.WaitForMessageBox(10000);
  ASSERT_TRUE(confirm);
  EXPECT_FALSE(::FindWindowW(L"TSetupOptionsForm", nullptr));
  confirm->Press(IDNO);
  ASSERT_TRUE(App.WaitForNoMessageBox(10000));

  gui::SetText(gui::FindControlByOrder(App.Window(), L"Edit", 0), Image(L"setup.iso"));
  const HWND dialog = Ask();
  ASSERT_TRUE(dialog);
  EXPECT_EQ(gui::WindowText(dialog), L"Windows setup options");
  EXPECT_EQ(Ticked(dialog), std::vector<bool>(6, false));
  wchar_t user[257] = {};
  DWORD size = 257;
  ::GetUserNameW(user, &size);
  EXPECT_EQ(gui::WindowText(gui::FindControlByOrder(dialog, L"Edit", 0)), user);
  EXPECT_FALSE(gui::IsEnabled(App.Window()));
  Press(dialog, L"Cancel");
  EXPECT_TRUE(App.WaitForNoMessageBox(1000));
  EXPECT_TRUE(gui::WaitUntil([&] { return gui::IsEnabled(App.Window()); }, 5000));
  EXPECT_TRUE(StandIns.Log().empty());
  EXPECT_EQ(burntest::Tree(L"Q:\\").size(), 1u);
  EXPECT_NE(::RegGetValueW(HKEY_CURRENT_USER, SetupOptionsKey, SetupOptionTickValues[0], RRF_RT_ANY, nullptr,
                           nullptr, nullptr),
            ERROR_SUCCESS);
}

TEST_F(SetupOptions, TickedOptionsGoOnTheDriveAndComeBackNextTime) {
  HWND dialog = Ask();
  ASSERT_TRUE(dialog);
  for (int tick : {0, 2}) gui::Click(gui::FindControl(dialog, Ticks[tick], L"Button"));
  HWND edit = gui::FindControlByOrder(dialog, L"Edit", 0);
  ASSERT_TRUE(gui::WaitUntil([&] { return gui::IsEnabled(edit); }, 5000));
  gui::SetText(edit, L"Tester");
  Press(dialog, L"OK");
  for (int answer : {IDYES, IDOK}) {
    std::optional<gui::TMessageBox> box = App.WaitForMessageBox(60000);
    ASSERT_TRUE(box);
    if (answer == IDOK) {
      EXPECT_EQ(box->Text, L"Burn the ISO file to USB disk has been successfully completed.");
    }
    box->Press(answer);
    ASSERT_TRUE(gui::WaitUntil([&] { return !::IsWindow(box->Handle); }, 10000));
  }
  // The list is rebuilt last, after the controls are enabled.
  HWND drives = gui::FindControlByOrder(App.Window(), L"ComboBox", 0);
  ASSERT_TRUE(gui::WaitUntil(
      [&] { return gui::IsEnabled(gui::FindControl(App.Window(), L"Burn", L"Button")) &&
                   gui::ComboSelection(drives) == -1; },
      30000));
  const std::string written = burntest::FileBytes(L"Q:\\autounattend.xml");
  EXPECT_NE(written.find("BypassTPMCheck"), std::string::npos);
  EXPECT_NE(written.find("<Name>Tester</Name>"), std::string::npos);
  EXPECT_NE(written.find("processorArchitecture=\"arm64\""), std::string::npos);
  EXPECT_EQ(written.find("ProtectYourPC"), std::string::npos);

  dialog = Ask();
  ASSERT_TRUE(dialog);
  EXPECT_EQ(Ticked(dialog), (std::vector<bool>{true, false, true, false, false, false}));
  EXPECT_EQ(gui::WindowText(gui::FindControlByOrder(dialog, L"Edit", 0)), L"Tester");
  Press(dialog, L"Cancel");
}

}  // namespace
