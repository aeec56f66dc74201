// A font's data is valid only with bytes, a face that exists and the tables a font reader needs.
#include "graphics/PlatformFont.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

using iplugin::igraphics::FontData;

namespace
{
std::vector<unsigned char> FileBytes(const char* path)
{
  std::ifstream in(path, std::ios::binary);
  return std::vector<unsigned char>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// A collection header of one face at offset 16, followed by that face's bytes.
std::vector<unsigned char> Collection(const std::vector<unsigned char>& face)
{
  std::vector<unsigned char> ttc = {'t', 't', 'c', 'f', 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 16};
  ttc.insert(ttc.end(), face.begin(), face.end());
  return ttc;
}
} // namespace

TEST(FontData, ValidOnlyWithAFaceHoldingTheTablesAReaderNeeds)
{
  const std::vector<unsigned char> font = FileBytes("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf");
  if (font.empty()) GTEST_SKIP() << "DejaVu Sans is not installed";
  std::vector<unsigned char> renamed = font; // the character map's tag spoilt
  for (size_t i = 12; i + 4 <= renamed.size() && i < 12 + 16 * 32; i += 16)
    if (std::string(renamed.begin() + long(i), renamed.begin() + long(i) + 4) == "cmap") renamed[i] = 'x';
  const std::vector<unsigned char> truncated(font.begin(), font.begin() + 40);
  struct Case
  {
    const char* what;
    std::vector<unsigned char> bytes;
    int face;
    bool valid;
  };
  const Case cases[] = {
      {"font", font, 0, true},
      {"second face of a single font", font, 1, false},
      {"negative face", font, -1, false},
      {"no bytes", {}, 0, false},
      {"not a font", std::vector<unsigned char>(64, 'x'), 0, false},
      {"directory cut short", truncated, 0, false},
      {"no character map", renamed, 0, false},
      {"collection", Collection(font), 0, true},
      {"face past the collection", Collection(font), 1, false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(FontData(c.bytes, c.face).IsValid(), c.valid) << c.what;
}
