#include <gtest/gtest.h>

#include <cstdint>

#include "app/progress_model.h"

namespace {
constexpr std::int64_t GiB = std::int64_t{1} << 30;
}

TEST(ProgressModel, CompletedReportsMoveValueOnlyBelowMax) {
  TProgressModel model;
  model.Value = 0.0f;
  model.Report(true, 1000);
  EXPECT_EQ(model.Max, 1000.0f);
  model.Report(false, 400);
  EXPECT_EQ(model.Value, 400.0f);
  model.Report(false, 900);
  EXPECT_EQ(model.Value, 900.0f);
  model.Report(false, 1000);
  EXPECT_EQ(model.Value, 900.0f);
  model.Report(false, 1500);
  EXPECT_EQ(model.Value, 900.0f);

  // A later pass's total leaves Value where the previous pass put it.
  model.Report(true, 5000);
  EXPECT_EQ(model.Max, 5000.0f);
  EXPECT_EQ(model.Value, 900.0f);

  // An empty image: a total of zero takes no completed report.
  model.Report(true, 0);
  model.Report(false, 0);
  EXPECT_EQ(model.Value, 900.0f);
  EXPECT_EQ(model.Position(65535), 0);
}

TEST(ProgressModel, CountIsComparedExactlyWithTheStoredMax) {
  // 2^24 + 1 is not a float: Max stores 2^24, so 2^24 + 1 is not below it,
  // although rounding the count to float first would make it equal.
  const std::int64_t big = (std::int64_t{1} << 24) + 1;
  TProgressModel model;
  model.Report(true, big);
  EXPECT_EQ(model.Max, 16777216.0f);
  model.Report(false, big - 2);
  EXPECT_EQ(model.Value, 16777215.0f);
  model.Report(false, big - 1);  // equal to the stored Max
  EXPECT_EQ(model.Value, 16777215.0f);
  model.Report(false, big);
  EXPECT_EQ(model.Value, 16777215.0f);

  // Totals rounded up when stored: the exact total stays below Max.
  const std::int64_t up = (std::int64_t{1} << 25) - 1;  // stored as 2^25
  model.Report(true, up);
  model.Report(false, up);
  EXPECT_EQ(model.Value, 33554432.0f);

  EXPECT_TRUE(CountBelow(INT64_MAX, 9223372036854775808.0f));
  EXPECT_FALSE(CountBelow(INT64_MIN, -9223372036854775808.0f));
  EXPECT_TRUE(CountBelow(-1, 0.5f));
  EXPECT_TRUE(CountBelow(0, 0.5f));
  EXPECT_FALSE(CountBelow(1, 0.5f));
}

TEST(ProgressModel, PositionFollowsTheFractionAbove4GiB) {
  TProgressModel model;
  model.Value = 0.0f;
  model.Report(true, 6 * GiB);
  model.Report(false, 3 * GiB);
  EXPECT_NEAR(model.Position(65535), 65535 / 2, 1);
  model.Report(false, 6 * GiB - 1);  // stored as 6 GiB: at the end
  EXPECT_EQ(model.Position(65535), 65535);

  model.Report(true, 100 * GiB);
  model.Value = 0.0f;
  model.Report(false, 25 * GiB);
  EXPECT_NEAR(model.Position(65535), 65535 / 4, 1);
  model.Report(false, 5 * GiB);
  EXPECT_NEAR(model.Position(1000), 50, 1);
  EXPECT_EQ(model.Position(0), 0);

  model.Report(true, 1000);
  model.Value = 0.0f;
  EXPECT_EQ(model.Position(65535), 0);
}
