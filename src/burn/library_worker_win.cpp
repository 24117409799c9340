#include "burn/library_worker.h"

#include <thread>

#include "base/failure.h"
#include "base/win32_handles.h"

void TLibraryWorker::Run(const std::function<void()>& work) {
  TUniqueResource<TKernelHandleTraits> ended(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!ended) throw EFailure(L"Cannot start the work.");
  {
    std::lock_guard<std::mutex> lock(FLock);
    FTotal = FDone = 0;
    FTotals = 0;
    FStopping = FCancelled;
  }
  FTotalsShown = 0;
  std::exception_ptr failure;
  std::thread worker([&] {
    try {
      work();
    } catch (...) {
      failure = std::current_exception();
    }
    ::SetEvent(ended.Get());
  });
  FEnded = ended.Get();
  HANDLE wait = ended.Get();
  try {
    // Input wakes the window at once; the bar follows at least every pump gap.
    while (::MsgWaitForMultipleObjects(1, &wait, FALSE, PumpGapMs,
                                       QS_ALLINPUT) != WAIT_OBJECT_0) {
      Forward();
      FPump();
    }
  } catch (...) {
    Stop();
    worker.join();
    FEnded = nullptr;
    throw;
  }
  worker.join();
  FEnded = nullptr;
  Forward();
  if (failure) std::rethrow_exception(failure);
}

THResult TLibraryWorker::Record(bool total, std::int64_t value) noexcept {
  std::lock_guard<std::mutex> lock(FLock);
  if (total) {
    FTotal = value;
    FDone = 0;
    ++FTotals;
  } else {
    FDone = value;
  }
  return FStopping ? SevenZip::kAbort : SevenZip::kOk;
}

void TLibraryWorker::Stop() noexcept {
  {
    std::lock_guard<std::mutex> lock(FLock);
    FStopping = true;
  }
  // A write stuck on a failing drive must not hold up the session's end.
  if (FEnded) ::WaitForSingleObject(FEnded, 5000);
}

void TLibraryWorker::Cancel() noexcept {
  std::lock_guard<std::mutex> lock(FLock);
  FStopping = FCancelled = true;
}

void TLibraryWorker::Forward() {
  std::int64_t total = 0, done = 0;
  unsigned totals = 0;
  {
    std::lock_guard<std::mutex> lock(FLock);
    total = FTotal;
    done = FDone;
    totals = FTotals;
  }
  if (totals == 0) return;
  if (totals != FTotalsShown) {
    FTotalsShown = totals;
    FView.ReportProgress(true, total);
  }
  // Even when unchanged: the bar may have held back the last one.
  FView.ReportProgress(false, done);
}
