#include <gtest/gtest.h>

#include <set>

#include "base/failure.h"
#include "drives/temp_name.h"

namespace {
struct TFakeTempFolder {
  std::set<std::wstring> Files;
  size_t Tests = 0;
  uint32_t Tick = 0x0A1B2C3D;
  bool AllTaken = false;
  std::wstring Make(const std::wstring& name) {
    return MakeUniqueTempName(name, {[this](const std::wstring& p) { ++Tests;
                                       return AllTaken || Files.count(p) != 0;
                                     },
                                     [] { return std::wstring(L"C:\\Tmp\\"); }, [this] { return Tick; }});
  }
};
}  // namespace

TEST(TempName, LeftoversTakeTheNextCounter) {
  TFakeTempFolder folder;
  EXPECT_EQ(folder.Make(L"temp.dat"), L"C:\\Tmp\\temp.dat");
  folder.Files = {L"C:\\Tmp\\temp.dat", L"C:\\Tmp\\temp0A1B2C3D.dat", L"D:\\temp.dat", L"C:\\Tmp\\temp"};
  EXPECT_EQ(folder.Make(L"temp.dat"), L"C:\\Tmp\\temp0A1B2C3E.dat");
  EXPECT_EQ(folder.Make(L"D:\\temp.dat"), L"D:\\temp0A1B2C3D.dat");  // not moved into the temp folder
  EXPECT_EQ(folder.Make(L"temp"), L"C:\\Tmp\\temp0A1B2C3D.");
  EXPECT_EQ(InsertUniqueMark(L"C:\\a.b\\c"), L"C:\\a.b\\c*.");
}

TEST(TempName, GivesUpAfter10001Names) {
  TFakeTempFolder folder;
  folder.AllTaken = true;
  folder.Tick = 0xFFFFF000;  // the counter wraps on the way
  try {
    folder.Make(L"temp.dat");
    ADD_FAILURE() << "no failure raised";
  } catch (const EFailure& failure) {
    EXPECT_EQ(failure.Message(), L"Can't create temp file \"C:\\Tmp\\temp{UniqueID}.dat\".");
  }
  EXPECT_EQ(folder.Tests, 1u + 10001u);
}

TEST(TempName, RecognisesOnlyTheNamesItGives) {
  TFakeTempFolder folder;
  folder.Files = {L"C:\\Tmp\\install_wim.tmp"};
  const std::wstring made = folder.Make(L"install_wim.tmp").substr(7);
  for (const wchar_t* name : {L"install_wim.tmp", made.c_str(), L"install_wim00000000.tmp"})
    EXPECT_TRUE(IsUniqueTempName(name, L"install_wim.tmp")) << name;
  for (const wchar_t* name : {L"install_wim0a1b2c3d.tmp", L"install_wim0A1B2C3.tmp", L"install_wim0A1B2C3DE.tmp",
                              L"install_wim.tmp.old", L"Install_wim.tmp", L"install_wimXXXXXXXX.tmp", L"temp.dat"})
    EXPECT_FALSE(IsUniqueTempName(name, L"install_wim.tmp")) << name;
}
