// A window keeps a copy of what a layer shows and takes from each present only what it says it changed:
// the layer adds the changes up between takes, and falls back to all of the drawable where they are not
// known (no changes said, a new size).
#include "tests/platform/SoftwareGpu.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace
{
struct Step
{
  const char* what;
  int width, height;               // the drawable's size
  std::vector<MTLRegion> said;     // the changes the present carries
  bool saysChanges;                // whether it carries any
  bool presents;                   // false: nothing presented before the take
  bool whole;                      // the take asks for all of it
  std::vector<MTLRegion> expected; // copied, in the target's pixels; empty: the take copies nothing
};

// Every pixel of a present gets a value of its own, so that a pixel copied from the wrong present shows.
void Fill(MTLTexture& t, uint8_t frame)
{
  std::vector<uint8_t> bytes(t.width() * t.height() * 4);
  for (size_t i = 0; i < bytes.size(); ++i)
    bytes[i] = uint8_t(frame * 37 + i);
  t.replaceRegion(MTLRegionMake2D(0, 0, t.width(), t.height()), 0, bytes.data(), t.width() * 4);
}
} // namespace

TEST(PresentedChanges, AWindowCopiesWhatThePresentsChangedSinceItsLastTake)
{
  auto layer = CAMetalLayer::layer();
  layer->device = MTLCreateSystemDefaultDevice();
  // The target is 20 x 10, the layer's corner at (2, 3): an 16 x 8 drawable loses its last row.
  constexpr int kTw = 20, kTh = 10, kX = 2, kY = 3;
  const Step steps[] = {
      {"nothing presented", 16, 8, {}, false, false, false, {}},
      {"nothing presented, all asked", 16, 8, {}, false, false, true, {}},
      {"the first present",
       16,
       8,
       {MTLRegionMake2D(1, 1, 2, 2)},
       true,
       true,
       false,
       {MTLRegionMake2D(kX, kY, 16, 7)}},
      {"no present since", 16, 8, {}, false, false, false, {}},
      {"one change", 16, 8, {MTLRegionMake2D(1, 1, 3, 2)}, true, true, false, {MTLRegionMake2D(3, 4, 3, 2)}},
      {"a change cut by the target",
       16,
       8,
       {MTLRegionMake2D(10, 5, 6, 3)},
       true,
       true,
       false,
       {MTLRegionMake2D(12, 8, 6, 2)}},
      {"no change", 16, 8, {}, true, true, false, {}},
      {"all asked without a present", 16, 8, {}, false, false, true, {MTLRegionMake2D(kX, kY, 16, 7)}},
      {"changes unknown", 16, 8, {}, false, true, false, {MTLRegionMake2D(kX, kY, 16, 7)}},
      {"a new size",
       12,
       6,
       {MTLRegionMake2D(0, 0, 1, 1)},
       true,
       true,
       false,
       {MTLRegionMake2D(kX, kY, 12, 6)}},
      {"outside the target", 12, 6, {MTLRegionMake2D(0, 0, 0, 3)}, true, true, false, {}},
  };
  std::vector<uint8_t> target(kTw * kTh * 4, 0);
  std::vector<MTLRegion> changed;
  uint8_t frame = 0;
  for (const Step& s : steps)
  {
    SCOPED_TRACE(s.what);
    std::shared_ptr<MTLTexture> shown;
    if (s.presents)
    {
      layer->drawableSize = CGSizeMake(s.width, s.height);
      auto d = layer->nextDrawable();
      ASSERT_TRUE(d);
      Fill(*d->texture(), ++frame);
      if (s.saysChanges) d->setChangedRegions(s.said.data(), s.said.size());
      d->present();
    }
    const std::vector<uint8_t> before = target;
    const QorvPixelTarget t{target.data(), kTw * 4, kTw, kTh, kX, kY};
    const bool copied = QorvMetalLayerCopyPresentedChanges(*layer, s.whole, t, changed);
    EXPECT_EQ(copied, frame > 0 && (s.presents || s.whole));
    ASSERT_EQ(changed.size(), s.expected.size());
    for (size_t i = 0; i < changed.size(); ++i)
    {
      EXPECT_EQ(changed[i].origin.x, s.expected[i].origin.x);
      EXPECT_EQ(changed[i].origin.y, s.expected[i].origin.y);
      EXPECT_EQ(changed[i].size.width, s.expected[i].size.width);
      EXPECT_EQ(changed[i].size.height, s.expected[i].size.height);
    }
    // Inside the changes the present's bytes as they are, outside them the target as it was.
    std::vector<uint8_t> presented;
    int pw = 0, ph = 0;
    if (frame > 0)
    {
      ASSERT_TRUE(QorvMetalLayerCopyPresentedImage(*layer, presented, pw, ph));
    }
    for (int y = 0; y < kTh; ++y)
      for (int x = 0; x < kTw; ++x)
      {
        bool inside = false;
        for (const MTLRegion& r : changed)
          inside |= x >= int(r.origin.x) && x < int(r.origin.x + r.size.width) && y >= int(r.origin.y) &&
                    y < int(r.origin.y + r.size.height);
        const uint8_t* p = &target[(size_t(y) * kTw + size_t(x)) * 4];
        if (!inside)
        {
          ASSERT_EQ(std::memcmp(p, &before[(size_t(y) * kTw + size_t(x)) * 4], 4), 0) << x << "," << y;
          continue;
        }
        const uint8_t* q = &presented[(size_t(y - kY) * size_t(pw) + size_t(x - kX)) * 4]; // red first
        ASSERT_TRUE(p[0] == q[2] && p[1] == q[1] && p[2] == q[0] && p[3] == q[3]) << x << "," << y;
      }
  }
}

// Changes of presents that no window took add up; past a few dozen, their bounds stand for them.
TEST(PresentedChanges, ChangesAddUpBetweenTakes)
{
  auto layer = CAMetalLayer::layer();
  layer->device = MTLCreateSystemDefaultDevice();
  layer->drawableSize = CGSizeMake(200, 4);
  std::vector<uint8_t> target(200 * 4 * 4, 0);
  const QorvPixelTarget t{target.data(), 200 * 4, 200, 4, 0, 0};
  std::vector<MTLRegion> changed;
  auto present = [&](int n)
  {
    for (int i = 0; i < n; ++i)
    {
      auto d = layer->nextDrawable();
      ASSERT_TRUE(d);
      const MTLRegion r = MTLRegionMake2D(NSUInteger(2 * i + 10), 1, 1, 2);
      d->setChangedRegions(&r, 1);
      d->present();
    }
  };
  present(1);
  ASSERT_TRUE(QorvMetalLayerCopyPresentedChanges(*layer, false, t, changed)); // the first: all of it
  present(3);
  ASSERT_TRUE(QorvMetalLayerCopyPresentedChanges(*layer, false, t, changed));
  ASSERT_EQ(changed.size(), 3u);
  EXPECT_EQ(changed[2].origin.x, 14u);
  present(80);
  ASSERT_TRUE(QorvMetalLayerCopyPresentedChanges(*layer, false, t, changed));
  ASSERT_LE(changed.size(), 64u);
  NSUInteger x0 = 1000, x1 = 0;
  for (const MTLRegion& r : changed)
    x0 = std::min(x0, r.origin.x), x1 = std::max(x1, r.origin.x + r.size.width);
  EXPECT_EQ(x0, 10u);
  EXPECT_EQ(x1, 169u);
}

// A target that keeps the pixels in a layout of its own takes them through its writer: the same pixels for
// the same places as a target of rows, from a blue-first drawable and from a red-first one (converted a
// piece at a time), rows longer than a piece included.
TEST(PresentedChanges, ATargetsWriterGetsWhatATargetOfRowsGets)
{
  constexpr int kDw = 150, kDh = 5, kTw = 160, kTh = 8, kX = 3, kY = 2;
  struct Written
  {
    std::vector<uint8_t> pixels = std::vector<uint8_t>(kTw * kTh * 4, 0);
  };
  const auto write = [](void* context, const uint8_t* bgra, int x, int y, size_t count)
  {
    auto& w = *static_cast<Written*>(context);
    ASSERT_TRUE(x >= 0 && y >= 0 && x + int(count) <= kTw && y < kTh) << x << "," << y << " " << count;
    std::memcpy(&w.pixels[(size_t(y) * kTw + size_t(x)) * 4], bgra, count * 4);
  };
  for (const MTLPixelFormat format : {MTLPixelFormatBGRA8Unorm, MTLPixelFormatRGBA8Unorm})
  {
    SCOPED_TRACE(format == MTLPixelFormatBGRA8Unorm ? "blue first" : "red first");
    std::vector<uint8_t> rows(kTw * kTh * 4, 0);
    Written written;
    const QorvPixelTarget ofRows{rows.data(), kTw * 4, kTw, kTh, kX, kY};
    const QorvPixelTarget withWriter{nullptr, 0, kTw, kTh, kX, kY, write, &written};
    std::vector<MTLRegion> changed;
    for (const QorvPixelTarget* t : {&ofRows, &withWriter})
    {
      auto layer = CAMetalLayer::layer();
      layer->device = MTLCreateSystemDefaultDevice();
      layer->pixelFormat = format;
      layer->drawableSize = CGSizeMake(kDw, kDh);
      for (uint8_t frame = 1; frame <= 2; ++frame)
      {
        auto d = layer->nextDrawable();
        ASSERT_TRUE(d);
        Fill(*d->texture(), frame);
        const MTLRegion said = MTLRegionMake2D(100, 1, 50, 3);
        if (frame == 2) d->setChangedRegions(&said, 1);
        d->present();
        ASSERT_TRUE(QorvMetalLayerCopyPresentedChanges(*layer, false, *t, changed));
      }
    }
    EXPECT_EQ(written.pixels, rows);
    EXPECT_NE(rows, std::vector<uint8_t>(rows.size(), 0));
  }
}
