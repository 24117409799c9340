// The volume id read from the image's descriptors against isoinfo's own
// reading of the same images (make_volume_id_images.sh), natively through
// POSIX files and under Wine through Win32 files.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "base/byte_source.h"
#include "sevenzip/image_volume_id.h"
#include "sevenzip_test_files.h"

using namespace sztest;

namespace {

std::optional<std::wstring> VolumeIdOf(const fs::path& image) {
  const auto bytes = OpenFileBytes(image.wstring());
  if (!bytes) ADD_FAILURE() << image << " does not open";
  return bytes ? ReadImageVolumeId(*bytes) : std::nullopt;
}

TEST(ImageVolumeId, SameAsIsoInfo) {
  for (const char* name : {"one.iso", "eleven.iso", "full.iso", "blanks.iso", "noid.iso", "udfonly.iso"}) {
    const fs::path image = ImagesDir("VOLUME_ID_IMAGES") / name;
    std::string expected = ReadBytes(image.string() + ".isoinfo");
    ASSERT_FALSE(expected.empty()) << name;  // isoinfo's line ends in a break
    expected.pop_back();
    EXPECT_EQ(VolumeIdOf(image), std::wstring(expected.begin(), expected.end())) << name;
  }
}

TEST(ImageVolumeId, NoneWithoutDescriptors) {
  for (const char* name : {"notimage.bin", "cut.iso"})
    EXPECT_EQ(VolumeIdOf(ImagesDir("VOLUME_ID_IMAGES") / name), std::nullopt) << name;
}

}  // namespace
