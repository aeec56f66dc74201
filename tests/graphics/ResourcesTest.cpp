// Finding image resources by scale, the process-wide caches and their counts, and the loaders.
#include "framework/PluginPaths.h"
#include "graphics/GraphicsCaches.h"
#include "tests/support/RecordingGraphics.h"
#include "tests/support/TestPaths.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

using namespace iplugin;
using namespace iplugin::igraphics;
using qorvtest::RecordingDelegate;
using qorvtest::RecordingGraphics;

namespace
{
void WritePng(const std::string& path, int w, int h)
{
  std::vector<uint8_t> rgba(size_t(w * h * 4), 0x80);
  ASSERT_TRUE(stbi_write_png(path.c_str(), w, h, 4, rgba.data(), w * 4));
}

std::vector<uint8_t> PngBytes(int w, int h)
{
  std::vector<uint8_t> rgba(size_t(w * h * 4), 0x40), out;
  stbi_write_png_to_func([](void* ctx, void* data, int size) {
    auto* bytes = static_cast<std::vector<uint8_t>*>(ctx);
    bytes->insert(bytes->end(), static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
  }, &out, w, h, 4, rgba.data(), w * 4);
  return out;
}

int CacheEntries()
{
  StaticStorage<APIBitmap>& cache = ProcessBitmapCache();
  MutexLock lock(cache.GetMutex());
  return cache.NEntries();
}

struct SearchCase
{
  std::set<int> present; // scales with a file; 1 is the plain name
  int target;
  int expected; // 0: not found
};

TEST(ResourceSearchTest, TriesTheTargetThenFourDownToOne)
{
  const SearchCase cases[] = {
      {{1}, 2, 1},       {{1, 3, 4}, 2, 4}, {{1, 3}, 2, 3},    {{1, 2}, 1, 1},    {{2, 3}, 1, 3},
      {{1, 2, 3}, 4, 3}, {{1}, 5, 1},       {{5, 4}, 5, 5},    {{}, 2, 0},        {{4}, 0, 0},
  };
  RecordingDelegate dlg;
  RecordingGraphics& g = dlg.Open();
  for (const SearchCase& c : cases)
  {
    const std::string dir = qorvtest::ScratchDir("search");
    for (int scale : c.present)
      WritePng(dir + (scale == 1 ? "/knob.png" : "/knob@" + std::to_string(scale) + "x.png"), 2, 2);
    StringBuf path;
    int source = -1;
    const int location = g.SearchImageResource((dir + "/knob.png").c_str(), "png", path, c.target, source);
    if (c.expected == 0)
    {
      EXPECT_EQ(location, 0) << c.target;
      continue;
    }
    EXPECT_EQ(location, kAbsolutePath);
    EXPECT_EQ(source, c.expected) << "target " << c.target;
    const std::string expectedName = c.expected == 1 ? "/knob.png" : "/knob@" + std::to_string(c.expected) + "x.png";
    EXPECT_EQ(std::string(path.Get()), dir + expectedName);
  }
}

TEST(ResourceSearchTest, ADotInAFolderNameIsNoExtension)
{
  RecordingDelegate dlg;
  RecordingGraphics& g = dlg.Open();
  const std::string dir = qorvtest::ScratchDir("dotted") + "/art.v2";
  std::filesystem::create_directories(dir);
  WritePng(dir + "/knob@2x", 2, 2);
  StringBuf path;
  int source = 0;
  EXPECT_EQ(g.SearchImageResource((dir + "/knob").c_str(), "", path, 2, source), kAbsolutePath);
  EXPECT_EQ(source, 2);
  EXPECT_EQ(std::string(path.Get()), dir + "/knob@2x");
}

TEST(StaticStorageTest, KeysByNameAndExactScale)
{
  StaticStorage<APIBitmap> cache;
  auto* first = new APIBitmap(1, 2, 2, 1.f, 1.f);
  auto* second = new APIBitmap(2, 2, 2, 1.f, 1.f);
  auto* doubled = new APIBitmap(3, 4, 4, 2.f, 1.f);
  cache.Add(first, "a.png", 1.0);
  cache.Add(second, "a.png", 1.0);
  cache.Add(doubled, "a.png", 2.0);
  EXPECT_EQ(cache.NEntries(), 3);
  EXPECT_EQ(cache.Find("a.png", 1.0), first);
  EXPECT_EQ(cache.Find("a.png", 2.0), doubled);
  EXPECT_EQ(cache.Find("a.png", 1.5), nullptr);
  EXPECT_EQ(cache.Find("b.png", 1.0), nullptr);
  EXPECT_TRUE(cache.Remove(first));
  EXPECT_EQ(cache.Find("a.png", 1.0), second);
  EXPECT_FALSE(cache.Remove(first));
  cache.Clear();
  EXPECT_EQ(cache.NEntries(), 0);
}

TEST(BitmapLoadTest, LoadsTheScaledFileOnceAndCachesIt)
{
  const std::string dir = qorvtest::ScratchDir("load2x");
  WritePng(dir + "/knob.png", 4, 6);
  WritePng(dir + "/knob@2x.png", 8, 12);
  const std::string name = dir + "/knob.png";
  RecordingDelegate dlg;
  RecordingGraphics& g = dlg.Open();
  g.SetScreenScale(2.f);

  const IBitmap bitmap = g.LoadBitmap(name.c_str(), 3, true);
  ASSERT_TRUE(bitmap.IsValid());
  EXPECT_EQ(bitmap.W(), 4);
  EXPECT_EQ(bitmap.H(), 6);
  EXPECT_EQ(bitmap.N(), 3);
  EXPECT_EQ(bitmap.FW(), 1);
  EXPECT_EQ(bitmap.GetScale(), 2.f);
  EXPECT_STREQ(bitmap.GetResourceName(), name.c_str());
  EXPECT_EQ(CacheEntries(), 1);

  // Looked up where it was stored: no second decode, no second entry.
  const int made = g.mBitmapsMade;
  EXPECT_EQ(g.LoadBitmap(name.c_str(), 3, true).GetAPIBitmap(), bitmap.GetAPIBitmap());
  EXPECT_EQ(g.mBitmapsMade, made);
  EXPECT_EQ(CacheEntries(), 1);

  // At scale 1 the plain file is its own entry.
  const IBitmap plain = g.LoadBitmap(name.c_str(), 1, false, 1);
  EXPECT_NE(plain.GetAPIBitmap(), bitmap.GetAPIBitmap());
  EXPECT_EQ(CacheEntries(), 2);
}

TEST(BitmapLoadTest, AnImageAtAnotherScaleIsRedrawnAtTheTargetScale)
{
  const std::string dir = qorvtest::ScratchDir("load3x");
  WritePng(dir + "/dial.png", 5, 4);
  const std::string name = dir + "/dial.png";
  RecordingDelegate dlg;
  RecordingGraphics& g = dlg.Open();

  const IBitmap scaled = g.LoadBitmap(name.c_str(), 1, false, 3);
  ASSERT_TRUE(scaled.IsValid());
  EXPECT_EQ(scaled.GetScale(), 3.f);
  EXPECT_EQ(scaled.GetAPIBitmap()->GetWidth(), 15);
  EXPECT_EQ(scaled.W(), 5);
  // The source was drawn into a layer at its size in points; the screen scale is back afterwards.
  const std::vector<std::string> log = g.TakeLog({"bitmap"});
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0], "bitmap dial.png 0 0 5 4 0 0");
  EXPECT_EQ(g.GetScreenScale(), 1.f);
  EXPECT_EQ(g.NLayers(), 0);

  const int made = g.mBitmapsMade;
  EXPECT_EQ(g.LoadBitmap(name.c_str(), 1, false, 3).GetAPIBitmap(), scaled.GetAPIBitmap());
  EXPECT_EQ(g.mBitmapsMade, made);
  EXPECT_EQ(CacheEntries(), 1);
}

TEST(BitmapLoadTest, MissingCorruptOrUnsupportedFilesGiveTheInvalidBitmap)
{
  const std::string dir = qorvtest::ScratchDir("badpng");
  std::ofstream(dir + "/broken.png") << "not a png at all";
  WritePng(dir + "/fine.gif", 2, 2);
  RecordingDelegate dlg;
  RecordingGraphics& g = dlg.Open();
  for (const std::string& name : {dir + "/broken.png", dir + "/missing.png", dir + "/fine.gif", std::string()})
  {
    const IBitmap bitmap = g.LoadBitmap(name.c_str(), 2, false, 2);
    EXPECT_FALSE(bitmap.IsValid()) << name;
    EXPECT_EQ(bitmap.W(), 0);
    EXPECT_STREQ(bitmap.GetResourceName(), "");
  }
  EXPECT_FALSE(g.LoadBitmap(nullptr).IsValid());
  EXPECT_EQ(CacheEntries(), 0);
  // Drawing what failed to load draws nothing.
  g.DrawBitmapFrame(g.LoadBitmap((dir + "/broken.png").c_str()), IRECT(0, 0, 10, 10), 1);
  g.DrawFittedBitmap(IBitmap(), IRECT(0, 0, 10, 10));
  g.DrawRotatedBitmap(IBitmap(), 5, 5, 45.0);
  EXPECT_TRUE(g.TakeLog().empty());
}

TEST(BitmapLoadTest, FromDataDecodesOnceUnderTheCacheName)
{
  const std::vector<uint8_t> png = PngBytes(3, 2);
  RecordingDelegate dlg;
  RecordingGraphics& g = dlg.Open();
  const IBitmap a = g.LoadBitmapFromData("memory.png", png.data(), int(png.size()), 1, false, 1);
  ASSERT_TRUE(a.IsValid());
  EXPECT_EQ(a.W(), 3);
  const IBitmap b = g.LoadBitmapFromData("memory.png", nullptr, 0, 1, false, 1);
  EXPECT_EQ(b.GetAPIBitmap(), a.GetAPIBitmap());
  EXPECT_FALSE(g.LoadBitmapFromData("junk.png", png.data(), 7, 1, false, 1).IsValid());
  g.ReleaseBitmap(a);
  EXPECT_EQ(CacheEntries(), 0);
}

TEST(BitmapHandleTest, AFrameCountBelowOneCountsAsOne)
{
  APIBitmap api(1, 30, 20, 1.f, 1.f);
  for (int frames : {0, -3})
  {
    const IBitmap bitmap(&api, frames, true, "x");
    EXPECT_EQ(bitmap.N(), 1);
    EXPECT_EQ(bitmap.FW(), 30);
  }
  const IBitmap stacked(&api, 4, false);
  EXPECT_EQ(stacked.FH(), 5);
  EXPECT_EQ(IBitmap().N(), 0);
}

TEST(SVGCacheTest, LiveContextsKeepDocumentsUntilTheLastCloses)
{
  const char* doc = "<svg width='10' height='20'><rect width='5' height='5'/></svg>tail that is not parsed";
  SVGStorage& svgs = ProcessSVGCache();
  StaticStorage<APIBitmap>& bitmaps = ProcessBitmapCache();
  {
    RecordingDelegate first, second;
    RecordingGraphics& a = first.Open();
    EXPECT_EQ(svgs.GetCount(), 1);
    {
      RecordingGraphics& b = second.Open();
      EXPECT_EQ(svgs.GetCount(), 2);
      EXPECT_EQ(bitmaps.GetCount(), 2);
      const ISVG svg = b.LoadSVGFromData("doc", doc, int(std::strlen(doc)) - 24);
      ASSERT_TRUE(svg.IsValid());
      EXPECT_EQ(svg.W(), 10.f);
      EXPECT_EQ(svg.H(), 20.f);
      // Cached by name: the second context gets the same document, whatever it passes.
      EXPECT_EQ(a.LoadSVGFromData("doc", nullptr, 0).mImage, svg.mImage);
      EXPECT_FALSE(a.LoadSVGFromData("other", nullptr, 0).IsValid());
      second.CloseWindow();
    }
    EXPECT_EQ(svgs.GetCount(), 1);
    EXPECT_EQ(svgs.NEntries(), 1);
  }
  EXPECT_EQ(svgs.GetCount(), 0);
  EXPECT_EQ(svgs.NEntries(), 0);
  EXPECT_EQ(bitmaps.GetCount(), 0);
}

TEST(SVGCacheTest, LoadsSVGAndRawResourcesFromFiles)
{
  const std::string dir = qorvtest::ScratchDir("svgfile");
  std::ofstream(dir + "/logo.svg") << "<svg width='30' height='15'><circle cx='5' cy='5' r='4'/></svg>";
  std::ofstream(dir + "/empty.svg");
  RecordingDelegate dlg;
  RecordingGraphics& g = dlg.Open();
  const ISVG svg = g.LoadSVG((dir + "/logo.svg").c_str());
  ASSERT_TRUE(svg.IsValid());
  EXPECT_EQ(svg.W(), 30.f);
  EXPECT_FALSE(g.LoadSVG((dir + "/empty.svg").c_str()).IsValid());
  EXPECT_FALSE(g.LoadSVG((dir + "/missing.svg").c_str()).IsValid());

  TypedBuf<uint8_t> bytes = g.LoadResource((dir + "/logo.svg").c_str(), "svg");
  EXPECT_EQ(bytes.GetSize(), int(std::filesystem::file_size(dir + "/logo.svg")));
  EXPECT_EQ(g.LoadResource((dir + "/missing.svg").c_str(), "svg").GetSize(), 0);
}
} // namespace
