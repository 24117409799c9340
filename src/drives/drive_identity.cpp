#include "drives/drive_identity.h"

bool Letterless(const TListedDrive& drive) { return drive.Letter == 0 && drive.Identity.DiskNumber.has_value(); }

std::wstring DriveNameOf(const TListedDrive& drive) {
  if (Letterless(drive)) return L"Disk " + std::to_wstring(*drive.Identity.DiskNumber);
  return drive.Letter ? std::wstring{drive.Letter, L':'} : std::wstring();
}

bool SameDrive(const TListedDrive& listed, const TListedDrive& now) {
  return listed.Letter == now.Letter && listed.Identity == now.Identity;
}

bool SameVolume(const TVolumeRef& a, const TVolumeRef& b) {
  if (!a.Name.empty() && a.Name == b.Name) return true;
  return a.VolumeSerial && a.VolumeSerial == b.VolumeSerial && a.TotalSize > 0 && a.TotalSize == b.TotalSize;
}

bool SameDisk(const TVolumeRef& a, const TVolumeRef& b) { return a.DiskNumber && a.DiskNumber == b.DiskNumber; }

bool ErasedByBurn(const TVolumeRef& target, bool wholeDisk, const TVolumeRef& volume) {
  return SameVolume(target, volume) || (wholeDisk && SameDisk(target, volume));
}
