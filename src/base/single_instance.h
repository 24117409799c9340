#pragma once
// One copy of the program at a time. The mutex lives in the global namespace,
// so copies of users switched on one PC count too.
#include "base/win32_handles.h"

inline constexpr wchar_t AlreadyRunningText[] = L"Quillora is already running.";
inline constexpr wchar_t AlreadyRunningTitle[] = L"Information";
inline constexpr wchar_t SingleInstanceName[] = L"Global\\Quillora.Running";

class TSingleInstance {
public:
  explicit TSingleInstance(const wchar_t* name = SingleInstanceName);
  bool AnotherCopyRuns() const { return FAnotherCopyRuns; }

private:
  TKernelHandle FMutex;  // held for the program's life by the first copy
  bool FAnotherCopyRuns = false;
};

// Brings the top-level window of the class given that another process of this
// session shows to the front (the box it shows, when one is up). False when
// there is none.
bool BringRunningCopyToFront(const wchar_t* windowClass);
