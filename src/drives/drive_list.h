#pragma once
// The lines of the drive list and the scan that builds them.
#include <cstdint>
#include <string>
#include <vector>

#include "base/ascii_text.h"

// What a scan asks of the system; the Win32 layer answers for real, tests fake it.
class IDriveQuery {
public:
  virtual ~IDriveQuery() = default;
  virtual uint32_t LogicalDrives() = 0;            // bit 0 = A
  virtual int32_t BusType(wchar_t letter) = 0;     // 7 = USB, 0 on failure
  virtual int64_t TotalSize(int driveNumber) = 0;  // 1 = A; -1 when unknown
  virtual void SetErrorMode(unsigned mode) = 0;
  virtual std::wstring DecimalSeparator() = 0;
};

constexpr int32_t UsbBusType = 7;
constexpr unsigned SemFailCriticalErrors = 1;

// "E:" and, when size > 1000, " [" + the size text + "]" in ASCII upper case.
std::wstring DriveEntry(wchar_t letter, int64_t size, const std::wstring& decimalSeparator);

// The drive root of a drive line: its first two characters, as in "E:".
std::wstring DriveRootOf(const std::wstring& driveLine);

// The whole drive list: an empty line, then one line per USB drive letter in
// alphabetical order. Runs with critical-error dialogs suppressed and leaves
// the error mode at 0 on every way out.
std::vector<std::wstring> ScanUsbDrives(IDriveQuery& query);
