// Written files flushed beside the writing: each one flushed and closed once,
// in the order given, the first that would not flush named, and no more
// handles held open than the queue allows.
#include "sevenzip/flush_queue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

namespace {

class TCountedFile : public TStream {
public:
  TCountedFile(std::atomic<int>& open, std::atomic<int>& mostOpen, bool flushes)
      : FOpen(open), FFlushes(flushes) {
    const int now = ++FOpen;
    int most = mostOpen.load();
    while (now > most && !mostOpen.compare_exchange_weak(most, now)) {
    }
  }
  ~TCountedFile() override { --FOpen; }
  uint32_t Read(void*, uint32_t) override { return 0; }
  uint32_t Write(const void*, uint32_t count) override { return count; }
  int64_t Seek(int64_t, TSeekOrigin) override { return 0; }
  int64_t Size() override { return 0; }
  void SetSize(int64_t) override {}
  // A drive slower than the writer: the queue fills up.
  bool Flush() override {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return FFlushes;
  }

private:
  std::atomic<int>& FOpen;
  bool FFlushes;
};

}  // namespace

TEST(FlushQueue, FlushesAndClosesEveryFileInOrder) {
  std::atomic<int> open{0}, mostOpen{0};
  TFlushQueue queue;
  for (int i = 0; i < 200; ++i)
    queue.Push(std::make_unique<TCountedFile>(open, mostOpen, i != 70 && i != 150), std::to_wstring(i));
  queue.Finish();
  EXPECT_EQ(open.load(), 0) << "a file left open";
  EXPECT_LE(mostOpen.load(), 66) << "the queue held more files open than it may";
  ASSERT_EQ(queue.Flushed.size(), 198u);
  EXPECT_EQ(queue.Flushed[69], L"69");
  EXPECT_EQ(queue.Flushed[70], L"71");
  EXPECT_EQ(queue.Unflushed, L"70");
}
