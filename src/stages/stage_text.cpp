#include "stages/stage_text.h"

#include "base/ascii_text.h"

const wchar_t* const StageErrorText = L"Error.";
const wchar_t* const BootSectRefusalText = L"This tool can only be run on systems";
const wchar_t* const BootSectBiosOnlyErrorText = L"Error, bootable only for PC/AT BIOS.";
const wchar_t* const BootSectUefiOnlyText = L"Error, bootable only for UEFI.";

namespace {

const TStageBox VolumeIdFailureBox{L"Cannot read info from ISO file.", L"Warning", TBoxIcon::Warning};
const TStageBox FormatFailureBox{L"Cannot format the USB disk.", L"Error", TBoxIcon::Error};
const TStageBox DiskPartFailureBox{L"Cannot create a bootable USB disk.", L"Error", TBoxIcon::Error};

const TStageBox FormatNotStartedBox{L"Failed to format USB disk.", L"Error", TBoxIcon::Error};
const TStageBox DiskPartNotStartedBox{
    L"Failed to create a bootable USB disk.\r\n\r\nPlease try to run program as Administrator.", L"Error",
    TBoxIcon::Error};
const TStageBox BootSectNotStartedBox{L"Failed to make USB disk bootable.", L"Error", TBoxIcon::Error};
const TStageBox SplitImageFailedBox{L"Failed to split install.wim.", L"Error", TBoxIcon::Error};

const TStageTexts Table[] = {
    {L"Reading info from ISO file...", L"Reading ISO info is complete.", &VolumeIdFailureBox, nullptr,
     false},
    {L"Formatting USB disk...", L"Formatting is complete.", &FormatFailureBox, &FormatNotStartedBox, false},
    {L"Writing volume label...", L"Writing label is complete.", nullptr, nullptr, false},
    {L"Burning ISO image...", nullptr, nullptr, nullptr, false},
    {L"Creating a bootable USB disk...", L"Creating a bootable USB disk is complete.", &DiskPartFailureBox,
     &DiskPartNotStartedBox, true},
    {L"Making USB disk bootable...", L"Making USB disk bootable is complete.", nullptr,
     &BootSectNotStartedBox, false},
    {L"Making USB disk bootable...", L"Making USB disk bootable is complete.", nullptr,
     &BootSectNotStartedBox, false},
    {L"Splitting install.wim...", L"Done.", &SplitImageFailedBox, &SplitImageFailedBox, false},
};

constexpr std::size_t LabelFieldLimit = 11;  // the longest volume label

bool NeedsDriveRoot(int stage) {
  return stage == FormatDrive || stage == WriteLabel || stage == BootSectNt52 || stage == BootSectNt60;
}

// The label and split programs are named unquoted; a folder with a blank
// would cut the name short.
std::wstring QuotedIfBlank(const std::wstring& path) {
  return path.find_first_of(L" \t") == std::wstring::npos ? path : L"\"" + path + L"\"";
}

}  // namespace

bool IsStageId(int stage) { return stage >= ReadVolumeId && stage <= SplitImage; }

const TStageTexts* StageTexts(int stage) { return IsStageId(stage) ? &Table[stage] : nullptr; }

bool IsDriveRoot(const std::wstring& root) {
  if (root.size() != 2 || root[1] != L':') return false;
  const wchar_t letter = root[0];
  return (letter >= L'A' && letter <= L'Z') || (letter >= L'a' && letter <= L'z');
}

std::wstring ComposeStageCommand(int stage, const TStageCommandParts& p) {
  if (NeedsDriveRoot(stage) && !IsDriveRoot(p.Root)) return {};
  switch (stage) {
    case FormatDrive:
      return L"\"" + p.FormatPath + L"\" " + p.Root + L" /FS:" + AsciiUpperCase(p.FileSystem) + L" /Q /Y";
    case WriteLabel:
      return QuotedIfBlank(p.LabelPath) + L" " + p.Root + L" " + p.Label;
    case CreateBootable:
      return L"\"" + p.DiskPartPath + L"\" /S \"" + p.ScriptFile + L"\"";
    case BootSectNt52:
      return L"\"" + p.BootSectPath + L"\" /nt52 " + p.Root;
    case BootSectNt60:
      return L"\"" + p.BootSectPath + L"\" /nt60 " + p.Root;
    case SplitImage:
      // Parts of 3800 MB stay below FAT32's 4 GiB limit; Setup finds the
      // further parts (install2.swm, ...) beside the first by itself.
      // The parts are written beside the copy, not onto the drive: the burn
      // copies them over and compares them with these afterwards.
      if (p.WimFile.empty() || p.SwmFile.empty()) return {};
      return QuotedIfBlank(p.DismPath) + L" /Split-Image /ImageFile:\"" + p.WimFile + L"\" /SWMFile:\"" + p.SwmFile +
             L"\" /FileSize:3800";
    default:
      return {};
  }
}

std::vector<std::wstring> SplitLines(const std::wstring& text) {
  std::vector<std::wstring> lines;
  std::size_t start = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    const wchar_t c = text[i];
    if (c != L'\r' && c != L'\n') {
      ++i;
      continue;
    }
    lines.push_back(text.substr(start, i - start));
    i += (c == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') ? 2 : 1;
    start = i;
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

std::wstring VolumeLabelFromId(const std::wstring& id) { return id.substr(0, LabelFieldLimit); }

std::wstring BootSectFailureText(const std::wstring& output) {
  const std::wstring refusal = BootSectRefusalText;
  return output.compare(0, refusal.size(), refusal) == 0 ? BootSectBiosOnlyErrorText : StageErrorText;
}

std::wstring ScriptFileText(const std::vector<std::wstring>& lines) {
  std::wstring text;
  for (const std::wstring& line : lines) text += line + L"\r\n";
  return text;
}
