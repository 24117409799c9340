#pragma once
// What a burn needs of the window: the status line, the progress bar, message
// boxes, message processing and the controls. The window implements it; tests
// implement it with a recording view.
#include <cstdint>
#include <string>

class IBurnView {
public:
  virtual ~IBurnView() = default;

  virtual void SetStatus(const std::wstring& text) = 0;
  virtual std::wstring Status() const = 0;
  virtual void SetProgressVisible(bool visible) = 0;
  // The bar back at its start, hidden: a new burn begins.
  virtual void ResetProgress() = 0;
  // The library's byte counts: a total, or the count done so far. Some
  // twenty times a second at most, on the view's own thread.
  virtual void ReportProgress(bool total, std::int64_t value) = 0;
  // Text, title and MB_ flags; returns the button pressed (IDOK, IDYES...).
  virtual int ShowMessage(const std::wstring& text, const std::wstring& title, unsigned flags) = 0;
  virtual void ProcessMessages() = 0;
  // The inputs off while a burn runs (the window then refuses to close), on after.
  virtual void EnableControls(bool enabled) = 0;
  // The drive list built anew, nothing selected: the drive may have changed.
  virtual void RefreshDrives() = 0;
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
