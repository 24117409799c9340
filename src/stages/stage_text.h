#pragma once
// The platform-free half of the stage table: command lines, texts and boxes of
// each stage, and the reading of the programs' output.
#include <string>
#include <vector>

#include "stages/stage_id.h"

// Everything a command line is made of, taken at the moment the stage runs.
struct TStageCommandParts {
  std::wstring AppPath;       // the program folder, ends in a backslash
  std::wstring FormatPath;
  std::wstring LabelPath;
  std::wstring DiskPartPath;
  std::wstring BootSectPath;
  std::wstring DismPath;
  std::wstring WimFile;       // the install.wim copy that is split
  std::wstring SwmFile;       // the first part it is split into, beside the copy
  std::wstring ScriptFile;
  std::wstring Label;         // the label chosen
  std::wstring FileSystem;    // the file system chosen
  std::wstring Root;          // drive root (DriveRootOf)
};

enum class TBoxIcon { Error, Warning, Information };

struct TStageBox {
  const wchar_t* Text;
  const wchar_t* Title;
  TBoxIcon Icon;
};

struct TStageTexts {
  const wchar_t* Start;
  const wchar_t* Success;
  const TStageBox* FailureBox;     // after the failure text; null = none
  const TStageBox* NotStartedBox;  // after "Error."; null = none
  bool RecoveryGuideAfterNotStarted;
};

extern const wchar_t* const StageErrorText;             // "Error."
extern const wchar_t* const BootSectRefusalText;        // the programs' refusal
extern const wchar_t* const BootSectBiosOnlyErrorText;  // status after a refusal
extern const wchar_t* const BootSectUefiOnlyText;       // status when no boot-sector program fits

bool IsStageId(int stage);
// Texts and boxes of a stage; null for a value outside 0..7.
const TStageTexts* StageTexts(int stage);

// A drive letter and a colon, nothing else.
bool IsDriveRoot(const std::wstring& root);

// The command line of a stage. Empty for stages 0 and 3 (the program does
// them itself), for a value outside 0..7, and for a stage that acts on the
// drive when `Root` is not a drive root (label and bootsect would otherwise
// act on the current drive).
std::wstring ComposeStageCommand(int stage, const TStageCommandParts& parts);

// Lines end at CR, LF or CR LF; a final break adds no empty line.
std::vector<std::wstring> SplitLines(const std::wstring& text);
// The id as it goes into the label field: at most 11 characters.
std::wstring VolumeLabelFromId(const std::wstring& id);
// Status text of a boot-sector program that failed with `output`.
std::wstring BootSectFailureText(const std::wstring& output);
// The script file's text: every line followed by CR LF.
std::wstring ScriptFileText(const std::vector<std::wstring>& lines);
