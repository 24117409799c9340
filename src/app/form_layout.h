#pragma once
// Where the window's controls sit and which font they use. The layout is
// drawn in logical pixels for Tahoma 8 pt at 96 DPI and follows the DPI and
// font the window really gets.
#include <windows.h>

#include <vector>

#include "app/form_scale.h"
#include "base/win32_handles.h"

class TFormLayout {
public:
  // Fonts for `dpi`, measured on `window`, and the window's client area.
  void SetUp(HWND window, UINT dpi);
  // The client area in logical pixels, before SetUp; the main window's by default.
  void SetClientSize(int logicalWidth, int logicalHeight) {
    FClientWidth = logicalWidth;
    FClientHeight = logicalHeight;
  }
  // After a DPI change: the same, then every control placed anew.
  void ChangeDpi(HWND window, UINT dpi);

  // Creates a child control and records where it sits; AutoSize labels fit
  // their text.
  HWND MakeControl(HINSTANCE instance, const wchar_t* className, const wchar_t* text, DWORD style,
                   DWORD exStyle, HWND parent, int id, int x, int y, int w, int h, bool autoSize = false);
  // The control gets the underlined font (the links).
  void Underline(HWND control);
  // The control's right edge stays `gap` logical pixels left of `anchor`.
  void KeepLeftOf(HWND control, HWND anchor, int gap);
  // Fonts and places to every control, then the window repainted.
  void Apply(HWND window);

  // Dots per inch the window is laid out for; ScaleX and ScaleY map logical
  // pixels to it and to the window's font.
  UINT Dpi() const { return FDpi; }
  int ScaleX(int logical) const { return FScale.X(logical); }
  int ScaleY(int logical) const { return FScale.Y(logical); }

private:
  struct TItem {
    HWND Control;
    int X, Y, W, H;
    bool AutoSize;
    bool Underlined = false;
    HWND LeftOf = nullptr;
    int Gap = 0;
  };

  void CreateFonts(HWND window);
  void SizeClientArea(HWND window);
  void PlaceLeftOf(const TItem& item) const;

  TGdiObject FFont;
  TGdiObject FUnderlineFont;
  UINT FDpi = 96;
  TLayoutScale FScale;
  int FLineHeight = DesignFontCell.Height;  // of the window's font
  int FClientWidth = 318, FClientHeight = 350;
  std::vector<TItem> FItems;
};
