// The product bundle carries the editor's fonts under the names the editor asks for.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>

#include "tests/support/TestPaths.h"

namespace
{
class BundleFont : public testing::TestWithParam<const char*>
{
};

TEST_P(BundleFont, IsATrueTypeFileInResources)
{
  std::string path = qorvtest::BinaryDir() + "/Qorv.component/Contents/Resources/" + GetParam();
  std::ifstream in(path, std::ios::binary);
  ASSERT_TRUE(in) << path;
  unsigned char head[4] = {};
  in.read(reinterpret_cast<char*>(head), 4);
  ASSERT_EQ(in.gcount(), 4);
  // TrueType outlines: scaler type 0x00010000.
  EXPECT_EQ(uint32_t(head[0]) << 24 | head[1] << 16 | head[2] << 8 | head[3], 0x00010000u);
  in.seekg(0, std::ios::end);
  EXPECT_GT(in.tellg(), 10000);
}

INSTANTIATE_TEST_SUITE_P(EditorFonts, BundleFont,
                         testing::Values("Roboto-Regular.ttf", "verdana.ttf", "verdanab.ttf"));
} // namespace
