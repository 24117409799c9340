#pragma once
// The USB drives attached to the host, for the drive list.
#include <windows.h>

#include <cstdint>
#include <string>

#include "drives/drive_list.h"

int32_t GetDriveBusType(wchar_t letter);
int64_t GetDriveTotalSize(int driveNumber);
// The size text with the user's decimal separator.
std::wstring FormatByteSize(int64_t size);
// The decimal separator of the user's regional settings ("." when unknown).
std::wstring UserDecimalSeparator();
// Replaces the items of a combo box with the drive lines; the selection is not touched.
void ListUsbDrives(HWND comboBox);

// The system's answers for a drive scan.
class TWin32DriveQuery : public IDriveQuery {
public:
  uint32_t LogicalDrives() override;
  int32_t BusType(wchar_t letter) override;
  int64_t TotalSize(int driveNumber) override;
  void SetErrorMode(unsigned mode) override;
  std::wstring DecimalSeparator() override;
};
