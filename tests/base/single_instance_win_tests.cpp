#include <gtest/gtest.h>

#include <optional>

#include "base/single_instance.h"
#include "process_probe_win.h"

namespace {
const wchar_t MutexName[] = L"Global\\QuilloraTest.Running";
const wchar_t WindowClass[] = L"QuilloraTestRunningCopy";

// A top-level window of the running copy, minimised, gone on every way out.
class TRunningCopyWindow {
public:
  TRunningCopyWindow() {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = WindowClass;
    ::RegisterClassExW(&wc);
    Window = ::CreateWindowExW(0, WindowClass, L"Quillora", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr, nullptr,
                               wc.hInstance, nullptr);
    ::ShowWindow(Window, SW_SHOWMINIMIZED);
  }
  ~TRunningCopyWindow() { ::DestroyWindow(Window); }
  HWND Window;
};
}  // namespace

TEST(SingleInstance, ASecondCopyFindsTheFirstAndBringsItsWindowBack) {
  const std::wstring probe = std::wstring(L"second-copy ") + MutexName + L" " + WindowClass;
  EXPECT_EQ(RunProbe(probe), 1u);  // alone

  std::optional<TSingleInstance> first(std::in_place, MutexName);
  EXPECT_FALSE(first->AnotherCopyRuns());
  EXPECT_EQ(RunProbe(probe), 2u);  // running, but without a window
  {
    const TRunningCopyWindow running;
    ASSERT_TRUE(::IsIconic(running.Window));
    EXPECT_EQ(RunProbe(probe), 0u);
    EXPECT_FALSE(::IsIconic(running.Window));
    EXPECT_FALSE(BringRunningCopyToFront(WindowClass));  // this process's own window is not another copy's
  }
  EXPECT_TRUE(TSingleInstance(MutexName).AnotherCopyRuns());
  first.reset();
  EXPECT_EQ(RunProbe(probe), 1u);  // the first copy has ended
}
