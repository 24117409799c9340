#pragma once
// The choice of a free temporary file name (the diskpart script's).
#include <cstdint>
#include <functional>
#include <string>

struct TTempNameHost {
  std::function<bool(const std::wstring&)> FileExists;
  std::function<std::wstring()> TempDirectory;  // ends in a backslash or is empty
  std::function<uint32_t()> TickCount;
};

// A bare name goes into the temp folder. If a file is there, a counter of
// 8 upper-case hex digits starting at the tick count fills the first "*"
// (put before the extension when the name has none); after 10001 taken
// names it raises EFailure "Can't create temp file \"...{UniqueID}...\".".
std::wstring MakeUniqueTempName(const std::wstring& name, const TTempNameHost& host);

// Whether `candidate` is a name MakeUniqueTempName gives for `name` (a bare
// name): the name itself, or with its 8 upper-case hex digits.
bool IsUniqueTempName(const std::wstring& candidate, const std::wstring& name);

// "...\temp.dat" -> "...\temp*.dat"; "...\temp" -> "...\temp*.".
std::wstring InsertUniqueMark(const std::wstring& path);

// 8 upper-case hexadecimal digits with leading zeros.
std::wstring Hex8(uint32_t value);
