#include <gtest/gtest.h>

#include "drives/byte_size.h"

TEST(ByteSize, BandsRoundingAndSeparator) {
  const std::pair<int64_t, const wchar_t*> cases[] = {
      {8011120640, L"7.46 GB"}, {16008609792, L"14.91 GB"}, {1207959552, L"1.13 GB"} /* 1.125 */,
      {1073741825, L"1 GB"},    {1073741824, L"1024 MB"},   {1048577, L"1 MB"},
      {1048576, L"1024 KB"},    {1536, L"1.5 KB"},          {1001, L"1001 bytes"},
      {2000398934016, L"1863.02 GB"}, {1615981445, L"1.5 GB"} /* 1.504999.. */, {1615981446, L"1.51 GB"},
      {1073736582, L"1024 MB"} /* 1023.99500.. */, {-1, L"-1 bytes"}};
  for (const auto& [size, text] : cases) EXPECT_EQ(FormatByteSize(size, L"."), text) << size;
  EXPECT_EQ(FormatByteSize(8011120640, L","), L"7,46 GB");
  EXPECT_EQ(FormatBinaryQuotient(1, 1, L"."), L".5");     // no leading zero
  EXPECT_EQ(FormatBinaryQuotient(-5, 3, L"."), L"-.63");  // half away from zero
}
