#include <gtest/gtest.h>

#include <algorithm>

#include "app/hidden_form_test.h"
#include "drives/host_checks.h"
#include "drives/scratch_win.h"

namespace {
// A hidden window whose boxes are recorded; Q: is the drive, the boot-sector
// stand-ins log into Log.
class DriveForm : public THiddenFormTest {
protected:
  void SetUp() override {
    THiddenFormTest::SetUp();
    RemoveTree(L"Q:");
    ::CreateDirectoryW(Log.c_str(), nullptr);
    ::SetEnvironmentVariableW(L"QUILLORA_STANDIN_DIR", Log.c_str());
    const LRESULT item = ::SendMessageW(Form.DriveComboBox, CB_ADDSTRING, 0, LPARAM(L"Q:"));
    ::SendMessageW(Form.DriveComboBox, CB_SETCURSEL, WPARAM(item), 0);
    Form.SetStatus(L"before");
  }
  void TearDown() override {
    RemoveTree(L"Q:");
    RemoveTree(Log);
  }
  std::string Run(const std::string& files) {  // "PATH=content;..." on Q:, then the step
    for (size_t at = 0; at <= files.size();) {
      const size_t eq = files.find('=', at), end = std::min(files.find(';', at), files.size());
      const std::wstring path(files.begin() + at, files.begin() + eq);
      EXPECT_TRUE(WriteTextFile(L"Q:\\" + path, files.substr(eq + 1, end - eq - 1)));
      at = end + 1;
    }
    ::DeleteFileW((Log + L"\\log.txt").c_str());
    Form.LegacyBootStep(L"Q:");
    const std::string log = ReadTextFile(Log + L"\\log.txt");
    const size_t call = log.find("bootsect_x64.exe\" ");
    return call == std::string::npos ? "" : log.substr(call + 18, log.find('\r', call) - call - 18);
  }

  const std::wstring Log = GetTempDirectory() + L"drv-log";
};
}  // namespace

TEST_F(DriveForm, SupportFilesBesideTheProgram) {
  Form.App_Path = L"Q:\\";
  for (const wchar_t* name : {L"cygwin1.dll", L"isoinfo.exe", L"7z.dll", L"bootsect_x64.exe", L"bootsect_x86.exe"}) {
    WriteTextFile(Form.App_Path + name, "x");
  }
  EXPECT_TRUE(Form.CheckSupportFiles());
  ::DeleteFileW(L"Q:\\cygwin1.dll");
  EXPECT_FALSE(Form.CheckSupportFiles());
  WriteTextFile(L"Q:\\cygwin1.dll", "x");
  ::DeleteFileW(L"Q:\\7z.dll");
  ::CreateDirectoryW(L"Q:\\7z.dll", nullptr);
  EXPECT_FALSE(Form.CheckSupportFiles());
  const std::wstring box = L"Error|Error, please reinstall this software.|" + std::to_wstring(MB_OK | MB_ICONERROR);
  EXPECT_EQ(Boxes, std::vector<std::wstring>(2, box));
}

TEST_F(DriveForm, LegacyLoadersChooseTheBootSector) {
  EXPECT_EQ(Run("BOOTMGR=m;I386\\NTLDR=i386;I386\\NTDETECT.COM=d;WXPE\\NTLDR=wxpe"), "/nt60 Q:");
  EXPECT_EQ(ReadTextFile(L"Q:\\NTLDR") + ReadTextFile(L"Q:\\NTDETECT.COM"), "i386d");
  EXPECT_EQ(Form.ControlText(Form.StatusLabel), L"Making USB disk bootable is complete.");
  RemoveTree(L"Q:");
  EXPECT_EQ(Run("WXPE\\SETUPLDR.BIN=setup;WXPE\\NTDETECT.COM=d"), "/nt52 Q:");
  EXPECT_EQ(ReadTextFile(L"Q:\\NTLDR") + ReadTextFile(L"Q:\\NTDETECT.COM"), "setupd");
  EXPECT_TRUE(Boxes.empty());
}

TEST_F(DriveForm, NoLoaderNoBootSectorAndNoReplacement) {
  EXPECT_EQ(Run("README.TXT=r"), "");
  EXPECT_EQ(Form.ControlText(Form.StatusLabel), L"before");
  EXPECT_EQ(Run("NTLDR=mine;I386\\NTLDR=i386;WXPE\\SETUPLDR.BIN=setup"), "/nt52 Q:");
  EXPECT_EQ(ReadTextFile(L"Q:\\NTLDR"), "mine");
}
