#include "app/burn_rules.h"

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

std::wstring DiskPartScriptText(const std::wstring& root, const std::wstring& fileSystem, int64_t diskSize) {
  const std::wstring letter = root.substr(0, 1);
  const bool capped = AsciiLowerCase(fileSystem) == L"fat32" && diskSize > Fat32VolumeLimitMb * 1048576;
  return L"select volume " + root + L"\r\n"
         L"clean\r\n"
         L"create partition primary" + (capped ? L" size=" + std::to_wstring(Fat32VolumeLimitMb) : L"") + L"\r\n"
         L"select partition 1\r\n"
         L"active\r\n"
         L"format fs=" + AsciiLowerCase(fileSystem) + L" quick\r\n"
         L"assign letter=" + letter + L"\r\n"
         L"exit";
}
