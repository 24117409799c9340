// The whole program end to end: QuilloraTest.exe under Wine (Quillora with
// drive Q: on the USB bus of usb-bus.txt), worked through the GUI driver,
// with the real 7z.dll, the stand-in console tools and the real Wine
// registry. The cases share one running program, as a user
// would go on after each burn, but each stands on its own: a case that ends
// the program starts it again for the next.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "burn/burn_test_support.h"  // windows.h before commctrl.h
#include <commctrl.h>
#include <dbt.h>

#include "base/scope_guard.h"
#include "gui/gui_driver.h"
#include "gui/setup_options_dialog.h"
#include "standins/standin_fixture.h"

namespace {
namespace fs = std::filesystem;
using burntest::ReadPolicy;
using gui::TBoxIcon;

const wchar_t* const Success = L"Burn the ISO file to USB disk has been successfully completed.";

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

// The stored text of another process's window, read without a message, so a
// busy program cannot hold the test up.
std::wstring StoredText(HWND window) {
  wchar_t text[512] = {};
  return std::wstring(text, static_cast<size_t>(::GetWindowTextW(window, text, 512)));
}

class BurnEndToEnd : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    gui::PrepareWine();
    DriveQ = std::make_unique<prefixstate::TDriveQScope>();
    for (HKEY hive : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER})
      Policies.push_back(std::make_unique<prefixstate::TRegistryValueScope>(hive, burntest::PolicyKey,
                                                                          burntest::PolicyValue));
    ASSERT_TRUE(burntest::WritePolicy(HKEY_LOCAL_MACHINE, 145));
    ASSERT_TRUE(burntest::WritePolicy(HKEY_CURRENT_USER, -1));
    SystemTools = std::make_unique<prefixstate::TSystemToolsScope>();
    SetupOptions = std::make_unique<gui::TSetupOptionsScope>();
    StandIns = std::make_unique<standin::TStandInScope>(L"burn-e2e");
    Exe = gui::PrepareTestBusAppFolder(L"burn_e2e", UsbBus);
    ASSERT_FALSE(Exe.empty());
  }
  static void StartApp() {
    App = std::make_unique<gui::TQuilloraProcess>();
    ASSERT_TRUE(App->Start(Exe)) << Narrow(App->LastError());
    Window = App->Window();
    IsoEdit = gui::FindControlByOrder(Window, L"Edit", 0);
    LabelEdit = gui::FindControlByOrder(Window, L"Edit", 1);
    Drives = gui::FindControlByOrder(Window, L"ComboBox", 0);
    FileSystems = gui::FindControlByOrder(Window, L"ComboBox", 1);
    Bootable = gui::FindControl(Window, L"Bootable, only supports Windows ISO image.");
    Burn = gui::FindControl(Window, L"Burn", L"Button");
    Close = gui::FindControl(Window, L"Close", L"Button");
    Refresh = gui::FindControl(Window, L"Refresh", L"Button");
    Progress = gui::FindControlByOrder(Window, L"msctls_progress32", 0);
    Status = gui::FindControlByOrder(::GetParent(Progress), L"Static", 0);
  }
  static void TearDownTestSuite() {
    App.reset();
    StandIns.reset();
    SystemTools.reset();
    SetupOptions.reset();
    Policies.clear();
    DriveQ.reset();  // empties Q:, where a failed split case leaves gigabytes
    gui::RemoveTree(WimWorkFolder());
  }

  void SetUp() override {
    ASSERT_FALSE(Exe.empty());
    // A case that failed mid-burn or with a box up leaves it to a fresh start.
    if (App && App->IsRunning() && (!App->MessageBoxes().empty() || !gui::IsEnabled(Burn))) App.reset();
    if (!App || !App->IsRunning()) {
      ASSERT_NO_FATAL_FAILURE(StartApp());
    }
    standin::ClearFolder(StandIns->Dir());  // log and control files
    if (Bus != UsbBus) SetBus(UsbBus);
    burntest::EmptyDriveQ();
    standin::WriteWholeFile(L"Q:\\marker.txt", "untouched");
    gui::SetText(LabelEdit, L"");
  }

  static std::wstring Image(const std::wstring& name) { return gui::BuildDir() + L"\\burn-images\\" + name; }
  static std::wstring SplitImage(const std::wstring& name) { return gui::BuildDir() + L"\\split-image\\" + name; }
  // The program's work folder for install.wim, in the temp folder it gets.
  static std::wstring WimWorkFolder() { return gui::TempDir() + L"install_wim.tmp"; }

  // The USB bus from now on, and the list rebuilt by Refresh (sent: it opens no box).
  static void SetBus(const std::string& bus) {
    ASSERT_TRUE(gui::WriteUsbBus(Exe, bus));
    Bus = bus;
    DWORD_PTR result = 0;
    ASSERT_TRUE(::SendMessageTimeoutW(Refresh, BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, 10000, &result));
  }
  // Selects a drive from the program's own list.
  void SelectDrive(const std::wstring& root = L"Q:") {
    const std::vector<std::wstring> lines = gui::ComboItems(Drives);
    const auto line = std::find_if(lines.begin(), lines.end(), [&](const auto& l) { return l.starts_with(root); });
    ASSERT_NE(line, lines.end()) << Narrow(root) << " is not listed";
    gui::SelectComboItem(Drives, static_cast<int>(line - lines.begin()));
    ASSERT_TRUE(gui::WaitUntil([&] { return gui::ComboSelectionText(Drives) == *line; }, 5000));
    DriveLine = *line;
  }
  void SetBootable(bool ticked, int fileSystem) {
    if (gui::IsChecked(Bootable) != ticked) gui::Click(Bootable);
    ASSERT_TRUE(gui::WaitUntil([&] { return gui::IsChecked(Bootable) == ticked; }, 5000));
    gui::SelectComboItem(FileSystems, fileSystem);  // after the tick, which picks FAT32
    ASSERT_TRUE(gui::WaitUntil([&] { return gui::ComboSelection(FileSystems) == fileSystem; }, 5000));
  }
  void Prepare(const std::wstring& image, const std::wstring& label, bool bootable, int fileSystem = 0,
               const std::wstring& root = L"Q:") {
    gui::SetText(IsoEdit, image);
    gui::SetText(LabelEdit, label);
    SelectDrive(root);
    SetBootable(bootable, fileSystem);
  }

  gui::TMessageBox NextBox(DWORD timeoutMs = 60000) {
    std::optional<gui::TMessageBox> box = App->WaitForMessageBox(timeoutMs);
    if (!box) {
      ADD_FAILURE() << "no message box";
      return {};
    }
    return *box;
  }
  // Presses a button and waits until that box is gone.
  void Answer(const gui::TMessageBox& box, int button) {
    ASSERT_TRUE(box.Press(button)) << Narrow(box.Text);
    ASSERT_TRUE(gui::WaitUntil([&] { return !::IsWindow(box.Handle); }, 10000));
  }
  void ExpectBox(const gui::TMessageBox& box, const std::wstring& text, const std::wstring& title, TBoxIcon icon) {
    EXPECT_EQ(box.Text, text);
    EXPECT_EQ(box.Title, title);
    EXPECT_EQ(box.Icon, icon) << Narrow(gui::BoxIconName(box.Icon));
  }
  // Burn, then Yes at the confirmation.
  void StartBurn() {
    gui::Click(Burn);
    if (SetupImage) {
      // Nothing ticked: the image goes on as it is.
      const HWND options = gui::WaitForSetupOptions(10000);
      ASSERT_TRUE(options);
      gui::Click(gui::FindControl(options, L"OK", L"Button"));
    }
    const gui::TMessageBox confirm = NextBox(10000);
    ASSERT_EQ(confirm.Title, L"Burn Quillora \"" + DriveLine + L"\"");
    Answer(confirm, IDYES);
  }
  // Burn, Yes, and the refusal of the checks before erasing: nothing run,
  // the drive as it was, AutoRun as before, the window idle again.
  void ExpectRefusedBeforeErasing(const std::wstring& text) {
    const auto before = burntest::Tree(L"Q:\\");
    StartBurn();
    const gui::TMessageBox refused = NextBox();
    ExpectBox(refused, text, L"Error", TBoxIcon::Error);
    EXPECT_EQ(refused.Buttons, std::vector<int>{IDOK});
    Answer(refused, IDOK);
    EXPECT_TRUE(App->WaitForNoMessageBox(1000));
    EXPECT_TRUE(Log().empty());
    EXPECT_EQ(burntest::Tree(L"Q:\\"), before);
    EXPECT_EQ(burntest::FileBytes(L"Q:\\marker.txt"), "untouched");
    EXPECT_EQ(ReadPolicy(HKEY_LOCAL_MACHINE), 145);
    EXPECT_EQ(ReadPolicy(HKEY_CURRENT_USER), -1);
    for (HWND control : {IsoEdit, LabelEdit, Drives, FileSystems, Bootable, Burn, Close})
      EXPECT_TRUE(gui::IsEnabled(control));
    EXPECT_FALSE(gui::IsVisible(Progress));
  }
  // The clean-up has run: AutoRun as before, controls enabled, drive list
  // rebuilt with nothing selected, no box left.
  void ExpectIdleAfterBurn() {
    // The drive list is rebuilt last, after the controls are enabled.
    ASSERT_TRUE(gui::WaitUntil(
        [&] {
          return gui::IsEnabled(Burn) && App->MessageBoxes().empty() && gui::ComboSelection(Drives) == -1 &&
                 gui::ComboItems(Drives) == std::vector<std::wstring>{L"", DriveLine};
        },
        30000));
    EXPECT_EQ(ReadPolicy(HKEY_LOCAL_MACHINE), 145);
    EXPECT_EQ(ReadPolicy(HKEY_CURRENT_USER), -1);
    for (HWND control : {IsoEdit, LabelEdit, Drives, FileSystems, Bootable, Close})
      EXPECT_TRUE(gui::IsEnabled(control));
    EXPECT_FALSE(gui::IsVisible(Progress));
  }
  // A volume arriving or leaving, as the system tells every top-level window.
  static bool AnnounceVolume(wchar_t letter, bool arrived) {
    DEV_BROADCAST_VOLUME volume{};
    volume.dbcv_size = sizeof(volume);
    volume.dbcv_devicetype = DBT_DEVTYP_VOLUME;
    volume.dbcv_unitmask = 1u << (letter - L'A');
    DWORD_PTR result = 0;
    return ::SendMessageTimeoutW(Window, WM_DEVICECHANGE, arrived ? DBT_DEVICEARRIVAL : DBT_DEVICEREMOVECOMPLETE,
                                 reinterpret_cast<LPARAM>(&volume), SMTO_ABORTIFHUNG, 10000, &result) != 0;
  }
  std::vector<std::wstring> Log() const { return StandIns->Log(); }
  // Where the program finds Windows' own tools.
  static std::wstring SystemTool(const wchar_t* name) { return prefixstate::NativeSystemFolder() + L"\\" + name; }
  static inline std::unique_ptr<prefixstate::TDriveQScope> DriveQ;
  static inline std::vector<std::unique_ptr<prefixstate::TRegistryValueScope>> Policies;
  static inline std::unique_ptr<prefixstate::TSystemToolsScope> SystemTools;
  static inline std::unique_ptr<gui::TSetupOptionsScope> SetupOptions;  // nothing ticked
  static inline std::unique_ptr<standin::TStandInScope> StandIns;
  static inline std::unique_ptr<gui::TQuilloraProcess> App;
  static inline std::wstring Exe;
  static inline HWND Window, IsoEdit, LabelEdit, Drives, FileSystems, Bootable, Burn, Close, Refresh, Progress, Status;
  // Q:, a flash drive of a disk of its own, unless a case says otherwise.
  static inline const std::string UsbBus = "Q: removable disk=1 size=16008609792\r\n";  // a 16 GB stick
  static inline std::string Bus = UsbBus;
  std::wstring DriveLine;  // of the selected drive
  bool SetupImage = false;  // the image asks its setup options first
};

TEST_F(BurnEndToEnd, RefusalsTouchNothing) {
  const auto refused = [&](const std::wstring& text, const std::wstring& title, TBoxIcon icon) {
    gui::Click(Burn);
    const gui::TMessageBox box = NextBox(10000);
    ExpectBox(box, text, title, icon);
    EXPECT_EQ(box.Buttons, std::vector<int>{IDOK});
    Answer(box, IDOK);
  };
  gui::SetText(IsoEdit, L" \t ");
  refused(L"Please select a ISO file.", L"Information", TBoxIcon::Information);
  EXPECT_EQ(gui::WindowText(IsoEdit), L"");

  gui::SetText(IsoEdit, L"  " + Image(L"plain.iso") + L"  ");
  refused(L"Please select a USB drive.", L"Information", TBoxIcon::Information);
  EXPECT_EQ(gui::WindowText(IsoEdit), Image(L"plain.iso"));
  gui::SelectComboItem(Drives, 0);  // the blank line
  ASSERT_TRUE(gui::WaitUntil([&] { return gui::ComboSelection(Drives) == 0; }, 5000));
  refused(L"Please select a USB drive.", L"Information", TBoxIcon::Information);

  SelectDrive();
  for (const wchar_t* label : {L"MY:DISK", L"A+B"}) {
    gui::SetText(LabelEdit, label);
    refused(L"Invalid characters in Volume Label.", L"Error", TBoxIcon::Error);
  }

  // Twelve characters are cut to eleven before the confirmation; No stops.
  gui::SetText(LabelEdit, L"ABCDEFGHIJKL");
  gui::Click(Burn);
  gui::TMessageBox confirm = NextBox(10000);
  EXPECT_EQ(gui::WindowText(LabelEdit), L"ABCDEFGHIJK");
  ExpectBox(confirm,
            L"WARNING:\r\n\r\nBurning will erase ALL data on USB disk \"" + DriveLine +
                L"\".\r\nThe USB disk will be formatted.\r\n\r\nTo write ISO to this USB disk, click YES. To quit, click NO.",
            L"Burn Quillora \"" + DriveLine + L"\"", TBoxIcon::Question);
  EXPECT_EQ(confirm.Buttons, (std::vector<int>{IDYES, IDNO}));
  Answer(confirm, IDNO);

  // Enter takes the default button, No.
  gui::Click(Burn);
  confirm = NextBox(10000);
  gui::PostKey(confirm.Handle, VK_RETURN);
  ASSERT_TRUE(gui::WaitUntil([&] { return !::IsWindow(confirm.Handle); }, 10000));

  EXPECT_TRUE(App->WaitForNoMessageBox(1000));
  EXPECT_TRUE(Log().empty());
  const auto left = burntest::Tree(L"Q:\\");
  std::string names;
  for (const auto& [name, size] : left) names += std::string(name.begin(), name.end()) + " ";
  EXPECT_EQ(left.size(), 1u) << names;  // marker.txt alone
  EXPECT_EQ(ReadPolicy(HKEY_LOCAL_MACHINE), 145);
  EXPECT_EQ(ReadPolicy(HKEY_CURRENT_USER), -1);
  EXPECT_TRUE(gui::IsEnabled(Burn));
  EXPECT_EQ(gui::ComboSelectionText(Drives), DriveLine);
}

TEST_F(BurnEndToEnd, PlainBurnWithLabel) {
  Prepare(Image(L"plain.iso"), L"MY DISK", false);
  // The format stand-in waits, so the policy and the closing can be tried mid-burn.
  StandIns->Control(L"format", "wait_file=go\n");
  const TScopeGuard release([&] { standin::WriteWholeFile(StandIns->Dir() + L"\\go", ""); });
  StartBurn();
  ASSERT_TRUE(gui::WaitUntil([&] { return !Log().empty(); }, 10000));
  EXPECT_EQ(StoredText(Status), L"Formatting USB disk...");
  EXPECT_EQ(ReadPolicy(HKEY_LOCAL_MACHINE), 255);
  EXPECT_EQ(ReadPolicy(HKEY_CURRENT_USER), 255);
  // Close reads Cancel; the close box, Alt+F4 and Esc each ask once, No goes on.
  EXPECT_TRUE(gui::IsEnabled(Close));
  EXPECT_EQ(StoredText(Close), L"Cancel");
  for (int way = 0; way < 3; ++way) {
    if (way == 0) ::PostMessageW(Window, WM_SYSCOMMAND, SC_CLOSE, 0);  // the close box
    if (way == 1) gui::PostKey(Window, VK_F4, true);                    // Alt+F4
    if (way == 2) gui::PostKey(Window, VK_ESCAPE);
    const gui::TMessageBox question = NextBox(10000);
    ExpectBox(question, L"Stop the burn? The USB drive will not be usable until it is burned again.", L"Warning",
              TBoxIcon::Warning);
    EXPECT_EQ(question.Buttons, (std::vector<int>{IDYES, IDNO}));
    Answer(question, IDNO);
  }
  EXPECT_EQ(StoredText(Status), L"Formatting USB disk...");
  ASSERT_TRUE(standin::WriteWholeFile(StandIns->Dir() + L"\\go", ""));

  // Mid-burn: the bar shown (its fill is checked closely with a larger image
  // elsewhere). Read without messages: a busy program answers them late.
  ASSERT_TRUE(gui::WaitUntil(
      [&] {
        const std::wstring status = StoredText(Status);
        return gui::IsVisible(Progress) && (status == L"Burning ISO image..." || status == L"Verifying files...");
      },
      60000));
  EXPECT_TRUE(gui::SaveWindowScreenshot(Window, gui::ScreenshotDir() + L"\\burn-in-progress.png"));

  const gui::TMessageBox done = NextBox();
  ExpectBox(done, Success, L"Information", TBoxIcon::Information);
  EXPECT_FALSE(gui::IsEnabled(Burn));  // shown before the clean-up
  EXPECT_EQ(ReadPolicy(HKEY_LOCAL_MACHINE), 255);
  RECT around{};
  ::GetWindowRect(Window, &around);
  ::InflateRect(&around, 40, 40);
  EXPECT_TRUE(gui::SaveScreenshot(gui::ScreenshotDir() + L"\\burn-success-message.png", &around));
  Answer(done, IDOK);
  ExpectIdleAfterBurn();
  EXPECT_TRUE(::IsWindow(Window));
  EXPECT_EQ(StoredText(Close), L"Close");
  EXPECT_EQ(StoredText(Status), L"Burning is complete.");
  EXPECT_TRUE(gui::SaveWindowScreenshot(Window, gui::ScreenshotDir() + L"\\burn-complete.png"));

  EXPECT_EQ(Log(), (std::vector<std::wstring>{L"format|\"" + SystemTool(L"format.com") + L"\" Q: /FS:FAT32 /Q /Y",
                                              L"label|" + SystemTool(L"label.exe") + L" Q: MY DISK"}));
  EXPECT_TRUE(burntest::SameTree(L"Q:\\", Image(L"plain")));
}

// While a console tool runs the window stays alive: it answers at once,
// moves, repaints and still refuses to close.
TEST_F(BurnEndToEnd, WindowAnswersWhileAToolRuns) {
  Prepare(Image(L"plain.iso"), L"", false);
  StandIns->Control(L"format", "wait_file=go\n");
  const TScopeGuard release([&] { standin::WriteWholeFile(StandIns->Dir() + L"\\go", ""); });
  StartBurn();
  ASSERT_TRUE(gui::WaitUntil([&] { return !Log().empty(); }, 10000));
  // Also while the question to stop is up.
  App->RequestClose();
  const gui::TMessageBox question = NextBox(10000);
  EXPECT_EQ(question.Title, L"Warning");

  RECT before{};
  ::GetWindowRect(Window, &before);
  ::SetWindowPos(Window, nullptr, before.left + 24, before.top + 16, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_ASYNCWINDOWPOS);
  EXPECT_TRUE(gui::WaitUntil(
      [&] {
        RECT now{};
        ::GetWindowRect(Window, &now);
        return now.left == before.left + 24 && now.top == before.top + 16;
      },
      1000))
      << "not moved";
  ::InvalidateRect(Window, nullptr, FALSE);
  EXPECT_TRUE(gui::WaitUntil([&] { return !::GetUpdateRect(Window, nullptr, FALSE); }, 1000)) << "not repainted";

  int answers = 0;
  ULONGLONG slowest = 0;
  gui::WaitUntil(
      [&] {
        const ULONGLONG sent = ::GetTickCount64();
        DWORD_PTR result = 0;
        EXPECT_TRUE(::SendMessageTimeoutW(Window, WM_NULL, 0, 0, SMTO_NORMAL, 200, &result));
        slowest = std::max(slowest, ::GetTickCount64() - sent);
        EXPECT_FALSE(::IsHungAppWindow(Window));
        ++answers;
        return false;
      },
      3000);
  EXPECT_LE(slowest, 200u);
  EXPECT_GT(answers, 20);
  // All of it while the tool still ran, and the close request only asked.
  EXPECT_EQ(StoredText(Status), L"Formatting USB disk...");
  EXPECT_TRUE(::IsWindow(Window));
  Answer(question, IDNO);
  ASSERT_TRUE(standin::WriteWholeFile(StandIns->Dir() + L"\\go", ""));

  const gui::TMessageBox done = NextBox();
  ExpectBox(done, Success, L"Information", TBoxIcon::Information);
  Answer(done, IDOK);
  ExpectIdleAfterBurn();
  EXPECT_TRUE(::IsWindow(Window));
  ::SetWindowPos(Window, nullptr, before.left, before.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

TEST_F(BurnEndToEnd, BootableBurnWithNtfs) {
  Prepare(Image(L"windows.iso"), L"", true, 1);
  gui::Click(Burn);
  const gui::TMessageBox confirm = NextBox(10000);
  EXPECT_EQ(confirm.Text,
            L"WARNING:\r\n\r\n1. Burning will erase ALL data on USB disk \"" + DriveLine +
                L"\". The USB disk will be formatted.\r\n\r\n"
            L"2. For bootable, USB disk should have only one partition. Do not use it on USB disk which has "
            L"multiple partitions.\r\n\r\nTo write ISO to this USB disk, click YES. To quit, click NO.");
  Answer(confirm, IDYES);
  const gui::TMessageBox done = NextBox();
  EXPECT_EQ(done.Text, Success);
  EXPECT_EQ(StoredText(Status), L"Making USB disk bootable is complete.");
  Answer(done, IDOK);
  ExpectIdleAfterBurn();

  const std::vector<std::wstring> log = Log();
  ASSERT_EQ(log.size(), 2u);  // no label stage for an empty label
  EXPECT_EQ(log[0].rfind(L"diskpart|\"" + SystemTool(L"diskpart.exe") + L"\" /S \"", 0), 0u) << Narrow(log[0]);
  EXPECT_EQ(burntest::FileBytes(StandIns->Dir() + L"\\diskpart-script.txt"),
            "select volume Q:\r\nclean\r\ncreate partition primary\r\nselect partition 1\r\nactive\r\n"
            "format fs=ntfs quick\r\nassign letter=Q\r\nexit\r\n");
  // The host's width picks the program; either way it gets /nt60 for BOOTMGR.
  const std::wstring tool = log[1].substr(0, log[1].find(L'|'));
  const std::wstring app = Exe.substr(0, Exe.find_last_of(L'\\') + 1);
  EXPECT_TRUE(tool == L"bootsect_x64" || tool == L"bootsect_x86") << Narrow(log[1]);
  EXPECT_EQ(_wcsicmp(log[1].c_str(), (tool + L"|\"" + app + tool + L".exe\" /nt60 Q:").c_str()), 0)
      << Narrow(log[1]);
  // The UDF pass ran beside the folder the stand-in diskpart made, as Windows does.
  EXPECT_TRUE(fs::exists(L"Q:\\System Volume Information\\IndexerVolumeGuid"));
  EXPECT_TRUE(burntest::SameTree(L"Q:\\", Image(L"windows")));
}

// Cancel mid-unpack of a 4 GB file: the burn stops at once, the host is
// put back and the status names the drive as unusable.
TEST_F(BurnEndToEnd, CancelMidUnpack) {
  Prepare(SplitImage(L"split.iso"), L"", false, 1);
  SetupImage = true;
  StartBurn();
  ASSERT_TRUE(gui::WaitUntil(
      [&] {
        DWORD_PTR position = 0;
        return StoredText(Status) == L"Burning ISO image..." && gui::IsVisible(Progress) &&
               ::SendMessageTimeoutW(Progress, PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, 1000, &position) && position > 0;
      },
      60000));
  EXPECT_EQ(StoredText(Close), L"Cancel");
  gui::Click(Close);
  const gui::TMessageBox question = NextBox(10000);
  EXPECT_EQ(question.Title, L"Warning");
  EXPECT_EQ(StoredText(Status), L"Burning ISO image...");  // the burn went on meanwhile
  const ULONGLONG answered = ::GetTickCount64();
  Answer(question, IDYES);
  ASSERT_TRUE(gui::WaitUntil(
      [&] { return StoredText(Status) == L"Burn cancelled. The USB drive is not usable: burn it again."; }, 20000));
  std::printf("cancel mid-unpack: idle %llu ms after Yes\n", ::GetTickCount64() - answered);
  ExpectIdleAfterBurn();
  EXPECT_TRUE(App->WaitForNoMessageBox(1000));  // no success, no failure
  EXPECT_EQ(StoredText(Close), L"Close");
  EXPECT_EQ(Log().size(), 1u);  // the format alone
  EXPECT_FALSE(fs::exists(WimWorkFolder()));
}

TEST_F(BurnEndToEnd, ChecksRefuseBeforeErasing) {
  // The job's own tests try every refusal; here one goes through the window.
  Prepare(Image(L"missing.iso"), L"", true, 0);
  ExpectRefusedBeforeErasing(L"Cannot read the ISO image \"" + Image(L"missing.iso") + L"\".");
}

// Windows images carry boot records, which the ISO 9660 reader lists beside
// README.TXT: the checks still see the image's UDF files.
TEST_F(BurnEndToEnd, WindowsImageIsCheckedByItsOwnFiles) {
  ASSERT_TRUE(standin::WriteWholeFile(L"S:\\marker.txt", "untouched"));
  const TScopeGuard removeMarker([] { ::DeleteFileW(L"S:\\marker.txt"); });
  SetBus(UsbBus + "S: removable\r\n");
  Prepare(Image(L"windows9.iso"), L"", false, 0, L"S:");
  StartBurn();
  const gui::TMessageBox refused = NextBox();
  ExpectBox(refused, L"The ISO image needs 9.01 MB but the USB disk holds only 8 MB.", L"Error", TBoxIcon::Error);
  Answer(refused, IDOK);
  EXPECT_TRUE(Log().empty());
  EXPECT_EQ(burntest::FileBytes(L"S:\\marker.txt"), "untouched");
  EXPECT_EQ(ReadPolicy(HKEY_LOCAL_MACHINE), 145);

  // install.wim over 4 GiB on FAT32, and a temp folder without room for its split.
  App.reset();
  const TScopeGuard freshStart([] { App.reset(); });  // the next case starts with the usual temp folder
  {
    burntest::TTempFolderScope temp(SplitImage(L"small-temp"));
    ASSERT_NO_FATAL_FAILURE(StartApp());
  }
  Prepare(SplitImage(L"split.iso"), L"", false, 0);
  SetupImage = true;
  ExpectRefusedBeforeErasing(L"Not enough free space in \"" + SplitImage(L"small-temp") +
                             L"\\\" to split install.wim (8.07 GB needed).");
}

// ---- the drive that is erased: the one the user chose, and only what it holds

TEST_F(BurnEndToEnd, DriveChangedAfterTheListIsRefused) {
  Prepare(Image(L"plain.iso"), L"", false);
  // Another device under Q: since the list was made: on another disk now.
  Bus = "Q: removable disk=7\r\n";
  ASSERT_TRUE(gui::WriteUsbBus(Exe, Bus));
  ExpectRefusedBeforeErasing(
      L"The USB drive Q: has changed since the list was made. Press Refresh and choose the drive again.");
  EXPECT_TRUE(gui::WaitUntil([&] { return gui::ComboSelection(Drives) == -1; }, 5000));  // the list rebuilt
  EXPECT_EQ(gui::ComboItems(Drives), (std::vector<std::wstring>{L"", DriveLine}));
}

// P: is Q: again: two sticks of one size, told apart by their devices' names.
TEST_F(BurnEndToEnd, SticksOfOneSizeAreToldApartByName) {
  SetBus("P: removable vendor=SanDisk product=\"Cruzer Blade\" label=MYSTICK\r\n"
         "Q: removable vendor=Kingston product=DataTraveler\r\n");
  const std::vector<std::wstring> lines = gui::ComboItems(Drives);
  ASSERT_EQ(lines.size(), 3u);
  const std::wstring size = lines[1].substr(2, lines[1].find(L']') - 1);
  EXPECT_EQ(lines[1], L"P:" + size + L" SanDisk Cruzer Blade (MYSTICK)");
  EXPECT_EQ(lines[2], L"Q:" + size + L" Kingston DataTraveler");
  Prepare(Image(L"plain.iso"), L"", false);
  EXPECT_EQ(DriveLine, lines[2]);
  gui::Click(Burn);
  const gui::TMessageBox confirm = NextBox(10000);
  EXPECT_EQ(confirm.Title, L"Burn Quillora \"" + lines[2] + L"\"");
  Answer(confirm, IDNO);
  EXPECT_TRUE(App->WaitForNoMessageBox(1000));
  EXPECT_TRUE(Log().empty());
}

// A stick without a letter: listed by its number, burned bootable, and
// listed again under the letter Windows gave it.
TEST_F(BurnEndToEnd, DiskWithoutALetterIsListedAndBurns) {
  SetBus("- removable disk=4 size=16008609792 vendor=Kingston product=DataTraveler serial=K1 assign=Q\r\n");
  const std::wstring busFile = Exe.substr(0, Exe.find_last_of(L'\\') + 1) + L"usb-bus.txt";
  StandIns->Control(L"diskpart", "bus_file=" + Narrow(busFile) + "\n");
  EXPECT_EQ(gui::ComboItems(Drives),
            (std::vector<std::wstring>{L"", L"Disk 4 [14.91 GB] Kingston DataTraveler (no drive letter)"}));
  Prepare(Image(L"windows.iso"), L"", true, 1, L"Disk 4");
  StartBurn();
  const gui::TMessageBox done = NextBox();
  EXPECT_EQ(done.Text, Success);
  Answer(done, IDOK);
  ASSERT_TRUE(gui::WaitUntil(
      [&] {
        const std::vector<std::wstring> lines = gui::ComboItems(Drives);
        return gui::IsEnabled(Burn) && lines.size() == 2 && lines[1].starts_with(L"Q: ");
      },
      30000));
  EXPECT_EQ(burntest::FileBytes(StandIns->Dir() + L"\\diskpart-script.txt"),
            "select disk 4\r\nclean\r\ncreate partition primary\r\nselect partition 1\r\nactive\r\n"
            "format fs=ntfs quick\r\nassign\r\nexit\r\n");
  EXPECT_TRUE(burntest::SameTree(L"Q:\\", Image(L"windows")));
  EXPECT_EQ(ReadPolicy(HKEY_LOCAL_MACHINE), 145);
}

TEST_F(BurnEndToEnd, HardDiskIsAskedTwice) {
  SetBus("Q: fixed\r\n");
  Prepare(Image(L"plain.iso"), L"", false);
  EXPECT_TRUE(DriveLine.ends_with(L"] hard disk")) << Narrow(DriveLine);
  const auto secondBox = [&] {
    StartBurn();
    const gui::TMessageBox box = NextBox(10000);
    ExpectBox(box, L"Q: is on a USB hard disk, not a flash drive.\r\nEverything on it will be lost. Continue?",
              L"Burn Quillora \"" + DriveLine + L"\"", TBoxIcon::Warning);
    EXPECT_EQ(box.Buttons, (std::vector<int>{IDYES, IDNO}));
    return box;
  };
  // Enter takes the default button, No: nothing happens.
  const gui::TMessageBox declined = secondBox();
  gui::PostKey(declined.Handle, VK_RETURN);
  ASSERT_TRUE(gui::WaitUntil([&] { return !::IsWindow(declined.Handle); }, 10000));
  EXPECT_TRUE(App->WaitForNoMessageBox(1000));
  EXPECT_TRUE(Log().empty());
  EXPECT_EQ(burntest::Tree(L"Q:\\").size(), 1u);
  EXPECT_EQ(ReadPolicy(HKEY_LOCAL_MACHINE), 145);

  Answer(secondBox(), IDYES);
  const gui::TMessageBox done = NextBox();
  ExpectBox(done, Success, L"Information", TBoxIcon::Information);
  Answer(done, IDOK);
  ExpectIdleAfterBurn();
  EXPECT_TRUE(burntest::SameTree(L"Q:\\", Image(L"plain")));

  // Bootable cleans the whole disk: the second box names the disk's other volume and partition.
  standin::ClearFolder(StandIns->Dir());
  SetBus("C: removable disk=3\r\nQ: removable disk=3 unlettered=104857600\r\n");
  Prepare(Image(L"windows.iso"), L"", true);
  StartBurn();
  const gui::TMessageBox whole = NextBox(10000);
  EXPECT_EQ(whole.Text, L"Bootable erases the whole disk, also: " + gui::ComboItems(Drives)[1] +
                            L", a partition without a drive letter [100 MB].\r\nEverything on it will be lost. Continue?");
  Answer(whole, IDNO);
  EXPECT_TRUE(App->WaitForNoMessageBox(1000));
  EXPECT_TRUE(Log().empty());
}

TEST_F(BurnEndToEnd, ImageOnTheDriveIsRefused) {
  const std::wstring refused =
      L"The ISO image is on the drive that will be erased (Q:). Copy it to another drive first.";
  ASSERT_TRUE(::CopyFileW(Image(L"plain.iso").c_str(), L"Q:\\plain.iso", FALSE));
  Prepare(L"Q:\\plain.iso", L"", false);
  ExpectRefusedBeforeErasing(refused);
  // The same folder through a second letter.
  ASSERT_NE(::GetFileAttributesW(L"P:\\plain.iso"), INVALID_FILE_ATTRIBUTES) << "P: is Q: again";
  gui::SetText(IsoEdit, L"P:\\plain.iso");
  ExpectRefusedBeforeErasing(refused);
}

// C: stands for a stick plugged in: the bus file puts it on the USB bus.
TEST_F(BurnEndToEnd, ListFollowsVolumesOnlyWhileIdle) {
  Prepare(Image(L"plain.iso"), L"", false);
  Bus = "C: removable\r\n" + UsbBus;
  ASSERT_TRUE(gui::WriteUsbBus(Exe, Bus));
  ASSERT_TRUE(AnnounceVolume(L'C', true));
  const std::vector<std::wstring> lines = gui::ComboItems(Drives);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_TRUE(lines[1].starts_with(L"C:"));
  EXPECT_EQ(lines[2], DriveLine);
  EXPECT_EQ(gui::ComboSelectionText(Drives), DriveLine);  // still there, the same drive

  // While a burn runs the list stays as it is; the burn rebuilds it at its end.
  StandIns->Control(L"format", "sleep_ms=1500\n");
  StartBurn();
  ASSERT_TRUE(gui::WaitUntil([&] { return !Log().empty(); }, 10000));
  Bus = UsbBus;
  ASSERT_TRUE(gui::WriteUsbBus(Exe, Bus));
  ASSERT_TRUE(AnnounceVolume(L'C', false));
  EXPECT_EQ(gui::ComboItems(Drives), lines);
  EXPECT_EQ(gui::ComboSelectionText(Drives), DriveLine);
  EXPECT_EQ(StoredText(Status), L"Formatting USB disk...");
  const gui::TMessageBox done = NextBox();
  ExpectBox(done, Success, L"Information", TBoxIcon::Information);
  Answer(done, IDOK);
  ExpectIdleAfterBurn();
}

// ---- a Windows image whose sources\install.wim passes 4 GiB

// Reads files in pieces: they are too large to hold in memory.
class TPieceReader {
public:
  explicit TPieceReader(const std::vector<std::wstring>& files) : FFiles(files) {}
  // The next piece, empty at the end.
  std::string Next() {
    while (FIndex < FFiles.size()) {
      if (!FFile) FFile = TFileHandle(::CreateFileW(FFiles[FIndex].c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                                    OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
      std::string piece(1 << 22, '\0');
      DWORD read = 0;
      if (!FFile || !::ReadFile(FFile.Get(), piece.data(), static_cast<DWORD>(piece.size()), &read, nullptr) ||
          read == 0) {
        FFile.Reset();
        ++FIndex;
        continue;
      }
      piece.resize(read);
      return piece;
    }
    return {};
  }

private:
  std::vector<std::wstring> FFiles;
  std::size_t FIndex = 0;
  TFileHandle FFile;
};

// True when the files' bytes, joined in order, equal the bytes of `whole`.
bool JoinedEqual(const std::vector<std::wstring>& parts, const std::wstring& whole) {
  TPieceReader left(parts), right({whole});
  std::string a, b;
  for (;;) {
    if (a.empty()) a = left.Next();
    if (b.empty()) b = right.Next();
    if (a.empty() || b.empty()) return a.empty() && b.empty();
    const std::size_t n = std::min(a.size(), b.size());
    if (a.compare(0, n, b, 0, n) != 0) return false;
    a.erase(0, n);
    b.erase(0, n);
  }
}

class SplitBurn : public BurnEndToEnd {
protected:
  static constexpr DWORD LargeBurnMs = 900000;
  void SetUp() override {
    BurnEndToEnd::SetUp();
    ASSERT_FALSE(fs::exists(WimWorkFolder()));
  }
  // Q: holds the image's files but install.wim, and the parts `parts`
  // (besides the folder the system makes on a fresh volume).
  void ExpectDriveHolds(const std::vector<std::wstring>& parts) {
    auto drive = burntest::Tree(L"Q:\\");
    auto tree = burntest::Tree(SplitImage(L"split"));
    tree.erase(L"sources\\install.wim");
    for (const std::wstring& part : parts) EXPECT_EQ(drive.erase(part), 1u) << Narrow(part);
    std::erase_if(drive, [](const auto& entry) { return entry.first.starts_with(L"System Volume Information"); });
    EXPECT_EQ(drive, tree);
    for (const auto& [name, size] : tree) {
      if (size < 0) continue;
      EXPECT_EQ(burntest::FileBytes(L"Q:\\" + name), burntest::FileBytes(SplitImage(L"split\\" + name)));
    }
  }
  const std::wstring Wim = SplitImage(L"split\\sources\\install.wim");
};

TEST_F(SplitBurn, LargeInstallWimIsSplitForFat32) {
  Prepare(SplitImage(L"split.iso"), L"", true, 0);
  SetupImage = true;
  StartBurn();
  const gui::TMessageBox done = NextBox(LargeBurnMs);
  ExpectBox(done, Success, L"Information", TBoxIcon::Information);
  Answer(done, IDOK);
  ExpectIdleAfterBurn();
  const std::vector<std::wstring> log = Log();
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(log[1], L"dism|" + SystemTool(L"dism.exe") + L" /Split-Image /ImageFile:\"" + WimWorkFolder() +
                        L"\\install.wim\" /SWMFile:\"" + WimWorkFolder() + L"\\install.swm\" /FileSize:3800");
  EXPECT_EQ(log[2].find(L"/nt60 Q:"), log[2].size() - 8) << Narrow(log[2]);
  EXPECT_FALSE(fs::exists(WimWorkFolder()));
  ExpectDriveHolds({L"sources\\install.swm", L"sources\\install2.swm"});
  EXPECT_EQ(fs::file_size(L"Q:\\sources\\install.swm"), 3800u * 1048576);
  EXPECT_TRUE(JoinedEqual({L"Q:\\sources\\install.swm", L"Q:\\sources\\install2.swm"}, Wim));
}

}  // namespace
