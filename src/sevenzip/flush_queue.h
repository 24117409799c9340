#pragma once
// Written files flushed and closed on a thread of their own: a file's flush
// waits for the drive, the next file's writes need not wait with it.
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "sevenzip/stream.h"

class TFlushQueue {
public:
  TFlushQueue() = default;
  ~TFlushQueue() { Finish(); }
  TFlushQueue(const TFlushQueue&) = delete;
  TFlushQueue& operator=(const TFlushQueue&) = delete;

  // A file whose writes are done; waits while many are still pending.
  void Push(std::unique_ptr<TStream> file, std::wstring path) noexcept;
  // Returns once every file pushed so far is closed; true when any was open.
  bool Drain() noexcept;
  // Returns once every file pushed is flushed and closed.
  void Finish() noexcept;

  // Complete after Finish: the files flushed, in the order pushed, and the
  // first one that was not.
  std::vector<std::wstring> Flushed;
  std::wstring Unflushed;

private:
  // Open handles wait here: enough to keep the flushing busy, few enough
  // for any process's handle limit.
  static constexpr std::size_t MaxPending = 64;
  void Run() noexcept;
  void Record(const std::wstring& path, bool flushed) noexcept;  // under FLock

  std::mutex FLock;
  std::condition_variable FChanged;
  std::deque<std::pair<std::unique_ptr<TStream>, std::wstring>> FPending;
  std::size_t FOpen = 0;  // pushed and not yet closed
  bool FFinishing = false;
  std::thread FThread;
};
