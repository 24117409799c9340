// The stages under Wine: a real window, real child processes (the stand-in
// tools in <build>\bin) and real files.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/failure.h"
#include "app/usb_form.h"
#include "drives/host_checks.h"
#include "prefix_state_win.h"
#include "standins/standin_fixture.h"

namespace {

struct TBox {
  std::wstring Text, Title;
  UINT Flags;
  bool operator==(const TBox&) const = default;
};

void PrintTo(const TBox& box, std::ostream* os) {
  *os << standin::Narrow(box.Text) << " | " << standin::Narrow(box.Title) << " | " << box.Flags;
}

const TBox ErrorBox(const wchar_t* text) { return {text, L"Error", MB_OK | MB_ICONERROR}; }

std::wstring Image(const wchar_t* name) { return standin::BuildDir() + L"\\test-images\\stages\\" + name; }

std::string FileBytes(const std::wstring& path) {
  std::string bytes;
  standin::ReadWholeFile(path, bytes);
  return bytes;
}

std::wstring DiskPartScript(const std::wstring& fileSystem) {
  return L"select volume Q:\r\nclean\r\ncreate partition primary\r\nselect partition 1\r\nactive\r\nformat fs=" +
         fileSystem + L" quick\r\nassign letter=Q\r\nexit";
}

class StageWin : public ::testing::Test {
protected:
  prefixstate::TDriveQScope DriveQ;
  void SetUp() override {
    Form.Create(::GetModuleHandleW(nullptr), false);
    Form.MessageBoxHook = [this](const std::wstring& text, const std::wstring& title, UINT flags) {
      Boxes.push_back({text, title, flags});
      BrowseEnabledInBox = ::IsWindowEnabled(Form.BrowseButton) != FALSE;
      if (ThrowInBox) throw EFailure(L"Raised inside");
      return IDOK;
    };
    SelectDrive(L"Q:");
    Form.ScriptFile = Standins.Dir() + L"\\script.dat";
  }
  void TearDown() override { Form.Destroy(); }

  void SelectDrive(const wchar_t* line) {
    const LRESULT index = ::SendMessageW(Form.DriveComboBox, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line));
    ::SendMessageW(Form.DriveComboBox, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  }
  std::wstring Status() { return Form.ControlText(Form.StatusLabel); }
  std::wstring Label() { return Form.ControlText(Form.LabelEdit); }
  // Runs the stage from a clean slate and returns its result.
  bool Run(StageId stage) {
    Boxes.clear();
    ::DeleteFileW((Standins.Dir() + L"\\log.txt").c_str());
    Form.SetStatus(L"before");
    return Form.RunStage(stage);
  }
  void Expect(bool result, bool expected, const std::wstring& status, const std::vector<TBox>& boxes) {
    EXPECT_EQ(result, expected);
    EXPECT_EQ(Status(), status);
    EXPECT_EQ(Boxes, boxes);
    // Every way out leaves no child and no pipe behind.
    EXPECT_EQ(Form.ReadOut, INVALID_HANDLE_VALUE);
    EXPECT_EQ(Form.WriteOut, INVALID_HANDLE_VALUE);
    EXPECT_EQ(Form.ProcessInfo.hProcess, nullptr);
  }
  std::wstring BootSectTool() {
    const std::wstring& path = Form.bootsect_path;
    return path.substr(path.rfind(L'\\') + 1, path.size() - path.rfind(L'\\') - 5);
  }

  standin::TStandInScope Standins{L"stages"};
  TUSBForm Form;
  std::vector<TBox> Boxes;
  bool ThrowInBox = false;
  bool BrowseEnabledInBox = true;
  const std::wstring Missing = standin::BuildDir() + L"\\no-such-folder\\";
};

TEST_F(StageWin, ReadIsoInfo) {
  const TBox warning{L"Cannot read info from ISO file.", L"Warning", MB_OK | MB_ICONWARNING};
  Form.SetControlText(Form.ISOFileEdit, Image(L"setup.iso"));
  Expect(Run(ReadIsoInfo), true, L"Reading ISO info is complete.", {});
  EXPECT_EQ(Label(), L"SETUP_DISC_");
  EXPECT_EQ(Standins.Log(), std::vector<std::wstring>{L"isoinfo|\"" + Form.App_Path + L"isoinfo.exe\" -d -i \"" +
                                                     Image(L"setup.iso") + L"\""});
  Form.SetControlText(Form.ISOFileEdit, Image(L"twelve.iso"));
  Expect(Run(ReadIsoInfo), true, L"Reading ISO info is complete.", {});
  EXPECT_EQ(Label(), L"ABCDEFGHIJK");

  // No id, or not an image at all: the label field is emptied.
  for (const wchar_t* name : {L"noid.iso", L"zeros.iso"}) {
    Form.SetControlText(Form.LabelEdit, L"OLD");
    Form.SetControlText(Form.ISOFileEdit, Image(name));
    Expect(Run(ReadIsoInfo), false, L"Error.", {warning});
    EXPECT_EQ(Label(), L"");
  }
  // A non-zero exit fails even with an id; lines may end in CR alone.
  Form.SetControlText(Form.LabelEdit, L"OLD");
  Standins.Control(L"isoinfo", "exit=1\noutput=Volume id: GOOD\n");
  Expect(Run(ReadIsoInfo), false, L"Error.", {warning});
  EXPECT_EQ(Label(), L"");
  Standins.Control(L"isoinfo", "output_hex=53797374656d2069643a20580d566f6c756d652069643a2043525f4f4e4c590d\n");
  Expect(Run(ReadIsoInfo), true, L"Reading ISO info is complete.", {});
  EXPECT_EQ(Label(), L"CR_ONLY");

  // The program cannot start: the label field keeps its text.
  Form.App_Path = Missing;
  Expect(Run(ReadIsoInfo), false, L"Error.", {ErrorBox(L"Failed to read info from ISO file.")});
  EXPECT_EQ(Label(), L"CR_ONLY");
  EXPECT_TRUE(Standins.Log().empty());
}

TEST_F(StageWin, FormatDrive) {
  ::SendMessageW(Form.FileSystemComboBox, CB_SELECTSTRING, static_cast<WPARAM>(-1),
                 reinterpret_cast<LPARAM>(L"exFAT"));
  standin::WriteWholeFile(L"Q:\\old.txt", "old");
  Expect(Run(FormatDrive), true, L"Formatting is complete.", {});
  EXPECT_EQ(Standins.Log(), std::vector<std::wstring>{L"format|\"format.com\" Q: /FS:EXFAT /Q /Y"});
  EXPECT_EQ(::GetFileAttributesW(L"Q:\\old.txt"), INVALID_FILE_ATTRIBUTES);

  Standins.Control(L"format", "exit=4\n");
  Expect(Run(FormatDrive), false, L"Error.", {ErrorBox(L"Cannot format the USB disk.")});
  Form.format_path = Missing + L"format.com";
  Expect(Run(FormatDrive), false, L"Error.", {ErrorBox(L"Failed to format USB disk.")});
}

TEST_F(StageWin, WriteLabel) {
  Form.SetControlText(Form.LabelEdit, L"MY DISK");
  Expect(Run(WriteLabel), true, L"Writing label is complete.", {});
  EXPECT_EQ(Standins.Log(), std::vector<std::wstring>{L"label|label Q: MY DISK"});
  EXPECT_EQ(FileBytes(Standins.Dir() + L"\\label-Q.txt"), "MY DISK");

  Standins.Control(L"label", "exit=1\n");
  Expect(Run(WriteLabel), false, L"Error.", {});
  Form.label_path = Missing + L"label";
  Expect(Run(WriteLabel), false, L"Error.", {});
}

TEST_F(StageWin, CreateBootable) {
  const std::string fat32 =
      "select volume Q:\r\nclean\r\ncreate partition primary\r\nselect partition 1\r\nactive\r\n"
      "format fs=fat32 quick\r\nassign letter=Q\r\nexit\r\n";
  standin::WriteWholeFile(Form.ScriptFile, std::string(1000, 'x'));  // replaced whole
  Boxes.clear();
  EXPECT_TRUE(Form.RunDiskPartScript(CreateBootable, DiskPartScript(L"fat32")));
  EXPECT_EQ(Status(), L"Creating a bootable USB disk is complete.");
  EXPECT_EQ(FileBytes(Form.ScriptFile), fat32);
  EXPECT_EQ(Form.ScriptStringList.size(), 8u);
  EXPECT_EQ(Standins.Log(), std::vector<std::wstring>{L"diskpart|\"diskpart.exe\" /S \"" + Form.ScriptFile + L"\""});

  std::string ntfs = fat32;
  ntfs.replace(ntfs.find("fat32"), 5, "ntfs");
  EXPECT_TRUE(Form.RunDiskPartScript(CreateBootable, DiskPartScript(L"ntfs")));
  EXPECT_EQ(FileBytes(Form.ScriptFile), ntfs);
  EXPECT_TRUE(Boxes.empty());

  Standins.Control(L"diskpart", "exit=1\n");
  EXPECT_FALSE(Form.RunDiskPartScript(CreateBootable, DiskPartScript(L"fat32")));
  EXPECT_EQ(Boxes, std::vector<TBox>{ErrorBox(L"Cannot create a bootable USB disk.")});

  Form.diskpart_path = Missing + L"diskpart.exe";
  Boxes.clear();
  EXPECT_FALSE(Form.RunDiskPartScript(CreateBootable, DiskPartScript(L"fat32")));
  EXPECT_EQ(Status(), L"Error.");
  EXPECT_EQ(Boxes, (std::vector<TBox>{
                       ErrorBox(L"Failed to create a bootable USB disk.\r\n\r\nPlease try to run program as Administrator."),
                       {RecoveryGuideText, L"Information", MB_OK | MB_ICONINFORMATION}}));

  // A script that cannot be saved stops everything before any program runs.
  Form.diskpart_path = L"diskpart.exe";
  Form.ScriptFile = Missing + L"script.dat";
  ::DeleteFileW((Standins.Dir() + L"\\log.txt").c_str());
  Form.SetStatus(L"before");
  try {
    Form.RunDiskPartScript(CreateBootable, DiskPartScript(L"fat32"));
    ADD_FAILURE() << "no failure raised";
  } catch (const EFailure& failure) {
    EXPECT_EQ(failure.Message().rfind(L"Cannot create file \"" + Form.ScriptFile + L"\". ", 0), 0u);
    EXPECT_GT(failure.Message().size(), Form.ScriptFile.size() + 23);
  }
  EXPECT_EQ(Status(), L"before");
  EXPECT_TRUE(Standins.Log().empty());
}

TEST_F(StageWin, BootSect) {
  const std::wstring tool = BootSectTool();
  Expect(Run(BootSectNt60), true, L"Making USB disk bootable is complete.", {});
  EXPECT_EQ(Standins.Log(), std::vector<std::wstring>{tool + L"|\"" + Form.bootsect_path + L"\" /nt60 Q:"});
  Expect(Run(BootSectNt52), true, L"Making USB disk bootable is complete.", {});
  EXPECT_EQ(Standins.Log(), std::vector<std::wstring>{tool + L"|\"" + Form.bootsect_path + L"\" /nt52 Q:"});

  for (StageId stage : {BootSectNt52, BootSectNt60}) {
    Standins.Control(tool, "refuse=1\n");
    Expect(Run(stage), false, L"Error, bootable only for PC/AT BIOS.", {});
    Standins.Control(tool, "output=\nrefuse=1\n");  // after a blank line
    Expect(Run(stage), false, L"Error.", {});
    Standins.Control(tool, "exit=1\n");
    Expect(Run(stage), false, L"Error.", {});
  }
  Form.bootsect_path = Missing + L"bootsect_x86.exe";
  Expect(Run(BootSectNt60), false, L"Error.", {ErrorBox(L"Failed to make USB disk bootable.")});
}

TEST_F(StageWin, OddCalls) {
  // A value outside the table shows nothing and runs nothing.
  Expect(Run(static_cast<StageId>(8)), false, L"before", {});
  EXPECT_TRUE(Standins.Log().empty());

  // Without a drive, the programs that act on a drive are not started.
  ::SendMessageW(Form.DriveComboBox, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
  Form.SetControlText(Form.LabelEdit, L"MY DISK");
  Expect(Run(WriteLabel), false, L"Error.", {});
  Expect(Run(FormatDrive), false, L"Error.", {ErrorBox(L"Failed to format USB disk.")});
  EXPECT_TRUE(Standins.Log().empty());

  // A failure raised inside a stage leaves through the end steps.
  SelectDrive(L"Q:");
  Standins.Control(L"format", "exit=1\n");
  ThrowInBox = true;
  EXPECT_THROW(Run(FormatDrive), EFailure);
  Expect(false, false, L"Error.", {ErrorBox(L"Cannot format the USB disk.")});
}

TEST_F(StageWin, Browse) {
  // The program folder the support-file test accepts, with the stand-in isoinfo.
  const std::wstring app = Standins.Dir() + L"\\app\\";
  ::CreateDirectoryW(app.c_str(), nullptr);
  standin::ClearFolder(app);
  ::CopyFileW((standin::BinDir() + L"\\isoinfo.exe").c_str(), (app + L"isoinfo.exe").c_str(), FALSE);
  for (const wchar_t* name : {L"7z.dll", L"bootsect_x64.exe", L"bootsect_x86.exe"})
    standin::WriteWholeFile(app + name, "x");
  Form.App_Path = app;
  std::wstring chosen;
  Form.OpenDialogHook = [&] { return chosen; };

  // Cancel, a missing file, missing support files: no stage runs.
  Form.SetControlText(Form.ISOFileEdit, L"typed");
  for (const std::wstring& path : {std::wstring(), Missing + L"x.iso"}) {
    chosen = path;
    Form.BrowseButtonClick();
    EXPECT_EQ(Form.ControlText(Form.ISOFileEdit), L"typed");
  }
  chosen = Image(L"setup.iso");
  Form.BrowseButtonClick();
  EXPECT_EQ(Boxes, std::vector<TBox>{ErrorBox(L"Error, please reinstall this software.")});
  EXPECT_EQ(Form.ControlText(Form.ISOFileEdit), Image(L"setup.iso"));
  EXPECT_TRUE(Standins.Log().empty());

  standin::WriteWholeFile(app + L"cygwin1.dll", "x");
  Boxes.clear();
  Form.BrowseButtonClick();
  EXPECT_EQ(Label(), L"SETUP_DISC_");
  EXPECT_TRUE(Boxes.empty());
  EXPECT_EQ(Standins.Log().size(), 1u);

  // Controls are off while the stage runs, on again on every way out.
  chosen = Image(L"zeros.iso");
  Form.BrowseButtonClick();
  EXPECT_EQ(Boxes.size(), 1u);
  EXPECT_FALSE(BrowseEnabledInBox);
  EXPECT_TRUE(::IsWindowEnabled(Form.BrowseButton));
  ThrowInBox = true;
  EXPECT_THROW(Form.BrowseButtonClick(), EFailure);
  EXPECT_TRUE(::IsWindowEnabled(Form.BrowseButton));
  EXPECT_TRUE(::IsWindowEnabled(Form.CloseButton));
}

TEST_F(StageWin, SplitImage) {
  // A small install.wim in a work folder, split by the stand-in onto Q:.
  Form.WimWorkFolder.emplace(L"install_wim.tmp");
  const std::wstring work = Form.WimWorkFolder->Path();
  EXPECT_EQ(work.rfind(GetTempDirectory() + L"install_wim", 0), 0u) << standin::Narrow(work);
  Form.WimSplitFile = work + L"\\install.wim";
  const std::string wim(3 * 1048576 + 5, 'w');
  ASSERT_TRUE(standin::WriteWholeFile(Form.WimSplitFile, wim));
  ::CreateDirectoryW(L"Q:\\sources", nullptr);
  Expect(Run(SplitImage), true, L"Done.", {});
  EXPECT_EQ(Standins.Log(), std::vector<std::wstring>{L"dism|dism.exe /Split-Image /ImageFile:\"" + work +
                                                     L"\\install.wim\" /SWMFile:\"Q:\\sources\\install.swm\" /FileSize:3800"});
  EXPECT_EQ(FileBytes(L"Q:\\sources\\install.swm"), wim);
  ::DeleteFileW(L"Q:\\sources\\install.swm");
  ::RemoveDirectoryW(L"Q:\\sources");

  const TBox failed = ErrorBox(L"Failed to split install.wim.");
  Standins.Control(L"dism", "exit=2\n");
  Expect(Run(SplitImage), false, L"Error.", {failed});
  Form.dism_path = Missing + L"dism.exe";
  Expect(Run(SplitImage), false, L"Error.", {failed});

  // The burn's split removes the work folder, also when the split fails.
  EXPECT_FALSE(Form.SplitInstallWim());
  EXPECT_TRUE(Form.WimSplitFile.empty());
  EXPECT_FALSE(Form.WimWorkFolder);
  EXPECT_EQ(::GetFileAttributesW(work.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(Form.SplitInstallWim());  // nothing set aside: nothing to split
}

}  // namespace
