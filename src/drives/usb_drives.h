#pragma once
// The USB drives attached to the host, for the drive list.
#include <windows.h>

#include <cstdint>

int32_t GetDriveBusType(wchar_t letter);
int64_t GetDriveTotalSize(int driveNumber);
// Replaces the items of a combo box with the drive lines; the selection is not touched.
void ListUsbDrives(HWND comboBox);
