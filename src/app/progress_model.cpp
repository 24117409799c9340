#include "app/progress_model.h"

#include <cmath>

bool CountBelow(std::int64_t value, float limit) {
  if (std::isnan(limit)) return false;
  // 2^63 is exact as a float; every float below it and at or above -2^63 has
  // an integral ceiling that fits a signed 64-bit count.
  constexpr double top = 9223372036854775808.0;
  const double f = limit;
  if (f >= top) return true;
  if (f < -top) return false;
  // For an integer v: v < f exactly when v < ceil(f).
  return value < static_cast<std::int64_t>(std::ceil(f));
}

void TProgressModel::Report(bool total, std::int64_t value) {
  if (total)
    Max = static_cast<float>(value);
  else if (CountBelow(value, Max))
    Value = static_cast<float>(value);
}

int TProgressModel::Position(int range) const {
  if (range <= 0 || !(Max > 0.0f) || !(Value > 0.0f)) return 0;
  const double fraction = static_cast<double>(Value) / static_cast<double>(Max);
  if (fraction >= 1.0) return range;
  return static_cast<int>(fraction * range);
}
