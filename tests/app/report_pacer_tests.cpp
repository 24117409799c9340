#include <gtest/gtest.h>

#include "app/report_pacer.h"

namespace {

TEST(ReportPacer, FirstAndLastReportsAlwaysAndOthersOncePerGap) {
  TReportPacer pacer(15);
  EXPECT_TRUE(pacer.Due(true, 1000, 100));    // a pass begins with its total
  EXPECT_FALSE(pacer.Due(false, 10, 101));
  EXPECT_FALSE(pacer.Due(false, 20, 114));
  EXPECT_TRUE(pacer.Due(false, 30, 115));     // the gap has passed
  EXPECT_FALSE(pacer.Due(false, 40, 129));
  EXPECT_TRUE(pacer.Due(false, 1000, 130));   // the count reaches the total
  // The next pass starts at once, whatever the clock says.
  EXPECT_TRUE(pacer.Due(true, 5000, 131));
  EXPECT_FALSE(pacer.Due(false, 10, 132));
  EXPECT_TRUE(pacer.Due(false, 5000, 133));
}

TEST(ReportPacer, WithoutATotalTheFirstCompletedReportCounts) {
  TReportPacer pacer(15);
  EXPECT_TRUE(pacer.Due(false, 10, 0));
  EXPECT_FALSE(pacer.Due(false, 20, 14));
  EXPECT_TRUE(pacer.Due(false, 30, 15));
}

}  // namespace
