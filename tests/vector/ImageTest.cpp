// Images made from pixels, files and memory.
#include <gtest/gtest.h>

#include <stb_image.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "graphics/vector/VGencodedImageCheck.h"
#include "tests/support/TestPaths.h"
#include "tests/vector/VectorTestContext.h"

using namespace iplugin::igraphics;
using qorvtest::RecordingContext;

namespace
{
std::vector<unsigned char> ReadFile(const std::string& name)
{
  std::ifstream f(qorvtest::DataPath("vector", name), std::ios::binary);
  return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}
} // namespace

TEST(Image, FromPixelsUpdateSizeAndDelete)
{
  RecordingContext c;
  std::vector<unsigned char> px(2 * 3 * 4, 9);
  int image = vgCreateImageRGBA(c.ctx, 2, 3, kVGImageRepeatX, px.data());
  ASSERT_GT(image, 0);
  const VGrecordedTexture* t = c.r->FindTexture(image);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->type, kVGTextureRGBA);
  EXPECT_EQ(t->flags, kVGImageRepeatX);
  int w = 0, h = 0;
  vgImageSize(c.ctx, image, &w, &h);
  EXPECT_EQ(w, 2);
  EXPECT_EQ(h, 3);
  std::vector<unsigned char> next(2 * 3 * 4, 42);
  vgUpdateImage(c.ctx, image, next.data());
  EXPECT_EQ(t->pixels, next);
  vgDeleteImage(c.ctx, image);
  EXPECT_EQ(c.r->FindTexture(image), nullptr);
  // Unknown ids change nothing.
  vgUpdateImage(c.ctx, image, next.data());
  w = h = -1;
  vgImageSize(c.ctx, image, &w, &h);
  EXPECT_EQ(w, -1);
  c.r->failTextures = true;
  EXPECT_EQ(vgCreateImageRGBA(c.ctx, 2, 3, 0, px.data()), 0);
}

TEST(Image, PngFromFileDecodesToRGBA)
{
  RecordingContext c;
  int image = vgCreateImage(c.ctx, qorvtest::DataPath("vector", "rgba.png").c_str(), kVGImageNearest);
  ASSERT_GT(image, 0);
  const VGrecordedTexture* t = c.r->FindTexture(image);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->width, 4);
  EXPECT_EQ(t->height, 3);
  EXPECT_EQ(t->flags, kVGImageNearest);
  ASSERT_EQ(t->pixels.size(), 4u * 3 * 4);
  // Second pixel (0, 255, 0, 128) and the last of the first row (10, 20, 30, 40), not premultiplied.
  EXPECT_EQ(std::vector<unsigned char>(t->pixels.begin() + 4, t->pixels.begin() + 8),
            (std::vector<unsigned char>{0, 255, 0, 128}));
  EXPECT_EQ(std::vector<unsigned char>(t->pixels.begin() + 12, t->pixels.begin() + 16),
            (std::vector<unsigned char>{10, 20, 30, 40}));
}

TEST(Image, GreyscalePngArrivesAsRGBA)
{
  RecordingContext c;
  std::vector<unsigned char> data = ReadFile("gray.png");
  int image = vgCreateImageMem(c.ctx, 0, data.data(), (int)data.size());
  ASSERT_GT(image, 0);
  const VGrecordedTexture* t = c.r->FindTexture(image);
  ASSERT_EQ(t->pixels.size(), 3u * 2 * 4);
  EXPECT_EQ(std::vector<unsigned char>(t->pixels.begin() + 4, t->pixels.begin() + 8),
            (std::vector<unsigned char>{64, 64, 64, 255}));
}

TEST(Image, JpegFromMemory)
{
  RecordingContext c;
  std::vector<unsigned char> data = ReadFile("red.jpg");
  int image = vgCreateImageMem(c.ctx, 0, data.data(), (int)data.size());
  ASSERT_GT(image, 0);
  const VGrecordedTexture* t = c.r->FindTexture(image);
  EXPECT_EQ(t->width, 16);
  EXPECT_EQ(t->height, 8);
  // Lossy: within a few steps of (200, 40, 40), opaque.
  EXPECT_NEAR(t->pixels[0], 200, 4);
  EXPECT_NEAR(t->pixels[1], 40, 4);
  EXPECT_NEAR(t->pixels[2], 40, 4);
  EXPECT_EQ(t->pixels[3], 255);
}

TEST(Image, MissingFileFailsWithReason)
{
  RecordingContext c;
  EXPECT_EQ(vgCreateImage(c.ctx, qorvtest::DataPath("vector", "no-such-file.png").c_str(), 0), 0);
  EXPECT_STREQ(stbi_failure_reason(), "can't fopen");
  EXPECT_EQ(vgCreateImage(c.ctx, nullptr, 0), 0);
}

class ImageRefused : public testing::TestWithParam<std::string>
{
};

TEST_P(ImageRefused, FromMemoryAndFile)
{
  RecordingContext c;
  std::vector<unsigned char> data = ReadFile(GetParam());
  ASSERT_FALSE(data.empty());
  size_t textures = c.r->textures.size();
  EXPECT_EQ(vgCreateImageMem(c.ctx, 0, data.data(), (int)data.size()), 0);
  EXPECT_EQ(vgCreateImage(c.ctx, qorvtest::DataPath("vector", GetParam()).c_str(), 0), 0);
  EXPECT_EQ(c.r->textures.size(), textures);
}

INSTANTIATE_TEST_SUITE_P(Files, ImageRefused,
                         testing::Values("truncated.png", "noiend.png", "corrupt.png", "huge.png",
                                         "truncated.jpg"),
                         [](const testing::TestParamInfo<std::string>& info)
                         {
                           std::string n = info.param;
                           for (char& ch : n)
                             if (ch == '.') ch = '_';
                           return n;
                         });

TEST(Image, EmptyOrNullMemoryIsRefused)
{
  RecordingContext c;
  unsigned char byte = 0x89;
  EXPECT_EQ(vgCreateImageMem(c.ctx, 0, nullptr, 10), 0);
  EXPECT_EQ(vgCreateImageMem(c.ctx, 0, &byte, 0), 0);
  EXPECT_EQ(vgCreateImageMem(c.ctx, 0, &byte, -5), 0);
  EXPECT_EQ(vgCreateImageMem(c.ctx, 0, &byte, 1), 0);
}

TEST(Image, SoundFilesPassTheStructuralCheck)
{
  for (const char* name : {"rgba.png", "gray.png", "red.jpg"})
  {
    std::vector<unsigned char> data = ReadFile(name);
    EXPECT_TRUE(vgEncodedImageIsSound(data.data(), (int)data.size())) << name;
  }
  // Other formats are left to the decoder.
  const unsigned char gif[] = {'G', 'I', 'F', '8', '9', 'a'};
  EXPECT_TRUE(vgEncodedImageIsSound(gif, 6));
  EXPECT_FALSE(vgEncodedImageIsSound(gif, 0));
  EXPECT_FALSE(vgEncodedImageIsSound(nullptr, 6));
}

TEST(Image, JpegScanNeedsItsTablesOnlyWhereItUsesThem)
{
  // SOI, a DC table 0, a progressive frame, a DC-first scan using DC 0 and AC 3 (unused), EOI.
  std::vector<unsigned char> jpeg = {0xFF, 0xD8, 0xFF, 0xC4, 0x00, 0x14, 0x00, 1,    0,    0,    0,
                                     0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,
                                     0,    0,    0xFF, 0xC2, 0x00, 0x02, 0xFF, 0xDA, 0x00, 0x08, 0x01,
                                     0x01, 0x03, 0x00, 0x00, 0x00, 0x12, 0xFF, 0xD9};
  EXPECT_TRUE(vgEncodedImageIsSound(jpeg.data(), (int)jpeg.size()));
  // The same scan as an AC scan (Ss 1, Se 63) needs AC table 3, which is not defined.
  jpeg[35] = 1;
  jpeg[36] = 63;
  EXPECT_FALSE(vgEncodedImageIsSound(jpeg.data(), (int)jpeg.size()));
}
