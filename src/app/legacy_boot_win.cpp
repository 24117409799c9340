#include "app/burn_job.h"
#include "drives/host_checks.h"

namespace {
struct TLegacyBootCopy {
  const wchar_t* Target;  // copied only while missing
  const wchar_t* Source;
};

// In order: an earlier row's copy stops a later row with the same target.
const TLegacyBootCopy LegacyBootCopies[] = {
    {L"\\NTLDR", L"\\I386\\NTLDR"},
    {L"\\NTDETECT.COM", L"\\I386\\NTDETECT.COM"},
    {L"\\NTLDR", L"\\WXPE\\NTLDR"},
    {L"\\NTLDR", L"\\WXPE\\SETUPLDR.BIN"},
    {L"\\NTDETECT.COM", L"\\WXPE\\NTDETECT.COM"},
};
}  // namespace

void TBurnJob::LegacyBootStep(const std::wstring& root) {
  for (const TLegacyBootCopy& row : LegacyBootCopies) {
    const std::wstring target = root + row.Target;
    const std::wstring source = root + row.Source;
    // Never overwrites; a failed copy stays quiet.
    if (!FileExists(target) && FileExists(source)) ::CopyFileW(source.c_str(), target.c_str(), TRUE);
  }
  if (FileExists(root + L"\\BOOTMGR")) {
    RunStage(BootSectNt60);
  } else if (FileExists(root + L"\\NTLDR")) {
    RunStage(BootSectNt52);
  }
}
