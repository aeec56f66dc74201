#include "tests/support/GoldenImage.h"

#include "tests/support/TestPaths.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

namespace qorvtest
{
bool ReadPng(const std::string& path, RgbaImage& image)
{
  int w, h, n;
  unsigned char* data = stbi_load(path.c_str(), &w, &h, &n, 4);
  if (!data) return false;
  image.width = w;
  image.height = h;
  image.rgba.assign(data, data + (size_t)w * h * 4);
  stbi_image_free(data);
  return true;
}

bool WritePng(const std::string& path, const RgbaImage& image)
{
  return stbi_write_png(path.c_str(), image.width, image.height, 4, image.rgba.data(), image.width * 4) != 0;
}

namespace
{
// A pixel is an edge pixel when any channel of a neighbour in the reference differs by more than a few
// levels.
bool IsEdge(const RgbaImage& img, int x, int y)
{
  const uint8_t* c = img.At(x, y);
  for (int dy = -1; dy <= 1; ++dy)
    for (int dx = -1; dx <= 1; ++dx)
    {
      int nx = x + dx, ny = y + dy;
      if (nx < 0 || ny < 0 || nx >= img.width || ny >= img.height) continue;
      const uint8_t* n = img.At(nx, ny);
      for (int i = 0; i < 4; ++i)
        if (std::abs(n[i] - c[i]) > 8) return true;
    }
  return false;
}

int ChannelDiff(const uint8_t* a, const uint8_t* b)
{
  int d = 0;
  for (int i = 0; i < 4; ++i)
    d = std::max(d, std::abs(a[i] - b[i]));
  return d;
}

// Whether a pixel within radius of (x, y) in b is within tolerance of a's pixel at (x, y).
bool MatchesNear(const RgbaImage& a, const RgbaImage& b, int x, int y, int radius, int tolerance)
{
  const uint8_t* v = a.At(x, y);
  for (int dy = -radius; dy <= radius; ++dy)
    for (int dx = -radius; dx <= radius; ++dx)
    {
      const int nx = x + dx, ny = y + dy;
      if (nx >= 0 && ny >= 0 && nx < b.width && ny < b.height && ChannelDiff(v, b.At(nx, ny)) <= tolerance)
        return true;
    }
  return false;
}
} // namespace

bool UpdateGolden()
{
  const char* update = std::getenv("UPDATE_GOLDEN");
  return update && std::string(update) == "1";
}

testing::AssertionResult ImagesMatch(const RgbaImage& expected, const RgbaImage& actual,
                                     const ImageTolerance& tol, const std::string& diffFolder,
                                     const std::string& name)
{
  if (expected.width != actual.width || expected.height != actual.height)
    return testing::AssertionFailure() << name << ": size " << actual.width << "x" << actual.height
                                       << ", expected " << expected.width << "x" << expected.height;
  RgbaImage diff{actual.width, actual.height, std::vector<uint8_t>(actual.rgba.size(), 0)};
  size_t outliers = 0;
  int worst = 0;
  for (int y = 0; y < actual.height; ++y)
    for (int x = 0; x < actual.width; ++x)
    {
      const int d = ChannelDiff(expected.At(x, y), actual.At(x, y));
      worst = std::max(worst, d);
      const int limit = tol.edge != tol.interior && IsEdge(expected, x, y) ? tol.edge : tol.interior;
      const bool beyond = d > limit && (tol.nearRadius <= 0 ||
                                        !MatchesNear(actual, expected, x, y, tol.nearRadius, tol.interior) ||
                                        !MatchesNear(expected, actual, x, y, tol.nearRadius, tol.interior));
      uint8_t* p = &diff.rgba[((size_t)y * diff.width + x) * 4];
      p[3] = 255;
      if (beyond)
      {
        ++outliers;
        p[0] = 255;
      }
      else
        p[1] = p[2] = (uint8_t)(d * 4 > 255 ? 255 : d * 4);
    }
  double share = (double)outliers / ((double)actual.width * actual.height);
  if (share <= tol.outliers) return testing::AssertionSuccess();
  auto failure = testing::AssertionFailure() << name << ": " << outliers << " pixels beyond tolerance (share "
                                             << share << ", largest difference " << worst << ")";
  if (diffFolder.empty()) return failure;
  std::filesystem::create_directories(diffFolder);
  WritePng(diffFolder + "/" + name + "-diff.png", diff);
  WritePng(diffFolder + "/" + name + "-actual.png", actual);
  WritePng(diffFolder + "/" + name + "-expected.png", expected);
  return failure << "; images in " << diffFolder;
}

testing::AssertionResult MatchesGolden(const RgbaImage& actual, const std::string& area,
                                       const std::string& name, const ImageTolerance& tol,
                                       bool picturesOnMismatch)
{
  std::string path = DataPath(area, name + ".png");
  if (UpdateGolden())
  {
    WritePng(path, actual);
    return testing::AssertionFailure() << name << ": reference rewritten (UPDATE_GOLDEN=1)";
  }
  RgbaImage expected;
  if (!ReadPng(path, expected))
    return testing::AssertionFailure()
           << name << ": no reference at " << path << " (run with UPDATE_GOLDEN=1)";
  const std::string folder = picturesOnMismatch ? BinaryDir() + "/golden-" + area : std::string();
  return ImagesMatch(expected, actual, tol, folder, name);
}
} // namespace qorvtest
