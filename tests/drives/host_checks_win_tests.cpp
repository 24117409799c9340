#include <gtest/gtest.h>

#include <regex>

#include "drives/host_checks.h"
#include "drives/scratch_win.h"

TEST(HostChecks, FileExistsOnLockedFilesFoldersAndMissingPaths) {
  const std::wstring folder = GetTempDirectory() + L"drv-exists", file = folder + L"\\held.bin";
  ASSERT_TRUE(WriteTextFile(file, "data"));
  {
    TFileHandle held(::CreateFileW(file.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    OVERLAPPED whole{};
    ASSERT_TRUE(::LockFileEx(held.Get(), LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &whole));
    EXPECT_TRUE(FileExists(file));
  }
  EXPECT_FALSE(FileExists(folder));
  EXPECT_FALSE(FileExists(folder + L"\\missing.bin"));
  EXPECT_FALSE(FileExists(folder + L"\\no\\such.bin"));
  EXPECT_FALSE(FileExists(folder + L"\\*.bin"));
  RemoveTree(folder);
}

TEST(HostChecks, HostWidthAndTempNames) {
#ifndef _WIN64
  EXPECT_TRUE(IsWow64());  // the 32-bit tests run in Wine's 64-bit prefix
#endif
  EXPECT_EQ(BootSectProgramName(), L"bootsect_x64.exe");

  const std::wstring folder = GetTempDirectory(), leftover = folder + L"temp.dat";
  ASSERT_EQ(folder.back(), L'\\');
  const bool made = !FileExists(leftover) && WriteTextFile(leftover, "old script");
  const std::wstring name = MakeUniqueTempName(L"temp.dat");
  if (made) ::DeleteFileW(leftover.c_str());
  EXPECT_EQ(name.substr(0, folder.size()), folder);
  EXPECT_TRUE(std::regex_match(name.substr(folder.size()), std::wregex(L"temp[0-9A-F]{8}\\.dat"))) << name;

  // A temp path longer than the 260-character buffer is not used.
  wchar_t saved[1024] = {};
  ASSERT_TRUE(::GetEnvironmentVariableW(L"TMP", saved, 1024));
  ::SetEnvironmentVariableW(L"TMP", (L"C:\\" + std::wstring(300, L'x')).c_str());
  EXPECT_EQ(GetTempDirectory(), L"");
  ::SetEnvironmentVariableW(L"TMP", saved);
}
