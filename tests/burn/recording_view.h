#pragma once
// A view of a burn that records what the job shows: status texts, boxes (with
// the state of the controls and the bar while each was up), progress reports
// and the clean-up steps. Boxes are answered Yes or OK unless a test answers.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "burn/burn_view.h"

struct TRecordedBox {
  std::wstring Text, Title;
  unsigned Flags = 0;
  bool ControlsEnabled = true;
  bool BarVisible = false;
  bool operator==(const TRecordedBox& other) const {
    return Text == other.Text && Title == other.Title && Flags == other.Flags;
  }
};

class TRecordingView : public IBurnView {
public:
  void SetStatus(const std::wstring& text) override {
    Statuses.push_back(text);
    if (OnStatus) OnStatus(text);
  }
  void SetProgressVisible(bool visible) override { BarVisible = visible; }
  void ResetProgress() override {
    BarVisible = false;
    ++Resets;
  }
  void ReportProgress(bool total, std::int64_t value) override { Reports.emplace_back(total, value); }
  int ShowMessage(const std::wstring& text, const std::wstring& title, unsigned flags) override {
    Boxes.push_back({text, title, flags, ControlsEnabled, BarVisible});
    if (Answer) return Answer(Boxes.back());
    return (flags & MB_YESNO) ? IDYES : IDOK;
  }
  // The window's inputs go with the burn; once it is over the list is built anew.
  void SetBusy(bool busy) override {
    ControlsEnabled = !busy;
    if (!busy) ++Refreshes;
  }
  // A job's or a worker's message pump in tests that act while a tool runs.
  void ProcessMessages() {
    ++MessagePasses;
    if (OnProcessMessages) OnProcessMessages();
  }
  std::function<void()> Pump() {
    return [this] { ProcessMessages(); };
  }

  std::wstring Status() const { return Statuses.empty() ? std::wstring() : Statuses.back(); }
  std::vector<std::wstring> BoxTexts() const {
    std::vector<std::wstring> texts;
    for (const TRecordedBox& box : Boxes) texts.push_back(box.Text);
    return texts;
  }

  std::vector<std::wstring> Statuses;
  std::vector<TRecordedBox> Boxes;
  std::vector<std::pair<bool, std::int64_t>> Reports;
  bool BarVisible = false;
  bool ControlsEnabled = true;
  int Resets = 0;
  int Refreshes = 0;
  int MessagePasses = 0;
  // Sees each status as it is set, while the job waits.
  std::function<void(const std::wstring&)> OnStatus;
  // Runs where the window would process its messages (while a tool runs, too).
  std::function<void()> OnProcessMessages;
  // Answers a box (it may raise); the default answers Yes or OK.
  std::function<int(const TRecordedBox&)> Answer;
};

// A box as a failed expectation prints it.
inline void PrintTo(const TRecordedBox& box, std::ostream* os) {
  *os << std::string(box.Text.begin(), box.Text.end()) << " | " << std::string(box.Title.begin(), box.Title.end())
      << " | " << box.Flags;
}

inline TRecordedBox ErrorBox(const std::wstring& text) { return {text, L"Error", MB_OK | MB_ICONERROR}; }
