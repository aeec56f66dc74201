// The composite copies onto a drawable only what it lacks of the frame: over random runs of frames, with the
// drawables handed out in any order, some kept out for a while, some drawn into otherwise and some replaced,
// each drawable that received a composite holds exactly the frame. A window that copies from each presented
// drawable only what its present says changed shows what the drawable holds.
#include "graphics/vector/MVGdrawableChanges.h"

#include <Metal/Metal.h>
#include <gtest/gtest.h>

#include <random>

using namespace iplugin::igraphics;

namespace
{
constexpr int kW = 24, kH = 16;

// A drawable as its texture (for its identity) and the pixels it holds, one value a pixel.
struct Drawable
{
  std::shared_ptr<MTLTexture> texture;
  std::vector<int> pixels;
};

std::shared_ptr<MTLTexture> NewTexture()
{
  static auto device = MTLCreateSystemDefaultDevice();
  auto d = MTLTextureDescriptor::texture2DDescriptorWithPixelFormat(MTLPixelFormatBGRA8Unorm, kW, kH, false);
  return device->newTextureWithDescriptor(*d);
}

void Fill(std::vector<int>& pixels, const MVGpixelRect& r, const std::vector<int>* from, int value)
{
  for (int y = std::max(r.y0, 0); y < std::min(r.y1, kH); ++y)
    for (int x = std::max(r.x0, 0); x < std::min(r.x1, kW); ++x)
      pixels[size_t(y * kW + x)] = from ? (*from)[size_t(y * kW + x)] : value;
}
} // namespace

TEST(DrawableChanges, EachCompositedDrawableHoldsTheFrame)
{
  for (unsigned seed = 1; seed <= 40; ++seed)
  {
    std::mt19937 rng(seed);
    MVGdrawableChanges changes;
    std::vector<int> frame(kW * kH, 0);
    std::vector<Drawable> drawables(3);
    for (Drawable& d : drawables)
      d = Drawable{NewTexture(), std::vector<int>(kW * kH, -1)};
    std::vector<int> window(kW * kH, -4);
    std::vector<MVGpixelRect> said;
    auto present = [&](const Drawable& d, bool composite, bool drawn)
    {
      if (changes.PresentedChanges(composite, drawn, said))
        for (const MVGpixelRect& r : said)
          Fill(window, r, &d.pixels, 0);
      else
        window = d.pixels;
    };
    int value = 0;
    for (int f = 0; f < 60; ++f)
    {
      // The frame changes in a few rectangles (some reaching past the edges), or everywhere.
      std::vector<MVGpixelRect> rects;
      const bool whole = rng() % 17 == 0;
      for (int k = (int)(rng() % 4); k > 0; --k)
      {
        const int x = (int)(rng() % (kW + 4)) - 2, y = (int)(rng() % (kH + 4)) - 2;
        rects.push_back(MVGpixelRect{x, y, x + 1 + (int)(rng() % 9), y + 1 + (int)(rng() % 7)});
      }
      ++value;
      if (whole) Fill(frame, MVGpixelRect{0, 0, kW, kH}, nullptr, value);
      for (const MVGpixelRect& r : rects)
        Fill(frame, r, nullptr, value);
      changes.Note(rects.data(), (int)rects.size(), whole);
      // Now and then no drawable comes, or one is replaced.
      const unsigned what = rng() % 12;
      ASSERT_TRUE(changes.TakeComposite());
      if (what == 0) continue;
      Drawable& d = drawables[rng() % drawables.size()];
      if (what == 1) d = Drawable{NewTexture(), std::vector<int>(kW * kH, -2)};
      std::vector<MVGpixelRect> areas;
      if (changes.Areas(d.texture, kW, kH, areas))
        for (const MVGpixelRect& a : areas)
          Fill(d.pixels, a, &frame, 0);
      else
        d.pixels = frame;
      ASSERT_EQ(d.pixels, frame) << "seed " << seed << " frame " << f;
      present(d, true, true);
      ASSERT_EQ(window, frame) << "seed " << seed << " frame " << f;
      // Now and then a flush that is no composite draws into one, or one is presented undrawn.
      if (rng() % 8 == 0)
      {
        Drawable& e = drawables[rng() % drawables.size()];
        ASSERT_FALSE(changes.TakeComposite());
        changes.Forget(e.texture.get());
        Fill(e.pixels, MVGpixelRect{0, 0, kW, kH}, nullptr, -3);
        present(e, false, true);
        ASSERT_EQ(window, e.pixels) << "seed " << seed << " frame " << f;
      }
      else if (rng() % 10 == 0)
      {
        Drawable& e = drawables[rng() % drawables.size()];
        present(e, true, false);
        ASSERT_EQ(window, e.pixels) << "seed " << seed << " frame " << f;
      }
    }
  }
}

// A drawable that already holds the frame needs nothing; one kept out long enough is drawn whole.
TEST(DrawableChanges, CopiesOnlyWhatIsMissing)
{
  MVGdrawableChanges changes;
  auto a = NewTexture(), b = NewTexture();
  std::vector<MVGpixelRect> areas;
  changes.Note(nullptr, 0, true);
  ASSERT_TRUE(changes.TakeComposite());
  EXPECT_FALSE(changes.Areas(a, kW, kH, areas)); // never drawn
  const MVGpixelRect r{2, 3, 6, 7};
  changes.Note(&r, 1, false);
  ASSERT_TRUE(changes.TakeComposite());
  EXPECT_FALSE(changes.Areas(b, kW, kH, areas));
  changes.Note(&r, 1, false);
  ASSERT_TRUE(changes.TakeComposite());
  ASSERT_TRUE(changes.Areas(a, kW, kH, areas));
  ASSERT_EQ(areas.size(), 1u); // the same rectangle twice is copied once
  changes.Note(nullptr, 0, false);
  ASSERT_TRUE(changes.TakeComposite());
  ASSERT_TRUE(changes.Areas(a, kW, kH, areas));
  EXPECT_TRUE(areas.empty());
  for (size_t i = 0; i <= MVGdrawableChanges::kKeptFrames; ++i)
    changes.Note(&r, 1, false);
  ASSERT_TRUE(changes.TakeComposite());
  EXPECT_FALSE(changes.Areas(b, kW, kH, areas));
}
