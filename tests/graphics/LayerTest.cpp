// The transform stack, clipping, off-screen layers and the drop-shadow blur.
#include "tests/support/RecordingGraphics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

using namespace iplugin;
using namespace iplugin::igraphics;
using qorvtest::RecordingDelegate;
using qorvtest::RecordingGraphics;
using qorvtest::TestControl;

namespace
{
using Log = std::vector<std::string>;
const std::string kIdentity = "xform 1 0 0 1 0 0";

class LayerTest : public ::testing::Test
{
protected:
  LayerTest() : g(dlg.Open(200, 100)) { g.SetClipRECT(IRECT(0, 0, 200, 100)); }

  RecordingDelegate dlg;
  RecordingGraphics& g;
};

TEST_F(LayerTest, TransformStackSavesRestoresAndApplies)
{
  g.TakeLog();
  g.PathTransformRestore(); // empty stack: nothing
  EXPECT_TRUE(g.TakeLog().empty());

  g.PathTransformTranslate(10, 20);
  g.PathTransformSave();
  g.PathTransformScale(2, 3);
  g.PathTransformScale(0.5f);
  g.PathTransformSkew(0, 0);
  g.PathTransformMatrix(IMatrix(1, 0, 0, 1, 4, 4));
  g.PathTransformRestore();
  EXPECT_EQ(g.TakeLog(), (Log{"xform 1 0 0 1 10 20", "xform 2 0 0 3 10 20", "xform 1 0 0 1.5 10 20",
                              "xform 1 0 0 1.5 10 20", "xform 1 0 0 1.5 14 26", "xform 1 0 0 1 10 20"}));

  g.PathTransformSave();
  g.PathTransformReset(true);
  g.PathTransformRestore();
  EXPECT_EQ(g.GetTransform(), IMatrix());
  EXPECT_EQ(g.TakeLog(), Log{kIdentity});
}

TEST_F(LayerTest, ClipsAreSetUntransformedWithinTheDrawingArea)
{
  g.PathTransformTranslate(5, 5);
  g.TakeLog();
  g.PathClipRegion();
  g.PathClipRegion(IRECT(150, 50, 300, 300));
  g.PathClipRegion(IRECT(300, 300, 400, 400));
  const std::string current = "xform 1 0 0 1 5 5";
  EXPECT_EQ(g.TakeLog(), (Log{kIdentity, "clip 0 0 200 100", current, kIdentity, "clip 150 50 200 100", current,
                              kIdentity, "clip 0 0 0 0", current}));
}

TEST_F(LayerTest, LayersArePixelAlignedAndTargetTheirBitmap)
{
  g.SetScreenScale(2.f);
  g.TakeLog();
  g.StartLayer(nullptr, IRECT(0.3f, 0.3f, 10.2f, 10.2f));
  ASSERT_EQ(g.NLayers(), 1);
  EXPECT_EQ(g.TakeLog(), (Log{"layer", kIdentity, kIdentity, "clip 0 0 10.5 10.5", kIdentity, "clear"}));

  // A nested layer is clipped to its own bounds; popping goes back to the outer one.
  g.StartLayer(nullptr, IRECT(2, 2, 4, 4));
  g.TakeLog();
  ILayerPtr inner = g.EndLayer();
  EXPECT_EQ(g.TakeLog(), (Log{"layer", kIdentity, kIdentity, "clip 0 0 10.5 10.5", kIdentity, "clear"}));
  ILayerPtr outer = g.EndLayer();
  ASSERT_TRUE(outer);
  EXPECT_EQ(outer->Bounds(), IRECT(0, 0, 10.5f, 10.5f));
  EXPECT_EQ(outer->GetAPIBitmap()->GetWidth(), 22);
  EXPECT_EQ(outer->GetAPIBitmap()->GetHeight(), 22);
  EXPECT_EQ(outer->GetAPIBitmap()->GetScale(), 2.f);
  EXPECT_EQ(g.TakeLog({"clip"}), Log{"clip 0 0 200 100"});

  // Nothing pushed: null, but the target and clip are still reset.
  EXPECT_FALSE(g.EndLayer());
  EXPECT_EQ(g.TakeLog({"layer", "clip"}), (Log{"layer", "clip 0 0 200 100"}));

  g.ResumeLayer(inner);
  EXPECT_FALSE(inner);
  EXPECT_EQ(g.NLayers(), 1);
  ILayerPtr none;
  g.ResumeLayer(none);
  EXPECT_EQ(g.NLayers(), 1);
  EXPECT_TRUE(g.EndLayer());
}

// A layer over an empty area inside another one: no bitmap, nothing drawn shows, and its end pops it,
// not the outer layer.
TEST_F(LayerTest, AnEmptyAreaMakesALayerWithoutBitmapThatItsEndPops)
{
  g.StartLayer(nullptr, IRECT(0, 0, 50, 50));
  ASSERT_EQ(g.mBitmapsMade, 1);
  for (const IRECT& r : {IRECT(), IRECT(5, 5, 5, 20), IRECT(5, 5, 20, 5), IRECT(10, 10, 0, 0)})
  {
    g.TakeLog();
    g.StartLayer(nullptr, r);
    EXPECT_EQ(g.NLayers(), 2);
    g.PathClipRegion(IRECT(0, 0, 40, 40));
    EXPECT_EQ(g.TakeLog({"clip"}), (Log{"clip 0 0 0 0", "clip 0 0 0 0"})) << r.L << " " << r.R;
    ILayerPtr empty = g.EndLayer();
    ASSERT_TRUE(empty);
    EXPECT_FALSE(empty->GetAPIBitmap());
    EXPECT_EQ(g.NLayers(), 1);
    EXPECT_EQ(g.TakeLog({"clip"}), Log{"clip 0 0 50 50"});
    g.DrawLayer(empty);
    EXPECT_EQ(g.TakeLog({"bitmap"}), Log{});
    EXPECT_FALSE(g.CheckLayer(empty));
  }
  EXPECT_EQ(g.mBitmapsMade, 1);
  ILayerPtr outer = g.EndLayer();
  ASSERT_TRUE(outer);
  EXPECT_TRUE(outer->GetAPIBitmap());
  EXPECT_EQ(g.NLayers(), 0);
}

TEST_F(LayerTest, CachedLayersAreCheckedAgainstTheControlAndScales)
{
  auto* control = new TestControl(IRECT(10, 10, 30, 30));
  g.AttachControl(control);
  g.StartLayer(control, control->GetRECT(), true);
  ILayerPtr layer = g.EndLayer();
  EXPECT_TRUE(g.CheckLayer(layer));
  control->SetPosition(12, 10);
  EXPECT_FALSE(g.CheckLayer(layer));
  EXPECT_FALSE(g.CheckLayer(layer)); // stays invalid
  EXPECT_FALSE(g.CheckLayer(nullptr));

  g.StartLayer(nullptr, IRECT(0, 0, 10, 10));
  ILayerPtr free = g.EndLayer();
  EXPECT_TRUE(g.CheckLayer(free));
  g.SetScreenScale(2.f);
  EXPECT_FALSE(g.CheckLayer(free));
}

TEST_F(LayerTest, LayersDrawTheirBitmapInPlaceInARectOrRotated)
{
  g.StartLayer(nullptr, IRECT(10, 20, 30, 30));
  ILayerPtr layer = g.EndLayer();
  const std::string name = qorvtest::RecordingGraphics::Pixels(layer)->mName;
  g.PathTransformTranslate(100, 100);
  g.TakeLog();
  g.DrawLayer(layer, &kBlend50);
  EXPECT_EQ(g.TakeLog({"xform", "bitmap"}), (Log{kIdentity, "bitmap " + name + " 10 20 30 30 0 0 b0,0.5", "xform 1 0 0 1 100 100"}));
  g.DrawLayerInRect(layer, IRECT(0, 0, 40, 5));
  EXPECT_EQ(g.TakeLog({"xform", "bitmap"}),
            (Log{"xform 1 0 0 1 100 100", "xform 2 0 0 0.5 100 100", "bitmap " + name + " 0 0 20 10 0 0",
                 "xform 1 0 0 1 100 100"}));
  g.DrawLayerRotated(layer, 0.0);
  EXPECT_EQ(g.TakeLog({"bitmap"}), Log{"bitmap " + name + " -10 -5 10 5 0 0"});
  EXPECT_EQ(g.GetTransform(), IMatrix(1, 0, 0, 1, 100, 100));

  g.DrawLayer(nullptr);
  g.DrawLayerInRect(nullptr, IRECT(0, 0, 1, 1));
  g.DrawLayerRotated(nullptr, 10.0);
  EXPECT_TRUE(g.TakeLog().empty());
}

// The blur written out directly: every tap that lies inside the row, integer division, capped at 255.
std::vector<int> ReferenceBlur(const std::vector<int>& a, int w, int h, const std::vector<int>& k, int norm)
{
  auto pass = [&](const std::vector<int>& in, int rows, int n, bool transpose) {
    std::vector<int> out(in.size());
    for (int r = 0; r < rows; ++r)
      for (int j = 0; j < n; ++j)
      {
        long sum = 0;
        for (int i = -int(k.size()) + 1; i < int(k.size()); ++i)
          if (j + i >= 0 && j + i < n) sum += long(k[size_t(std::abs(i))]) * in[size_t(r * n + j + i)];
        const int v = int(std::min<long>(sum / norm, 255));
        out[transpose ? size_t(j * rows + r) : size_t(r * n + j)] = v;
      }
    return out;
  };
  return pass(pass(a, h, w, true), w, h, true);
}

std::vector<int> Kernel(double scale, float blur, int& norm)
{
  const double b = std::max(1.0, scale * blur + 1.0);
  std::vector<int> k(size_t(std::ceil(b)));
  norm = 0;
  for (size_t i = 0; i < k.size(); ++i)
  {
    k[i] = int(std::lround(255.0 * std::exp(-double(i * i) * 4.5 / (b * b))));
    norm += (i ? 2 : 1) * k[i];
  }
  return k;
}

// Fills a layer of w x h pixels with alpha from the generator and colour bytes from the index, applies
// the shadow and compares the mask with the reference; colour bytes must come back untouched.
void CheckShadow(RecordingGraphics& g, int w, int h, float screenScale, float blur, std::mt19937& rng)
{
  g.SetScreenScale(screenScale);
  g.StartLayer(nullptr, IRECT(0, 0, w / screenScale, h / screenScale));
  ILayerPtr layer = g.EndLayer();
  ASSERT_TRUE(layer);
  // Odd pixel sizes at scale 2 round up to whole points.
  w = layer->GetAPIBitmap()->GetWidth();
  h = layer->GetAPIBitmap()->GetHeight();
  auto& pixels = qorvtest::RecordingGraphics::Pixels(layer)->mPixels;
  ASSERT_EQ(pixels.size(), size_t(w * h * 4));
  std::vector<int> alpha(size_t(w * h));
  int value = 0;
  for (size_t p = 0; p < alpha.size(); ++p)
  {
    if (rng() % 4 == 0) value = int(rng() % 256); // runs of equal samples take the uniform shortcut
    alpha[p] = value;
    pixels[p * 4] = uint8_t(p);
    pixels[p * 4 + 3] = uint8_t(value);
  }
  g.ApplyLayerDropShadow(layer, IDropShadow{kColorShadow, blur, 2.f, 2.f, 0.5f, true});
  int norm = 0;
  const std::vector<int> k = Kernel(screenScale, blur, norm);
  const std::vector<int> expected = ReferenceBlur(alpha, w, h, k, norm);
  ASSERT_EQ(g.mLastShadowMask.size(), pixels.size());
  for (size_t p = 0; p < alpha.size(); ++p)
  {
    ASSERT_EQ(g.mLastShadowMask[p * 4 + 3], expected[p]) << w << "x" << h << " blur " << blur << " at " << p;
    ASSERT_EQ(g.mLastShadowMask[p * 4], uint8_t(p));
  }
}

TEST_F(LayerTest, ShadowBlurMatchesADirectReferenceIncludingShortRows)
{
  std::mt19937 rng(11);
  CheckShadow(g, 4, 4, 2.f, 2.f, rng); // rows of 4 samples under a kernel of 5 taps
  CheckShadow(g, 1, 9, 1.f, 3.f, rng);
  CheckShadow(g, 30, 12, 1.f, 0.f, rng);
  for (int trial = 0; trial < 40; ++trial)
  {
    const int w = 1 + int(rng() % 24), h = 1 + int(rng() % 24);
    CheckShadow(g, w, h, float(1 + rng() % 2) * 1.f, float(rng() % 50) / 10.f, rng);
  }
}

TEST_F(LayerTest, TheBlurKernelOfSizeTwoAtScaleTwo)
{
  // One bright sample in a long row spreads by the kernel 255, 213, 124, 50, 14 over 1,057.
  const uint8_t kernel[] = {255, 213, 124, 50, 14};
  std::vector<uint8_t> in(20 * 4, 0), out(20 * 4, 0);
  in[10 * 4] = 255;
  IGraphics::BlurShadowMask(out.data(), in.data(), kernel, 20, 1, 4, 20 * 4, 5, 1057);
  for (int j = 0; j < 20; ++j)
  {
    const int d = std::abs(j - 10);
    EXPECT_EQ(out[size_t(j) * 4], d < 5 ? kernel[d] * 255 / 1057 : 0) << j;
  }
  int norm = 0;
  EXPECT_EQ(Kernel(2.0, 2.f, norm), (std::vector<int>{255, 213, 124, 50, 14}));
  EXPECT_EQ(norm, 1057);
}

TEST_F(LayerTest, NoShadowWithoutWholePixelData)
{
  g.StartLayer(nullptr, IRECT(0, 0, 8, 8));
  ILayerPtr layer = g.EndLayer();
  g.TakeLog();
  g.mLayerDataShortBy = 4;
  g.ApplyLayerDropShadow(layer, IDropShadow());
  EXPECT_TRUE(g.TakeLog().empty());
  g.mLayerDataShortBy = 8 * 8 * 4;
  g.ApplyLayerDropShadow(layer, IDropShadow());
  EXPECT_TRUE(g.TakeLog().empty());
  ILayerPtr none;
  g.ApplyLayerDropShadow(none, IDropShadow());
  g.mLayerDataShortBy = 0;
  g.ApplyLayerDropShadow(layer, IDropShadow());
  EXPECT_EQ(g.TakeLog(), Log{"shadow"});

  // Replacing pixels goes to the back end whole.
  TypedBuf<uint8_t> data;
  data.Resize(8 * 8 * 4);
  std::fill(data.Get(), data.Get() + data.GetSize(), uint8_t(9));
  g.ReplaceLayerPixels(layer, data);
  EXPECT_EQ(qorvtest::RecordingGraphics::Pixels(layer)->mPixels[100], 9);
}
} // namespace
