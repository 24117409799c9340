// The window's drive list: the lines the combo box shows and, beside them,
// the drives they were built from.
#include "app/usb_form.h"

#include "drives/drive_identity.h"
#include "drives/usb_drives.h"

void TUSBForm::RefreshDrives() {
  FDrives = ListUsbDrives(DriveComboBox, FDriveQuery);
  ::SendMessageW(DriveComboBox, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
}

std::optional<TListedDrive> TUSBForm::GetSelectedListedDrive() {
  const LRESULT index = ::SendMessageW(DriveComboBox, CB_GETCURSEL, 0, 0);
  if (index < 1 || static_cast<size_t>(index) > FDrives.size()) return std::nullopt;
  const TListedDrive& drive = FDrives[static_cast<size_t>(index) - 1];
  // A line the list did not build has no identity to go by.
  if (drive.Line != GetSelectedDrive()) return std::nullopt;
  return drive;
}

void TUSBForm::VolumesChanged() {
  // A burn or a Browse is under way; the burn rebuilds the list at its end.
  if (Busy()) return;
  const std::optional<TListedDrive> selected = GetSelectedListedDrive();
  RefreshDrives();
  if (!selected) return;
  for (size_t i = 0; i < FDrives.size(); ++i)
    if (SameDrive(*selected, FDrives[i])) {
      ::SendMessageW(DriveComboBox, CB_SETCURSEL, static_cast<WPARAM>(i + 1), 0);
      return;
    }
}
