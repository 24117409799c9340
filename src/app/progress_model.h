#pragma once
// Max and Value of the progress bar, fed by the library's byte counts.
#include <cstdint>

struct TProgressModel {
  float Max = 100.0f;
  float Value = 0.0f;

  // One report of the library: a total sets Max; a completed count moves
  // Value only while it is below Max as stored.
  void Report(bool total, std::int64_t value);
  // Value/Max mapped onto 0..range (the control only takes 32-bit ints).
  int Position(int range) const;
};

// The exact comparison value < limit, without rounding value to float first.
bool CountBelow(std::int64_t value, float limit);
