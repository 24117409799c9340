#pragma once
// The names in a drive's root, as the UDF rule of the image stage sees them.
#include <string>
#include <vector>

// Names in the drive root (pattern root + "*"), in the order found, without
// the system's own entries (both hidden and system: "System Volume
// Information", "$RECYCLE.BIN", made on a fresh volume at any moment); a
// search that fails part-way keeps the names found until then.
std::vector<std::wstring> ListDriveRoot(const std::wstring& root);
