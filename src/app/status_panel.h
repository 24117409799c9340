#pragma once
// The status line and the progress bar under it: the model the library's
// byte counts feed, which reports process messages, and when the bar is
// painted again. The label lies over the bar with a see-through background.
#include <windows.h>

#include <cstdint>
#include <string>

#include "app/progress_model.h"

class TStatusPanel {
public:
  // Shortest time between two paints of a moving bar: under Wine one paint
  // costs some twenty server round trips.
  static constexpr ULONGLONG PaintGapMs = 250;
  static constexpr int BarRange = 65535;

  // The controls, once made; the bar gets its range and keeps the text on top.
  void Attach(HWND groupBox, HWND label, HWND bar);

  void SetText(const std::wstring& text);
  std::wstring Text() const;
  void SetBarVisible(bool visible);
  bool BarVisible() const { return FBarVisible; }
  // The status label while the bar shows: drawn see-through over it.
  bool IsLabelOverBar(HWND control) const { return control == FLabel && FBarVisible; }

  // One report of the library; true when the bar moved.
  bool Report(bool total, std::int64_t value);
  // Back to the start, hidden.
  void Reset();
  // Pushes the model onto the bar, a visible change at most every PaintGapMs
  // (its ends at once); true when it moved.
  bool UpdateBar();

  TProgressModel Model;  // Max and Value of the bar

private:
  void Redraw();
  static LRESULT CALLBACK BarProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                  DWORD_PTR refData);

  HWND FGroupBox = nullptr;
  HWND FLabel = nullptr;
  HWND FBar = nullptr;
  bool FBarVisible = false;
  int FShownPixel = -1;  // bar position last drawn, in pixels
  ULONGLONG FShownTime = 0;
};
