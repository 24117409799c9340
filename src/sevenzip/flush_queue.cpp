#include "sevenzip/flush_queue.h"

namespace {

// Flushed, then closed: a file counts as flushed only once it is closed.
bool FlushAndClose(std::unique_ptr<TStream> file) noexcept {
  bool flushed = false;
  try {
    flushed = file->Flush();
  } catch (...) {
  }
  file.reset();
  return flushed;
}

}  // namespace

void TFlushQueue::Push(std::unique_ptr<TStream> file, std::wstring path) noexcept {
  try {
    if (!FThread.joinable()) FThread = std::thread([this] { Run(); });
    std::unique_lock<std::mutex> lock(FLock);
    FChanged.wait(lock, [this] { return FPending.size() < MaxPending; });
    FPending.emplace_back(std::move(file), std::move(path));
    ++FOpen;
    lock.unlock();
    FChanged.notify_all();
  } catch (...) {
    // No thread or no memory: flushed here and now instead.
    if (!file) return;
    const bool flushed = FlushAndClose(std::move(file));
    std::lock_guard<std::mutex> lock(FLock);
    Record(path, flushed);
  }
}

bool TFlushQueue::Drain() noexcept {
  std::unique_lock<std::mutex> lock(FLock);
  const bool anyOpen = FOpen > 0;
  FChanged.wait(lock, [this] { return FOpen == 0; });
  return anyOpen;
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
    const bool flushed = FlushAndClose(std::move(file));
    lock.lock();
    Record(path, flushed);
    --FOpen;
    lock.unlock();
    FChanged.notify_all();
  }
}

void TFlushQueue::Record(const std::wstring& path, bool flushed) noexcept {
  try {
    if (flushed)
      Flushed.push_back(path);
    else if (Unflushed.empty())
      Unflushed = path;
  } catch (...) {
    // Out of memory: the file counts as not flushed, and so does the burn.
    if (Unflushed.empty()) Unflushed = L"?";
  }
}
