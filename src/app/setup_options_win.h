#pragma once
// The setup options kept between runs under HKCU\Software\Quillora, and this
// PC's regional values for the answer file.
#include <array>

#include "burn/answer_file.h"

inline constexpr const wchar_t* SetupOptionsKey = L"Software\\Quillora";
// The values they are kept in: a DWORD (0 or 1) per tick, in the order of
// SetupOptionTicks, and the account name as a string.
inline constexpr std::array<const wchar_t*, 6> SetupOptionTickValues = {
    L"SetupRemoveHardwareRequirements", L"SetupRemoveOnlineAccountRequirement", L"SetupCreateLocalAccount",
    L"SetupSetRegionalOptions",         L"SetupDisableDataCollection",          L"SetupDisableDeviceEncryption"};
inline constexpr const wchar_t* SetupAccountNameValue = L"SetupLocalAccountName";

// What was saved last; what is missing reads as not ticked, and the account
// name as the current user's.
TSetupOptions LoadSetupOptions();
// Creates the key when needed; false when the registry refuses.
bool SaveSetupOptions(const TSetupOptions& options);

// This PC's user and system locale, display language and keyboard.
TLocaleValues ThisPcLocaleValues();
