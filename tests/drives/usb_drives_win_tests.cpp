#include <gtest/gtest.h>

#include <regex>

#include "base/scope_guard.h"
#include "drives/folder_state.h"
#include "drives/host_checks.h"
#include "drives/scratch_win.h"
#include "drives/test_bus/usb_bus_file_query.h"
#include "drives/usb_drives.h"
#include "prefix_state_win.h"

TEST(UsbDrives, MappedDriveAnswersAsScsi) {
  ::SetErrorMode(SEM_NOGPFAULTERRORBOX);
  EXPECT_EQ(GetStorageDevice(L'Q').BusType, 1);  // Wine puts its mapped drives on the SCSI bus
  ASSERT_FALSE(::GetLogicalDrives() & (1u << 22)) << "W: must be unmapped";
  EXPECT_EQ(GetStorageDevice(L'w').BusType, 0);
  EXPECT_FALSE(GetDiskNumber(L"\\\\.\\W:"));
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
  TWin32DriveQuery system;
  EXPECT_TRUE(ListUsbDrives(combo, system).empty());
  EXPECT_EQ(::GetErrorMode(), 0u);
  EXPECT_EQ(::SendMessageW(combo, CB_GETCOUNT, 0, 0), 1);
  EXPECT_EQ(::SendMessageW(combo, CB_GETLBTEXTLEN, 0, 0), 0);
  ::DestroyWindow(combo);
}

// Wine reads a mapped drive's serial from .windows-serial at its root when
// the session starts; CTest writes 1234abcd there before this program runs.
constexpr uint32_t SessionSerialOfQ = 0x1234abcd;

// The test build's bus over the real system: serial and size come from Wine.
TEST(UsbDrives, TestBusDrivesCarryTheSystemsIdentity) {
  const std::wstring busFile = GetTempDirectory() + L"drv-usb-bus.txt";
  ASSERT_TRUE(WriteTextFile(busFile, "Q: fixed disk=3\r\nC: removable\r\n- fixed disk=5 size=2000398934016 vendor=WD "
                                     "product=Elements serial=AA01\r\n"));
  TUsbBusFileQuery query(busFile);
  HWND combo =
      ::CreateWindowExW(0, L"COMBOBOX", L"", CBS_DROPDOWNLIST, 0, 0, 200, 200, nullptr, nullptr, nullptr, nullptr);
  const std::vector<TListedDrive> drives = ListUsbDrives(combo, query);
  EXPECT_EQ(::SendMessageW(combo, CB_GETCOUNT, 0, 0), 4);
  ::DestroyWindow(combo);
  ASSERT_EQ(drives.size(), 3u);
  EXPECT_EQ(drives[2].Line, L"Disk 5 [1863.02 GB] WD Elements (no drive letter) hard disk");
  EXPECT_EQ(drives[2].Identity.Serial, L"AA01");
  const TListedDrive& q = drives[1];
  EXPECT_FALSE(drives[0].HardDisk);
  EXPECT_FALSE(drives[0].Identity.DiskNumber);  // Wine's disk 0 is not the bus file's
  EXPECT_TRUE(std::regex_match(q.Line, std::wregex(L"Q: \\[[0-9.]+ (GB|MB|KB)\\] hard disk"))) << q.Line;
  EXPECT_EQ(q.Identity.VolumeSerial, SessionSerialOfQ);
  EXPECT_EQ(q.Identity.DiskNumber, 3u);
  EXPECT_EQ(q.Identity.TotalSize, GetDriveTotalSize(17));
  EXPECT_TRUE(StillSameDrive(query, q));

  // A flash drive now, another disk, off the bus: each a changed drive.
  for (const char* bus : {"Q: removable disk=3\r\n", "Q: fixed disk=4\r\n", "C: removable\r\n"}) {
    ASSERT_TRUE(WriteTextFile(busFile, bus));
    EXPECT_FALSE(StillSameDrive(query, q)) << bus;
  }
  ::DeleteFileW(busFile.c_str());

  // The shipped query knows no bus file: Wine's drives stay off the USB bus.
  TWin32DriveQuery system;
  EXPECT_TRUE(ScanUsbDriveList(system).empty());
}

// Drives of one disk told apart by their names; the disk's table as the bus file gives it.
TEST(UsbDrives, TestBusNamesDrivesAndTheirDisksPartitions) {
  const std::wstring busFile = GetTempDirectory() + L"drv-usb-bus.txt";
  const TScopeGuard removed([&] { ::DeleteFileW(busFile.c_str()); });
  ASSERT_TRUE(WriteTextFile(busFile, "C: removable disk=3 vendor=Kingston product=DataTraveler\r\n"
                                     "Q: removable disk=3 vendor=SanDisk product=\"Cruzer Blade\" label=MYSTICK "
                                     "unlettered=104857600\r\n"));
  TUsbBusFileQuery query(busFile);
  const std::vector<TListedDrive> drives = ScanUsbDriveList(query);
  ASSERT_EQ(drives.size(), 2u);
  const TListedDrive &c = drives[0], &q = drives[1];
  EXPECT_TRUE(std::regex_match(c.Line, std::wregex(L"C: \\[[0-9.]+ (GB|MB)\\] Kingston DataTraveler"))) << c.Line;
  EXPECT_TRUE(std::regex_match(q.Line, std::wregex(L"Q: \\[[0-9.]+ (GB|MB)\\] SanDisk Cruzer Blade \\(MYSTICK\\)")))
      << q.Line;
  EXPECT_EQ(q.PartitionNumber, 2u);
  EXPECT_EQ(OtherPartitionsOfDisk(query, q, drives),
            (std::vector<std::wstring>{c.Line, L"a partition without a drive letter [100 MB]"}));

  ASSERT_TRUE(WriteTextFile(busFile, "Q: removable disk=3 table=none\r\n"));
  EXPECT_FALSE(OtherPartitionsOfDisk(query, q, drives));
  EXPECT_FALSE(GetPartitionNumber(L"\\\\.\\W:"));
}

TEST(UsbDrives, PathsResolveToTheirVolumeAndDisk) {
  const std::wstring busFile = GetTempDirectory() + L"drv-usb-bus.txt";
  ASSERT_TRUE(WriteTextFile(busFile, "Q: removable disk=4\r\n"));
  TUsbBusFileQuery query(busFile);
  const TVolumeRef root = VolumeOfPath(L"Q:\\", query), image = VolumeOfPath(L"q:\\images\\none.iso", query),
                   temp = VolumeOfPath(GetTempDirectory(), query);
  ::DeleteFileW(busFile.c_str());
  EXPECT_EQ(root.Name.substr(0, 11), L"\\\\?\\Volume{");
  EXPECT_EQ(image.Name, root.Name);
  EXPECT_EQ(image.VolumeSerial, SessionSerialOfQ);
  EXPECT_EQ(image.DiskNumber, 4u);
  EXPECT_GT(image.TotalSize, 1000);
  EXPECT_TRUE(ErasedByBurn(root, false, image));
  EXPECT_FALSE(ErasedByBurn(root, true, temp));  // C: is on Wine's disk 0, which the bus file does not name
  EXPECT_FALSE(temp.DiskNumber);
  TWin32DriveQuery system;
  EXPECT_EQ(VolumeOfPath(L"Q:\\", system).DiskNumber, 0u);  // Wine puts every mapped drive on disk 0
  EXPECT_TRUE(VolumeOfPath(L"W:\\x.iso", system).Name.empty());
}

TEST(UsbDrives, FoldersForTheInstallWimCopy) {
  const TFolderState temp = InspectTempFolder();
  EXPECT_EQ(temp.Path, GetTempDirectory());
  EXPECT_TRUE(temp.Exists && temp.Readable);
  EXPECT_EQ(temp.FileSystem, L"NTFS");  // what Wine reports for a folder drive
  const TFolderState missing = InspectFolder(temp.Path + L"drv-no-such-folder");
  EXPECT_FALSE(missing.Exists || missing.Readable);
}
