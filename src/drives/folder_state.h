#pragma once
// What the system shows of a folder that a burn writes into (the temp folder
// for the install.wim copy).
#include <string>

struct TFolderState {
  std::wstring Path;
  bool Exists = false;
  bool Readable = false;    // its entries can be listed
  std::wstring FileSystem;  // of its volume, as the system names it ("NTFS", "FAT32"); empty when unknown
};

TFolderState InspectFolder(const std::wstring& path);
// The temp folder as the system reports it, also when its path is over the
// 260-character limit that GetTempDirectory keeps to.
TFolderState InspectTempFolder();
