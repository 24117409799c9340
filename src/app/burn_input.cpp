#include "app/burn_input.h"

#include <string_view>

#include "base/ascii_text.h"
#include "drives/drive_list.h"

std::wstring CutVolumeLabel(const std::wstring& label) {
  return label.size() > VolumeLabelLimit ? label.substr(0, VolumeLabelLimit) : label;
}

int FindInvalidLabelChar(const std::wstring& label) {
  for (std::size_t i = 0; i < InvalidLabelChars.size(); ++i)
    if (label.find(InvalidLabelChars[i]) != std::wstring::npos) return static_cast<int>(i);
  return -1;
}

TBurnInput CheckBurnInput(const std::wstring& isoFile, const std::wstring& drive,
                          const std::wstring& label) {
  TBurnInput input;
  input.IsoFile = TrimBlanks(isoFile);
  input.Label = TrimBlanks(label);
  using V = TBurnInput::TVerdict;
  if (input.IsoFile.empty()) {
    input.Verdict = V::NoIsoFile;
  } else if (drive.empty()) {
    input.Verdict = V::NoUsbDrive;
  } else if (!input.Label.empty()) {
    input.Label = CutVolumeLabel(input.Label);
    if (FindInvalidLabelChar(input.Label) >= 0) input.Verdict = V::InvalidLabel;
  }
  return input;
}

std::wstring BurnConfirmTitle(const std::wstring& drive) {
  return L"Burn Quillora \"" + drive + L"\"";
}

std::wstring BurnConfirmText(const std::wstring& drive, bool bootable) {
  if (bootable)
    return L"WARNING:\r\n\r\n1. Burning will erase ALL data on USB disk \"" + drive +
           L"\". The USB disk will be formatted.\r\n\r\n"
           L"2. For bootable, USB disk should have only one partition. Do not use it on USB disk "
           L"which has multiple partitions.\r\n\r\n"
           L"To write ISO to this USB disk, click YES. To quit, click NO.";
  return L"WARNING:\r\n\r\nBurning will erase ALL data on USB disk \"" + drive +
         L"\".\r\nThe USB disk will be formatted.\r\n\r\n"
         L"To write ISO to this USB disk, click YES. To quit, click NO.";
}

std::wstring SecondConfirmText(const TListedDrive& drive, bool bootable, const std::vector<std::wstring>& alsoErased) {
  std::wstring text;
  if (drive.HardDisk) text += DriveNameOf(drive) + L" is on a USB hard disk, not a flash drive.\r\n";
  const bool letterless = Letterless(drive);
  if (bootable || letterless) {
    std::wstring others;
    for (std::wstring line : alsoErased) {
      // The first line already says it is a hard disk.
      if (line.ends_with(HardDiskMark)) line.resize(line.size() - std::wstring_view(HardDiskMark).size());
      others += (others.empty() ? L"" : L", ") + line;
    }
    if (!others.empty())
      text += (letterless ? L"Burning erases every partition of the disk: " : L"Bootable erases the whole disk, also: ") +
              others + L".\r\n";
  }
  if (text.empty()) return text;
  return text + L"Everything on it will be lost. Continue?";
}
