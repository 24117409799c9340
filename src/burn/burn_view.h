#pragma once
// What a burn shows and asks: the status line, the progress bar (and with it
// the taskbar button), message boxes, and whether a burn is under way. The
// window implements it; tests implement it with a recording view.
#include <cstdint>
#include <string>

class IBurnView {
public:
  virtual ~IBurnView() = default;

  virtual void SetStatus(const std::wstring& text) = 0;
  virtual void SetProgressVisible(bool visible) = 0;
  // The bar back at its start, hidden: a new burn begins.
  virtual void ResetProgress() = 0;
  // The library's byte counts: a total, or the count done so far. Some
  // twenty times a second at most, on the view's own thread.
  virtual void ReportProgress(bool total, std::int64_t value) = 0;
  // Text, title and MB_ flags; returns the button pressed (IDOK, IDYES...).
  virtual int ShowMessage(const std::wstring& text, const std::wstring& title, unsigned flags) = 0;
  // From the first change to the drive or the host to the end of the
  // clean-up. What that means for its controls, its drive list and its
  // messages is the window's to decide.
  virtual void SetBusy(bool busy) = 0;
};

// How a burn ended, for the window.
enum class TBurnEnd {
  Refused,       // before anything changed: the checks, or a box answered No
  DriveChanged,  // the drive asked again is not the listed one: nothing changed
  Ran,           // it ran, well or not, and cleaned up
};

// Shows the bar for a scope and hides it on every way out, after any box.
class TProgressBarScope {
public:
  explicit TProgressBarScope(IBurnView& view) : FView(view) { FView.SetProgressVisible(true); }
  ~TProgressBarScope() { FView.SetProgressVisible(false); }
  TProgressBarScope(const TProgressBarScope&) = delete;
  TProgressBarScope& operator=(const TProgressBarScope&) = delete;

private:
  IBurnView& FView;
};
