#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "base/win32_handles.h"
#include "drives/autorun_guard.h"
#include "drives/read_only_policy_win.h"
#include "prefix_state_win.h"

namespace {
const wchar_t Policies[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies";
const wchar_t Explorer[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";
const wchar_t Name[] = L"NoDriveTypeAutoRun";
const wchar_t Record[] = L"Software\\Quillora";
// Where an earlier 32-bit build kept the machine's record: the 32-bit view.
const wchar_t OldRecord[] = L"Software\\WOW6432Node\\Quillora";
const HKEY Machine = HKEY_LOCAL_MACHINE, User = HKEY_CURRENT_USER;

using TValue = std::optional<std::pair<DWORD, std::vector<BYTE>>>;  // type, data; nullopt: absent
TValue Dword(DWORD v) {
  return std::make_pair(DWORD{REG_DWORD}, std::vector<BYTE>{BYTE(v), BYTE(v >> 8), BYTE(v >> 16), BYTE(v >> 24)});
}
const TValue Text{std::make_pair(DWORD{REG_SZ}, std::vector<BYTE>{'o', 0, 'f', 0, 'f', 0, 0, 0})};

// Every key in the 64-bit view, where the program keeps its record from either build.
TRegKey Open(HKEY hive, const wchar_t* path, REGSAM access = KEY_ALL_ACCESS) {
  TRegKey key;
  if (::RegOpenKeyExW(hive, path, 0, access | KEY_WOW64_64KEY, key.Put()) != ERROR_SUCCESS) key.Release();
  return key;
}
void DeleteKey(HKEY hive, const wchar_t* path) { ::RegDeleteKeyExW(hive, path, KEY_WOW64_64KEY, 0); }
TValue Read(HKEY hive, const wchar_t* path = Explorer) {
  TRegKey key = Open(hive, path, KEY_QUERY_VALUE);
  DWORD type = 0, size = 64;
  std::vector<BYTE> data(size);
  if (!key || ::RegQueryValueExW(key.Get(), Name, nullptr, &type, data.data(), &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  data.resize(size);
  return std::make_pair(type, data);
}
// Makes the key exist (or not) with the value given.
void Put(HKEY hive, const TValue& value, bool keyExists = true, const wchar_t* path = Explorer) {
  if (!keyExists) {
    DeleteKey(hive, path);
    return;
  }
  TRegKey key;
  ::RegCreateKeyExW(hive, path, 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr, key.Put(), nullptr);
  if (!value) ::RegDeleteValueW(key.Get(), Name);
  else ::RegSetValueExW(key.Get(), Name, 0, value->first, value->second.data(), DWORD(value->second.size()));
}

const TValue Absent{std::make_pair(DWORD{REG_NONE}, std::vector<BYTE>{})};  // as recorded

// Puts both hives and the records back as they were after each test.
class AutoRunGuard : public ::testing::Test {
protected:
  void SetUp() override {
    for (int i = 0; i < 2; ++i) {
      DeleteKey(FHives[i], Record);  // a record would be used instead of the value
      FBefore[i] = {bool(Open(FHives[i], Policies)), bool(Open(FHives[i], Explorer)), Read(FHives[i])};
    }
    DeleteKey(Machine, OldRecord);
  }
  void TearDown() override {
    for (int i = 0; i < 2; ++i) {
      Put(FHives[i], FBefore[i].value, FBefore[i].explorer);
      if (!FBefore[i].policies) DeleteKey(FHives[i], Policies);
    }
  }
  struct { bool policies, explorer; TValue value; } FBefore[2];
  const HKEY FHives[2] = {Machine, User};
  // Also put back by the next test program should this one be killed.
  prefixstate::TRegistryValueScope FMachineValue{Machine, Explorer, Name}, FUserValue{User, Explorer, Name};
  prefixstate::TRegistryValueScope FMachineRecord{Machine, Record, Name}, FUserRecord{User, Record, Name};
  prefixstate::TRegistryValueScope FOldMachineRecord{Machine, OldRecord, Name};
  TAutoRunGuard Guard;
};
}  // namespace

TEST_F(AutoRunGuard, SavesSetsAndPutsBack) {
  const TValue cases[][2] = {{Dword(145), std::nullopt}, {std::nullopt, std::nullopt}, {Dword(255), Dword(0xFFFFFFFF)}};
  for (const auto& before : cases) {
    Put(Machine, before[0]);
    Put(User, before[1]);
    Guard.DisableAutoRun();
    EXPECT_EQ(Read(Machine), Dword(255));
    EXPECT_EQ(Read(User), Dword(255));
    EXPECT_EQ(Read(Machine, Record), before[0] ? before[0] : Absent);
    EXPECT_EQ(Read(User, Record), before[1] ? before[1] : Absent);
    EXPECT_TRUE(Guard.RestoreAutoRun());
    EXPECT_EQ(Read(Machine), before[0]);
    EXPECT_EQ(Read(User), before[1]);  // 0xFFFFFFFF is a value, not "absent"
    EXPECT_FALSE(Open(Machine, Record));
    EXPECT_FALSE(Open(User, Record));
  }
  EXPECT_EQ(Guard.NoDriveTypeAutoRun, 255);
  EXPECT_EQ(Guard.NoDriveTypeAutoRun1, -1);
}

TEST_F(AutoRunGuard, MissingKeysAndOtherTypesAreLeftAlone) {
  Put(Machine, std::nullopt, false);
  Put(User, Text);
  Guard.DisableAutoRun();
  Put(Machine, std::nullopt);  // the key appears while the burn runs
  Guard.RestoreAutoRun();
  EXPECT_EQ(Read(Machine), std::nullopt);
  EXPECT_EQ(Read(User), Text);
  EXPECT_EQ(Guard.NoDriveTypeAutoRun, 0);

  Put(Machine, Dword(145));  // a later burn whose save fails writes nothing stale
  Put(User, Dword(7));
  Guard.DisableAutoRun();
  Guard.RestoreAutoRun();
  Put(Machine, Text);
  Put(User, std::nullopt, false);
  Guard.DisableAutoRun();
  EXPECT_FALSE(Open(User, Explorer));
  Put(User, std::nullopt);
  Guard.RestoreAutoRun();
  EXPECT_EQ(Read(Machine), Text);
  EXPECT_EQ(Read(User), std::nullopt);
  EXPECT_EQ(Guard.NoDriveTypeAutoRun, 145);
}

TEST_F(AutoRunGuard, StartUpPutsBackWhatAKilledBurnLeft) {
  Put(Machine, Dword(145));
  Put(User, std::nullopt);
  { TAutoRunGuard killed; killed.DisableAutoRun(); }  // never restored, as after End task
  EXPECT_TRUE(RestoreAutoRunFromRecord());
  EXPECT_EQ(Read(Machine), Dword(145));
  EXPECT_EQ(Read(User), std::nullopt);
  EXPECT_FALSE(Open(Machine, Record));
  EXPECT_FALSE(Open(User, Record));
  EXPECT_TRUE(RestoreAutoRunFromRecord());  // nothing left to do

  { TAutoRunGuard killed; killed.DisableAutoRun(); }
  Put(Machine, Dword(4));                 // changed by hand since: the user's
  Put(User, std::nullopt, false);         // gone since: not made again
  EXPECT_TRUE(RestoreAutoRunFromRecord());
  EXPECT_EQ(Read(Machine), Dword(4));
  EXPECT_FALSE(Open(User, Explorer));
  EXPECT_FALSE(Open(Machine, Record));
  EXPECT_FALSE(Open(User, Record));
}

TEST_F(AutoRunGuard, AFailedRestoreKeepsTheRecordForTheNextStart) {
  Put(Machine, Dword(145));
  Put(User, Dword(7));
  Guard.DisableAutoRun();
  {
    TReadOnlyPolicy readOnly(Machine);
    ASSERT_TRUE(readOnly.Held());
    EXPECT_FALSE(Guard.RestoreAutoRun());
    EXPECT_EQ(Read(Machine), Dword(255));
    EXPECT_EQ(Read(Machine, Record), Dword(145));
    EXPECT_EQ(Read(User), Dword(7));  // the other hive is put back all the same
    EXPECT_FALSE(Open(User, Record));

    EXPECT_FALSE(RestoreAutoRunFromRecord());
    EXPECT_EQ(Read(Machine, Record), Dword(145));
  }
  {  // a later burn, killed: it takes the user's value from the record, not the 255
    TAutoRunGuard next;
    next.DisableAutoRun();
    EXPECT_EQ(next.NoDriveTypeAutoRun, 145);
  }
  EXPECT_TRUE(RestoreAutoRunFromRecord());
  EXPECT_EQ(Read(Machine), Dword(145));
  EXPECT_EQ(Read(User), Dword(7));
  EXPECT_FALSE(Open(Machine, Record));
}

// Both builds keep the record in the 64-bit view; one an earlier 32-bit build
// left in the 32-bit view is put back at the start by the same rules.
TEST_F(AutoRunGuard, OneRecordForBothBuildsAndTheOld32BitOneIsPutBack) {
  Put(Machine, Dword(145));
  Guard.DisableAutoRun();
  EXPECT_EQ(Read(Machine, Record), Dword(145));
  EXPECT_FALSE(Open(Machine, OldRecord));
  EXPECT_TRUE(Guard.RestoreAutoRun());

  for (const TValue& before : {Dword(145), TValue()}) {
    Put(Machine, Dword(255));  // as the killed burn left it
    Put(Machine, before ? before : Absent, true, OldRecord);
    EXPECT_TRUE(RestoreAutoRunFromRecord());
    EXPECT_EQ(Read(Machine), before);
    EXPECT_FALSE(Open(Machine, OldRecord));
  }
  Put(Machine, Dword(4));  // changed by hand since: the user's
  Put(Machine, Dword(145), true, OldRecord);
  EXPECT_TRUE(RestoreAutoRunFromRecord());
  EXPECT_EQ(Read(Machine), Dword(4));
  EXPECT_FALSE(Open(Machine, OldRecord));
}
