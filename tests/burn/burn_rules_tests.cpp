#include <gtest/gtest.h>

#include "burn/burn_rules.h"

namespace {
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
