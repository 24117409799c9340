#pragma once
// The Burn button's rules that need nothing of the platform: input checks,
// the confirmation texts and the diskpart script.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/ascii_text.h"

// Longest volume label the file systems accept.
inline constexpr std::size_t VolumeLabelLimit = 11;

// Tested in this order; colon and slash appear twice.
inline constexpr std::array<wchar_t, 16> InvalidLabelChars = {
    L'*', L'?', L'[', L']', L':', L'<', L'>', L'|', L'+', L'=', L':', L',', L'/', L'\\', L'/', L'"'};

inline constexpr const wchar_t* NoIsoFileText = L"Please select a ISO file.";
inline constexpr const wchar_t* NoUsbDriveText = L"Please select a USB drive.";
inline constexpr const wchar_t* InvalidLabelText = L"Invalid characters in Volume Label.";
inline constexpr const wchar_t* LegacyBootFailedText = L"Failed to create BOOTMGR or NTLDR.";
inline constexpr const wchar_t* BurnCompleteText =
    L"Burn the ISO file to USB disk has been successfully completed.";
inline constexpr const wchar_t* InformationTitle = L"Information";
inline constexpr const wchar_t* ErrorTitle = L"Error";

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

// Windows formats no FAT32 volume over 32000 MB (diskpart's MB: 1,048,576 bytes).
inline constexpr int64_t Fat32VolumeLimitMb = 32000;

// The eight diskpart lines joined by CR LF, without a break after the last.
// The script cleans the whole disk: FAT32 on a disk longer than
// Fat32VolumeLimitMb gets a partition of that size; the rest stays unallocated.
std::wstring DiskPartScriptText(const std::wstring& root, const std::wstring& fileSystem, int64_t diskSize);
