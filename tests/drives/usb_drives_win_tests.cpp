#include <gtest/gtest.h>

#include <regex>

#include "drives/usb_drives.h"
#include "prefix_state_win.h"

TEST(UsbDrives, MappedDriveAnswersAsScsi) {
  ::SetErrorMode(SEM_NOGPFAULTERRORBOX);
  EXPECT_EQ(GetDriveBusType(L'Q'), 1);  // Wine puts its mapped drives on the SCSI bus
  ASSERT_FALSE(::GetLogicalDrives() & (1u << 22)) << "W: must be unmapped";
  EXPECT_EQ(GetDriveBusType(L'w'), 0);
  EXPECT_EQ(::GetErrorMode(), static_cast<UINT>(SEM_NOGPFAULTERRORBOX));  // put back
  EXPECT_GT(GetDriveTotalSize(17), 1000);
  EXPECT_EQ(GetDriveTotalSize(23), -1);

  prefixstate::TRegistryValueScope separator(HKEY_CURRENT_USER, L"Control Panel\\International", L"sDecimal");
  wchar_t saved[8] = {};
  ASSERT_TRUE(::GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, saved, 8));
  ASSERT_TRUE(::SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, L","));
  const std::wstring text = FormatByteSize(8011120640);
  ::SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, saved);
  EXPECT_EQ(text, L"7,46 GB");
}

TEST(UsbDrives, ListWithoutUsbHoldsTheEmptyLine) {
  HWND combo =
      ::CreateWindowExW(0, L"COMBOBOX", L"", CBS_DROPDOWNLIST, 0, 0, 200, 200, nullptr, nullptr, nullptr, nullptr);
  ::SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"X: [1 GB]"));
  ::SetErrorMode(SEM_NOGPFAULTERRORBOX);
  ListUsbDrives(combo);
  EXPECT_EQ(::GetErrorMode(), 0u);
  EXPECT_EQ(::SendMessageW(combo, CB_GETCOUNT, 0, 0), 1);
  EXPECT_EQ(::SendMessageW(combo, CB_GETLBTEXTLEN, 0, 0), 0);
  ::DestroyWindow(combo);

  struct : TWin32DriveQuery {  // the same scan with Q: on the USB bus
    int32_t BusType(wchar_t letter) override { return letter == L'q' ? 7 : TWin32DriveQuery::BusType(letter); }
  } query;
  EXPECT_TRUE(std::regex_match(ScanUsbDrives(query).at(1), std::wregex(L"Q: \\[[0-9.]+ (GB|MB|KB)\\]")));
}
