#pragma once
// Switches the Explorer AutoRun policy off for a burn and puts it back after.
#include <cstdint>

class TAutoRunGuard {
public:
  void DisableAutoRun();
  void RestoreAutoRun();

  int32_t NoDriveTypeAutoRun = 0;   // local machine; -1 = value was absent
  int32_t NoDriveTypeAutoRun1 = 0;  // current user; -1 = value was absent

private:
  // Whether the last save recorded a value for each hive (local machine,
  // current user); nothing is written back for a hive it did not record.
  bool FRecorded[2] = {false, false};
  // Whether the recorded value was absent: a stored 0xFFFFFFFF also reads as
  // -1 and must be written back, not deleted.
  bool FAbsent[2] = {false, false};
};
