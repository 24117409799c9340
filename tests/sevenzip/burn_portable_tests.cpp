#include <gtest/gtest.h>

#include "sevenzip/udf_fallback.h"

TEST(UdfFallback, OnlyASingleReadmeNoticeLeadsToTheSecondPass) {
  EXPECT_TRUE(NeedsUdfPass({L"README.TXT"}));
  EXPECT_TRUE(NeedsUdfPass({L"readme.txt"}));
  EXPECT_TRUE(NeedsUdfPass({L"ReadMe.Txt"}));

  EXPECT_FALSE(NeedsUdfPass({}));
  EXPECT_FALSE(NeedsUdfPass({L"README.TXT", L"System Volume Information"}));
  EXPECT_FALSE(NeedsUdfPass({L"sources", L"README.TXT"}));
  EXPECT_FALSE(NeedsUdfPass({L"setup.exe"}));
  EXPECT_FALSE(NeedsUdfPass({L"README.TXT "}));
  EXPECT_FALSE(NeedsUdfPass({L"README.TX"}));
  EXPECT_FALSE(NeedsUdfPass({L"README_TXT"}));
}
