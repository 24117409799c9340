#include <gtest/gtest.h>

#include "app/form_scale.h"

namespace {

// Font cells as Wine measures "MS Shell Dlg 2" (Tahoma) 8 pt and DejaVu Sans 8 pt.
constexpr TFontCell Tahoma96{6, 13}, Tahoma144{9, 19}, Tahoma192{12, 25}, DejaVu96{7, 13};

TEST(FormScale, DesignFontKeepsTheLayoutOfEachDpi) {
  for (auto [dpi, cell] : {std::pair{96u, Tahoma96}, {144u, Tahoma144}, {192u, Tahoma192}}) {
    const TLayoutScale scale(dpi, cell);
    for (int logical : {-2, 5, 12, 13, 17, 187, 318, 350}) {
      const int byDpi = static_cast<int>((logical * static_cast<int>(dpi) + (logical < 0 ? -48 : 48)) / 96);
      EXPECT_EQ(scale.X(logical), byDpi) << dpi << " " << logical;
      EXPECT_EQ(scale.Y(logical), byDpi) << dpi << " " << logical;
    }
  }
}

TEST(FormScale, LargerFontGrowsOnlyItsOwnAxes) {
  const TLayoutScale wider(96, DejaVu96);
  EXPECT_EQ(wider.X(318), 371);  // 318 * 7 / 6
  EXPECT_EQ(wider.Y(350), 350);
  // "Make text bigger" 150 %: 12 pt Tahoma measures 9 x 19.
  const TLayoutScale bigger(96, TFontCell{9, 19});
  EXPECT_EQ(bigger.X(318), 477);
  EXPECT_EQ(bigger.Y(350), 512);  // 350 * 19 / 13
  // A font narrower than the design font never shrinks the window.
  const TLayoutScale narrow(120, TFontCell{5, 12});
  EXPECT_EQ(narrow.X(318), 398);
  EXPECT_EQ(narrow.Y(350), 438);
}

TEST(FormScale, LabelLowerThanALineGrowsCentred) {
  const TLayoutScale scale(96, Tahoma96);
  EXPECT_EQ(scale.LabelSpan(18, 12, 13).Top, 18);
  EXPECT_EQ(scale.LabelSpan(18, 12, 13).Height, 13);
  EXPECT_EQ(scale.LabelSpan(18, 12, 16).Top, 16);
  EXPECT_EQ(scale.LabelSpan(18, 12, 16).Height, 16);
  EXPECT_EQ(scale.LabelSpan(45, 13, 13).Top, 45);
  EXPECT_EQ(scale.LabelSpan(45, 13, 13).Height, 13);
  EXPECT_EQ(scale.LabelSpan(45, 13, 10).Height, 13);  // never shrinks
}

TEST(FormScale, FontHeightFollowsDpiAndTextScale) {
  EXPECT_EQ(FontPixelHeight(8, 96, 100), 11);
  EXPECT_EQ(FontPixelHeight(8, 144, 100), 16);
  EXPECT_EQ(FontPixelHeight(8, 96, 150), 16);
  EXPECT_EQ(FontPixelHeight(8, 96, 300), 24);  // taken as 225 %
  EXPECT_EQ(FontPixelHeight(8, 96, 0), 11);    // unset: 100 %
  EXPECT_EQ(AverageCharWidth(330), 6);
  EXPECT_EQ(AverageCharWidth(359), 7);
  EXPECT_EQ(AverageCharWidth(475), 9);
}

}  // namespace
