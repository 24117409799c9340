#include "drives/drive_list.h"

#include "drives/byte_size.h"

std::wstring DriveEntry(wchar_t letter, int64_t size, const std::wstring& decimalSeparator) {
  std::wstring sizePart;
  if (size > 1000) sizePart = L" [" + FormatByteSize(size, decimalSeparator) + L"]";
  return AsciiUpperCase(std::wstring(1, letter)) + L":" + AsciiUpperCase(sizePart);
}

std::wstring DriveRootOf(const std::wstring& driveLine) { return driveLine.substr(0, 2); }

namespace {
class TErrorModeReset {
public:
  explicit TErrorModeReset(IDriveQuery& query) : FQuery(query) {}
  ~TErrorModeReset() { FQuery.SetErrorMode(0); }
  TErrorModeReset(const TErrorModeReset&) = delete;
  TErrorModeReset& operator=(const TErrorModeReset&) = delete;

private:
  IDriveQuery& FQuery;
};
}  // namespace

std::vector<std::wstring> ScanUsbDrives(IDriveQuery& query) {
  std::vector<std::wstring> lines{L""};
  query.SetErrorMode(SemFailCriticalErrors);
  TErrorModeReset reset(query);
  const uint32_t mask = query.LogicalDrives();
  std::wstring separator;
  bool haveSeparator = false;
  for (int i = 0; i < 26; ++i) {
    if ((mask & (uint32_t{1} << i)) == 0) continue;
    const wchar_t letter = static_cast<wchar_t>(L'a' + i);
    if (query.BusType(letter) != UsbBusType) continue;
    int64_t size = 0;
    try {
      size = query.TotalSize(i + 1);
    } catch (...) {
      size = 0;
    }
    if (size > 1000 && !haveSeparator) {
      separator = query.DecimalSeparator();
      haveSeparator = true;
    }
    lines.push_back(DriveEntry(letter, size, separator));
  }
  return lines;
}
