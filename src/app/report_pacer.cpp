#include "app/report_pacer.h"

bool TReportPacer::Due(bool total, std::int64_t value, std::uint64_t nowMs) {
  bool due = true;
  if (total)
    FTotal = value;
  else
    due = !FStarted || value >= FTotal || nowMs - FLastMs >= FGapMs;
  if (due) {
    FStarted = true;
    FLastMs = nowMs;
  }
  return due;
}
