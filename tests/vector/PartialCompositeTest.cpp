// A drawable holds the frame it last received, or nothing, when the layer hands it out: after any run of
// partial redraws the layer still shows the whole off-screen frame, byte for byte.
#include "tests/vector/VectorGraphicsTestContext.h"

#include <QorvPlatform/Metal.h>
#include <gtest/gtest.h>

#include <random>

using namespace iplugin::igraphics;

namespace
{
constexpr int kW = 90, kH = 60;

// A translucent rounded box and a circle of the control's colour.
class Swatch : public IControl
{
public:
  Swatch(const IRECT& r, IColor c) : IControl(r), mColor(c) {}
  void Draw(IGraphics& g) override
  {
    g.FillRoundRect(mColor, mRECT, 3.f);
    g.FillCircle(IColor(255, mColor.B, mColor.R, mColor.G), mRECT.MW(), mRECT.MH(), mRECT.W() / 4.f);
  }
  IColor mColor;
};

// Controls in random places (overlapping), the first one the opaque background.
void Populate(IGraphics& g, std::mt19937& rng, std::vector<Swatch*>& out)
{
  auto* background = new Swatch(IRECT(0, 0, kW, kH), IColor(255, 30, 40, 50));
  g.AttachControl(background);
  out.push_back(background);
  for (int i = 0; i < 10; ++i)
  {
    const float x = (float)(rng() % (kW - 10)), y = (float)(rng() % (kH - 10));
    const float w = 4.f + (float)(rng() % 30) + 0.5f * (float)(rng() % 2), h = 4.f + (float)(rng() % 20);
    auto* s = new Swatch(IRECT(x, y, x + w, y + h), IColor(120 + (int)(rng() % 136), (int)(rng() % 256),
                                                           (int)(rng() % 256), (int)(rng() % 256)));
    g.AttachControl(s);
    out.push_back(s);
  }
}

void Redraw(IGraphics& g)
{
  IRECTList rects;
  if (!g.IsDirty(rects)) return;
  g.ClearAllControlsDirty();
  g.DrawDirtyRects(rects);
}

qorvtest::RgbaImage Shown(qorvtest::VectorGraphics& g)
{
  qorvtest::RgbaImage image;
  QorvMetalLayerCopyPresentedImage(*g.mLayer, image.rgba, image.width, image.height);
  return image;
}

// A window's kept copy of the layer, blue first, two pixels in from its corner and cut by its edges on the
// right and at the bottom, brought up to date only where the presents said they changed.
struct WindowCopy
{
  WindowCopy(int w, int h) : width(w), height(h), bgra(size_t(w) * size_t(h) * 4, 0) {}
  int width, height;
  std::vector<uint8_t> bgra;
  std::vector<MTLRegion> changed;
  static constexpr int kAt = 2;

  // Pixels copied, or -1 when nothing was presented since.
  long Follow(CAMetalLayer& layer)
  {
    const QorvPixelTarget target{bgra.data(), size_t(width) * 4, width, height, kAt, kAt};
    if (!QorvMetalLayerCopyPresentedChanges(layer, false, target, changed)) return -1;
    long pixels = 0;
    for (const MTLRegion& r : changed)
      pixels += long(r.size.width * r.size.height);
    return pixels;
  }
  // Whether it holds what the layer shows, within the window.
  bool Holds(const qorvtest::RgbaImage& shown) const
  {
    for (int y = kAt; y < height; ++y)
      for (int x = kAt; x < width && x - kAt < shown.width; ++x)
      {
        const uint8_t *p = &bgra[(size_t(y) * size_t(width) + size_t(x)) * 4],
                      *q = shown.At(x - kAt, y - kAt);
        if (p[0] != q[2] || p[1] != q[1] || p[2] != q[0] || p[3] != q[3]) return false;
      }
    return true;
  }
};
} // namespace

// Frames that redraw only a few controls copy onto each drawable only what it lacks of the off-screen frame
// (the drawables take turns, each holding an older frame): what the layer shows is always that frame.
TEST(PartialComposite, ShowsTheWholeFrame)
{
  for (float scale : {1.f, 2.f})
  {
    std::mt19937 rng(scale == 1.f ? 17 : 23);
    qorvtest::RecordingDelegate dlg;
    qorvtest::VectorGraphics g(dlg, kW, kH);
    g.Open(scale);
    std::vector<Swatch*> swatches;
    Populate(g, rng, swatches);
    g.SetAllControlsDirty();
    Redraw(g);
    const int w = kW * (int)scale, h = kH * (int)scale;
    WindowCopy window{w - 3, h - 1};
    EXPECT_EQ(window.Follow(*g.mLayer), long(w - 3 - WindowCopy::kAt) * long(h - 1 - WindowCopy::kAt));
    EXPECT_EQ(window.Follow(*g.mLayer), -1); // nothing presented since
    long copied = 0;
    for (int round = 0; round < 20; ++round)
    {
      // A few controls change; each frame draws only those.
      for (int k = 0; k < 1 + (int)(rng() % 3); ++k)
      {
        Swatch* s = swatches[1 + rng() % (swatches.size() - 1)];
        s->mColor =
            IColor(120 + (int)(rng() % 136), (int)(rng() % 256), (int)(rng() % 256), (int)(rng() % 256));
        s->SetDirty(false);
      }
      Redraw(g);
      const qorvtest::RgbaImage shown = Shown(g), frame = g.MainFrame();
      ASSERT_EQ(shown.width, kW * (int)scale);
      ASSERT_EQ(shown.width, frame.width);
      // The layer is opaque: its alpha reads 255.
      std::vector<uint8_t> shownRgb, frameRgb;
      for (size_t i = 0; i < shown.rgba.size(); ++i)
        if (i % 4 != 3) shownRgb.push_back(shown.rgba[i]), frameRgb.push_back(frame.rgba[i]);
      ASSERT_EQ(shownRgb, frameRgb) << "scale " << scale << " round " << round;
      // A window that copies only what each present changed shows the same.
      copied += std::max(window.Follow(*g.mLayer), 0l);
      ASSERT_TRUE(window.Holds(shown)) << "scale " << scale << " round " << round;
    }
    // Far less than the whole drawable each round.
    EXPECT_LT(copied, 20l * w * h / 4) << "scale " << scale;
  }
}

// A frame drawn other than through the dirty rectangles notes no area: it is copied whole.
TEST(PartialComposite, AFrameDrawnDirectlyIsShownWhole)
{
  qorvtest::RecordingDelegate dlg;
  qorvtest::VectorGraphics g(dlg, kW, kH);
  g.Open(1.f);
  for (int round = 0; round < 5; ++round)
  {
    g.Begin();
    g.FillRect(IColor(255, 20 * round, 100, 200 - 30 * round), g.GetBounds());
    const qorvtest::RgbaImage shown = g.End();
    ASSERT_EQ(shown.width, kW);
    EXPECT_EQ(shown.At(kW / 2, kH / 2)[0], 20 * round) << "round " << round;
    // Its present says so too.
    WindowCopy window{kW + 4, kH + 4};
    EXPECT_EQ(window.Follow(*g.mLayer), long(kW) * kH) << "round " << round;
  }
}
