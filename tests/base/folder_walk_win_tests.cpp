#include <gtest/gtest.h>

#include <set>
#include <string>

#include "base/folder_walk.h"
#include "drives/scratch_win.h"

TEST(FolderWalk, ListsTheEntriesUntilTold) {
  wchar_t temp[MAX_PATH + 1] = {};
  ASSERT_GT(::GetTempPathW(MAX_PATH + 1, temp), 0u);
  const std::wstring folder = std::wstring(temp) + L"quillora_folder_walk";
  RemoveTree(folder);
  ASSERT_TRUE(WriteTextFile(folder + L"\\a.txt", "a"));
  ASSERT_TRUE(WriteTextFile(folder + L"\\sub\\b.txt", "b"));

  std::set<std::wstring> names;
  EXPECT_TRUE(ForEachEntry(folder, [&](const WIN32_FIND_DATAW& found) { return names.insert(found.cFileName).second; }));
  EXPECT_EQ(names, (std::set<std::wstring>{L"a.txt", L"sub"}));
  EXPECT_TRUE(ForEachEntry(folder + L"\\", [](const WIN32_FIND_DATAW&) { return true; }));

  int visited = 0;
  EXPECT_FALSE(ForEachEntry(folder, [&](const WIN32_FIND_DATAW&) { return ++visited > 5; }));
  EXPECT_EQ(visited, 1);
  EXPECT_FALSE(ForEachEntry(folder + L"\\missing", [](const WIN32_FIND_DATAW&) { return true; }));
  RemoveTree(folder);
}
