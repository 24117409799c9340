#include <gtest/gtest.h>

#include "app/burn_rules.h"

namespace {
using V = TBurnInput::TVerdict;

TEST(BurnRules, TrimRemovesCharactersUpToBlankAtBothEndsOnly) {
  EXPECT_EQ(TrimBlanks(L" \t\r\n\x01 C:\\a b.iso \x1f\x20"), L"C:\\a b.iso");
  EXPECT_EQ(TrimBlanks(std::wstring(L"\0x\0", 3)), L"x");
  EXPECT_EQ(TrimBlanks(L" \t "), L"");
  EXPECT_EQ(TrimBlanks(L""), L"");
  // 33 ('!') and non-ASCII blanks stay.
  EXPECT_EQ(TrimBlanks(L"!a!"), L"!a!");
  EXPECT_EQ(TrimBlanks(L"\x00A0x\x00A0"), L"\x00A0x\x00A0");
}

TEST(BurnRules, LabelIsCutToElevenCharacters) {
  EXPECT_EQ(CutVolumeLabel(L"ABCDEFGHIJK"), L"ABCDEFGHIJK");
  EXPECT_EQ(CutVolumeLabel(L"ABCDEFGHIJKL"), L"ABCDEFGHIJK");
  EXPECT_EQ(CutVolumeLabel(L"A"), L"A");
}

TEST(BurnRules, EveryTableCharacterIsRefusedAndTheFirstEntryInTableOrderWins) {
  const std::wstring table = L"*?[]:<>|+=:,/\\/\"";
  ASSERT_EQ(table.size(), InvalidLabelChars.size());
  for (std::size_t i = 0; i < table.size(); ++i) {
    EXPECT_EQ(InvalidLabelChars[i], table[i]) << i;
    const int found = FindInvalidLabelChar(std::wstring(L"AB") + table[i] + L"C");
    // Colon and slash are found at their first place in the table.
    EXPECT_EQ(found, static_cast<int>(table.find(table[i]))) << i;
  }
  EXPECT_EQ(FindInvalidLabelChar(L"\"x*"), 0);  // '*' is tested before '"'
  EXPECT_EQ(FindInvalidLabelChar(L"MY DISK_1-.;'!@#$%^&(){}~"), -1);
  EXPECT_EQ(FindInvalidLabelChar(L""), -1);
}

TEST(BurnRules, InputChecksRunInOrderAndReportTheEditTexts) {
  TBurnInput in = CheckBurnInput(L"  \t", L"", L"a:b");
  EXPECT_EQ(in.Verdict, V::NoIsoFile);
  EXPECT_EQ(in.IsoFile, L"");
  EXPECT_EQ(in.Label, L"a:b");

  in = CheckBurnInput(L" x.iso ", L"", L" LONG LABEL TEXT ");
  EXPECT_EQ(in.Verdict, V::NoUsbDrive);
  EXPECT_EQ(in.IsoFile, L"x.iso");
  EXPECT_EQ(in.Label, L"LONG LABEL TEXT");  // trimmed, not yet cut

  in = CheckBurnInput(L"x.iso", L"E: [7.46 GB]", L"\tABCDEFGHIJKLMN ");
  EXPECT_EQ(in.Verdict, V::Accepted);
  EXPECT_EQ(in.Label, L"ABCDEFGHIJK");

  // The cut comes before the character test: a bad twelfth character passes.
  in = CheckBurnInput(L"x.iso", L"E:", L"ABCDEFGHIJK+");
  EXPECT_EQ(in.Verdict, V::Accepted);
  EXPECT_EQ(in.Label, L"ABCDEFGHIJK");

  in = CheckBurnInput(L"x.iso", L"E:", L"ABCDEFGHIJ+K");
  EXPECT_EQ(in.Verdict, V::InvalidLabel);
  EXPECT_EQ(in.Label, L"ABCDEFGHIJ+");

  in = CheckBurnInput(L"x.iso", L"E:", L"MY:DISK");
  EXPECT_EQ(in.Verdict, V::InvalidLabel);

  in = CheckBurnInput(L"x.iso", L"E:", L" \r\n");
  EXPECT_EQ(in.Verdict, V::Accepted);
  EXPECT_EQ(in.Label, L"");
}

TEST(BurnRules, ConfirmationTexts) {
  EXPECT_EQ(BurnConfirmTitle(L"E: [7.46 GB]"), L"Burn Quillora \"E: [7.46 GB]\"");
  EXPECT_EQ(BurnConfirmText(L"E: [7.46 GB]", false),
            L"WARNING:\r\n\r\nBurning will erase ALL data on USB disk \"E: [7.46 GB]\".\r\n"
            L"The USB disk will be formatted.\r\n\r\n"
            L"To write ISO to this USB disk, click YES. To quit, click NO.");
  EXPECT_EQ(BurnConfirmText(L"Q:", true),
            L"WARNING:\r\n\r\n1. Burning will erase ALL data on USB disk \"Q:\". "
            L"The USB disk will be formatted.\r\n\r\n2. For bootable, USB disk should have only "
            L"one partition. Do not use it on USB disk which has multiple partitions.\r\n\r\n"
            L"To write ISO to this USB disk, click YES. To quit, click NO.");
}

TEST(BurnRules, DiskPartScript) {
  const int64_t small = 16008609792;  // a 16 GB stick
  EXPECT_EQ(DiskPartScriptText(L"E:", L"FAT32", small),
            L"select volume E:\r\nclean\r\ncreate partition primary\r\nselect partition 1\r\n"
            L"active\r\nformat fs=fat32 quick\r\nassign letter=E\r\nexit");
  const std::wstring ntfs = DiskPartScriptText(L"Q:", L"NTFS", small);
  EXPECT_NE(ntfs.find(L"\r\nactive\r\nformat fs=ntfs quick\r\nassign letter=Q\r\nexit"),
            std::wstring::npos);
  EXPECT_NE(DiskPartScriptText(L"F:", L"exFAT", small).find(L"format fs=exfat quick"), std::wstring::npos);
  EXPECT_NE(DiskPartScriptText(L"F:", L"FAT", small).find(L"format fs=fat quick"), std::wstring::npos);
  EXPECT_NE(ntfs.back(), L'\n');
}

TEST(BurnRules, DiskPartScriptKeepsFat32Within32000MB) {
  const int64_t big = 64023257088;  // a 64 GB stick
  const int64_t limit = 33554432000;
  const std::wstring head = L"select volume E:\r\nclean\r\n";
  const std::wstring tail = L"\r\nselect partition 1\r\nactive\r\nformat fs=";
  EXPECT_EQ(DiskPartScriptText(L"E:", L"FAT32", big),
            head + L"create partition primary size=32000" + tail + L"fat32 quick\r\nassign letter=E\r\nexit");
  EXPECT_EQ(DiskPartScriptText(L"E:", L"FAT32", limit + 1), DiskPartScriptText(L"E:", L"FAT32", big));
  // Exactly 32000 MB, unknown sizes and other file systems: the plain line.
  for (const int64_t size : {limit, int64_t{-1}})
    EXPECT_EQ(DiskPartScriptText(L"E:", L"FAT32", size),
              head + L"create partition primary" + tail + L"fat32 quick\r\nassign letter=E\r\nexit");
  EXPECT_EQ(DiskPartScriptText(L"E:", L"NTFS", big),
            head + L"create partition primary" + tail + L"ntfs quick\r\nassign letter=E\r\nexit");
}
}  // namespace
