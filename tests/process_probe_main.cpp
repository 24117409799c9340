// A second process for the Win32 tests, running the program's own code or a
// single open of a file, as another program would:
//   process_probe second-copy MUTEX WINDOWCLASS
//     0: another copy holds MUTEX and its window was brought to the front;
//     1: no other copy; 2: another copy, but no window of its own found
//   process_probe open PATH ACCESS SHARE   (ACCESS, SHARE: hex numbers)
//   process_probe delete PATH | rename PATH
//     0 when done (a read open also reads), else the system's error code
#include <windows.h>

#include <cwchar>
#include <string>

#include "base/single_instance.h"

int wmain(int argc, wchar_t** argv) {
  const std::wstring command = argc > 1 ? argv[1] : L"";
  if (command == L"second-copy" && argc == 4) {
    const TSingleInstance instance(argv[2]);
    if (!instance.AnotherCopyRuns()) return 1;
    return BringRunningCopyToFront(argv[3]) ? 0 : 2;
  }
  if (command == L"open" && argc == 5) {
    const DWORD access = std::wcstoul(argv[3], nullptr, 16);
    const TFileHandle file(::CreateFileW(argv[2], access, std::wcstoul(argv[4], nullptr, 16), nullptr, OPEN_EXISTING,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return static_cast<int>(::GetLastError());
    char byte = 0;
    DWORD got = 0;
    if ((access & GENERIC_READ) && (!::ReadFile(file.Get(), &byte, 1, &got, nullptr) || got != 1))
      return static_cast<int>(::GetLastError());
    return 0;
  }
  if (command == L"delete" && argc == 3) return ::DeleteFileW(argv[2]) ? 0 : static_cast<int>(::GetLastError());
  if (command == L"rename" && argc == 3) {
    const std::wstring moved = std::wstring(argv[2]) + L".moved";
    if (!::MoveFileW(argv[2], moved.c_str())) return static_cast<int>(::GetLastError());
    ::MoveFileW(moved.c_str(), argv[2]);
    return 0;
  }
  return 87;
}
