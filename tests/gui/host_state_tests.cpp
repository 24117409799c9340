// What Quillora leaves on the PC when a burn does not end its own way: the
// program killed mid-burn, a second copy started, the session ended. The real
// Quillora.exe under Wine, the stand-in tools in the prefix's system folder,
// drive Q: and the real Wine registry.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "burn/burn_test_support.h"
#include "base/scope_guard.h"
#include "gui/gui_driver.h"
#include "standins/standin_fixture.h"

namespace {
using burntest::ReadPolicy;
using burntest::ReadRecord;

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

bool Exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// A process the program started and left behind when it was killed.
void EndLeftBehind(const wchar_t* tool) {
  for (DWORD id : burntest::ProcessesNamed(tool)) {
    const TKernelHandle process(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id));
    if (process && ::TerminateProcess(process.Get(), 1)) ::WaitForSingleObject(process.Get(), 10000);
  }
}

class HostState : public ::testing::Test {
protected:
  // Before the scopes below: it puts back what a killed test left.
  static void SetUpTestSuite() { gui::PrepareWine(); }
  void SetUp() override {
    ASSERT_TRUE(burntest::WritePolicy(HKEY_LOCAL_MACHINE, 145));
    ASSERT_TRUE(burntest::WritePolicy(HKEY_CURRENT_USER, -1));
    burntest::EmptyDriveQ();
    Exe = gui::PrepareTestBusAppFolder(L"host_state", "Q: removable disk=1 size=16008609792\r\n");
    ASSERT_FALSE(Exe.empty());
  }
  // A stand-in told to wait goes on, whatever the test did.
  void TearDown() override { standin::WriteWholeFile(StandIns.Dir() + L"\\go", ""); }

  // Burn onto Q: (plain.iso, or windows.iso when bootable), Yes, and the tool
  // that comes first is running, held there until the test lets it go.
  void StartBurnHeldInItsFirstTool(gui::TQuilloraProcess& app, bool bootable) {
    StandIns.Control(bootable ? L"diskpart" : L"format", "wait_file=go\n");
    const HWND window = app.Window();
    const HWND drives = gui::FindControlByOrder(window, L"ComboBox", 0);
    gui::SetText(gui::FindControlByOrder(window, L"Edit", 0),
                 gui::BuildDir() + (bootable ? L"\\burn-images\\windows.iso" : L"\\burn-images\\plain.iso"));
    const std::vector<std::wstring> lines = gui::ComboItems(drives);
    const auto q = std::find_if(lines.begin(), lines.end(), [](const std::wstring& line) { return line.starts_with(L"Q:"); });
    ASSERT_NE(q, lines.end());
    gui::SelectComboItem(drives, static_cast<int>(q - lines.begin()));
    ASSERT_TRUE(gui::WaitUntil([&] { return gui::ComboSelectionText(drives) == *q; }, 5000));
    const HWND bootableBox = gui::FindControl(window, L"Bootable, only supports Windows ISO image.");
    if (bootable) gui::Click(bootableBox);
    ASSERT_TRUE(gui::WaitUntil([&] { return gui::IsChecked(bootableBox) == bootable; }, 5000));
    gui::Click(gui::FindControl(window, L"Burn", L"Button"));
    const auto confirm = app.WaitForMessageBox(10000);
    ASSERT_TRUE(confirm && confirm->Press(IDYES));
    ASSERT_TRUE(gui::WaitUntil([&] { return !StandIns.Log().empty(); }, 30000));
    ASSERT_EQ(ReadPolicy(HKEY_LOCAL_MACHINE), 255);
    ASSERT_EQ(ReadPolicy(HKEY_CURRENT_USER), 255);
  }

  burntest::TBurnHostScopes Host;
  standin::TStandInScope StandIns{L"host-state"};
  std::wstring Exe;
};

// Killed as End task kills it, mid-burn: AutoRun stays off until the next
// start puts back what was there (a set value and an absent one), except a
// value someone changed since. That start also removes the work folders a
// killed burn leaves, and nothing else.
TEST_F(HostState, KilledBurnIsPutRightAtTheNextStart) {
  const std::wstring temp = gui::TempDir();
  const std::wstring leftovers[] = {temp + L"install_wim.tmp", temp + L"install_wim0000BEEF.tmp"};
  const std::wstring other = temp + L"install_wim.tmp.mine";
  const TScopeGuard removeFolders([&] {
    for (const std::wstring& folder : leftovers) gui::RemoveTree(folder);
    gui::RemoveTree(other);
  });
  for (const bool changedByHand : {false, true}) {
    ::DeleteFileW((StandIns.Dir() + L"\\log.txt").c_str());
    {
      gui::TQuilloraProcess app;
      ASSERT_TRUE(app.Start(Exe)) << Narrow(app.LastError());
      ASSERT_NO_FATAL_FAILURE(StartBurnHeldInItsFirstTool(app, false));
      app.Terminate();
      EndLeftBehind(L"format.com");
    }
    EXPECT_EQ(ReadPolicy(HKEY_LOCAL_MACHINE), 255);
    EXPECT_EQ(ReadPolicy(HKEY_CURRENT_USER), 255);
    EXPECT_EQ(ReadRecord(HKEY_LOCAL_MACHINE), 145);
    EXPECT_EQ(ReadRecord(HKEY_CURRENT_USER), -1);
    if (changedByHand) {
      ASSERT_TRUE(burntest::WritePolicy(HKEY_LOCAL_MACHINE, 4));
    }
    for (const std::wstring& folder : {leftovers[0], leftovers[1], other}) {
      ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS);
      ASSERT_TRUE(standin::WriteWholeFile(folder + L"\\install.wim", "wim"));
    }

    gui::TQuilloraProcess next;
    ASSERT_TRUE(next.Start(Exe)) << Narrow(next.LastError());
    EXPECT_TRUE(next.MessageBoxes().empty());
    EXPECT_EQ(ReadPolicy(HKEY_LOCAL_MACHINE), changedByHand ? 4 : 145);
    EXPECT_EQ(ReadPolicy(HKEY_CURRENT_USER), -1);
    EXPECT_EQ(ReadRecord(HKEY_LOCAL_MACHINE), -2);
    EXPECT_EQ(ReadRecord(HKEY_CURRENT_USER), -2);
    for (const std::wstring& folder : leftovers) EXPECT_FALSE(Exists(folder)) << Narrow(folder);
    EXPECT_TRUE(Exists(other + L"\\install.wim"));
    next.RequestClose();
    EXPECT_TRUE(next.WaitForExit(10000));
  }
}

// A second copy while the first burns: its box, no window, and it leaves
// without touching anything; the first copy's burn goes on to its end.
TEST_F(HostState, SecondCopyLeavesTheFirstAlone) {
  gui::TQuilloraProcess first;
  ASSERT_TRUE(first.Start(Exe)) << Narrow(first.LastError());
  ASSERT_NO_FATAL_FAILURE(StartBurnHeldInItsFirstTool(first, false));

  gui::TQuilloraProcess second;
  EXPECT_FALSE(second.Start(Exe, 0));  // no window to wait for
  const std::optional<gui::TMessageBox> box = second.WaitForMessageBox(30000);
  ASSERT_TRUE(box);
  EXPECT_EQ(box->Text, L"Quillora is already running.");
  EXPECT_EQ(box->Title, L"Information");
  EXPECT_EQ(box->Icon, gui::TBoxIcon::Information) << Narrow(gui::BoxIconName(box->Icon));
  for (HWND window = nullptr; (window = ::FindWindowExW(nullptr, window, L"TUSBForm", nullptr));) {
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    EXPECT_NE(process, second.ProcessId()) << "a window of the second copy";
  }
  ASSERT_TRUE(box->Press(IDOK));
  ASSERT_TRUE(second.WaitForExit(10000));
  EXPECT_EQ(second.ExitCode(), 0u);
  // The first copy's record and its 255 stay: its burn is still on.
  EXPECT_EQ(ReadPolicy(HKEY_LOCAL_MACHINE), 255);
  EXPECT_EQ(ReadRecord(HKEY_LOCAL_MACHINE), 145);

  ASSERT_TRUE(standin::WriteWholeFile(StandIns.Dir() + L"\\go", ""));
  const std::optional<gui::TMessageBox> done = first.WaitForMessageBox(60000);
  ASSERT_TRUE(done);
  EXPECT_EQ(done->Text, L"Burn the ISO file to USB disk has been successfully completed.");
  done->Press(IDOK);
  const HWND burn = gui::FindControl(first.Window(), L"Burn", L"Button");
  ASSERT_TRUE(gui::WaitUntil([&] { return gui::IsEnabled(burn); }, 30000));
  EXPECT_EQ(StandIns.Log().size(), 1u);  // one format, the first copy's
  EXPECT_EQ(ReadPolicy(HKEY_LOCAL_MACHINE), 145);
  EXPECT_EQ(ReadPolicy(HKEY_CURRENT_USER), -1);
  EXPECT_EQ(ReadRecord(HKEY_LOCAL_MACHINE), -2);
  EXPECT_TRUE(burntest::SameTree(L"Q:\\", gui::BuildDir() + L"\\burn-images\\plain"));
}

// The session ends during a bootable burn held in diskpart: the shutdown is
// refused while it can be; when it comes anyway, the program ends diskpart,
// puts AutoRun back, deletes its record and the script, and goes.
TEST_F(HostState, SessionEndDuringABurn) {
  gui::TQuilloraProcess app;
  ASSERT_TRUE(app.Start(Exe)) << Narrow(app.LastError());
  ASSERT_NO_FATAL_FAILURE(StartBurnHeldInItsFirstTool(app, true));
  const std::wstring line = StandIns.Log()[0];
  std::wstring script = line.substr(line.find(L" /S \"") + 5);
  script.pop_back();
  EXPECT_TRUE(Exists(script)) << Narrow(script);

  DWORD_PTR answer = TRUE;
  EXPECT_TRUE(::SendMessageTimeoutW(app.Window(), WM_QUERYENDSESSION, 0, 0, SMTO_ABORTIFHUNG, 10000, &answer));
  EXPECT_EQ(answer, static_cast<DWORD_PTR>(FALSE));
  ::SendMessageTimeoutW(app.Window(), WM_ENDSESSION, TRUE, 0, SMTO_ABORTIFHUNG, 10000, &answer);
  ASSERT_TRUE(app.WaitForExit(10000));
  EXPECT_TRUE(burntest::ProcessesNamed(L"diskpart.exe").empty());
  EXPECT_EQ(ReadPolicy(HKEY_LOCAL_MACHINE), 145);
  EXPECT_EQ(ReadPolicy(HKEY_CURRENT_USER), -1);
  EXPECT_EQ(ReadRecord(HKEY_LOCAL_MACHINE), -2);
  EXPECT_EQ(ReadRecord(HKEY_CURRENT_USER), -2);
  EXPECT_FALSE(Exists(script));
}

}  // namespace
