#include <gtest/gtest.h>

#include "burn/erase_rules.h"

TEST(EraseRules, NothingErasedThatTheBurnNeeds) {
  const TVolumeRef e{L"\\\\?\\Volume{e}\\", 0xe, 8011120640, 2}, f{L"\\\\?\\Volume{f}\\", 0xf, 8011120640, 2},
      c{L"\\\\?\\Volume{c}\\", 0xc, 8011120640, 0}, unknown{};
  // The same volume named apart (a subst or second letter): same serial and size.
  const TVolumeRef eAgain{L"R:\\", 0xe, 8011120640, std::nullopt}, eClone{L"S:\\", 0xe, 4096, std::nullopt};
  const std::wstring root = L"E:";
  auto refusal = [&](bool bootable, TVolumeRef image, TVolumeRef program, std::optional<TVolumeRef> temp) {
    return ErasedNeedRefusal(root, bootable, {e, image, program, temp, L"F:\\tmp\\"}).value_or(L"");
  };
  const std::wstring image = L"The ISO image is on the drive that will be erased (E:). Copy it to another drive first.",
                     program = L"Quillora runs from the drive that will be erased (E:). Start it from another drive.",
                     temp = L"The temporary folder \"F:\\tmp\\\" is on the drive that will be erased (E:).";
  EXPECT_EQ(refusal(true, c, c, c), L"");
  EXPECT_EQ(refusal(false, f, f, f), L"");  // a format erases the volume alone
  EXPECT_EQ(refusal(false, unknown, eClone, std::nullopt), L"");
  EXPECT_EQ(refusal(false, e, e, e), image);
  EXPECT_EQ(refusal(false, eAgain, c, c), image);
  EXPECT_EQ(refusal(false, c, eAgain, e), program);
  EXPECT_EQ(refusal(false, c, c, e), temp);
  EXPECT_EQ(refusal(false, c, c, std::nullopt), L"");  // no split: the temp folder is not needed
  EXPECT_EQ(refusal(true, f, c, c), image);             // bootable: the whole disk
  EXPECT_EQ(refusal(true, c, c, f), temp);
}

TEST(EraseRules, FatVolumesAndTheTempFolderForTheSplit) {
  EXPECT_EQ(FatVolumeRefusal(TFileSystem::Fat, 4294967297).value_or(L""), FatVolumeTooLargeText);
  EXPECT_FALSE(FatVolumeRefusal(TFileSystem::Fat, 4294967296));
  EXPECT_FALSE(FatVolumeRefusal(TFileSystem::Fat32, 8011120640));

  const std::wstring fits = L"C:\\" + std::wstring(259 - 3 - WimCopyTail.size() - 1, L't') + L"\\";
  TFolderState temp{fits, true, true, L"NTFS"};
  EXPECT_FALSE(TempFolderRefusal(temp, 5368709120, L"."));
  temp.Path.pop_back();  // the separator is added for the copy
  EXPECT_FALSE(TempFolderRefusal(temp, 5368709120, L"."));
  auto refused = [](TFolderState state) { return TempFolderRefusal(state, 5368709120, L",").value_or(L""); };
  EXPECT_EQ(refused({L"C:\\tmp", false, false, L""}),
            L"The temporary folder \"C:\\tmp\" cannot hold install.wim (5 GB). Point TEMP to a folder on an NTFS "
            L"drive with enough free space.");
  EXPECT_NE(refused({L"C:\\tmp", true, false, L"NTFS"}), L"");
  EXPECT_NE(refused({L"C:\\tmp", true, true, L"FAT"}), L"");
  EXPECT_NE(refused({L"C:\\tmp", true, true, L"FAT32"}), L"");
  EXPECT_NE(refused({fits + L"t", true, true, L"NTFS"}), L"");
  EXPECT_NE(TempFolderRefusal({L"C:\\tmp", false, false, L""}, 5637144576, L",").value_or(L"").find(L"(5,25 GB)"),
            std::wstring::npos);
}

TEST(EraseRules, ChangedDrive) {
  EXPECT_EQ(DriveChangedText(L"E:"),
            L"The USB drive E: has changed since the list was made. Press Refresh and choose the drive again.");
}
