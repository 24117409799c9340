#include "burn/stage_runner.h"

#include "burn/burn_view.h"

const wchar_t* const RecoveryGuideText =
    L"If create bootable USB disk failed, sometimes the USB disk will be unusable, you can try the "
    L"following steps to recover it:\r\n\r\n"
    L"1. Insert your USB disk, click \"Start\", and then click \"Control Panel\".\r\n"
    L"(a) For Win7/Vista, in the \"System and Security\", click \"Administrative Tools\", and then "
    L"double-click \"Computer Management\".\r\n"
    L"(b) For WinXP, in the \"Performance and Maintenance\", click \"Administrative Tools\", and "
    L"then double-click \"Computer Management\".\r\n\r\n"
    L"2. In \"Computer Management\" console tree, expand \"Storage\", click \"Disk "
    L"Management\".\r\n\r\n"
    L"3. In \"Disk Management\", right-click your USB disk (unallocated space), and then click "
    L"\"New Simple Volume\", the \"New Simple Volume Wizard\" should appear, step-by-step, that "
    L"is all.";

namespace {

UINT IconFlag(TBoxIcon icon) {
  switch (icon) {
    case TBoxIcon::Error:
      return MB_ICONERROR;
    case TBoxIcon::Warning:
      return MB_ICONWARNING;
    case TBoxIcon::Information:
      break;
  }
  return MB_ICONINFORMATION;
}

}  // namespace

void ShowStageBox(IBurnView& view, const TStageBox& box) {
  view.ShowMessage(box.Text, box.Title, MB_OK | IconFlag(box.Icon));
}

void TStageRunner::ProcessMessages() { FPump(); }

bool TStageRunner::Idle() const {
  return ReadOut == INVALID_HANDLE_VALUE && WriteOut == INVALID_HANDLE_VALUE && ProcessInfo.hProcess == nullptr;
}

bool TStageRunner::Run(StageId stage, const TStageCommandParts& parts, const std::function<bool()>& body) {
  bool result = false;
  ReleaseToolProcess();
  try {
    const TStageTexts* texts = StageTexts(stage);
    if (texts) FView.SetStatus(texts->Start);
    std::wstring output;

    if (body) {
      result = body();
    } else if (texts) {
      const std::wstring command = ComposeStageCommand(stage, parts);
      // An empty command here means the drive root is unusable: the program is
      // not started rather than let loose on the current drive.
      const TToolOutcome outcome =
          command.empty() ? TToolOutcome::NotStarted : RunToolCommand(command, stage, output);
      if (outcome == TToolOutcome::NotStarted) {
        FView.SetStatus(StageErrorText);
        if (texts->NotStartedBox) ShowStageBox(FView, *texts->NotStartedBox);
        if (texts->RecoveryGuideAfterNotStarted)
          FView.ShowMessage(RecoveryGuideText, L"Information", MB_OK | MB_ICONINFORMATION);
      } else if (ExitCode == 0) {
        FView.SetStatus(texts->Success);
        result = true;
      } else {
        const bool bootSect = stage == BootSectNt52 || stage == BootSectNt60;
        FView.SetStatus(bootSect ? BootSectFailureText(output) : std::wstring(StageErrorText));
        if (texts->FailureBox) ShowStageBox(FView, *texts->FailureBox);
      }
    }
  } catch (...) {
    FPump();
    ReleaseToolProcess();
    throw;
  }
  FPump();
  ReleaseToolProcess();
  return result;
}
