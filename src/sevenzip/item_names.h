#pragma once
// Which of an image's items the burn writes under their own names: the items
// a reader makes up from the boot catalog are no files of the image, and some
// names cannot be files on Windows at all.
#include <string>

// "[BOOT]\1-Boot-NoEmul.img", "[BOOT]\Boot-1.44M.img" and their kind: the
// ISO 9660 reader lists each boot catalog entry so, after the image's own items.
bool IsBootCatalogItem(const std::wstring& path, wchar_t delimiter);

enum class TNameFault {
  None,
  Reserved,      // CON, PRN, AUX, NUL, COM1-9, LPT1-9, with any extension: a device
  InvalidChars,  // < > : " | ? * or a control character
};
// The first part of `path` that Windows cannot hold as a file or folder name.
TNameFault WindowsNameFault(const std::wstring& path, wchar_t delimiter);

// The file Windows makes of `path`: each part without its trailing dots and
// blanks, letters a to z in upper case. Two paths with one key land on one file.
std::wstring WindowsFileKey(const std::wstring& path, wchar_t delimiter);
