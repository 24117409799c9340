#pragma once
// A folder of the program's own in the temp folder, removed with everything
// in it when its owner goes, on every way out.
#include <string>

// The work folder of the install.wim copy that is split.
inline constexpr wchar_t WimWorkFolderName[] = L"install_wim.tmp";

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

// For the start-up, when no other copy runs: removes from the temp folder the
// work folders NAME that a killed burn left (NAME itself or with its 8 hex
// digits, as the constructor makes them); nothing of another name, no file.
void RemoveLeftoverWorkFolders(const std::wstring& name);
