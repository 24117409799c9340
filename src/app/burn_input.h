#pragma once
// What the Burn button checks and asks before a burn starts: the inputs, the
// confirmation texts. Platform-free.
#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "drives/drive_identity.h"

// Longest volume label the file systems accept.
inline constexpr std::size_t VolumeLabelLimit = 11;

// Tested in this order; colon and slash appear twice.
inline constexpr std::array<wchar_t, 16> InvalidLabelChars = {
    L'*', L'?', L'[', L']', L':', L'<', L'>', L'|', L'+', L'=', L':', L',', L'/', L'\\', L'/', L'"'};

inline constexpr const wchar_t* NoIsoFileText = L"Please select a ISO file.";
inline constexpr const wchar_t* NoUsbDriveText = L"Please select a USB drive.";
inline constexpr const wchar_t* InvalidLabelText = L"Invalid characters in Volume Label.";

// The label cut to VolumeLabelLimit characters.
std::wstring CutVolumeLabel(const std::wstring& label);

// Index into InvalidLabelChars of the first entry that occurs in the label,
// or -1 when the label holds none of them.
int FindInvalidLabelChar(const std::wstring& label);

// What the input checks decided, and the texts the edits must show.
struct TBurnInput {
  enum class TVerdict { Accepted, NoIsoFile, NoUsbDrive, InvalidLabel };
  TVerdict Verdict = TVerdict::Accepted;
  std::wstring IsoFile;  // trimmed
  std::wstring Label;    // trimmed, then cut (also when refused for its characters)
};

// The checks made before the confirmation, in their order: image path, drive,
// then the label's length and characters. `drive` is the selected drive line.
TBurnInput CheckBurnInput(const std::wstring& isoFile, const std::wstring& drive,
                          const std::wstring& label);

std::wstring BurnConfirmTitle(const std::wstring& drive);
std::wstring BurnConfirmText(const std::wstring& drive, bool bootable);

// The second confirmation's lines joined by CR LF, or empty when none is due:
// it is due for a hard disk, and for a bootable burn whose disk holds other
// partitions (`alsoErased`, as OtherPartitionsOfDisk names them), as for any
// burn onto a disk without a letter that holds partitions. Title and buttons
// as the first confirmation's.
std::wstring SecondConfirmText(const TListedDrive& drive, bool bootable, const std::vector<std::wstring>& alsoErased);
