#include <gtest/gtest.h>

#include <string>

#include "drives/host_checks.h"
#include "drives/scratch_win.h"
#include "drives/temp_name.h"
#include "process_probe_win.h"
#include "burn/sealed_script_file.h"

namespace {
const wchar_t Name[] = L"quillora-test-script.dat";
const std::string Lines = "select volume Q:\r\nclean\r\n";

bool Exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// What was planted in the temp folder goes on every way out.
class SealedScriptFile : public ::testing::Test {
protected:
  void TearDown() override { ::DeleteFileW(Planted.c_str()); }
  const std::wstring Temp = GetTempDirectory();
  const std::wstring Planted = Temp + Name;
};
}  // namespace

TEST_F(SealedScriptFile, OnlyReadersOpenItUntilItGoes) {
  ASSERT_TRUE(WriteTextFile(Planted, "planted"));
  std::wstring path;
  {
    const TSealedScriptFile script(Name, L"select volume Q:\r\nclean\r\n");
    path = script.Path();
    EXPECT_NE(path, Planted);  // a fresh name, the planted file untouched
    EXPECT_TRUE(IsUniqueTempName(path.substr(Temp.size()), Name)) << path;
    EXPECT_EQ(ReadTextFile(Planted), "planted");

    const std::wstring quoted = L" \"" + path + L"\"";
    EXPECT_EQ(RunProbe(L"open" + quoted + L" 80000000 1"), 0u);  // GENERIC_READ sharing reading only
    EXPECT_EQ(RunProbe(L"open" + quoted + L" 80000000 7"), 0u);  // sharing everything, as the stand-in diskpart
    EXPECT_EQ(RunProbe(L"open" + quoted + L" 40000000 7"), unsigned(ERROR_SHARING_VIOLATION));  // GENERIC_WRITE
    EXPECT_EQ(RunProbe(L"open" + quoted + L" 10000 7"), unsigned(ERROR_SHARING_VIOLATION));     // DELETE
    EXPECT_EQ(RunProbe(L"delete" + quoted), unsigned(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(RunProbe(L"rename" + quoted), unsigned(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(ReadTextFile(path), Lines);
  }
  EXPECT_FALSE(Exists(path));
}
