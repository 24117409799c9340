#include <gtest/gtest.h>
#include <windows.h>

#include <cwctype>
#include <memory>
#include <vector>

#include "app/setup_options_win.h"
#include "prefix_state_win.h"

namespace {

// The option values: none on entry, as they were on every way out.
class SetupOptionsRegistry : public ::testing::Test {
protected:
  SetupOptionsRegistry() {
    std::vector<const wchar_t*> names(SetupOptionTickValues.begin(), SetupOptionTickValues.end());
    names.push_back(SetupAccountNameValue);
    for (const wchar_t* name : names) {
      FValues.push_back(std::make_unique<prefixstate::TRegistryValueScope>(HKEY_CURRENT_USER, SetupOptionsKey, name));
      ::RegDeleteKeyValueW(HKEY_CURRENT_USER, SetupOptionsKey, name);
    }
  }
  std::vector<std::unique_ptr<prefixstate::TRegistryValueScope>> FValues;
};

TEST_F(SetupOptionsRegistry, NothingStoredIsNothingTickedForThisUserAndEachTickReadsBackFromItsValue) {
  wchar_t user[257] = {};
  DWORD size = 257;
  ASSERT_TRUE(::GetUserNameW(user, &size));
  const TSetupOptions fresh = LoadSetupOptions();
  for (const auto tick : SetupOptionTicks) EXPECT_FALSE(fresh.*tick);
  EXPECT_EQ(fresh.LocalAccountName, user);

  for (std::size_t only = 0; only < SetupOptionTicks.size(); ++only) {
    TSetupOptions options;
    options.*SetupOptionTicks[only] = true;
    options.LocalAccountName = L"Zo\u00eb " + std::to_wstring(only);
    ASSERT_TRUE(SaveSetupOptions(options));
    const TSetupOptions loaded = LoadSetupOptions();
    EXPECT_EQ(loaded.LocalAccountName, options.LocalAccountName);
    for (std::size_t i = 0; i < SetupOptionTicks.size(); ++i) {
      DWORD stored = 2, bytes = sizeof stored;  // the value under the name the README gives
      ::RegGetValueW(HKEY_CURRENT_USER, SetupOptionsKey, SetupOptionTickValues[i], RRF_RT_REG_DWORD, nullptr, &stored,
                     &bytes);
      EXPECT_EQ(stored, i == only ? 1u : 0u) << SetupOptionTickValues[i];
      EXPECT_EQ(loaded.*SetupOptionTicks[i], i == only) << SetupOptionTickValues[i];
    }
  }
}

TEST(ThisPcLocale, GivesEveryValueInTheAnswerFilesForm) {
  const TLocaleValues locale = ThisPcLocaleValues();
  for (const std::wstring* value : {&locale.SystemLocale, &locale.UILanguage, &locale.UserLocale})
    EXPECT_FALSE(value->empty());
  const std::wstring& input = locale.InputLocale;  // "0409:00000409"
  ASSERT_EQ(input.size(), 13u) << input;
  for (std::size_t i = 0; i < input.size(); ++i) EXPECT_TRUE(i == 4 ? input[i] == L':' : std::iswxdigit(input[i])) << input;
}

}  // namespace
