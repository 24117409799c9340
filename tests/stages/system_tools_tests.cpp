#include <gtest/gtest.h>

#include "stages/system_tools.h"

TEST(SystemTools, NativeFolderForEachWidth) {
  const TSystemToolPaths wow64 = SystemToolPaths(L"C:\\Windows", L"C:\\Windows\\system32", true);
  EXPECT_EQ(wow64.Format, L"C:\\Windows\\Sysnative\\format.com");
  EXPECT_EQ(wow64.Label, L"C:\\Windows\\Sysnative\\label.exe");
  EXPECT_EQ(wow64.DiskPart, L"C:\\Windows\\Sysnative\\diskpart.exe");
  EXPECT_EQ(wow64.Dism, L"C:\\Windows\\Sysnative\\dism.exe");
  // A 64-bit build, or a 32-bit one on a 32-bit Windows, keeps System32.
  const TSystemToolPaths native = SystemToolPaths(L"C:\\Windows", L"C:\\Windows\\system32", false);
  EXPECT_EQ(native.Format, L"C:\\Windows\\system32\\format.com");
  EXPECT_EQ(native.Dism, L"C:\\Windows\\system32\\dism.exe");
  EXPECT_EQ(SystemToolPaths(L"C:\\", L"C:\\system32", true).Label, L"C:\\Sysnative\\label.exe");
  // Without the folder it needs, no tool starts.
  EXPECT_EQ(SystemToolPaths(L"", L"C:\\Windows\\system32", true).Format, L"");
  EXPECT_EQ(SystemToolPaths(L"C:\\Windows", L"", false).DiskPart, L"");
}
