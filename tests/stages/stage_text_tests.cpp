#include <gtest/gtest.h>

#include "drives/drive_list.h"
#include "stages/stage_text.h"

using Lines = std::vector<std::wstring>;

TEST(StageText, CommandLines) {
  TStageCommandParts p;
  p.AppPath = L"C:\\Tools\\";
  p.FormatPath = L"C:\\WINDOWS\\system32\\format.com";
  p.LabelPath = L"C:\\WINDOWS\\system32\\label.exe";
  p.DiskPartPath = L"C:\\WINDOWS\\system32\\diskpart.exe";
  p.BootSectPath = L"C:\\Tools\\bootsect_x64.exe";
  p.DismPath = L"C:\\WINDOWS\\system32\\dism.exe";
  p.WimFile = L"C:\\Temp\\wim.tmp\\install.wim";
  p.SwmFile = L"C:\\Temp\\wim.tmp\\install.swm";
  p.ScriptFile = L"C:\\Temp\\temp.dat";
  p.Label = L"MY DISK";
  p.FileSystem = L"exFAT";
  p.Root = DriveRootOf(L"E: [7.46 GB]");
  EXPECT_EQ(p.Root, L"E:");
  EXPECT_EQ(ComposeStageCommand(ReadVolumeId, p), L"");
  EXPECT_EQ(ComposeStageCommand(FormatDrive, p), L"\"C:\\WINDOWS\\system32\\format.com\" E: /FS:EXFAT /Q /Y");
  EXPECT_EQ(ComposeStageCommand(WriteLabel, p), L"C:\\WINDOWS\\system32\\label.exe E: MY DISK");
  EXPECT_EQ(ComposeStageCommand(CreateBootable, p),
            L"\"C:\\WINDOWS\\system32\\diskpart.exe\" /S \"C:\\Temp\\temp.dat\"");
  EXPECT_EQ(ComposeStageCommand(BootSectNt52, p), L"\"C:\\Tools\\bootsect_x64.exe\" /nt52 E:");
  EXPECT_EQ(ComposeStageCommand(BootSectNt60, p), L"\"C:\\Tools\\bootsect_x64.exe\" /nt60 E:");
  EXPECT_EQ(ComposeStageCommand(BurnImage, p), L"");
  EXPECT_EQ(ComposeStageCommand(SplitImage, p),
            L"C:\\WINDOWS\\system32\\dism.exe /Split-Image /ImageFile:\"C:\\Temp\\wim.tmp\\install.wim\" "
            L"/SWMFile:\"C:\\Temp\\wim.tmp\\install.swm\" /FileSize:3800");
  // A system folder with a blank: the unquoted names get quotes.
  p.LabelPath = L"D:\\My Windows\\system32\\label.exe";
  p.DismPath = L"D:\\My Windows\\system32\\dism.exe";
  EXPECT_EQ(ComposeStageCommand(WriteLabel, p), L"\"D:\\My Windows\\system32\\label.exe\" E: MY DISK");
  EXPECT_EQ(ComposeStageCommand(SplitImage, p).rfind(L"\"D:\\My Windows\\system32\\dism.exe\" /Split-Image ", 0), 0u);
  EXPECT_EQ(ComposeStageCommand(8, p), L"");
  EXPECT_EQ(ComposeStageCommand(-1, p), L"");

  // Only a to z are upper-cased.
  p.FileSystem = L"ntfs\u00e9";
  EXPECT_EQ(ComposeStageCommand(FormatDrive, p), L"\"C:\\WINDOWS\\system32\\format.com\" E: /FS:NTFS\u00e9 /Q /Y");

  // Without a drive root nothing that acts on a drive is composed; diskpart
  // (whose script names the volume) does not use the root.
  for (const std::wstring entry : {L"", L"E", L"[7", L"1:"}) {
    p.Root = DriveRootOf(entry);
    for (int stage : {FormatDrive, WriteLabel, BootSectNt52, BootSectNt60})
      EXPECT_EQ(ComposeStageCommand(stage, p), L"") << stage;
    EXPECT_NE(ComposeStageCommand(CreateBootable, p), L"");
    EXPECT_NE(ComposeStageCommand(SplitImage, p), L"");  // the parts go beside the copy
  }
}

TEST(StageText, SplitLines) {
  EXPECT_EQ(SplitLines(L""), Lines{});
  EXPECT_EQ(SplitLines(L"a\r\nb\r\n"), (Lines{L"a", L"b"}));
  EXPECT_EQ(SplitLines(L"a\nb\n"), (Lines{L"a", L"b"}));
  EXPECT_EQ(SplitLines(L"a\rb\r"), (Lines{L"a", L"b"}));
  EXPECT_EQ(SplitLines(L"a\rb"), (Lines{L"a", L"b"}));
  EXPECT_EQ(SplitLines(L"a\n\rb"), (Lines{L"a", L"", L"b"}));
  EXPECT_EQ(SplitLines(L"a\r\n\r\nb"), (Lines{L"a", L"", L"b"}));
  EXPECT_EQ(SplitLines(L"\n"), Lines{L""});
  EXPECT_EQ(SplitLines(L"x\r\r"), (Lines{L"x", L""}));
}

TEST(StageText, VolumeLabel) {
  EXPECT_EQ(VolumeLabelFromId(L"SETUP_DISC_X64_EN"), L"SETUP_DISC_");
  EXPECT_EQ(VolumeLabelFromId(L"ABCDEFGHIJK"), L"ABCDEFGHIJK");
  EXPECT_EQ(VolumeLabelFromId(L"ABCDEFGHIJKL"), L"ABCDEFGHIJK");
}

TEST(StageText, BootSectFailure) {
  const std::wstring refusal = L"This tool can only be run on systems that support BitLocker.\r\n";
  EXPECT_EQ(BootSectFailureText(refusal), L"Error, bootable only for PC/AT BIOS.");
  EXPECT_EQ(BootSectFailureText(L"This tool can only be run on systems"), L"Error, bootable only for PC/AT BIOS.");
  EXPECT_EQ(BootSectFailureText(L"\r\n" + refusal), L"Error.");
  EXPECT_EQ(BootSectFailureText(L"This tool can only be run on system"), L"Error.");
  EXPECT_EQ(BootSectFailureText(L"this tool can only be run on systems"), L"Error.");
  EXPECT_EQ(BootSectFailureText(L""), L"Error.");
}

// The script text as the burn workflow composes it: no break after "exit".
std::wstring DiskPartScript(const std::wstring& root, const std::wstring& fileSystem) {
  return L"select volume " + root + L"\r\nclean\r\ncreate partition primary\r\nselect partition 1\r\nactive\r\n"
         L"format fs=" + fileSystem + L" quick\r\nassign letter=" + root.substr(0, 1) + L"\r\nexit";
}

TEST(StageText, ScriptFileText) {
  const Lines lines = SplitLines(DiskPartScript(L"E:", L"fat32"));
  ASSERT_EQ(lines.size(), 8u);
  EXPECT_EQ(ScriptFileText(lines),
            L"select volume E:\r\nclean\r\ncreate partition primary\r\nselect partition 1\r\nactive\r\n"
            L"format fs=fat32 quick\r\nassign letter=E\r\nexit\r\n");
  EXPECT_EQ(ScriptFileText(SplitLines(DiskPartScript(L"E:", L"ntfs"))),
            L"select volume E:\r\nclean\r\ncreate partition primary\r\nselect partition 1\r\nactive\r\n"
            L"format fs=ntfs quick\r\nassign letter=E\r\nexit\r\n");
  EXPECT_EQ(ScriptFileText({}), L"");
}
