#include <gtest/gtest.h>

#include "burn/burn_rules.h"

namespace {
TEST(BurnRules, DiskPartScript) {
  const int64_t small = 16008609792;  // a 16 GB stick
  EXPECT_EQ(DiskPartScriptText(L"E:", TFileSystem::Fat32, small),
            L"select volume E:\r\nclean\r\ncreate partition primary\r\nselect partition 1\r\n"
            L"active\r\nformat fs=fat32 quick\r\nassign letter=E\r\nexit");
  const std::wstring ntfs = DiskPartScriptText(L"Q:", TFileSystem::Ntfs, small);
  EXPECT_NE(ntfs.find(L"\r\nactive\r\nformat fs=ntfs quick\r\nassign letter=Q\r\nexit"),
            std::wstring::npos);
  EXPECT_NE(DiskPartScriptText(L"F:", TFileSystem::ExFat, small).find(L"format fs=exfat quick"), std::wstring::npos);
  EXPECT_NE(DiskPartScriptText(L"F:", TFileSystem::Fat, small).find(L"format fs=fat quick"), std::wstring::npos);
  EXPECT_NE(ntfs.back(), L'\n');
}

TEST(BurnRules, DiskPartScriptKeepsFat32Within32000MB) {
  const int64_t big = 64023257088;  // a 64 GB stick
  const int64_t limit = 33554432000;
  const std::wstring head = L"select volume E:\r\nclean\r\n";
  const std::wstring tail = L"\r\nselect partition 1\r\nactive\r\nformat fs=";
  EXPECT_EQ(DiskPartScriptText(L"E:", TFileSystem::Fat32, big),
            head + L"create partition primary size=32000" + tail + L"fat32 quick\r\nassign letter=E\r\nexit");
  EXPECT_EQ(DiskPartScriptText(L"E:", TFileSystem::Fat32, limit + 1), DiskPartScriptText(L"E:", TFileSystem::Fat32, big));
  // Exactly 32000 MB, unknown sizes and other file systems: the plain line.
  for (const int64_t size : {limit, int64_t{-1}})
    EXPECT_EQ(DiskPartScriptText(L"E:", TFileSystem::Fat32, size),
              head + L"create partition primary" + tail + L"fat32 quick\r\nassign letter=E\r\nexit");
  EXPECT_EQ(DiskPartScriptText(L"E:", TFileSystem::Ntfs, big),
            head + L"create partition primary" + tail + L"ntfs quick\r\nassign letter=E\r\nexit");
  // What the image must fit on such a disk is the volume made, not the disk.
  EXPECT_EQ(ScriptVolumeSize(TFileSystem::Fat32, big), limit);
  EXPECT_EQ(ScriptVolumeSize(TFileSystem::Fat32, limit), limit);
  EXPECT_EQ(ScriptVolumeSize(TFileSystem::ExFat, big), big);
}

// A disk without a letter: chosen by number, active only when bootable, the letter Windows' choice.
TEST(BurnRules, DiskScriptForADiskWithoutALetter) {
  EXPECT_EQ(DiskScriptText(3, TFileSystem::Ntfs, 16008609792, true),
            L"select disk 3\r\nclean\r\ncreate partition primary\r\nselect partition 1\r\n"
            L"active\r\nformat fs=ntfs quick\r\nassign\r\nexit");
  EXPECT_EQ(DiskScriptText(12, TFileSystem::Fat32, 64023257088, false),
            L"select disk 12\r\nclean\r\ncreate partition primary size=32000\r\nselect partition 1\r\n"
            L"format fs=fat32 quick\r\nassign\r\nexit");
}
}  // namespace

TEST(BurnRules, FileSystemsAreNamedAsTheListAndTheToolsName) {
  for (TFileSystem fs : {TFileSystem::Fat32, TFileSystem::Ntfs, TFileSystem::ExFat, TFileSystem::Fat})
    EXPECT_EQ(FileSystemNamed(FileSystemName(fs)), fs);
  EXPECT_STREQ(FileSystemName(TFileSystem::ExFat), L"exFAT");
  EXPECT_EQ(FileSystemNamed(L"ntfs"), TFileSystem::Ntfs);
  EXPECT_EQ(FileSystemNamed(L""), TFileSystem::Fat32);  // nothing selected
  EXPECT_TRUE(IsFatFamily(TFileSystem::Fat) && !IsFatFamily(TFileSystem::ExFat));
}
