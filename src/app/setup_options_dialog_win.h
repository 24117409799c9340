#pragma once
// The "Windows setup options" dialog the Burn button shows for a Windows
// setup image, before the first confirmation.
#include <windows.h>

#include <optional>
#include <string>

#include "burn/answer_file.h"

inline constexpr const wchar_t* SetupOptionsTitle = L"Windows setup options";

// Shows the dialog over `owner` (disabled meanwhile) with `options` ticked;
// true on OK, with `options` as the user left them.
bool ShowSetupOptionsDialog(HWND owner, HINSTANCE instance, TSetupOptions& options);

// For a Windows setup image: the dialog with the remembered choices, saved
// again on OK, and what the burn writes from them. For any other image
// (or one that cannot be read: the burn's checks say so) none, and true.
// False on Cancel, with nothing changed.
bool AskSetupAnswers(HWND owner, HINSTANCE instance, const std::wstring& isoFile,
                     std::optional<TSetupAnswers>& answers);
