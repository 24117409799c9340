#pragma once
// The burn's long work (unpacking the image, flushing the drive, reading it
// back) runs on a thread of its own, so the window keeps painting and
// answering meanwhile: its thread only waits, processes its messages and
// hands the view the latest byte counts. The view is only ever called on the
// window's thread.
#include <windows.h>

#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>

#include "base/message_pump.h"
#include "burn/burn_view.h"
#include "sevenzip/sevenzip_com.h"

class TLibraryWorker {
public:
  // How long the window waits at most between two looks at the counts.
  static constexpr DWORD PumpGapMs = 50;

  // `pump` answers the thread's windows while the work runs.
  explicit TLibraryWorker(IBurnView& view, std::function<void()> pump = ProcessPendingMessages)
      : FView(view), FPump(std::move(pump)) {}
  TLibraryWorker(const TLibraryWorker&) = delete;
  TLibraryWorker& operator=(const TLibraryWorker&) = delete;

  // Runs `work` off the window's thread and returns when it has ended;
  // rethrows what it raised, or what the view raised (the work stopped first).
  void Run(const std::function<void()>& work);
  // One report of the library (a total, or the bytes done), from the working
  // thread; asks the library to stop once Stop was called.
  THResult Record(bool total, std::int64_t value) noexcept;
  // The running work stops at the library's next report; waits a while for it.
  void Stop() noexcept;
  // The same without the wait, for a window that must answer meanwhile; also
  // stops the next work before it starts.
  void Cancel() noexcept;

private:
  void Forward();

  IBurnView& FView;
  std::function<void()> FPump;
  std::mutex FLock;  // guards the five below
  std::int64_t FTotal = 0, FDone = 0;
  unsigned FTotals = 0;  // totals recorded in this run
  bool FStopping = false;
  bool FCancelled = false;
  unsigned FTotalsShown = 0;
  HANDLE FEnded = nullptr;  // while Run runs: set when the work has ended
};
