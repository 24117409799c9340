#pragma once
// How the window's layout, drawn in logical pixels for Tahoma 8 pt at 96 DPI,
// maps to device pixels for the font and DPI it really gets.

// A font's size as dialog units see it: average character width and line height.
struct TFontCell {
  int Width = 0;
  int Height = 0;
};

// The font the layout was drawn for, at 96 DPI.
inline constexpr TFontCell DesignFontCell{6, 13};

// Average character width from the extent of "A".."Z" "a".."z", rounded as
// the dialog manager rounds it.
int AverageCharWidth(int extentOfLetters);

// A font's size in pixels: `points` at `dpi`, grown by the text scale factor
// ("Make text bigger", percent, taken only from 100 to 225).
int FontPixelHeight(int points, unsigned dpi, unsigned textScalePercent);

struct TVerticalSpan {
  int Top = 0;
  int Height = 0;
};

class TLayoutScale {
public:
  TLayoutScale() = default;
  // Follows the DPI; an axis follows the font instead where the font is
  // larger than the design font at that DPI.
  TLayoutScale(unsigned dpi, TFontCell font);

  int X(int logical) const;
  int Y(int logical) const;
  // A label's rectangle lower than one line grows to the line, centred on it.
  TVerticalSpan LabelSpan(int logicalTop, int logicalHeight, int lineHeight) const;

private:
  int FXNum = 96, FXDen = 96, FYNum = 96, FYDen = 96;
};
