#include "sevenzip/flush_queue.h"

void TFlushQueue::Push(std::unique_ptr<TStream> file, std::wstring path) noexcept {
  try {
    if (!FThread.joinable()) FThread = std::thread([this] { Run(); });
    std::unique_lock<std::mutex> lock(FLock);
    FChanged.wait(lock, [this] { return FPending.size() < MaxPending; });
    FPending.emplace_back(std::move(file), std::move(path));
    lock.unlock();
    FChanged.notify_all();
  } catch (...) {
    // No thread or no memory: flushed here and now instead.
    if (file) FlushOne(std::move(file), path);
  }
}

void TFlushQueue::Finish() noexcept {
  {
    std::lock_guard<std::mutex> lock(FLock);
    FFinishing = true;
  }
  FChanged.notify_all();
  if (FThread.joinable()) FThread.join();
}

void TFlushQueue::Run() noexcept {
  for (;;) {
    std::unique_lock<std::mutex> lock(FLock);
    FChanged.wait(lock, [this] { return !FPending.empty() || FFinishing; });
    if (FPending.empty()) return;
    auto [file, path] = std::move(FPending.front());
    FPending.pop_front();
    lock.unlock();
    FChanged.notify_all();
    FlushOne(std::move(file), path);
  }
}

void TFlushQueue::FlushOne(std::unique_ptr<TStream> file, const std::wstring& path) noexcept {
  bool flushed = false;
  try {
    flushed = file->Flush();
  } catch (...) {
  }
  file.reset();  // closed before anyone counts it flushed
  std::lock_guard<std::mutex> lock(FLock);
  try {
    if (flushed)
      Flushed.push_back(path);
    else if (Unflushed.empty())
      Unflushed = path;
  } catch (...) {
    if (Unflushed.empty()) Unflushed = L"?";
  }
}
