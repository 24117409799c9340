#include "drives/autorun_guard.h"

#include <windows.h>

#include "base/optional_api.h"
#include "base/win32_handles.h"

namespace {
// Kept with its leading backslash; the hive-relative path starts after it.
const wchar_t PolicyKeyPath[] = L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";
const wchar_t PolicyValueName[] = L"NoDriveTypeAutoRun";
// The record: the value to write back as a REG_DWORD, or REG_NONE without
// data when the value was absent.
const wchar_t RecordKeyPath[] = L"Software\\Quillora";
const wchar_t RecordValueName[] = L"NoDriveTypeAutoRun";
constexpr DWORD AutoRunOffForAllDrives = 255;
// Both builds keep the record in the 64-bit view; the policy key is one key
// in both views anyway.
constexpr REGSAM SharedView = KEY_WOW64_64KEY;

HKEY Hive(int index) { return index == 0 ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER; }

// Where a record lies: a hive's Software\Quillora in one registry view.
struct TRecordKey {
  HKEY Hive;
  REGSAM View;
};
TRecordKey SharedRecord(int index) { return {Hive(index), SharedView}; }

struct TSaved {
  bool Absent = false;
  DWORD Value = 0;
};

// Opened only, never created. The result tells a missing key from a refusal.
LONG OpenKey(HKEY hive, const wchar_t* path, REGSAM access, TRegKey& key, REGSAM view = SharedView) {
  HKEY opened = nullptr;
  const LONG result = ::RegOpenKeyExW(hive, path, 0, access | view, &opened);
  key.Reset(result == ERROR_SUCCESS ? opened : nullptr);
  return result;
}

enum class TKind { Absent, Number, Other };
TKind ReadDword(HKEY key, const wchar_t* name, DWORD& value) {
  DWORD type = 0;
  DWORD size = sizeof value;
  const LONG result = ::RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
  if (result == ERROR_FILE_NOT_FOUND) return TKind::Absent;
  return result == ERROR_SUCCESS && type == REG_DWORD && size == sizeof value ? TKind::Number : TKind::Other;
}

bool WriteDword(HKEY key, const wchar_t* name, DWORD value) {
  return ::RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value) ==
         ERROR_SUCCESS;
}

bool DeleteValue(HKEY key, const wchar_t* name) {
  const LONG result = ::RegDeleteValueW(key, name);
  return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}

bool ReadRecord(const TRecordKey& record, TSaved& saved) {
  TRegKey key;
  if (OpenKey(record.Hive, RecordKeyPath, KEY_QUERY_VALUE, key, record.View) != ERROR_SUCCESS) return false;
  DWORD type = 0;
  DWORD size = sizeof saved.Value;
  if (::RegQueryValueExW(key.Get(), RecordValueName, nullptr, &type, reinterpret_cast<BYTE*>(&saved.Value),
                         &size) != ERROR_SUCCESS)
    return false;
  saved.Absent = type == REG_NONE && size == 0;
  return saved.Absent || (type == REG_DWORD && size == sizeof saved.Value);
}

// Flushed before the policy changes, so a power cut cannot lose it.
bool WriteRecord(const TRecordKey& record, const TSaved& saved) {
  HKEY created = nullptr;
  if (::RegCreateKeyExW(record.Hive, RecordKeyPath, 0, nullptr, 0, KEY_SET_VALUE | record.View, nullptr, &created,
                        nullptr) != ERROR_SUCCESS)
    return false;
  const TRegKey key(created);
  const bool written = saved.Absent ? ::RegSetValueExW(key.Get(), RecordValueName, 0, REG_NONE, nullptr, 0) ==
                                          ERROR_SUCCESS
                                    : WriteDword(key.Get(), RecordValueName, saved.Value);
  return written && ::RegFlushKey(key.Get()) == ERROR_SUCCESS;
}

// Windows before Vista lacks the call that names a view; a 32-bit one has one view only.
void DeleteKey(const TRecordKey& record) {
  if (const auto deleteKeyEx = OptionalApi::RegDeleteKeyExW()) deleteKeyEx(record.Hive, RecordKeyPath, record.View, 0);
  else ::RegDeleteKeyW(record.Hive, RecordKeyPath);
}

bool DeleteRecord(const TRecordKey& record) {
  TRegKey key;
  const LONG opened = OpenKey(record.Hive, RecordKeyPath, KEY_QUERY_VALUE | KEY_SET_VALUE, key, record.View);
  if (opened == ERROR_FILE_NOT_FOUND) return true;
  if (opened != ERROR_SUCCESS || !DeleteValue(key.Get(), RecordValueName)) return false;
  DWORD subkeys = 0;
  DWORD values = 0;
  if (::RegQueryInfoKeyW(key.Get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr,
                         nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
      subkeys == 0 && values == 0) {
    key.Reset();
    // An empty key left behind holds no record, so its removal may fail.
    DeleteKey(record);
  }
  return true;
}

// Writes the saved value back, or deletes the value that was absent. With
// onlyOverOurs, a value no longer 255 is someone else's and stays.
bool PutBack(HKEY hive, const TSaved& saved, bool onlyOverOurs) {
  TRegKey key;
  const LONG opened = OpenKey(hive, PolicyKeyPath + 1, KEY_QUERY_VALUE | KEY_SET_VALUE, key);
  if (opened == ERROR_FILE_NOT_FOUND) return true;  // the key went meanwhile; it is never made again
  if (opened != ERROR_SUCCESS) return false;
  DWORD now = 0;
  if (onlyOverOurs && (ReadDword(key.Get(), PolicyValueName, now) != TKind::Number || now != AutoRunOffForAllDrives))
    return true;
  return saved.Absent ? DeleteValue(key.Get(), PolicyValueName) : WriteDword(key.Get(), PolicyValueName, saved.Value);
}
}  // namespace

void TAutoRunGuard::DisableAutoRun() {
  int32_t* const fields[2] = {&NoDriveTypeAutoRun, &NoDriveTypeAutoRun1};
  for (int i = 0; i < 2; ++i) {
    FRecorded[i] = false;
    TRegKey key;
    if (OpenKey(Hive(i), PolicyKeyPath + 1, KEY_QUERY_VALUE | KEY_SET_VALUE, key) != ERROR_SUCCESS) continue;
    TSaved saved;
    // A record left by a failed restore holds the user's value; the policy
    // itself still reads 255 then.
    if (!ReadRecord(SharedRecord(i), saved)) {
      const TKind kind = ReadDword(key.Get(), PolicyValueName, saved.Value);
      if (kind == TKind::Other) continue;  // not a 32-bit value: leave this hive alone
      saved.Absent = kind == TKind::Absent;
      if (!WriteRecord(SharedRecord(i), saved)) continue;  // what a crash could not put back is not changed
    }
    *fields[i] = saved.Absent ? -1 : static_cast<int32_t>(saved.Value);
    FAbsent[i] = saved.Absent;
    FRecorded[i] = true;
    WriteDword(key.Get(), PolicyValueName, AutoRunOffForAllDrives);
  }
}

bool TAutoRunGuard::RestoreAutoRun() {
  const int32_t fields[2] = {NoDriveTypeAutoRun, NoDriveTypeAutoRun1};
  bool restored = true;
  for (int i = 0; i < 2; ++i) {
    if (!FRecorded[i]) continue;
    const TSaved saved{FAbsent[i], static_cast<DWORD>(fields[i])};
    // Kept on failure, so a later call tries again.
    if (PutBack(Hive(i), saved, false) && DeleteRecord(SharedRecord(i))) FRecorded[i] = false;
    else restored = false;
  }
  return restored;
}

bool RestoreAutoRunFromRecord() {
  // Earlier 32-bit builds left the machine's record in the 32-bit view; the
  // user's Software is one key in both views.
  const TRecordKey records[] = {SharedRecord(0), SharedRecord(1), {HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY}};
  bool restored = true;
  for (const TRecordKey& record : records) {
    TSaved saved;
    if (!ReadRecord(record, saved)) continue;
    if (!PutBack(record.Hive, saved, true) || !DeleteRecord(record)) restored = false;
  }
  return restored;
}
