#pragma once
// A folder of the program's own in the temp folder, removed with everything
// in it when its owner goes, on every way out.
#include <string>

class TWorkFolder {
public:
  // Creates the folder NAME in the temp folder, or NAME with 8 hex digits
  // before its extension when that is taken (as the script file's name is
  // chosen). Raises EFailure when it cannot be made.
  explicit TWorkFolder(const std::wstring& name);
  ~TWorkFolder();
  TWorkFolder(const TWorkFolder&) = delete;
  TWorkFolder& operator=(const TWorkFolder&) = delete;

  // Without a trailing backslash.
  const std::wstring& Path() const { return FPath; }

private:
  std::wstring FPath;
};
