#include "base/single_instance.h"

#include <cwchar>

TSingleInstance::TSingleInstance(const wchar_t* name) {
  FMutex.Reset(::CreateMutexW(nullptr, FALSE, name));
  const DWORD error = ::GetLastError();
  // A copy of another user may hold it with rights that do not let us open it.
  FAnotherCopyRuns = error == ERROR_ALREADY_EXISTS || (!FMutex && error == ERROR_ACCESS_DENIED);
  if (FAnotherCopyRuns) FMutex.Reset();
}

namespace {
struct TSearch {
  const wchar_t* WindowClass;
  DWORD Session;
  HWND Found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM param) {
  TSearch& search = *reinterpret_cast<TSearch*>(param);
  wchar_t name[64] = {};
  if (!::GetClassNameW(window, name, 64) || std::wcscmp(name, search.WindowClass) != 0) return TRUE;
  DWORD process = 0;
  DWORD session = 0;
  ::GetWindowThreadProcessId(window, &process);
  if (process == ::GetCurrentProcessId() || !::ProcessIdToSessionId(process, &session) || session != search.Session)
    return TRUE;
  search.Found = window;
  return FALSE;
}
}  // namespace

bool BringRunningCopyToFront(const wchar_t* windowClass) {
  TSearch search{windowClass, 0, nullptr};
  if (!::ProcessIdToSessionId(::GetCurrentProcessId(), &search.Session)) return false;
  ::EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
  if (!search.Found) return false;
  // Not waiting on the running copy: it may be busy with a burn.
  if (::IsIconic(search.Found)) ::ShowWindowAsync(search.Found, SW_RESTORE);
  ::SetForegroundWindow(::GetLastActivePopup(search.Found));
  return true;
}
