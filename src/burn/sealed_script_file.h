#pragma once
// The diskpart script file. From before its first byte is written until it
// goes, no other program can write, replace, rename or delete it; a reader
// such as diskpart still opens it for reading, also one that lets nobody
// write meanwhile (only an open that lets nobody read is refused).
#include <string>

#include "base/win32_handles.h"

class TSealedScriptFile {
public:
  // Creates NAME in the temp folder, or NAME with 8 hex digits before its
  // extension when anything is there already (a file or link planted there is
  // never opened), writes `text` in the ANSI code page and holds it open for
  // reading only. Raises EFailure when it cannot.
  TSealedScriptFile(const std::wstring& name, const std::wstring& text);
  // Closes and deletes the file; after diskpart has ended.
  ~TSealedScriptFile();
  TSealedScriptFile(const TSealedScriptFile&) = delete;
  TSealedScriptFile& operator=(const TSealedScriptFile&) = delete;

  const std::wstring& Path() const { return FPath; }

private:
  std::wstring FPath;
  TFileHandle FHeld;
};
