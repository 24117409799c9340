#pragma once
// What the UDF rule looks at: the names in a drive's root.
#include <string>
#include <vector>

// Names in the drive root (pattern root + "*"), in the order found, without
// the system's own hidden and system entries; a search that fails part-way
// keeps the names found until then.
std::vector<std::wstring> ListDriveRoot(const std::wstring& root);
