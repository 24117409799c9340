#include "app/form_scale.h"

#include <algorithm>
#include <cstdint>

namespace {
// value * num / den, rounded half away from zero (as MulDiv rounds).
int MulDivRound(int value, int num, int den) {
  const int64_t product = static_cast<int64_t>(value) * num;
  const int64_t half = den / 2;
  return static_cast<int>(product >= 0 ? (product + half) / den : (product - half) / den);
}
}  // namespace

int AverageCharWidth(int extentOfLetters) { return (extentOfLetters / 26 + 1) / 2; }

int FontPixelHeight(int points, unsigned dpi, unsigned textScalePercent) {
  const int percent = static_cast<int>(std::clamp(textScalePercent, 100u, 225u));
  return MulDivRound(points * percent, static_cast<int>(dpi), 72 * 100);
}

TLayoutScale::TLayoutScale(unsigned dpi, TFontCell font) {
  const int d = static_cast<int>(dpi ? dpi : 96);
  FXNum = FYNum = d;
  // Compared as fractions, so a font that only keeps pace with the DPI
  // leaves the layout exactly at the DPI's scale.
  if (static_cast<int64_t>(font.Width) * 96 > static_cast<int64_t>(DesignFontCell.Width) * d) {
    FXNum = font.Width;
    FXDen = DesignFontCell.Width;
  }
  if (static_cast<int64_t>(font.Height) * 96 > static_cast<int64_t>(DesignFontCell.Height) * d) {
    FYNum = font.Height;
    FYDen = DesignFontCell.Height;
  }
}

int TLayoutScale::X(int logical) const { return MulDivRound(logical, FXNum, FXDen); }

int TLayoutScale::Y(int logical) const { return MulDivRound(logical, FYNum, FYDen); }

TVerticalSpan TLayoutScale::LabelSpan(int logicalTop, int logicalHeight, int lineHeight) const {
  TVerticalSpan span{Y(logicalTop), Y(logicalHeight)};
  if (span.Height < lineHeight) {
    span.Top -= (lineHeight - span.Height) / 2;
    span.Height = lineHeight;
  }
  return span;
}
