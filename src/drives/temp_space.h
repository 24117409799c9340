#pragma once
// Room in the temp folder for the install.wim copy that DISM splits.
#include <cstdint>
#include <optional>
#include <string>

// Kept free beyond the copy itself, for the system and DISM's own files.
inline constexpr uint64_t SplitTempReserve = 64ull * 1048576;

// The refusal shown before anything is erased when the temp folder's volume
// has less than the copy's size and the reserve free; empty when it has.
// Sizes are written as the drive list writes them.
std::wstring TempSpaceRefusal(const std::wstring& tempFolder, uint64_t freeBytes, uint64_t wimSize,
                              const std::wstring& decimalSeparator);

// Bytes this user may still write on the volume holding `folder`; none when
// the system cannot tell.
std::optional<uint64_t> FreeSpaceOf(const std::wstring& folder);
