#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "base/failure.h"
#include "base/system_error.h"
#include "app/usb_form.h"
#include "base/win32_handles.h"
#include "drives/host_checks.h"
#include "drives/drive_list.h"
#include "stages/stage_text.h"

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

[[noreturn]] void RaiseFileFailure(const wchar_t* what, const std::wstring& path, DWORD code) {
  throw EFailure(std::wstring(what) + L" \"" + path + L"\". " + SystemErrorText(code));
}

// In the ANSI code page, as the console programs read it.
void SaveAnsiFile(const std::wstring& path, const std::wstring& text) {
  const std::optional<std::string> ansi = WideToCodePage(CP_ACP, text);
  if (!ansi)
    throw EFailure(L"Cannot convert the script to the system's code page. " + SystemErrorText(::GetLastError()));
  const std::string& bytes = *ansi;
  TFileHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                 nullptr));
  if (!file) RaiseFileFailure(L"Cannot create file", path, ::GetLastError());
  std::size_t done = 0;
  while (done < bytes.size()) {
    DWORD written = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
    if (!::WriteFile(file.Get(), bytes.data() + done, chunk, &written, nullptr) || written == 0)
      RaiseFileFailure(L"Cannot write file", path, ::GetLastError());
    done += written;
  }
}

}  // namespace

bool TUSBForm::RunStage(StageId stage) {
  bool result = false;
  ReleaseToolProcess();
  std::vector<std::wstring> lines;  // the line list of stage 0
  const auto endSteps = [&] {
    lines.clear();
    ProcessMessages();
    ReleaseToolProcess();
  };
  try {
    const TStageTexts* texts = StageTexts(stage);
    if (texts) SetStatus(texts->Start);
    std::wstring output;
    const std::wstring root = DriveRootOf(GetSelectedDrive());

    if (stage == BurnImage) {
      result = BurnImageStage(root);
    } else if (texts) {
      TStageCommandParts parts;
      parts.AppPath = App_Path;
      parts.FormatPath = format_path;
      parts.LabelPath = label_path;
      parts.DiskPartPath = diskpart_path;
      parts.BootSectPath = bootsect_path;
      parts.DismPath = dism_path;
      parts.WimFile = WimSplitFile;
      parts.ScriptFile = ScriptFile;
      parts.Root = root;
      if (stage == ReadIsoInfo) parts.IsoFile = ControlText(ISOFileEdit);
      if (stage == FormatDrive) parts.FileSystem = GetSelectedFileSystem();
      if (stage == WriteLabel) parts.Label = ControlText(LabelEdit);
      const std::wstring command = ComposeStageCommand(stage, parts);

      // An empty command here means the drive root is unusable: the program is
      // not started rather than let loose on the current drive.
      const TToolOutcome outcome =
          command.empty() ? TToolOutcome::NotStarted : RunToolCommand(command, stage, output);
      if (outcome == TToolOutcome::NotStarted) {
        SetStatus(StageErrorText);
        if (texts->NotStartedBox)
          ShowMessage(texts->NotStartedBox->Text, texts->NotStartedBox->Title, MB_OK | IconFlag(texts->NotStartedBox->Icon));
        if (texts->RecoveryGuideAfterNotStarted)
          ShowMessage(RecoveryGuideText, L"Information", MB_OK | MB_ICONINFORMATION);
      } else if (stage == ReadIsoInfo) {
        lines = SplitLines(output);
        const std::wstring volumeId = FindVolumeId(lines);
        if (ExitCode != 0 || volumeId.empty()) {
          SetControlText(LabelEdit, L"");
          SetStatus(StageErrorText);
          ShowMessage(texts->FailureBox->Text, texts->FailureBox->Title, MB_OK | IconFlag(texts->FailureBox->Icon));
        } else {
          SetStatus(texts->Success);
          SetControlText(LabelEdit, VolumeLabelFromId(volumeId));
          result = true;
        }
      } else if (ExitCode == 0) {
        SetStatus(texts->Success);
        result = true;
      } else {
        const bool bootSect = stage == BootSectNt52 || stage == BootSectNt60;
        SetStatus(bootSect ? BootSectFailureText(output) : std::wstring(StageErrorText));
        if (texts->FailureBox)
          ShowMessage(texts->FailureBox->Text, texts->FailureBox->Title, MB_OK | IconFlag(texts->FailureBox->Icon));
      }
    }
  } catch (...) {
    endSteps();
    throw;
  }
  endSteps();
  return result;
}

bool TUSBForm::RunDiskPartScript(StageId stage, const std::wstring& script) {
  ScriptStringList.clear();
  ScriptStringList = SplitLines(script);
  SaveAnsiFile(ScriptFile, ScriptFileText(ScriptStringList));
  ScriptSaved = true;
  return RunStage(stage);
}

void TUSBForm::BrowseButtonClick() {
  const std::wstring path = ShowOpenDialog();
  if (path.empty()) return;
  if (!FileExists(path)) return;
  SetControlText(ISOFileEdit, path);
  if (!CheckSupportFiles()) return;
  EnableControls(false);
  try {
    RunStage(ReadIsoInfo);
  } catch (...) {
    EnableControls(true);
    throw;
  }
  EnableControls(true);
}
