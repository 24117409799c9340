// Quillora.exe under Wine, worked from the outside through the driver.
#include <gtest/gtest.h>

#include "burn/stage_runner.h"
#include "app/usb_form.h"
#include "base/win32_handles.h"
#include "drives/temp_name.h"
#include "gui/gui_driver.h"

namespace {

using gui::TQuilloraProcess;

class QuilloraWindow : public ::testing::Test {
protected:
  static void SetUpTestSuite() { gui::PrepareWine(); }

  void StartApp() {
    const std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    const std::wstring name(test.begin(), test.end());
    const std::wstring exe = gui::PrepareAppFolder(name);
    ASSERT_FALSE(exe.empty()) << "app folder";
    ASSERT_TRUE(App.Start(exe)) << std::string(App.LastError().begin(), App.LastError().end());
    Window = App.Window();
  }
  HWND Control(const std::wstring& text, const std::wstring& cls = L"") {
    HWND found = gui::FindControl(Window, text, cls);
    EXPECT_TRUE(found) << std::string(text.begin(), text.end());
    return found;
  }
  int Scale(int logical) const { return gui::ScaleForDpi(logical, App.Dpi()); }

  TQuilloraProcess App;
  HWND Window = nullptr;
};

bool Exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool MakeFile(const std::wstring& path) {
  TFileHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  return file.Valid();
}

// Pixels of a control on screen matching a test.
template <typename Test>
int CountPixels(HWND control, Test test, int maxWidth = 1 << 30) {
  auto pixels = gui::CaptureWindow(control);
  int count = 0;
  if (!pixels) return -1;
  for (int y = 0; y < pixels->Height; ++y)
    for (int x = 0; x < std::min(pixels->Width, maxWidth); ++x) {
      COLORREF c = pixels->At(x, y);
      if (test(GetRValue(c), GetGValue(c), GetBValue(c))) ++count;
    }
  return count;
}

struct TExpected {
  const wchar_t* Class;
  const wchar_t* Text;
  int Parent;  // index in this table, -1 = the window
  int X, Y, W, H;  // W 0: sized to its text; H 0: not compared (drop-down lists)
};

// Checks every control against the layout table at the window's DPI and
// returns them in the system's order.
std::vector<HWND> CheckLayout(HWND Window, UINT dpi) {
  auto Scale = [&](int logical) { return gui::ScaleForDpi(logical, dpi); };
  EXPECT_EQ(gui::WindowText(Window), L"Quillora");
  const LONG_PTR style = ::GetWindowLongPtrW(Window, GWL_STYLE);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_TRUE(style & WS_CAPTION);
  EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));
  SIZE client = gui::ClientSize(Window);
  EXPECT_EQ(client.cx, Scale(318)) << "at " << dpi << " dpi";
  EXPECT_EQ(client.cy, Scale(350));

  // The system keeps children in creation order, except the status label,
  // which sits above the progress bar.
  const TExpected table[] = {
      {L"Button", L"ISO File", -1, 12, 5, 293, 45},                                   // 0
      {L"Edit", L"", 0, 14, 17, 210, 20},                                             // 1
      {L"Button", L"Browse", 0, 230, 17, 49, 19},                                     // 2
      {L"Button", L"USB Drive", -1, 12, 54, 293, 209},                                // 3
      {L"Button", L"Drive (Burning will erase ALL data on USB disk)", 3, 12, 18, 267, 63},  // 4
      {L"ComboBox", L"", 4, 12, 21, 188, 0},                                          // 5
      {L"Button", L"Refresh", 4, 207, 21, 50, 19},                                    // 6
      {L"Static", L"USB disk capacity must be larger than iso file.", 4, 12, 45, 241, 13},  // 7
      {L"Button", L"File System", 3, 12, 89, 105, 52},                                // 8
      {L"ComboBox", L"FAT32", 8, 12, 21, 80, 0},                                      // 9
      {L"Button", L"Volume Label (max 11 chars)", 3, 128, 89, 151, 52},               // 10
      {L"Edit", L"", 10, 14, 21, 123, 20},                                            // 11
      {L"Button", L"Bootable, only supports Windows ISO image.", 3, 14, 145, 265, 16},  // 12
      {L"Static", L"USB disk should have only one partition.", 3, 18, 161, 0, 0},     // 13
      {L"Static", L"Do not use on USB which has multiple partitions.", 3, 18, 174, 0, 0},  // 14
      {L"Static", L"If create failed and USB be unusable:", 3, -1, 187, 0, 0},        // 15
      {L"TPanel", L"", 3, 204, 188, 81, 15},                                          // 16
      {L"Static", L"recovery guide.", 16, 0, -2, 0, 0},                               // 17
      {L"Button", L"Status", -1, 12, 267, 293, 42},                                   // 18
      {L"Static", L"", 18, 14, 18, 265, 12},                                          // 19 StatusLabel
      {L"msctls_progress32", L"", 18, 14, 16, 265, 17},                               // 20
      {L"Static", L"Freeware, use at your own risk.", -1, 12, 306, 0, 0},             // 21
      {L"Static", L"USB disk will be formatted.", -1, 168, 309, 0, 0},                // 22
      {L"Button", L"Burn", -1, 170, 326, 65, 19},                                     // 23
      {L"Button", L"Close", -1, 239, 326, 65, 19},                                    // 24
      {L"TPanel", L"", -1, 12, 322, 93, 15},                                          // 25
      {L"Static", L"quillora.app", 25, 0, 0, 0, 0},                                   // 26
  };
  const size_t count = sizeof(table) / sizeof(table[0]);
  std::vector<HWND> controls = gui::Descendants(Window);
  EXPECT_EQ(controls.size(), count);
  if (controls.size() != count) return {};
  for (size_t i = 0; i < count; ++i) {
    const TExpected& e = table[i];
    HWND c = controls[i];
    SCOPED_TRACE(testing::Message() << "control " << i);
    EXPECT_EQ(_wcsicmp(gui::ClassName(c).c_str(), e.Class), 0);
    EXPECT_EQ(gui::WindowText(c), e.Text);
    EXPECT_EQ(::GetParent(c), e.Parent < 0 ? Window : controls[size_t(e.Parent)]);
    RECT r = gui::RectInParent(c);
    if (e.X >= 0) {
      EXPECT_EQ(r.left, Scale(e.X));
    }
    EXPECT_EQ(r.top, Scale(e.Y));
    if (e.W) {
      EXPECT_EQ(r.right - r.left, Scale(e.W));
    } else {
      EXPECT_GT(r.right - r.left, Scale(20));
    }
    if (i == 19) {
      // The status line is lower than a line of its font: it grows, centred.
      EXPECT_GE(r.bottom - r.top, Scale(e.H));
      EXPECT_LE(std::abs(r.top + r.bottom - 2 * Scale(e.Y) - Scale(e.H)), 1);
    } else if (e.W && e.H) {
      EXPECT_EQ(r.bottom - r.top, Scale(e.H));
    }
    EXPECT_EQ(gui::IsVisible(c), i != 20) << "only the progress bar starts hidden";
    EXPECT_TRUE(gui::IsEnabled(c));
  }
  // TipLabel3 ends 6 units left of TipPanel.
  EXPECT_EQ(gui::RectInParent(controls[15]).right, gui::RectInParent(controls[16]).left - Scale(6));
  EXPECT_EQ(gui::ComboItems(controls[9]), (std::vector<std::wstring>{L"FAT32", L"NTFS", L"exFAT", L"FAT"}));
  EXPECT_EQ(gui::ComboSelection(controls[9]), 0);
  EXPECT_FALSE(gui::IsChecked(controls[12]));
  return controls;
}

TEST_F(QuilloraWindow, ShowsEveryControlInPlace) {
  StartApp();
  ASSERT_TRUE(Window);
  EXPECT_EQ(App.Dpi(), 96u);
  std::vector<HWND> controls = CheckLayout(Window, App.Dpi());
  ASSERT_EQ(controls.size(), 27u);

  // Colours: blue tips, red warning, flat F0F0F0 panels, underlined links.
  ::RedrawWindow(Window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  ::Sleep(500);
  auto blue = [](int r, int g, int b) { return b >= 200 && r < 90 && g < 90; };
  auto red = [](int r, int g, int b) { return r >= 200 && g < 90 && b < 90; };
  for (size_t tip : {13, 14, 15, 17}) EXPECT_GT(CountPixels(controls[tip], blue), 10) << tip;
  EXPECT_GT(CountPixels(controls[22], red), 10);
  // MsgLabel1's box may reach under MsgLabel2: look left of it only.
  const int plain = gui::RectInParent(controls[22]).left - gui::RectInParent(controls[21]).left;
  EXPECT_EQ(CountPixels(controls[21], blue, plain) + CountPixels(controls[21], red, plain), 0);
  EXPECT_GT(CountPixels(controls[21], [](int r, int g, int b) { return r + g + b < 150; }, plain), 10);
  auto panel = gui::CaptureWindow(controls[16]);
  ASSERT_TRUE(panel);
  EXPECT_EQ(panel->At(panel->Width - 1, panel->Height - 1), RGB(0xF0, 0xF0, 0xF0));
  for (size_t link : {17, 26}) {
    auto pixels = gui::CaptureWindow(controls[link]);
    ASSERT_TRUE(pixels);
    const COLORREF background = pixels->At(pixels->Width - 1, pixels->Height / 2);
    EXPECT_EQ(background, RGB(0xF0, 0xF0, 0xF0));
    int longestRun = 0;  // an underline is a row drawn in text colour nearly end to end
    for (int y = 0; y < pixels->Height; ++y) {
      int run = 0;
      for (int x = 0; x < pixels->Width; ++x) run += pixels->At(x, y) != background;
      longestRun = std::max(longestRun, run);
    }
    EXPECT_GT(longestRun, pixels->Width * 8 / 10) << link;
  }

  EXPECT_TRUE(gui::SaveWindowScreenshot(Window, gui::ScreenshotDir() + L"\\window.png"));

  // Tab walks the inputs in creation order, into and out of the group boxes.
  ASSERT_TRUE(gui::WaitUntil([&] { return gui::FocusedControl(Window) == controls[1]; }, 5000));
  for (size_t next : {2, 5, 6, 9, 11, 12, 23, 24, 1}) {
    gui::PostKey(gui::FocusedControl(Window), VK_TAB);
    EXPECT_TRUE(gui::WaitUntil([&] { return gui::FocusedControl(Window) == controls[next]; }, 5000))
        << "tab to control " << next;
  }
}

TEST_F(QuilloraWindow, ScalesWithTheScreenDpi) {
  {
    gui::TWineDpiScope dpi(144);
    ASSERT_TRUE(dpi.Applied());
    StartApp();
  }
  ASSERT_TRUE(Window);
  EXPECT_EQ(App.Dpi(), 144u);
  EXPECT_EQ(CheckLayout(Window, App.Dpi()).size(), 27u);
  gui::SaveWindowScreenshot(Window, gui::ScreenshotDir() + L"\\window-144dpi.png");
}

TEST_F(QuilloraWindow, DriveListAndBootableTick) {
  StartApp();
  HWND drives = gui::FindControlByOrder(Window, L"ComboBox", 0);
  HWND fileSystems = gui::FindControlByOrder(Window, L"ComboBox", 1);
  HWND bootable = Control(L"Bootable, only supports Windows ISO image.");
  ASSERT_TRUE(drives && fileSystems && bootable);
  // Wine reports no drive on the USB bus.
  EXPECT_EQ(gui::ComboItems(drives), std::vector<std::wstring>{L""});
  EXPECT_EQ(gui::ComboSelection(drives), -1);

  // Ticking with anything but exactly "FAT32" selects FAT32 ("FAT" too).
  for (int other : {1, 2, 3}) {
    gui::SelectComboItem(fileSystems, other);
    gui::Click(bootable);
    ASSERT_TRUE(gui::WaitUntil([&] { return gui::IsChecked(bootable); }, 5000));
    EXPECT_EQ(gui::ComboSelectionText(fileSystems), L"FAT32") << other;
    // The user may pick another one while ticked; unticking changes nothing.
    gui::SelectComboItem(fileSystems, other);
    gui::Click(bootable);
    ASSERT_TRUE(gui::WaitUntil([&] { return !gui::IsChecked(bootable); }, 5000));
    EXPECT_EQ(gui::ComboSelection(fileSystems), other);
  }
  // With FAT32 selected nothing changes.
  gui::SelectComboItem(fileSystems, 0);
  gui::Click(bootable);
  ASSERT_TRUE(gui::WaitUntil([&] { return gui::IsChecked(bootable); }, 5000));
  EXPECT_EQ(gui::ComboSelection(fileSystems), 0);
  EXPECT_EQ(gui::ComboItems(fileSystems).size(), 4u);
  EXPECT_TRUE(App.MessageBoxes().empty());
}

TEST_F(QuilloraWindow, RecoveryGuideBox) {
  StartApp();
  HWND panel = gui::FindControlByOrder(Window, L"TPanel", 0);
  ASSERT_TRUE(panel);
  gui::ClickCentre(panel);
  auto box = App.WaitForMessageBox(10000);
  ASSERT_TRUE(box);
  EXPECT_EQ(box->Title, L"Information");
  EXPECT_EQ(box->Text, RecoveryGuideText);
  EXPECT_EQ(box->Icon, gui::TBoxIcon::Information) << gui::BoxIconName(box->Icon);
  EXPECT_EQ(box->Buttons, std::vector<int>{IDOK});
  EXPECT_EQ(::GetWindow(box->Handle, GW_OWNER), Window);
  gui::SaveWindowScreenshot(box->Handle, gui::ScreenshotDir() + L"\\recovery-guide.png");
  EXPECT_TRUE(box->Press(IDOK));
  EXPECT_TRUE(App.WaitForNoMessageBox(5000));
  EXPECT_TRUE(App.IsRunning());
}

TEST_F(QuilloraWindow, CloseKeepsAScriptItDidNotSave) {
  const std::wstring script = gui::TempDir() + L"temp.dat";
  ::DeleteFileW(script.c_str());
  StartApp();
  // The program chose temp.dat, which was free; another copy saves its script there.
  ASSERT_TRUE(MakeFile(script));
  gui::Click(Control(L"Close", L"Button"));
  ASSERT_TRUE(App.WaitForExit(10000));
  EXPECT_EQ(App.ExitCode(), 0u);
  EXPECT_TRUE(Exists(script));
  ::DeleteFileW(script.c_str());
}

TEST_F(QuilloraWindow, AltF4ClosesAndKeepsFilesItDidNotName) {
  const std::wstring taken = gui::TempDir() + L"temp.dat";
  ASSERT_TRUE(MakeFile(taken));
  StartApp();
  // temp.dat was taken at start-up, so the program's script name is another one.
  gui::PostKey(Window, VK_F4, true);
  ASSERT_TRUE(App.WaitForExit(10000));
  EXPECT_EQ(App.ExitCode(), 0u);
  EXPECT_TRUE(Exists(taken));
  ::DeleteFileW(taken.c_str());
}

// Sets the flag of a (process id, found) pair when the window is that process's form.
BOOL CALLBACK NoteForm(HWND window, LPARAM param) {
  auto* wanted = reinterpret_cast<std::pair<DWORD, bool>*>(param);
  DWORD process = 0;
  ::GetWindowThreadProcessId(window, &process);
  if (process == wanted->first && gui::ClassName(window) == L"TUSBForm") wanted->second = true;
  return TRUE;
}

// The Linux path of a Windows path (Wine only); empty when unknown.
std::string UnixPath(const std::wstring& path) {
  using ToUnixFn = char*(CDECL*)(const wchar_t*);
  const auto toUnix = reinterpret_cast<ToUnixFn>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  char* unix = toUnix ? toUnix(path.c_str()) : nullptr;
  if (!unix) return {};
  std::string result = unix;
  ::HeapFree(::GetProcessHeap(), 0, unix);
  return result;
}

// Runs a shell command on the Linux side and waits until it has made
// `marker`: Wine cannot wait on a Linux process. Wine makes many files in one
// folder slowly (each new name is looked up case-blind), the shell does not.
bool RunShell(const std::string& command, const std::wstring& marker) {
  ::DeleteFileW(marker.c_str());
  std::string line = "/bin/sh -c \"" + command + " && touch '" + UnixPath(marker) + "'\"";
  std::wstring wide(line.begin(), line.end());
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  if (!::CreateProcessW(L"Z:\\bin\\sh", wide.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
    return false;
  TKernelHandle process(info.hProcess), thread(info.hThread);
  const bool done = gui::WaitUntil([&] { return Exists(marker); }, 120000);
  ::DeleteFileW(marker.c_str());
  return done;
}

// Every name the script could get is taken: the program shows the failure
// with no window behind it and ends with a non-zero code.
TEST_F(QuilloraWindow, StartUpFailureEndsTheProgramAfterItsBox) {
  if (!gui::IsWine()) GTEST_SKIP() << "fills the temp folder from the Linux side";
  const std::wstring temp = gui::BuildDir() + L"\\taken-temp";
  const std::wstring names = temp + L"-names.txt", marker = temp + L".done";
  const std::string unixTemp = UnixPath(temp);
  ASSERT_FALSE(unixTemp.empty());
  const std::wstring exe = gui::PrepareAppFolder(L"StartUpFailure");
  ASSERT_FALSE(exe.empty());
  struct TCleanUp {
    std::string Folder;
    std::wstring Names, Marker;
    ~TCleanUp() {
      RunShell("rm -rf '" + Folder + "'", Marker);
      ::DeleteFileW(Names.c_str());
    }
  } cleanUp{unixTemp, names, marker};
  // temp.dat and the 10001 counted names after any tick of the next 120 s.
  std::string list = "temp.dat\n";
  const DWORD first = ::GetTickCount();
  for (DWORD i = 0; i <= 120000 + 10001; ++i) {
    const std::wstring hex = Hex8(first + i);
    list += "temp" + std::string(hex.begin(), hex.end()) + ".dat\n";
  }
  {
    TFileHandle file(::CreateFileW(names.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    ASSERT_TRUE(file && ::WriteFile(file.Get(), list.data(), static_cast<DWORD>(list.size()), &written, nullptr));
  }
  ASSERT_TRUE(RunShell("rm -rf '" + unixTemp + "' && mkdir '" + unixTemp + "' && cd '" + unixTemp +
                           "' && xargs touch < '" + UnixPath(names) + "'",
                       marker));
  // A shared disk can be slow enough to use up the names before the start.
  if (::GetTickCount() - first > 90000) GTEST_SKIP() << "filling the temp folder took over 90 s";

  std::vector<std::pair<const wchar_t*, std::wstring>> saved;
  for (const wchar_t* name : {L"TMP", L"TEMP"}) {
    wchar_t value[MAX_PATH] = {};
    saved.emplace_back(name, std::wstring(value, ::GetEnvironmentVariableW(name, value, MAX_PATH)));
    ::SetEnvironmentVariableW(name, temp.c_str());
  }
  EXPECT_FALSE(App.Start(exe, 0));  // no window to wait for
  for (const auto& [name, value] : saved) ::SetEnvironmentVariableW(name, value.empty() ? nullptr : value.c_str());

  auto box = App.WaitForMessageBox(60000);
  ASSERT_TRUE(box) << "program running: " << App.IsRunning();
  EXPECT_EQ(box->Text, L"Can't create temp file \"" + temp + L"\\temp{UniqueID}.dat\".");
  EXPECT_EQ(box->Buttons, std::vector<int>{IDOK});
  EXPECT_EQ(::GetWindow(box->Handle, GW_OWNER), nullptr);
  std::pair<DWORD, bool> form{App.ProcessId(), false};
  ::EnumWindows(&NoteForm, reinterpret_cast<LPARAM>(&form));
  EXPECT_FALSE(form.second) << "the window is left behind the box";
  EXPECT_TRUE(box->Press(IDOK));
  ASSERT_TRUE(App.WaitForExit(10000));
  EXPECT_NE(App.ExitCode(), 0u);
}

}  // namespace
