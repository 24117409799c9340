#include <gtest/gtest.h>

#include "app/burn_input.h"
#include "base/ascii_text.h"

namespace {
using V = TBurnInput::TVerdict;

TListedDrive Drive(wchar_t letter, const std::wstring& size, bool hardDisk, std::optional<uint32_t> disk) {
  TListedDrive drive;
  drive.Letter = letter;
  drive.Line = std::wstring(1, letter) + L": [" + size + L"]" + (hardDisk ? L" hard disk" : L"");
  drive.HardDisk = hardDisk;
  drive.Identity.RemovableMedia = !hardDisk;
  drive.Identity.DiskNumber = disk;
  return drive;
}
}  // namespace

TEST(BurnInput, TrimRemovesCharactersUpToBlankAtBothEndsOnly) {
  EXPECT_EQ(TrimBlanks(L" \t\r\n\x01 C:\\a b.iso \x1f\x20"), L"C:\\a b.iso");
  EXPECT_EQ(TrimBlanks(std::wstring(L"\0x\0", 3)), L"x");
  EXPECT_EQ(TrimBlanks(L" \t "), L"");
  EXPECT_EQ(TrimBlanks(L""), L"");
  // 33 ('!') and non-ASCII blanks stay.
  EXPECT_EQ(TrimBlanks(L"!a!"), L"!a!");
  EXPECT_EQ(TrimBlanks(L"\x00A0x\x00A0"), L"\x00A0x\x00A0");
}

TEST(BurnInput, LabelIsCutToElevenCharacters) {
  EXPECT_EQ(CutVolumeLabel(L"ABCDEFGHIJK"), L"ABCDEFGHIJK");
  EXPECT_EQ(CutVolumeLabel(L"ABCDEFGHIJKL"), L"ABCDEFGHIJK");
  EXPECT_EQ(CutVolumeLabel(L"A"), L"A");
}

TEST(BurnInput, EveryTableCharacterIsRefusedAndTheFirstEntryInTableOrderWins) {
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

TEST(BurnInput, InputChecksRunInOrderAndReportTheEditTexts) {
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

TEST(BurnInput, ConfirmationTexts) {
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

TEST(BurnInput, SecondConfirmationNamesHardDisksAndTheWholeDisk) {
  const TListedDrive stick = Drive(L'D', L"7.46 GB", false, 1), e = Drive(L'E', L"1.82 GB", true, 2),
                     f = Drive(L'F', L"931.39 GB", true, 2), g = Drive(L'G', L"465.76 GB", true, 2),
                     unnumbered = Drive(L'H', L"1 GB", false, std::nullopt);
  EXPECT_EQ(SecondConfirmText(stick, true, {}), L"");
  EXPECT_EQ(SecondConfirmText(unnumbered, true, {}), L"");
  EXPECT_EQ(SecondConfirmText(e, false, {f.Line, g.Line}),
            L"E: is on a USB hard disk, not a flash drive.\r\nEverything on it will be lost. Continue?");
  EXPECT_EQ(SecondConfirmText(e, true, {f.Line, g.Line}),
            L"E: is on a USB hard disk, not a flash drive.\r\n"
            L"Bootable erases the whole disk, also: F: [931.39 GB], G: [465.76 GB].\r\n"
            L"Everything on it will be lost. Continue?");
  // Flash drives sharing a disk, or a partition without a letter: only the whole-disk line.
  const TListedDrive a = Drive(L'A', L"2 GB", false, 5), b = Drive(L'B', L"6 GB", false, 5);
  EXPECT_EQ(SecondConfirmText(b, true, {a.Line}),
            L"Bootable erases the whole disk, also: A: [2 GB].\r\nEverything on it will be lost. Continue?");
  EXPECT_EQ(SecondConfirmText(b, false, {a.Line}), L"");
  EXPECT_EQ(SecondConfirmText(b, true, {L"a partition without a drive letter [100 MB]"}),
            L"Bootable erases the whole disk, also: a partition without a drive letter [100 MB].\r\n"
            L"Everything on it will be lost. Continue?");
}

// A disk without a letter is named by its number, and its partitions go on any burn.
TEST(BurnInput, SecondConfirmationOfADiskWithoutALetter) {
  TListedDrive disk = Drive(0, L"1.82 TB", true, 3);
  disk.Line = L"Disk 3 [1.82 TB] WD Elements (no drive letter) hard disk";
  const std::wstring partition = L"a partition without a drive letter [1.82 TB]";
  EXPECT_EQ(SecondConfirmText(disk, false, {partition}),
            L"Disk 3 is on a USB hard disk, not a flash drive.\r\n"
            L"Burning erases every partition of the disk: " + partition + L".\r\n"
            L"Everything on it will be lost. Continue?");
  disk.HardDisk = false;
  EXPECT_EQ(SecondConfirmText(disk, true, {}), L"");
  EXPECT_EQ(BurnConfirmTitle(disk.Line), L"Burn Quillora \"" + disk.Line + L"\"");
}

