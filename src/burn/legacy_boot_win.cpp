#include "burn/burn_job.h"

#include "base/byte_source.h"
#include "drives/executable_machine.h"
#include "drives/host_checks.h"

namespace {
struct TLegacyBootCopy {
  const wchar_t* Target;  // copied only while missing
  const wchar_t* Source;
};

// In order: an earlier row's copy stops a later row with the same target.
const TLegacyBootCopy LegacyBootCopies[] = {
    {L"NTLDR", L"I386\\NTLDR"},
    {L"NTDETECT.COM", L"I386\\NTDETECT.COM"},
    {L"NTLDR", L"WXPE\\NTLDR"},
    {L"NTLDR", L"WXPE\\SETUPLDR.BIN"},
    {L"NTDETECT.COM", L"WXPE\\NTDETECT.COM"},
};

// The boot-sector program beside this one when it is there, else the image's
// own on the drive when this host can run it; empty when neither can be used.
std::wstring UsableBootSect(const std::wstring& beside, const std::wstring& onDrive) {
  if (FileExists(beside)) return beside;
  const std::unique_ptr<IByteSource> file = OpenFileBytes(onDrive);
  const TExecutableMachine machine = file ? ReadExecutableMachine(*file) : TExecutableMachine::Other;
  if (machine == TExecutableMachine::I386 || (machine == TExecutableMachine::X64 && IsHost64Bit())) return onDrive;
  return {};
}
}  // namespace

void TBurnJob::LegacyBootStep() {
  if (FCancelled) return;
  FOthersWrote = true;
  for (const TLegacyBootCopy& row : LegacyBootCopies) {
    const std::wstring target = OnDrive(row.Target);
    const std::wstring source = OnDrive(row.Source);
    // Never overwrites; a failed copy stays quiet.
    if (!FileExists(target) && FileExists(source)) ::CopyFileW(source.c_str(), target.c_str(), TRUE);
  }
  const bool nt60 = FileExists(OnDrive(L"BOOTMGR"));
  if (!nt60 && !FileExists(OnDrive(L"NTLDR"))) return;
  const std::wstring bootSect = UsableBootSect(FChoice.Files.BootSectPath, OnDrive(L"boot\\bootsect.exe"));
  if (bootSect.empty()) {
    // The files are on the drive all the same: UEFI PCs start from them.
    FView.SetStatus(BootSectUefiOnlyText);
    return;
  }
  const StageId stage = nt60 ? BootSectNt60 : BootSectNt52;
  TStageCommandParts parts = StageParts(stage);
  parts.BootSectPath = bootSect;
  FRunner.Run(stage, parts);
}
