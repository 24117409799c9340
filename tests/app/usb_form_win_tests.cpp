// The window's own logic, in this process, with the window hidden.
#include "app/usb_form.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <stdexcept>

#include "base/failure.h"
#include "app/hidden_form_test.h"
#include "base/win32_handles.h"
#include "drives/host_checks.h"
#include "gui/gui_driver.h"

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
  EXPECT_EQ(USBForm, &Form);
  EXPECT_EQ(Form.App_Path, ExeFolder());
  EXPECT_EQ(Form.diskpart_path, L"diskpart.exe");
  EXPECT_EQ(Form.format_path, L"format.com");
  EXPECT_EQ(Form.label_path, L"label");
  EXPECT_EQ(Form.bootsect_path, Form.App_Path + BootSectProgramName());
  EXPECT_EQ(Form.ScriptFile.substr(0, GetTempDirectory().size()), GetTempDirectory());
  EXPECT_EQ(Form.ReadOut, INVALID_HANDLE_VALUE);
  EXPECT_EQ(Form.WriteOut, INVALID_HANDLE_VALUE);
  EXPECT_EQ(Form.ProcessInfo.hProcess, nullptr);
  EXPECT_EQ(Form.Wnd, Form.Handle());
  EXPECT_TRUE(Form.ScriptStringList.empty());
  // TipLabel3 ends 6 units left of TipPanel.
  RECT label{}, panel{};
  ::GetWindowRect(Form.TipLabel3, &label);
  ::GetWindowRect(Form.TipPanel, &panel);
  EXPECT_EQ(label.right, panel.left - Form.ScaleX(6));
  EXPECT_GT(label.right - label.left, Form.ScaleX(100));
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
  Form.FormCloseQuery(canClose);
  EXPECT_TRUE(canClose);
  Send(Form.CloseButton, BM_CLICK);
  EXPECT_FALSE(::IsWindow(window));
  EXPECT_EQ(Form.Handle(), nullptr);
  Form.Destroy();  // twice is harmless
}

TEST_F(UsbForm, DestroyDeletesOnlyItsOwnScriptFile) {
  const std::wstring folder = GetTempDirectory() + L"usb-form-test";
  ::CreateDirectoryW(folder.c_str(), nullptr);
  // A folder under the script's name is left alone.
  Form.ScriptFile = folder;
  Form.ScriptStringList = {L"select volume Q:"};
  Form.Destroy();
  EXPECT_TRUE(Form.ScriptStringList.empty());
  EXPECT_NE(::GetFileAttributesW(folder.c_str()), INVALID_FILE_ATTRIBUTES);
  ::RemoveDirectoryW(folder.c_str());

  TUSBForm second;
  second.Create(::GetModuleHandleW(nullptr), false);
  const std::wstring script = second.ScriptFile;
  {
    TFileHandle file(::CreateFileW(script.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(file);
  }
  // Not saved by this run (another copy's script, say): it stays.
  second.Destroy();
  EXPECT_NE(::GetFileAttributesW(script.c_str()), INVALID_FILE_ATTRIBUTES);
  ::DeleteFileW(script.c_str());
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
  EXPECT_EQ(Form.ControlText(Form.StatusLabel), L"Formatting drive...");
  EXPECT_FALSE(::IsWindowVisible(Form.ProgressBar));  // hidden window: check the style
  EXPECT_FALSE(::GetWindowLongPtrW(Form.ProgressBar, GWL_STYLE) & WS_VISIBLE);
  Form.SetProgressBarVisible(true);
  EXPECT_TRUE(::GetWindowLongPtrW(Form.ProgressBar, GWL_STYLE) & WS_VISIBLE);

  auto position = [&] { return Send(Form.ProgressBar, PBM_GETPOS); };
  Form.ProgressModel.Max = 6.0e9f;  // byte counts above 4 GB
  Form.ProgressModel.Value = 3.0e9f;
  Form.UpdateProgressBar();
  EXPECT_NEAR(double(position()), 65535.0 / 2, 1.0);
  Form.ProgressModel.Value = 7.0e9f;  // past the end: full
  Form.UpdateProgressBar();
  EXPECT_EQ(position(), 65535);
  Form.ProgressModel.Max = 0.0f;  // nothing to unpack yet
  Form.UpdateProgressBar();
  EXPECT_EQ(position(), 0);
  Form.SetProgressBarVisible(false);
  EXPECT_FALSE(::GetWindowLongPtrW(Form.ProgressBar, GWL_STYLE) & WS_VISIBLE);
}

}  // namespace

namespace {

// The status text lies over the progress bar: readable, and a new text
// leaves nothing of the old one behind.
TEST(UsbFormShown, StatusTextOverTheProgressBar) {
  gui::PrepareWine();
  TUSBForm form;
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
  form.SetProgressBarVisible(true);
  form.ProgressModel.Max = 100.0f;
  form.ProgressModel.Value = 50.0f;
  form.UpdateProgressBar();
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

  form.SetProgressBarVisible(false);
  form.SetStatus(L"Done");
  gui::TPixels hidden = capture();
  ::RedrawWindow(form.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  EXPECT_EQ(hidden.Rgb, capture().Rgb);
  gui::SaveWindowScreenshot(form.Handle(), gui::ScreenshotDir() + L"\\status-over-bar.png");
}

}  // namespace
