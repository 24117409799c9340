// The window's drive list: the lines the combo box shows and, beside them,
// the drives they were built from.
#include "app/usb_form.h"

#include <algorithm>

#include "app/form_controls_win.h"
#include "base/scoped_dc.h"
#include "drives/drive_identity.h"
#include "drives/usb_drives.h"

void TUSBForm::RefreshDrives() {
  FDrives = ListUsbDrives(DriveComboBox, FDriveQuery);
  ::SendMessageW(DriveComboBox, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
  FitDriveListWidth();
}

void TUSBForm::FitDriveListWidth() {
  if (!DriveComboBox) return;
  TScopedDC dc(DriveComboBox);
  if (!dc) return;
  if (HGDIOBJ font = reinterpret_cast<HGDIOBJ>(::SendMessageW(DriveComboBox, WM_GETFONT, 0, 0))) dc.Select(font);
  int widest = 0;
  const LRESULT count = ::SendMessageW(DriveComboBox, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    const LRESULT length = ::SendMessageW(DriveComboBox, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
    if (length <= 0) continue;
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const LRESULT copied =
        ::SendMessageW(DriveComboBox, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()));
    SIZE extent{};
    if (copied > 0 && ::GetTextExtentPoint32W(dc.Get(), text.c_str(), static_cast<int>(std::min(copied, length)), &extent))
      widest = std::max(widest, static_cast<int>(extent.cx));
  }
  // The list's borders, its item margins and a scroll bar, should one appear.
  const UINT dpi = Layout.Dpi();
  const int room = ::MulDiv(::GetSystemMetrics(SM_CXVSCROLL) + 4 * ::GetSystemMetrics(SM_CXEDGE), static_cast<int>(dpi),
                            static_cast<int>(form::SystemDpi())) +
                   ::MulDiv(8, static_cast<int>(dpi), 96);
  // Never narrower than the closed box: the list takes that width at least.
  ::SendMessageW(DriveComboBox, CB_SETDROPPEDWIDTH, static_cast<WPARAM>(widest + room), 0);
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
