#pragma once
// Room on a volume, for the install.wim copy that DISM splits.
#include <cstdint>
#include <optional>
#include <string>

// Bytes this user may still write on the volume holding `folder`; none when
// the system cannot tell.
std::optional<uint64_t> FreeSpaceOf(const std::wstring& folder);
