#include "drives/usb_drives.h"

#include <winioctl.h>

#include <cstddef>
#include <cstring>

#include "base/ascii_text.h"
#include "base/optional_api.h"
#include "base/win32_handles.h"
#include "drives/byte_size.h"

namespace {
constexpr DWORD QueryPropertyIoctl = 0x2D1400;  // IOCTL_STORAGE_QUERY_PROPERTY
constexpr DWORD QueryInputSize = 18;            // property id, query type, 10 zero bytes
constexpr DWORD DescriptorBufferSize = 1024;
constexpr size_t BusTypeOffset = 28;            // STORAGE_DEVICE_DESCRIPTOR::BusType
static_assert(QueryPropertyIoctl == IOCTL_STORAGE_QUERY_PROPERTY);
static_assert(offsetof(STORAGE_DEVICE_DESCRIPTOR, BusType) == BusTypeOffset);

// Keeps a combo box from redrawing until the batch ends, then repaints it once.
class TRedrawBatch {
public:
  explicit TRedrawBatch(HWND control) : FControl(control) { ::SendMessageW(FControl, WM_SETREDRAW, FALSE, 0); }
  ~TRedrawBatch() {
    ::SendMessageW(FControl, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(FControl, nullptr, TRUE);
  }
  TRedrawBatch(const TRedrawBatch&) = delete;
  TRedrawBatch& operator=(const TRedrawBatch&) = delete;

private:
  HWND FControl;
};

// Appends at the end even in a sorted list; CB_ERR is dropped.
void AddItem(HWND comboBox, const std::wstring& text) {
  ::SendMessageW(comboBox, CB_INSERTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text.c_str()));
}
}  // namespace

int32_t GetDriveBusType(wchar_t letter) {
  TErrorModeScope errorMode(SEM_FAILCRITICALERRORS);
  try {
    letter = AsciiLower(letter);
    const std::wstring device = std::wstring(L"\\\\.\\") + letter + L":";
    TFileHandle volume(
        ::CreateFileW(device.c_str(), 0, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!volume) return 0;
    unsigned char query[QueryInputSize] = {};
    unsigned char descriptor[DescriptorBufferSize] = {};
    const DWORD presetSize = DescriptorBufferSize;
    std::memcpy(descriptor + 4, &presetSize, sizeof presetSize);
    DWORD returned = 0;
    if (!::DeviceIoControl(volume.Get(), QueryPropertyIoctl, query, QueryInputSize, descriptor, DescriptorBufferSize,
                           &returned, nullptr)) {
      return 0;
    }
    int32_t busType = 0;
    std::memcpy(&busType, descriptor + BusTypeOffset, sizeof busType);
    return busType;
  } catch (...) {
    return 0;
  }
}

int64_t GetDriveTotalSize(int driveNumber) {
  if (driveNumber < 1 || driveNumber > 26) return -1;
  const std::wstring root = std::wstring(1, static_cast<wchar_t>(L'A' + driveNumber - 1)) + L":\\";
  if (const auto getDiskFreeSpaceEx = OptionalApi::GetDiskFreeSpaceExW()) {
    ULARGE_INTEGER available{};
    ULARGE_INTEGER total{};
    if (!getDiskFreeSpaceEx(root.c_str(), &available, &total, nullptr)) return -1;
    return static_cast<int64_t>(total.QuadPart);
  }
  DWORD sectorsPerCluster = 0;
  DWORD bytesPerSector = 0;
  DWORD freeClusters = 0;
  DWORD totalClusters = 0;
  if (!::GetDiskFreeSpaceW(root.c_str(), &sectorsPerCluster, &bytesPerSector, &freeClusters, &totalClusters)) {
    return -1;
  }
  return static_cast<int64_t>(sectorsPerCluster) * bytesPerSector * totalClusters;
}

std::wstring UserDecimalSeparator() {
  wchar_t buffer[8] = {};  // the system allows at most 3 characters and the end mark
  const int n = ::GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buffer, 8);
  if (n <= 1) return L".";
  return std::wstring(buffer, static_cast<size_t>(n - 1));
}

std::wstring FormatByteSize(int64_t size) { return FormatByteSize(size, UserDecimalSeparator()); }

uint32_t TWin32DriveQuery::LogicalDrives() { return ::GetLogicalDrives(); }
int32_t TWin32DriveQuery::BusType(wchar_t letter) { return GetDriveBusType(letter); }
int64_t TWin32DriveQuery::TotalSize(int driveNumber) { return GetDriveTotalSize(driveNumber); }
void TWin32DriveQuery::SetErrorMode(unsigned mode) { ::SetErrorMode(mode); }
std::wstring TWin32DriveQuery::DecimalSeparator() { return UserDecimalSeparator(); }

void ListUsbDrives(HWND comboBox) {
  TRedrawBatch batch(comboBox);
  ::SendMessageW(comboBox, CB_RESETCONTENT, 0, 0);
  AddItem(comboBox, L"");
  TWin32DriveQuery query;
  const std::vector<std::wstring> lines = ScanUsbDrives(query);
  for (size_t i = 1; i < lines.size(); ++i) AddItem(comboBox, lines[i]);
}
