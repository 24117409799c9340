// Quillora.exe burning a large image under Wine: while the files unpack, the
// window answers messages, can be moved and repaints the bar between its ends.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "gui/gui_driver.h"
#include "standins/standin_fixture.h"

namespace {

std::wstring StoredText(HWND window) {
  wchar_t text[512] = {};
  return std::wstring(text, static_cast<size_t>(::GetWindowTextW(window, text, 512)));
}

// The filled share of the bar on screen: the first column, along a row below
// the status text, that has the colour of the bar's far right (the empty part).
double FilledFraction(HWND bar) {
  const auto pixels = gui::CaptureWindow(bar);
  if (!pixels || pixels->Width < 8 || pixels->Height < 4) return -1.0;
  const int y = pixels->Height - 3, left = 2, right = pixels->Width - 3;
  const COLORREF empty = pixels->At(right, y);
  if (pixels->At(left, y) == empty) return 0.0;
  int x = left;
  while (x < right && pixels->At(x, y) != empty) ++x;
  return static_cast<double>(x - left) / (right - left);
}

TEST(BurnProgress, WindowStaysAliveWhileALargeImageUnpacks) {
  wchar_t unixPath[MAX_PATH] = {};
  const DWORD length = ::GetEnvironmentVariableW(L"QUILLORA_BURN_BIG_IMAGE", unixPath, MAX_PATH);
  ASSERT_TRUE(length > 0 && length < MAX_PATH) << "QUILLORA_BURN_BIG_IMAGE is not set";
  std::wstring image = L"Z:";
  for (DWORD i = 0; i < length; ++i) image += unixPath[i] == L'/' ? L'\\' : unixPath[i];

  gui::PrepareWine();
  prefixstate::TSystemToolsScope systemTools;
  standin::TStandInScope standIns(L"burn-progress");
  prefixstate::TDriveQScope driveQ;
  const std::wstring exe = gui::PrepareTestBusAppFolder(L"burn_progress", "Q: removable\r\n");
  ASSERT_FALSE(exe.empty());
  gui::TQuilloraProcess app;
  ASSERT_TRUE(app.Start(exe));
  const HWND window = app.Window();
  const HWND bar = gui::FindControlByOrder(window, L"msctls_progress32", 0);
  const HWND status = gui::FindControlByOrder(::GetParent(bar), L"Static", 0);
  const HWND drives = gui::FindControlByOrder(window, L"ComboBox", 0);

  gui::SetText(gui::FindControlByOrder(window, L"Edit", 0), image);
  ASSERT_EQ(gui::ComboItems(drives).size(), 2u);  // the blank line and Q:
  gui::SelectComboItem(drives, 1);
  ASSERT_TRUE(gui::WaitUntil([&] { return gui::ComboSelectionText(drives).starts_with(L"Q:"); }, 5000));
  gui::Click(gui::FindControl(window, L"Burn", L"Button"));
  const auto confirm = app.WaitForMessageBox(10000);
  ASSERT_TRUE(confirm);
  ASSERT_TRUE(confirm->Press(IDYES));

  ASSERT_TRUE(gui::WaitUntil(
      [&] { return gui::IsVisible(bar) && StoredText(status) == L"Burning ISO image..."; }, 60000));
  DWORD_PTR range = 0;
  ASSERT_TRUE(::SendMessageTimeoutW(bar, PBM_GETRANGE, FALSE, 0, SMTO_ABORTIFHUNG, 2000, &range));
  ASSERT_GT(range, 0u);

  RECT start{};
  ::GetWindowRect(window, &start);
  bool moved = false;
  // A capture early on may find the bar a few pixels short of its first paint,
  // so the claims are on the lowest and highest fill seen.
  double lowestFill = 2.0, highestFill = -1.0;
  bool shot = false;
  int unanswered = 0;
  // A position read in one turn has been drawn by the program by the next,
  // but the screen lags behind: the drawing reaches the X server a moment
  // later. So a turn captures until the screen shows at least that position;
  // no capture may show more than the position read after it.
  DWORD_PTR painted = 0;
  bool ended = false;
  while (!ended && gui::IsVisible(bar)) {
    // Answered only when the GUI thread processes messages.
    DWORD_PTR before = 0;
    if (!::SendMessageTimeoutW(bar, PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, 1000, &before)) {
      ++unanswered;
      continue;
    }
    // The read back runs the bar again from 0 under a status of its own,
    // set before the bar comes back: read after the position, it tells.
    if (StoredText(status) != L"Burning ISO image...") break;
    if (before == 0 || before >= range) continue;
    if (!moved) {
      ::SetWindowPos(window, nullptr, start.left + 40, start.top + 30, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_ASYNCWINDOWPOS);
      moved = gui::WaitUntil([&] {
        RECT now{};
        ::GetWindowRect(window, &now);
        return now.left == start.left + 40 && now.top == start.top + 30;
      }, 5000) && gui::IsVisible(bar);
      continue;
    }
    const double low = static_cast<double>(painted) / range - 0.03;
    double fill = -1.0;
    const bool caughtUp = gui::WaitUntil([&] {
      fill = FilledFraction(bar);
      DWORD_PTR after = 0;
      if (!::SendMessageTimeoutW(bar, PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, 1000, &after)) return false;
      if (after >= range || !gui::IsVisible(bar) || StoredText(status) != L"Burning ISO image...") return ended = true;
      EXPECT_LE(fill, static_cast<double>(after) / range + 0.03);
      return fill >= low;
    }, 10000);
    if (ended) break;
    EXPECT_TRUE(caughtUp) << "the screen showed " << fill << " where " << low + 0.03 << " was drawn";
    painted = before;
    if (fill > 0.0 && !shot)
      shot = gui::SaveWindowScreenshot(window, gui::ScreenshotDir() + L"\\burn-progress-midway.png");
    lowestFill = std::min(lowestFill, fill);
    highestFill = std::max(highestFill, fill);
    ::Sleep(50);
  }
  EXPECT_EQ(unanswered, 0);
  EXPECT_TRUE(moved) << "the window was not moved while the bar was between its ends";
  EXPECT_GT(highestFill, 0.0) << "the bar was never drawn between its ends";
  EXPECT_GT(highestFill, lowestFill + 0.05) << "the bar was not repainted as the files unpacked";

  const auto done = app.WaitForMessageBox(60000);
  ASSERT_TRUE(done);
  EXPECT_EQ(done->Title, L"Information");
  EXPECT_EQ(StoredText(status), L"Burning is complete.");
  done->Press(IDOK);
  ASSERT_TRUE(app.WaitForNoMessageBox(10000));
  app.RequestClose();
  EXPECT_TRUE(app.WaitForExit(10000));
}

}  // namespace
