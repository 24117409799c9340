#pragma once
// The entries of one folder, as the system lists them.
#include <windows.h>

#include <functional>
#include <string>

// Calls `visit` with each entry of `folder` but "." and ".." until it returns
// false. True when the whole list was read (an empty drive root lists
// nothing); false when `visit` stopped it or the folder could not be listed.
bool ForEachEntry(const std::wstring& folder, const std::function<bool(const WIN32_FIND_DATAW&)>& visit);
