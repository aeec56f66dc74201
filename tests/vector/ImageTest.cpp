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

// A baseline JPEG whose DC values, scaled by the quantiser, pass the range of an int: the decoder's
// arithmetic wraps (defined), and the image decodes to pixels of some colour or is refused. gcc narrows
// that product and its sanitizer does not see it; the fuzz build (clang) runs the same file from the
// image corpus, where undefined behaviour fails the run.
TEST(Image, JpegWhoseDcSumsOverflowDecodesWithoutUndefinedBehaviour)
{
  RecordingContext c;
  std::vector<unsigned char> data = ReadFile("dc_overflow.jpg");
  ASSERT_FALSE(data.empty());
  int image = vgCreateImageMem(c.ctx, 0, data.data(), (int)data.size());
  if (image == 0) return;
  const VGrecordedTexture* t = c.r->FindTexture(image);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->pixels.size(), (size_t)t->width * t->height * 4);
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

namespace
{
uint32_t Crc32(const unsigned char* p, size_t n)
{
  uint32_t c = 0xFFFFFFFFu;
  for (size_t i = 0; i < n; ++i)
  {
    c ^= p[i];
    for (int k = 0; k < 8; ++k)
      c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
  }
  return ~c;
}

void AppendChunk(std::vector<unsigned char>& png, const char* type, std::vector<unsigned char> body)
{
  auto be32 = [&](uint32_t v)
  {
    for (int s = 24; s >= 0; s -= 8)
      png.push_back((unsigned char)(v >> s));
  };
  be32((uint32_t)body.size());
  const size_t start = png.size();
  png.insert(png.end(), type, type + 4);
  png.insert(png.end(), body.begin(), body.end());
  be32(Crc32(png.data() + start, png.size() - start));
}

// A PNG of a few dozen bytes that declares w x h RGBA pixels and holds almost none of them.
std::vector<unsigned char> DeclaredPng(uint32_t w, uint32_t h)
{
  std::vector<unsigned char> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  AppendChunk(png, "IHDR",
              {(unsigned char)(w >> 24), (unsigned char)(w >> 16), (unsigned char)(w >> 8), (unsigned char)w,
               (unsigned char)(h >> 24), (unsigned char)(h >> 16), (unsigned char)(h >> 8), (unsigned char)h,
               8, 6, 0, 0, 0});
  AppendChunk(png, "IDAT", {0x78, 0x9C, 0x63, 0x60, 0xA0, 0x0C, 0x00, 0x00, 0x00, 0x40, 0x00, 0x01});
  AppendChunk(png, "IEND", {});
  return png;
}
} // namespace

// The pixel budget (16,384 a side, 64 M pixels in all) refuses a declared size before decoding; the
// decoder itself refuses a side over 16,384 ("too large") before it allocates.
TEST(Image, DeclaredSizeOverThePixelBudgetIsRefusedBeforeDecoding)
{
  struct Case
  {
    uint32_t w, h;
    const char* reason; // null: within the budget, refused by the decoder for its missing pixels
  } cases[] = {{11288, 11024, "too many pixels"},
               {8193, 8192, "too many pixels"},
               {16385, 1, "too large"},
               {8192, 8192, nullptr},
               {1, 16384, nullptr}};
  RecordingContext c;
  for (const Case& k : cases)
  {
    std::vector<unsigned char> png = DeclaredPng(k.w, k.h);
    ASSERT_TRUE(vgEncodedImageIsSound(png.data(), (int)png.size()));
    EXPECT_EQ(vgCreateImageMem(c.ctx, 0, png.data(), (int)png.size()), 0);
    const std::string reason = stbi_failure_reason();
    if (k.reason)
      EXPECT_EQ(reason, k.reason) << k.w << " x " << k.h;
    else
      EXPECT_TRUE(reason != "too many pixels" && reason != "too large")
          << k.w << " x " << k.h << ": " << reason;
  }
}
