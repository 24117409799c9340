#pragma once
// Which of the library's progress reports process the window's messages.
// Under Wine each pass over the queue is a round trip to the server, and a
// large image reports thousands of times: the first report of a pass (its
// total) and the last (the count reaching the total) always do, the others
// only when the gap has passed since the last one that did.
#include <cstdint>
#include <limits>

class TReportPacer {
public:
  explicit TReportPacer(std::uint64_t gapMs) : FGapMs(gapMs) {}

  // A report at `nowMs` (a steady millisecond clock); true when messages are
  // to be processed now.
  bool Due(bool total, std::int64_t value, std::uint64_t nowMs);

private:
  std::uint64_t FGapMs;
  std::int64_t FTotal = std::numeric_limits<std::int64_t>::max();
  std::uint64_t FLastMs = 0;
  bool FStarted = false;
};
