// BurnButtonClick in-process, with a real window, the stand-in tools and the
// real 7z.dll: the paths where a failure is raised, which the GUI cannot reach.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "base/failure.h"
#include "app/usb_form.h"  // windows.h before commctrl.h
#include <commctrl.h>
#include "app/burn_test_support.h"
#include "prefix_state_win.h"
#include "standins/standin_fixture.h"

namespace {
namespace fs = std::filesystem;

using burntest::ReadPolicy;
using burntest::WritePolicy;

struct TBox {
  std::wstring Text, Title;
  UINT Flags;
  long MachinePolicy;  // AutoRun values while the box was up
  bool BurnEnabled;
};

class BurnWorkflow : public ::testing::Test {
protected:
  prefixstate::TDriveQScope DriveQ;
  prefixstate::TRegistryValueScope MachinePolicy{HKEY_LOCAL_MACHINE, burntest::PolicyKey, burntest::PolicyValue};
  prefixstate::TRegistryValueScope UserPolicy{HKEY_CURRENT_USER, burntest::PolicyKey, burntest::PolicyValue};
  void SetUp() override {
    burntest::EmptyDriveQ();
    ASSERT_TRUE(WritePolicy(HKEY_LOCAL_MACHINE, 145));
    ASSERT_TRUE(WritePolicy(HKEY_CURRENT_USER, -1));
    Form.Create(::GetModuleHandleW(nullptr), false);
    // The support files, cygwin1.dll included, in a folder of their own.
    const std::wstring app = standin::BuildDir() + L"\\burn-workflow-app\\";
    fs::create_directories(app);
    for (const wchar_t* name : {L"isoinfo.exe", L"7z.dll", L"bootsect_x64.exe", L"bootsect_x86.exe"})
      ::CopyFileW((standin::BinDir() + L"\\" + name).c_str(), (app + name).c_str(), FALSE);
    standin::WriteWholeFile(app + L"cygwin1.dll", "stand-in");
    Form.App_Path = app;
    Form.bootsect_path = app + L"bootsect_x86.exe";
    Form.MessageBoxHook = [this](const std::wstring& text, const std::wstring& title, UINT flags) {
      Boxes.push_back({text, title, flags, ReadPolicy(HKEY_LOCAL_MACHINE), ::IsWindowEnabled(Form.BurnButton) != 0});
      if (text == ThrowAt) throw EFailure(L"raised at " + text);
      return (flags & MB_YESNO) ? IDYES : IDOK;
    };
    ::SendMessageW(Form.DriveComboBox, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"Q:"));
    ::SendMessageW(Form.DriveComboBox, CB_SETCURSEL, ::SendMessageW(Form.DriveComboBox, CB_GETCOUNT, 0, 0) - 1, 0);
    Form.SetControlText(Form.ISOFileEdit, standin::BuildDir() + L"\\burn-images\\windows.iso");
    ::SendMessageW(Form.BootableCheckBox, BM_SETCHECK, BST_CHECKED, 0);
  }
  void TearDown() override { Form.Destroy(); }
  void ExpectCleanedUp() {
    EXPECT_EQ(ReadPolicy(HKEY_LOCAL_MACHINE), 145);
    EXPECT_EQ(ReadPolicy(HKEY_CURRENT_USER), -1);
    EXPECT_TRUE(::IsWindowEnabled(Form.BurnButton));
    EXPECT_TRUE(::IsWindowEnabled(Form.CloseButton));
    EXPECT_EQ(::SendMessageW(Form.DriveComboBox, CB_GETCURSEL, 0, 0), CB_ERR);  // list rebuilt
  }
  std::vector<std::wstring> BoxTexts() const {
    std::vector<std::wstring> texts;
    for (const TBox& box : Boxes) texts.push_back(box.Text);
    return texts;
  }

  standin::TStandInScope StandIns{L"burn-workflow"};
  std::vector<TBox> Boxes;
  std::wstring ThrowAt;
  TUSBForm Form;  // last: its hook refers to the fields above
};

TEST_F(BurnWorkflow, ScriptThatCannotBeSavedEscapesAfterTheCleanUp) {
  Form.ScriptFile = standin::BuildDir() + L"\\no-such-folder\\temp.dat";
  try {
    Form.BurnButtonClick();
    ADD_FAILURE() << "no failure escaped";
  } catch (const EFailure& failure) {
    EXPECT_NE(failure.Message().find(L"no-such-folder"), std::wstring::npos);
  }
  ASSERT_EQ(Boxes.size(), 1u);  // the confirmation only: no success message
  EXPECT_EQ(Boxes[0].Flags, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2));
  EXPECT_TRUE(StandIns.Log().empty());
  ExpectCleanedUp();
}

TEST_F(BurnWorkflow, FailureInAStageEscapesAfterTheCleanUp) {
  ::SendMessageW(Form.BootableCheckBox, BM_SETCHECK, BST_UNCHECKED, 0);
  StandIns.Control(L"format", "exit=1\n");
  ThrowAt = L"Cannot format the USB disk.";
  EXPECT_THROW(Form.BurnButtonClick(), EFailure);
  ASSERT_EQ(Boxes.size(), 2u);
  EXPECT_EQ(Boxes[1].MachinePolicy, 255);
  EXPECT_FALSE(Boxes[1].BurnEnabled);
  ExpectCleanedUp();
}

TEST_F(BurnWorkflow, FailureInTheLegacyBootStepIsShownAndTheBurnSucceeds) {
  Form.bootsect_path = Form.App_Path + L"no-such-bootsect.exe";
  ThrowAt = L"Failed to make USB disk bootable.";
  Form.BurnButtonClick();
  const std::vector<std::wstring> expected = {
      Boxes.empty() ? L"" : Boxes[0].Text, L"Failed to make USB disk bootable.",
      L"Failed to create BOOTMGR or NTLDR.",
      L"Burn the ISO file to USB disk has been successfully completed."};
  EXPECT_EQ(BoxTexts(), expected);
  ASSERT_EQ(Boxes.size(), 4u);
  EXPECT_EQ(Boxes[2].Title, L"Error");
  EXPECT_EQ(Boxes[2].Flags, static_cast<UINT>(MB_ICONERROR));
  EXPECT_EQ(Boxes[3].Title, L"Information");
  EXPECT_EQ(Boxes[3].Flags, static_cast<UINT>(MB_ICONINFORMATION));
  EXPECT_EQ(Boxes[3].MachinePolicy, 255);
  EXPECT_FALSE(Boxes[3].BurnEnabled);
  EXPECT_TRUE(fs::exists(L"Q:\\sources\\boot.wim"));
  ExpectCleanedUp();
}

LRESULT CALLBACK RecordStatus(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                              DWORD_PTR data) {
  if (msg == WM_SETTEXT && lParam)
    reinterpret_cast<std::vector<std::wstring>*>(data)->push_back(reinterpret_cast<const wchar_t*>(lParam));
  return ::DefSubclassProc(hwnd, msg, wParam, lParam);
}

TEST_F(BurnWorkflow, FailedLabelShowsErrorAndTheBurnGoesOn) {
  ::SendMessageW(Form.BootableCheckBox, BM_SETCHECK, BST_UNCHECKED, 0);
  Form.SetControlText(Form.LabelEdit, L"MY DISK");
  StandIns.Control(L"label", "exit=1\n");
  std::vector<std::wstring> statuses;
  ::SetWindowSubclass(Form.StatusLabel, RecordStatus, 1, reinterpret_cast<DWORD_PTR>(&statuses));
  Form.BurnButtonClick();
  ::RemoveWindowSubclass(Form.StatusLabel, RecordStatus, 1);
  const std::vector<std::wstring> expected = {L"Formatting USB disk...", L"Formatting is complete.",
                                              L"Writing volume label...", L"Error.",
                                              L"Burning ISO image...", L"Burning is complete."};
  EXPECT_EQ(statuses, expected);
  ASSERT_EQ(Boxes.size(), 2u);  // the confirmation and the success message
  EXPECT_EQ(Boxes[1].Text, L"Burn the ISO file to USB disk has been successfully completed.");
  EXPECT_TRUE(fs::exists(L"Q:\\sources\\boot.wim"));
  ExpectCleanedUp();
}

}  // namespace

