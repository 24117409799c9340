// format.com X: /FS:NAME /Q /Y: a quick format, that is the drive emptied.
#include <string>

#include "standin_common.h"

namespace {

int Work(int argc, wchar_t** argv) {
  const std::wstring fs = argc == 5 ? std::wstring(argv[2]) : std::wstring();
  const std::wstring name = fs.size() > 4 ? fs.substr(4) : std::wstring();
  const bool known = standin::SameText(name, L"FAT32") || standin::SameText(name, L"NTFS") ||
                     standin::SameText(name, L"EXFAT") || standin::SameText(name, L"FAT");
  if (argc != 5 || !standin::IsDriveRoot(argv[1]) || !standin::SameText(fs.substr(0, 4), L"/FS:") ||
      !known || !standin::SameText(argv[3], L"/Q") || !standin::SameText(argv[4], L"/Y")) {
    standin::PrintErr("Invalid parameter - expected: format X: /FS:FAT32|NTFS|EXFAT|FAT /Q /Y\r\n");
    return 1;
  }
  standin::PrintOut("The type of the file system is " + standin::Narrow(name) + ".\r\nQuickFormatting...\r\n");
  std::string error;
  if (!standin::FormatDrive(argv[1], error)) {
    standin::PrintErr(error + "\r\nFormat failed.\r\n");
    return 4;
  }
  standin::PrintOut("Format complete.\r\n");
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) { return standin::StandInMain(L"format", argc, argv, Work); }
