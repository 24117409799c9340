#pragma once
// The diskpart script of a bootable burn: its lines, its file in the temp
// folder and whether this run wrote that file. The file goes with its owner,
// but only when this run wrote it: by then the name may be another running
// copy's.
#include <string>
#include <vector>

class TDiskPartScript {
public:
  // `file` is the name to save under (the window picks a free one in the temp folder).
  explicit TDiskPartScript(std::wstring file) : FFile(std::move(file)) {}
  ~TDiskPartScript();
  TDiskPartScript(const TDiskPartScript&) = delete;
  TDiskPartScript& operator=(const TDiskPartScript&) = delete;

  // Saves the script's lines, each followed by CR LF, in the ANSI code page
  // as diskpart reads it. Raises EFailure when the file cannot be written.
  void Save(const std::wstring& script);

  const std::wstring& File() const { return FFile; }
  const std::vector<std::wstring>& Lines() const { return FLines; }

private:
  std::wstring FFile;
  std::vector<std::wstring> FLines;
  bool FSaved = false;
};
