// The window's own logic, in this process, with the window hidden.
#include "app/usb_form.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <stdexcept>

#include "burn/burn_job.h"
#include "app/form_controls_win.h"
#include "burn/library_worker.h"
#include "burn/recording_view.h"
#include "burn/burn_test_support.h"
#include "app/hidden_form_test.h"
#include "base/failure.h"
#include "base/scoped_dc.h"
#include "base/win32_handles.h"
#include "drives/host_checks.h"
#include "gui/gui_driver.h"
#include "standins/standin_fixture.h"

namespace {

class UsbForm : public THiddenFormTest {
protected:
  LRESULT Send(HWND control, UINT msg, WPARAM w = 0, LPARAM l = 0) { return ::SendMessageW(control, msg, w, l); }
  // A click on a flat panel, as the mouse makes it.
  void ClickPanel(HWND panel) {
    Send(panel, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    Send(panel, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
  }
};

std::wstring ExeFolder() {
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring text = path;
  return text.substr(0, text.find_last_of(L'\\') + 1);
}

TEST_F(UsbForm, FormCreateFixesPathsAndHandles) {
  const TSupportFiles& files = Form.SupportFiles;
  EXPECT_EQ(files.AppPath, ExeFolder());
  // Windows' own programs only from the native system folder, never by bare
  // name: a 32-bit test names it through Sysnative.
  const std::wstring folder = prefixstate::NativeSystemFolder() + L"\\";
  EXPECT_EQ(files.DiskPartPath, folder + L"diskpart.exe");
  EXPECT_EQ(files.FormatPath, folder + L"format.com");
  EXPECT_EQ(files.LabelPath, folder + L"label.exe");
  EXPECT_EQ(files.DismPath, folder + L"dism.exe");
  EXPECT_EQ(files.BootSectPath, files.AppPath + BootSectProgramName());
  // TipLabel3 ends 6 units left of TipPanel.
  RECT label{}, panel{};
  ::GetWindowRect(Form.TipLabel3, &label);
  ::GetWindowRect(Form.TipPanel, &panel);
  EXPECT_EQ(label.right, panel.left - Form.Layout.ScaleX(6));
  EXPECT_GT(label.right - label.left, Form.Layout.ScaleX(100));
}

TEST_F(UsbForm, SelectedDriveAndFileSystem) {
  HWND drives = Form.DriveComboBox;
  EXPECT_EQ(Send(drives, CB_GETCURSEL), CB_ERR);
  EXPECT_EQ(Form.GetSelectedDrive(), L"");
  Send(drives, CB_SETCURSEL, 0);  // the blank first line
  EXPECT_EQ(Form.GetSelectedDrive(), L"");
  LRESULT q = Send(drives, CB_ADDSTRING, 0, LPARAM(L"Q: [7.46 GB]"));
  Send(drives, CB_SETCURSEL, WPARAM(q));
  EXPECT_EQ(Form.GetSelectedDrive(), L"Q: [7.46 GB]");
  EXPECT_FALSE(Form.GetSelectedListedDrive());  // a line the scan did not make names no drive
  Form.RefreshButtonClick();
  EXPECT_EQ(Send(drives, CB_GETCURSEL), CB_ERR);
  EXPECT_EQ(Form.GetSelectedDrive(), L"");

  HWND systems = Form.FileSystemComboBox;
  EXPECT_EQ(Form.GetSelectedFileSystem(), L"FAT32");
  Send(systems, CB_SETCURSEL, 2);
  EXPECT_EQ(Form.GetSelectedFileSystem(), L"exFAT");
  Send(systems, CB_SETCURSEL, WPARAM(-1));
  EXPECT_EQ(Form.GetSelectedFileSystem(), L"FAT32");
}

// The open list shows its longest line whole at every DPI; the closed box keeps its size.
TEST_F(UsbForm, OpenDriveListFitsItsLongestLine) {
  HWND drives = Form.DriveComboBox;
  const std::wstring longest = L"F: [1863.02 GB] Western Digital Elements 25A2 Portable (BACKUPDISK1) hard disk";
  Send(drives, CB_ADDSTRING, 0, LPARAM(L"E: [14.91 GB]"));
  Send(drives, CB_ADDSTRING, 0, LPARAM(longest.c_str()));
  auto lineWidth = [&] {
    TScopedDC dc(drives);
    dc.Select(reinterpret_cast<HGDIOBJ>(Send(drives, WM_GETFONT)));
    SIZE size{};
    ::GetTextExtentPoint32W(dc.Get(), longest.c_str(), static_cast<int>(longest.size()), &size);
    return static_cast<LRESULT>(size.cx);
  };
  for (UINT dpi : {96u, 192u}) {
    RECT window{};
    ::GetWindowRect(Form.Handle(), &window);
    Send(Form.Handle(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&window));
    RECT closed{};
    ::GetWindowRect(drives, &closed);
    EXPECT_GT(lineWidth(), closed.right - closed.left) << dpi;
    EXPECT_GT(Send(drives, CB_GETDROPPEDWIDTH), lineWidth()) << dpi;
  }
}

TEST_F(UsbForm, BootableTickComparesExactly) {
  // A look-alike in another case must not count as FAT32.
  Send(Form.FileSystemComboBox, CB_INSERTSTRING, 0, LPARAM(L"fat32"));
  Send(Form.FileSystemComboBox, CB_SETCURSEL, 0);
  Send(Form.BootableCheckBox, BM_CLICK);  // through the window procedure
  EXPECT_EQ(Send(Form.BootableCheckBox, BM_GETCHECK), BST_CHECKED);
  EXPECT_EQ(Form.GetSelectedFileSystem(), L"FAT32");
  EXPECT_EQ(Send(Form.FileSystemComboBox, CB_GETCURSEL), 1);
}

TEST_F(UsbForm, EnableControlsSwitchesTheNineInputs) {
  const HWND inputs[] = {Form.BrowseButton, Form.RefreshButton, Form.CloseButton, Form.BurnButton,
                         Form.DriveComboBox, Form.FileSystemComboBox, Form.BootableCheckBox,
                         Form.ISOFileEdit, Form.LabelEdit};
  const HWND others[] = {Form.ISOFileEditGroupBox, Form.StatusLabel, Form.TipPanel, Form.WebPanel,
                         Form.CapacityLabel};
  Form.EnableControls(false);
  for (HWND input : inputs) EXPECT_FALSE(::IsWindowEnabled(input));
  for (HWND other : others) EXPECT_TRUE(::IsWindowEnabled(other));
  Form.EnableControls(true);
  for (HWND input : inputs) EXPECT_TRUE(::IsWindowEnabled(input));
}

TEST_F(UsbForm, ClosingOnlyWhileCloseButtonIsEnabled) {
  HWND window = Form.Handle();
  Form.EnableControls(false);
  bool canClose = true;
  Form.FormCloseQuery(canClose);
  EXPECT_FALSE(canClose);
  Send(window, WM_CLOSE);  // the close box and Alt+F4 end here
  Send(window, WM_SYSCOMMAND, SC_CLOSE);
  EXPECT_TRUE(::IsWindow(window));
  EXPECT_EQ(Form.Handle(), window);

  Form.EnableControls(true);
  // A burn: Close reads Cancel and stays on, and the window still stays.
  Form.SetBusy(true);
  EXPECT_TRUE(::IsWindowEnabled(Form.CloseButton));
  EXPECT_EQ(form::WindowText(Form.CloseButton), L"Cancel");
  Send(window, WM_CLOSE);
  Send(Form.CloseButton, BM_CLICK);
  EXPECT_TRUE(::IsWindow(window));
  Form.SetBusy(false);
  EXPECT_EQ(form::WindowText(Form.CloseButton), L"Close");

  Form.FormCloseQuery(canClose);
  EXPECT_TRUE(canClose);
  Send(Form.CloseButton, BM_CLICK);
  EXPECT_FALSE(::IsWindow(window));
  EXPECT_EQ(Form.Handle(), nullptr);
  Form.Destroy();  // twice is harmless
}

// While busy the panels do nothing and a shutdown is asked to wait.
TEST_F(UsbForm, PanelsAndShutdownWaitWhileBusy) {
  const HWND window = Form.Handle();
  EXPECT_EQ(Send(window, WM_QUERYENDSESSION), TRUE);
  Form.EnableControls(false);
  EXPECT_EQ(Send(window, WM_QUERYENDSESSION), FALSE);
  ClickPanel(Form.TipPanel);
  EXPECT_TRUE(Boxes.empty());
  EXPECT_EQ(Send(window, WM_ENDSESSION, FALSE), 0);  // a shutdown called off: the window goes on
  EXPECT_TRUE(::IsWindow(window));
  Form.EnableControls(true);
  EXPECT_EQ(Send(window, WM_QUERYENDSESSION), TRUE);
  ClickPanel(Form.TipPanel);
  EXPECT_EQ(Boxes.size(), 1u);
}

TEST_F(UsbForm, RecoveryGuideAndUncaughtFailures) {
  ClickPanel(Form.TipPanel);
  ASSERT_EQ(Boxes.size(), 1u);
  EXPECT_EQ(Boxes[0], std::wstring(L"Information|") + RecoveryGuideText + L"|" +
                          std::to_wstring(MB_OK | MB_ICONINFORMATION));

  // A failure escaping a handler becomes a plain box; the window lives on.
  int calls = 0;
  Form.MessageBoxHook = [&](const std::wstring& text, const std::wstring& title, UINT flags) -> int {
    if (calls++ == 0) throw EFailure(L"The disk went away");
    return RecordBox(text, title, flags);
  };
  ClickPanel(Form.TipPanel);
  calls = 0;
  Form.MessageBoxHook = [&](const std::wstring& text, const std::wstring& title, UINT flags) -> int {
    if (calls++ == 0) throw std::runtime_error("Out of luck.");
    return RecordBox(text, title, flags);
  };
  ClickPanel(Form.TipPanel);
  ASSERT_EQ(Boxes.size(), 3u);
  EXPECT_EQ(Boxes[1], L"Quillora|The disk went away.|" + std::to_wstring(MB_OK));
  EXPECT_EQ(Boxes[2], L"Quillora|Out of luck.|" + std::to_wstring(MB_OK));
  EXPECT_TRUE(::IsWindow(Form.Handle()));

  // A press that leaves the panel before the button comes up is no click.
  Send(Form.TipPanel, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
  Send(Form.TipPanel, WM_LBUTTONUP, 0, MAKELPARAM(-40, 3));
  EXPECT_EQ(Boxes.size(), 3u);
}

TEST_F(UsbForm, StatusAndProgressBar) {
  Form.SetStatus(L"Formatting drive...");
  EXPECT_EQ(form::WindowText(Form.StatusLabel), L"Formatting drive...");
  EXPECT_FALSE(::IsWindowVisible(Form.ProgressBar));  // hidden window: check the style
  EXPECT_FALSE(::GetWindowLongPtrW(Form.ProgressBar, GWL_STYLE) & WS_VISIBLE);
  Form.SetProgressVisible(true);
  EXPECT_TRUE(::GetWindowLongPtrW(Form.ProgressBar, GWL_STYLE) & WS_VISIBLE);

  auto position = [&] { return Send(Form.ProgressBar, PBM_GETPOS); };
  TProgressModel& model = Form.StatusPanel.Model;
  model.Max = 6.0e9f;  // byte counts above 4 GB
  model.Value = 3.0e9f;
  Form.StatusPanel.UpdateBar();
  EXPECT_NEAR(double(position()), 65535.0 / 2, 1.0);
  model.Value = 7.0e9f;  // past the end: full
  Form.StatusPanel.UpdateBar();
  EXPECT_EQ(position(), 65535);
  Form.ResetProgress();  // a new burn: back at the start, hidden
  EXPECT_EQ(position(), 0);
  EXPECT_FALSE(::GetWindowLongPtrW(Form.ProgressBar, GWL_STYLE) & WS_VISIBLE);
  model.Max = 0.0f;  // nothing to unpack yet
  Form.StatusPanel.UpdateBar();
  EXPECT_EQ(position(), 0);
}

// The library works beside the window: the window answers (here, the bar
// read from the working thread) and its bar follows the counts meanwhile; a
// failure of the work comes back on the window's thread; a stop reaches the
// library at its next report.
TEST_F(UsbForm, LibraryWorkLeavesTheWindowAnswering) {
  TLibraryWorker worker(Form);
  Form.SetProgressVisible(true);
  const auto position = [this] { return static_cast<int>(Send(Form.ProgressBar, PBM_GETPOS)); };
  bool followed = false;
  worker.Run([&] {
    worker.Record(true, 1000);
    worker.Record(false, 400);
    followed = burntest::WaitUntil([&] { return std::abs(position() - 400 * 65535 / 1000) <= 1; }, 5000);
  });
  EXPECT_TRUE(followed);
  EXPECT_THROW(worker.Run([] { throw EFailure(L"The disk went away."); }), EFailure);

  TRecordingView view;
  TLibraryWorker stopped(view, view.Pump());
  view.OnProcessMessages = [&] { stopped.Stop(); };
  THResult answer = SevenZip::kOk;
  stopped.Run([&] {
    for (int64_t done = 0; answer == SevenZip::kOk; ++done) answer = stopped.Record(false, done);
  });
  EXPECT_EQ(answer, SevenZip::kAbort);
}

// Browse reads the image's own volume id into the label field, with nothing
// but 7z.dll beside the program, the controls off meanwhile and on again on
// every way out.
TEST_F(UsbForm, Browse) {
  standin::TStandInScope standins{L"browse"};
  const std::wstring missing = standin::BuildDir() + L"\\no-such-folder\\";
  const std::wstring images = standin::BuildDir() + L"\\test-images\\stages\\";
  const std::wstring app = standins.Dir() + L"\\app\\";
  ::CreateDirectoryW(app.c_str(), nullptr);
  standin::ClearFolder(app);
  Form.SupportFiles.AppPath = app;
  std::wstring chosen;
  Form.OpenDialogHook = [&] { return chosen; };
  bool browseEnabledInBox = true, throwInBox = false;
  Form.MessageBoxHook = [&](const std::wstring& text, const std::wstring& title, UINT flags) {
    browseEnabledInBox = ::IsWindowEnabled(Form.BrowseButton) != FALSE;
    if (throwInBox) throw EFailure(L"Raised inside");
    return RecordBox(text, title, flags);
  };

  // Cancel, a missing file, no 7z.dll: the label field stays.
  ::SetWindowTextW(Form.ISOFileEdit, L"typed");
  ::SetWindowTextW(Form.LabelEdit, L"OLD");
  for (const std::wstring& path : {std::wstring(), missing + L"x.iso"}) {
    chosen = path;
    Form.BrowseButtonClick();
    EXPECT_EQ(form::WindowText(Form.ISOFileEdit), L"typed");
  }
  chosen = images + L"setup.iso";
  Form.BrowseButtonClick();
  EXPECT_EQ(Boxes, std::vector<std::wstring>{L"Error|Error, please reinstall this software.|" +
                                             std::to_wstring(MB_OK | MB_ICONERROR)});
  EXPECT_EQ(form::WindowText(Form.ISOFileEdit), chosen);
  EXPECT_EQ(form::WindowText(Form.LabelEdit), L"OLD");

  standin::WriteWholeFile(app + L"7z.dll", "x");
  Boxes.clear();
  const std::pair<const wchar_t*, const wchar_t*> labels[] = {
      {L"setup.iso", L"SETUP_DISC_"}, {L"eleven.iso", L"ABCDEFGHIJK"}, {L"spaced.iso", L"SPACED ID"},
      {L"windows.iso", L"CCSA_X64FRE"}};
  for (const auto& [name, label] : labels) {
    chosen = images + name;
    Form.BrowseButtonClick();
    EXPECT_EQ(form::WindowText(Form.LabelEdit), label) << name;
    EXPECT_EQ(form::WindowText(Form.StatusLabel), L"Reading ISO info is complete.");
  }
  EXPECT_TRUE(Boxes.empty());
  EXPECT_TRUE(standins.Log().empty());

  // No id, or no image at all: the failed reading's box, the label field emptied.
  const std::wstring warning = L"Warning|Cannot read info from ISO file.|" + std::to_wstring(MB_OK | MB_ICONWARNING);
  for (const wchar_t* name : {L"noid.iso", L"zeros.iso"}) {
    ::SetWindowTextW(Form.LabelEdit, L"OLD");
    Boxes.clear();
    chosen = images + name;
    Form.BrowseButtonClick();
    EXPECT_EQ(Boxes, std::vector<std::wstring>{warning}) << name;
    EXPECT_EQ(form::WindowText(Form.LabelEdit), L"");
    EXPECT_EQ(form::WindowText(Form.StatusLabel), L"Error.");
  }
  EXPECT_FALSE(browseEnabledInBox);
  EXPECT_TRUE(::IsWindowEnabled(Form.BrowseButton));
  throwInBox = true;
  EXPECT_THROW(Form.BrowseButtonClick(), EFailure);
  EXPECT_TRUE(::IsWindowEnabled(Form.BrowseButton));
  EXPECT_TRUE(::IsWindowEnabled(Form.CloseButton));
}

}  // namespace

namespace {

// The status text lies over the progress bar: readable, and a new text
// leaves nothing of the old one behind.
TEST(UsbFormShown, StatusTextOverTheProgressBar) {
  gui::PrepareWine();
  TWin32DriveQuery drives;
  TUSBForm form(drives);
  form.Create(::GetModuleHandleW(nullptr), true);
  auto settle = [&] {
    for (int i = 0; i < 5; ++i) {
      form.ProcessMessages();
      ::Sleep(50);
    }
  };
  auto capture = [&] {
    settle();
    auto pixels = gui::CaptureWindow(form.ProgressBar);
    EXPECT_TRUE(pixels);
    return pixels ? *pixels : gui::TPixels{};
  };
  form.SetProgressVisible(true);
  form.StatusPanel.Model.Max = 100.0f;
  form.StatusPanel.Model.Value = 50.0f;
  form.StatusPanel.UpdateBar();
  form.SetStatus(L"Burning image, please wait ... WWWWWWWW");
  gui::TPixels shown = capture();
  ASSERT_GT(shown.Width, 0);
  const COLORREF fill = shown.At(2, shown.Height - 2);   // left half: filled
  const COLORREF empty = shown.At(shown.Width - 3, shown.Height - 2);
  EXPECT_NE(fill, empty);
  int text = 0;
  for (int y = 0; y < shown.Height; ++y)
    for (int x = 0; x < shown.Width; ++x) {
      COLORREF c = shown.At(x, y);
      text += GetRValue(c) + GetGValue(c) + GetBValue(c) < 120 && c != fill;
    }
  EXPECT_GT(text, 30) << "status text drawn over the bar";
  gui::SaveWindowScreenshot(form.Handle(), gui::ScreenshotDir() + L"\\status-with-bar.png");

  form.SetStatus(L"x");
  gui::TPixels after = capture();
  ::RedrawWindow(form.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  gui::TPixels fresh = capture();
  EXPECT_EQ(after.Rgb, fresh.Rgb) << "old status text left behind";

  form.SetProgressVisible(false);
  form.SetStatus(L"Done");
  gui::TPixels hidden = capture();
  ::RedrawWindow(form.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  EXPECT_EQ(hidden.Rgb, capture().Rgb);
  gui::SaveWindowScreenshot(form.Handle(), gui::ScreenshotDir() + L"\\status-over-bar.png");
}

}  // namespace
