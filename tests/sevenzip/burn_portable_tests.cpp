#include <gtest/gtest.h>

#include "sevenzip/item_names.h"
#include "sevenzip/udf_fallback.h"

TEST(UdfFallback, OnlyASingleReadmeNoticeLeadsToTheSecondPass) {
  EXPECT_TRUE(NeedsUdfPass({L"README.TXT"}));
  EXPECT_TRUE(NeedsUdfPass({L"readme.txt"}));
  EXPECT_TRUE(NeedsUdfPass({L"ReadMe.Txt"}));

  EXPECT_FALSE(NeedsUdfPass({}));
  EXPECT_FALSE(NeedsUdfPass({L"README.TXT", L"System Volume Information"}));
  EXPECT_FALSE(NeedsUdfPass({L"sources", L"README.TXT"}));
  EXPECT_FALSE(NeedsUdfPass({L"setup.exe"}));
  EXPECT_FALSE(NeedsUdfPass({L"README.TXT "}));
  EXPECT_FALSE(NeedsUdfPass({L"README.TX"}));
  EXPECT_FALSE(NeedsUdfPass({L"README_TXT"}));
}

TEST(ItemNames, WhatWindowsCannotHoldAndTheBootCatalog) {
  for (const wchar_t* device : {L"CON", L"con.txt", L"a/Nul.tar.gz", L"COM1", L"lpt9.log", L"AUX /x", L"prn."})
    EXPECT_EQ(WindowsNameFault(device, L'/'), TNameFault::Reserved) << device;
  for (const wchar_t* name : {L"CONSOLE.txt", L"COM0", L"LPT10", L"xcon", L"docs/con-fig"})
    EXPECT_EQ(WindowsNameFault(name, L'/'), TNameFault::None) << name;
  for (const wchar_t* name : {L"a?b", L"dir:x/a", L"tab\there", L"a\\b"})
    EXPECT_EQ(WindowsNameFault(name, L'/'), TNameFault::InvalidChars) << name;

  EXPECT_EQ(WindowsFileKey(L"Docs./Same.TXT  ", L'/'), L"DOCS\\SAME.TXT");
  EXPECT_EQ(WindowsFileKey(L"docs\\same.txt", L'\\'), L"DOCS\\SAME.TXT");

  EXPECT_TRUE(IsBootCatalogItem(L"[BOOT]\\1-Boot-NoEmul.img", L'\\'));
  EXPECT_TRUE(IsBootCatalogItem(L"[BOOT]/Boot-1.44M.img", L'/'));
  for (const wchar_t* other : {L"[BOOT]/x/1-Boot-NoEmul.img", L"[BOOT]/notes.img", L"boot/1-Boot-NoEmul.img",
                               L"[BOOT]/a-Boot-NoEmul.img"})
    EXPECT_FALSE(IsBootCatalogItem(other, L'/')) << other;
}
