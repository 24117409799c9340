#include <gtest/gtest.h>

#include "base/ascii_text.h"

TEST(AsciiText, SameTextIgnoringCase) {
  EXPECT_TRUE(SameTextIgnoringCase(L"readme.txt", L"README.TXT"));
  EXPECT_TRUE(SameTextIgnoringCase(L"", L""));
  EXPECT_FALSE(SameTextIgnoringCase(L"README.TX", L"README.TXT"));
  EXPECT_FALSE(SameTextIgnoringCase(L"\u00e9", L"\u00c9"));  // ASCII letters only
  EXPECT_FALSE(SameTextIgnoringCase(L"@", L"`"));
}

TEST(AsciiText, TrimsOnlyWhatIsNamed) {
  EXPECT_EQ(TrimChars(L"  SanDisk \t ", L" "), L"SanDisk \t");
  EXPECT_EQ(TrimChars(L"   ", L" "), L"");
  EXPECT_EQ(TrimTrailingChars(L"a. .", L". "), L"a");
  EXPECT_EQ(TrimTrailingChars(L". .", L". "), L"");
  EXPECT_EQ(TrimTrailingBlanks(L"Invalid pointer. \r\n", L"."), L"Invalid pointer");
  EXPECT_EQ(TrimTrailingBlanks(L"Invalid pointer. \r\n"), L"Invalid pointer.");
}
