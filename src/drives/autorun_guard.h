#pragma once
// Switches the Explorer AutoRun policy off for a burn and puts it back after.
// What is to be put back is also recorded in the registry of each hive
// (Software\Quillora, in the 64-bit view for both builds), so a start after a
// crash or a kill can put it back.
#include <cstdint>

// Shown when a restore fails, with the warning icon; the record stays for the next start.
inline constexpr wchar_t AutoRunRestoreFailedText[] =
    L"Could not restore the AutoRun setting. Quillora will try again when it starts.";
inline constexpr wchar_t AutoRunRestoreFailedTitle[] = L"Warning";

class TAutoRunGuard {
public:
  // Records each hive's value durably, then writes 255. A hive whose record
  // cannot be written is left unchanged; a record still there from an earlier
  // failed restore is kept and used, never replaced by 255.
  void DisableAutoRun();
  // Writes the recorded values back and deletes each hive's record once that
  // hive is put back. False when a write or delete failed: that record stays.
  bool RestoreAutoRun();

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

// For the start-up, when no other copy runs: puts back what a record left by
// a burn that never ended holds, but only where the policy still reads 255
// (what the burn wrote); a value changed since is left as it is. Never creates
// a key. Deletes each record once its hive is done; false when a write or
// delete failed (that record stays for the next start). The record an earlier
// 32-bit build kept in the machine's 32-bit view is put back the same way.
bool RestoreAutoRunFromRecord();
