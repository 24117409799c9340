// bootsect_x86.exe / bootsect_x64.exe /nt52|/nt60 X:: records the call; the
// control file can make it refuse the host.
#include <string>

#include "standin_common.h"

namespace {

int Work(int argc, wchar_t** argv) {
  if (argc != 3 || !(standin::SameText(argv[1], L"/nt52") || standin::SameText(argv[1], L"/nt60")) ||
      !standin::IsDriveRoot(argv[2])) {
    standin::PrintErr("Usage: bootsect /nt52|/nt60 X:\r\n");
    return 1;
  }
  const std::wstring root = argv[2];
  if (::GetDriveTypeW((root + L"\\").c_str()) <= DRIVE_NO_ROOT_DIR) {
    standin::PrintErr("Could not open volume " + standin::Narrow(root) + ".\r\n");
    return 1;
  }
  const bool nt60 = standin::SameText(argv[1], L"/nt60");
  standin::PrintOut(std::string("Target volumes will be updated with ") + (nt60 ? "BOOTMGR" : "NTLDR") +
                    " compatible bootcode.\r\n\r\n" + standin::Narrow(root) +
                    "\r\n\r\n    Successfully updated filesystem bootcode.\r\n\r\n"
                    "Bootcode was successfully updated on all targeted volumes.\r\n");
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) { return standin::StandInMain(QUILLORA_STANDIN_NAME, argc, argv, Work); }
