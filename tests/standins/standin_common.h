#pragma once
// What every stand-in console tool shares: the log, the control file, raw
// output and the quick "format" that empties a drive.
#include <windows.h>

#include <string>
#include <vector>

namespace standin {

// The text a boot-sector tool prints when it refuses the host.
extern const char* const RefusalText;

// What a control file tells a tool to do.
struct TControl {
  bool Scripted = false;  // exit, output, output_hex, bytes or refuse given
  DWORD ExitCode = 0;
  std::vector<std::string> Writes;  // what to print, one write each, in order
  DWORD SleepMs = 0;
  std::string WaitFile;   // waits until this file is in the stand-in folder
  std::string BusFile;    // the test's usb-bus.txt, for diskpart's assign
  std::string Error;      // a malformed control file
};

// QUILLORA_STANDIN_DIR, or the folder of the running program.
std::wstring StandInDir();
// Appends "<tool>|<command line>" to log.txt in StandInDir().
void AppendLog(const std::wstring& tool);
// Reads "<tool>.ctl" in StandInDir(); no file means defaults.
TControl ReadControl(const std::wstring& tool);
TControl ParseControl(const std::string& text);

// Prints the bytes with one write.
void PrintOut(const std::string& bytes);
void PrintErr(const std::string& text);
std::string Narrow(const std::wstring& text);  // to the ANSI code page

bool ReadWholeFile(const std::wstring& path, std::string& bytes,
                   DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
bool WriteWholeFile(const std::wstring& path, const std::string& bytes);

// Equal regardless of letter case.
bool SameText(const std::wstring& a, const std::wstring& b);
// "X:" with a letter A to Z.
bool IsDriveRoot(const std::wstring& text);
// A drive "X:" the tools may write on: a local disk that holds none of the
// system, the current, temp, log or program folder.
bool IsTestDrive(const std::wstring& root, std::string& error);
// Deletes everything on a test drive.
bool EmptyDrive(const std::wstring& root, std::string& error);
// A quick format as Windows leaves it: the drive emptied, then the hidden,
// system folder "System Volume Information" holding a small file.
bool FormatDrive(const std::wstring& root, std::string& error);

// The common frame of every tool: logs the call, then either does what the
// control file scripts or runs `work` after any sleep asked for.
int StandInMain(const wchar_t* tool, int argc, wchar_t** argv, int (*work)(int, wchar_t**));

}  // namespace standin
