#pragma once
// The burn's own texts and the diskpart script; platform-free.
#include <cstdint>
#include <string>

#include "burn/file_system.h"

inline constexpr const wchar_t* LegacyBootFailedText = L"Failed to create BOOTMGR or NTLDR.";
inline constexpr const wchar_t* BurnCompleteText =
    L"Burn the ISO file to USB disk has been successfully completed.";
inline constexpr const wchar_t* CancelledUnchangedText = L"Burn cancelled. Nothing was changed.";
inline constexpr const wchar_t* CancelledUnusableText = L"Burn cancelled. The USB drive is not usable: burn it again.";
inline constexpr const wchar_t* StoppingText = L"Stopping the burn...";
inline constexpr const wchar_t* InformationTitle = L"Information";
inline constexpr const wchar_t* ErrorTitle = L"Error";

// Windows formats no FAT32 volume over 32000 MB (diskpart's MB: 1,048,576 bytes).
inline constexpr int64_t Fat32VolumeLimitMb = 32000;

// The size of the volume the script makes on a disk of `diskSize` bytes: the
// disk's, or the FAT32 cap.
int64_t ScriptVolumeSize(TFileSystem fileSystem, int64_t diskSize);

// The eight diskpart lines joined by CR LF, without a break after the last.
// The script cleans the whole disk: FAT32 on a disk longer than
// Fat32VolumeLimitMb gets a partition of that size; the rest stays unallocated.
std::wstring DiskPartScriptText(const std::wstring& root, TFileSystem fileSystem, int64_t diskSize);

// The script for a disk without a letter: it selects the disk by its number,
// marks the partition active only for a bootable burn, and lets Windows
// pick the letter.
std::wstring DiskScriptText(uint32_t diskNumber, TFileSystem fileSystem, int64_t diskSize, bool bootable);
