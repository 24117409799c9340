// label.exe X: words...: records the words, joined by blanks, as the label of
// X: in "label-X.txt" beside the log (nothing lands on the drive itself).
#include <string>

#include "standin_common.h"

namespace {

int Work(int argc, wchar_t** argv) {
  if (argc < 3 || !standin::IsDriveRoot(argv[1])) {
    standin::PrintErr("Usage: label X: label\r\n");
    return 1;
  }
  const std::wstring root = argv[1];
  if (::GetDriveTypeW((root + L"\\").c_str()) <= DRIVE_NO_ROOT_DIR) {
    standin::PrintErr("The system cannot find the drive specified.\r\n");
    return 1;
  }
  std::wstring label = argv[2];
  for (int i = 3; i < argc; ++i) label += std::wstring(L" ") + argv[i];
  const std::wstring file = standin::StandInDir() + L"\\label-" + root.substr(0, 1) + L".txt";
  if (!standin::WriteWholeFile(file, standin::Narrow(label))) {
    standin::PrintErr("Cannot record the label.\r\n");
    return 1;
  }
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) { return standin::StandInMain(L"label", argc, argv, Work); }
