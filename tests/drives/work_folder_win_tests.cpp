#include <gtest/gtest.h>

#include <string>

#include "drives/host_checks.h"
#include "drives/scratch_win.h"
#include "drives/work_folder.h"

namespace {
bool IsFolder(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Whatever the test leaves in the temp folder goes on every way out.
class LeftoverWorkFolders : public ::testing::Test {
protected:
  void TearDown() override {
    for (const wchar_t* name : {L"install_wim.tmp", L"install_wim0000ABCD.tmp", L"install_wim_mine.tmp"})
      RemoveTree(Temp + name);
    ::DeleteFileW((Temp + L"install_wim0000ABCE.tmp").c_str());
  }
  const std::wstring Temp = GetTempDirectory();
};
}  // namespace

TEST_F(LeftoverWorkFolders, OnlyTheProgramsOwnGo) {
  ASSERT_FALSE(Temp.empty());
  ASSERT_TRUE(WriteTextFile(Temp + L"install_wim.tmp\\sources\\install.wim", "wim"));
  ::SetFileAttributesW((Temp + L"install_wim.tmp\\sources\\install.wim").c_str(), FILE_ATTRIBUTE_READONLY);
  ASSERT_TRUE(WriteTextFile(Temp + L"install_wim0000ABCD.tmp\\install.wim", "wim"));
  ASSERT_TRUE(WriteTextFile(Temp + L"install_wim_mine.tmp\\keep.txt", "another program's"));
  ASSERT_TRUE(WriteTextFile(Temp + L"install_wim0000ABCE.tmp", "a file, not a work folder"));

  RemoveLeftoverWorkFolders(WimWorkFolderName);
  EXPECT_FALSE(IsFolder(Temp + L"install_wim.tmp"));
  EXPECT_FALSE(IsFolder(Temp + L"install_wim0000ABCD.tmp"));
  EXPECT_EQ(ReadTextFile(Temp + L"install_wim_mine.tmp\\keep.txt"), "another program's");
  EXPECT_EQ(ReadTextFile(Temp + L"install_wim0000ABCE.tmp"), "a file, not a work folder");
}
