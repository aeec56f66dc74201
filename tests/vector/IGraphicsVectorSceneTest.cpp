// One scene of every drawing operation of the graphics context, drawn by the vector back end on the
// software GPU and by the same graphics context over cairo, at screen scales 1 and 2. Shapes, paints,
// bitmaps, layers, shadows, clips and blends are compared pixel by pixel; text is compared apart, by
// where its ink lies and how much of it there is, since the glyph cache puts glyphs on whole pixels and
// rasterises them itself. A frame of the scene is written to <build>/scene-frames.
#include "tests/support/TestPaths.h"
#include "tests/vector/CairoGraphics.h"
#include "tests/vector/VectorGraphicsTestContext.h"

#include "graphics/vector/VGcontext.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

using namespace iplugin;
using namespace iplugin::igraphics;
using qorvtest::RgbaImage;

namespace
{
constexpr int kWidth = 200, kHeight = 190;
const char* const kFontPath = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

// What the vector side does wrong on purpose, to prove that the comparison sees it.
enum class Fault
{
  kNone,
  kNoAntiAlias,
  kHalfPixel,
  kAlpha85
};

IPattern Linear(float x1, float x2, IColor a, IColor b)
{
  IPattern p(kLinearPattern);
  p.AddStop(a, 0.f);
  p.AddStop(IColor(255, 0, 255, 0), 0.5f); // unused: only the first and last stop are drawn
  p.AddStop(b, 1.f);
  p.mTransform = IMatrix(0, 1.0 / (x2 - x1), 1, 0, 0, -x1 / (x2 - x1));
  return p;
}

IPattern Radial(float cx, float cy, float r, IColor a, IColor b)
{
  IPattern p(kRadialPattern);
  p.AddStop(a, 0.2f);
  p.AddStop(b, 1.f);
  p.mTransform = IMatrix(1.0 / r, 0, 0, 1.0 / r, -cx / r, -cy / r);
  return p;
}

// A two-frame bitmap, 12 x 24 pixels: a red frame over a blue one, with a white diagonal.
std::string FramesPng()
{
  RgbaImage image{12, 24, std::vector<uint8_t>(12 * 24 * 4)};
  for (int y = 0; y < 24; ++y)
    for (int x = 0; x < 12; ++x)
    {
      uint8_t* p = &image.rgba[(size_t(y) * 12 + x) * 4];
      const bool line = x == y % 12;
      p[0] = line ? 255 : y < 12 ? 220 : 30;
      p[1] = line ? 255 : 40;
      p[2] = line ? 255 : y < 12 ? 30 : 200;
      p[3] = 255;
    }
  const std::string path = qorvtest::ScratchDir("scene-bitmap") + "/frames.png";
  qorvtest::WritePng(path, image);
  return path;
}

const IColor kInk(255, 25, 25, 25), kRed(255, 215, 40, 25), kBlue(255, 25, 75, 205), kGreen(255, 25, 150, 75),
    kGold(255, 255, 205, 0), kViolet(255, 150, 0, 115);

// A star drawn in one stroke, its pentagon in the middle crossed twice.
const char kStarSvg[] =
    R"(<svg xmlns="http://www.w3.org/2000/svg" width="100" height="100">)"
    R"(<path d="M50 3 L79 95 L2 38 L98 38 L21 95 Z" fill="#1948cd" fill-rule="evenodd"/></svg>)";

constexpr float kHolesTop = 150.f;

// Holes left by the even-odd rule where no sub-path was given a winding: a ring of two circles turning
// the same way, the hole drawn last and first, and the star.
void DrawHoles(IGraphics& g)
{
  IFillOptions evenOdd;
  evenOdd.mFillRule = kFillEvenOdd;
  g.PathClear();
  g.PathCircle(20.3f, 168.4f, 15.f);
  g.PathCircle(20.3f, 168.4f, 7.5f);
  g.PathFill(kRed, evenOdd);
  g.PathCircle(57.6f, 168.2f, 6.f);
  g.PathCircle(57.6f, 168.2f, 14.f);
  g.PathFill(kInk, evenOdd);
  const ISVG star = g.LoadSVGFromData("scene-star", kStarSvg, 0);
  EXPECT_TRUE(star.IsValid());
  g.DrawSVG(star, IRECT(80.3f, 150.2f, 118.3f, 188.2f));
}

// Every shape, paint, bitmap, layer, shadow, clip and blend of the context.
void DrawShapes(IGraphics& g, const IBitmap& frames)
{
  g.FillRect(IColor(255, 245, 242, 235), g.GetBounds());
  // Lines, rectangles, rounded rectangles.
  g.DrawLine(kInk, 5, 5, 45, 25, nullptr, 1.f);
  g.DrawLine(kRed, 5, 30, 45, 12, nullptr, 3.f);
  g.DrawRect(kBlue, IRECT(50.5f, 5.5f, 80.5f, 25.5f));
  g.FillRoundRect(kGreen, IRECT(85, 5, 125, 28), 6.f);
  g.DrawRoundRect(kInk, IRECT(130, 5, 170, 28), 8.f, nullptr, 2.f);
  g.FillRoundRectCorners(kViolet, IRECT(175, 5, 195, 28), 0.f, 8.f, 2.f, 5.f);
  // Arcs, circles, ellipses.
  g.DrawArc(kBlue, 20, 50, 12, 0, 225, nullptr, 3.f);
  g.FillArc(kRed, 50, 50, 12, 90, 300);
  g.DrawCircle(kInk, 80, 50, 11, nullptr, 1.5f);
  g.FillCircle(kGold, 105, 50, 10);
  g.FillEllipse(kGreen, IRECT(120, 40, 150, 60));
  g.DrawEllipse(kViolet, IRECT(155, 38, 195, 62), nullptr, 2.f);
  // Polygons and triangles.
  float xs[5] = {8, 30, 38, 20, 4}, ys[5] = {70, 68, 85, 95, 86};
  g.FillConvexPolygon(kBlue, xs, ys, 5);
  for (float& x : xs)
    x += 35;
  g.DrawConvexPolygon(kRed, xs, ys, 5, nullptr, 2.f);
  g.FillTriangle(kGold, 80, 95, 95, 68, 110, 95);
  g.DrawTriangle(kInk, 112, 70, 135, 70, 124, 95, nullptr, 1.f);
  // Gradients: linear with three stops, radial, a gradient stroke.
  g.FillRectWithPattern(Linear(140, 195, kGold, kBlue), IRECT(140, 68, 195, 82));
  g.PathClear();
  g.PathCircle(167, 90, 8);
  g.PathFill(Radial(167, 90, 8, IColor(255, 255, 255, 255), kViolet));
  g.PathClear();
  g.PathMoveTo(140, 98);
  g.PathLineTo(195, 98);
  g.PathStroke(Linear(140, 195, kRed, kGreen), 3.f);
  // Dotted shapes, sides a whole number of dash pairs.
  g.DrawDottedLine(kInk, 5, 105.5f, 65, 105.5f, nullptr, 1.f, 3.f);
  g.DrawDottedRect(kBlue, IRECT(5.5f, 110.5f, 45.5f, 140.5f), nullptr, 1.f, 5.f);
  // Bitmaps and their frames.
  g.DrawBitmap(frames, IRECT(52, 112, 64, 124), 0, 0);
  g.DrawBitmapFrame(frames, IRECT(52, 128, 64, 140), 2);
  // Blends: weight, destination-over, xor.
  g.FillRect(kBlue, IRECT(70, 110, 95, 130));
  g.FillRect(kRed, IRECT(80, 118, 105, 140), &kBlend50);
  const IBlend destOver(kBlendDestOver, 1.f), xorBlend(kBlendXOR, 1.f);
  g.FillCircle(kGold, 75, 135, 9, &destOver);
  g.FillRect(kGreen, IRECT(108, 110, 120, 125), &xorBlend);
  g.FillRect(kViolet, IRECT(112, 118, 126, 132), &xorBlend);
  // A clip region cuts a circle.
  g.PathClipRegion(IRECT(130, 108, 160, 128));
  g.FillCircle(kRed, 145, 125, 14);
  g.PathClipRegion();
  // The fast drop shadow under a card.
  g.DrawFastDropShadow(IRECT(166, 108, 190, 128), IRECT(160, 104, 200, 138), 3.f, 4.f, 6.f);
  g.FillRoundRect(IColor(255, 255, 255, 255), IRECT(166, 108, 190, 128), 4.f);
  // A layer with a shadow behind its content.
  g.StartLayer(nullptr, IRECT(128, 130, 158, 148));
  g.FillRoundRect(kGreen, IRECT(130, 131, 148, 142), 3.f);
  ILayerPtr layer = g.EndLayer();
  IDropShadow shadow;
  shadow.mPattern = IPattern(IColor(255, 40, 40, 90));
  shadow.mXOffset = 4.f;
  shadow.mYOffset = 3.f;
  shadow.mOpacity = 0.6f;
  g.ApplyLayerDropShadow(layer, shadow);
  g.DrawLayer(layer);
  DrawHoles(g);
}

// Text in every alignment and at three angles.
void DrawTexts(IGraphics& g)
{
  g.FillRect(IColor(255, 255, 255, 255), g.GetBounds());
  for (int v = 0; v < 3; ++v)
    for (int h = 0; h < 3; ++h)
    {
      const IRECT box(5.f + h * 65.f, 5.f + v * 30.f, 65.f + h * 65.f, 30.f + v * 30.f);
      g.DrawRect(IColor(255, 200, 200, 200), box);
      const IText style(13.f, v == 1 ? kBlue : kInk, "sans", h, v, 0.f, kColorWhite, kColorBlack);
      g.DrawText(style, "Gain dB", box);
    }
  const float angles[3] = {30.f, -90.f, 150.f};
  for (int i = 0; i < 3; ++i)
  {
    const IRECT box(10.f + i * 65.f, 100.f, 60.f + i * 65.f, 145.f);
    const IText style(12.f, kRed, "sans", kAlignCenter, kVAlignMiddle, angles[i], kColorWhite, kColorBlack);
    g.DrawText(style, "Hold 25", box);
  }
}

using SceneFunc = void (*)(IGraphics&, const IBitmap&);

void Shapes(IGraphics& g, const IBitmap& frames)
{
  DrawShapes(g, frames);
}

void Texts(IGraphics& g, const IBitmap&)
{
  DrawTexts(g);
}

RgbaImage DrawVector(SceneFunc scene, float scale, Fault fault)
{
  qorvtest::RecordingDelegate dlg;
  qorvtest::VectorGraphics g(dlg, kWidth, kHeight);
  g.Open(scale);
  EXPECT_TRUE(g.LoadFontFile("sans", kFontPath));
  const IBitmap frames = g.LoadBitmap(FramesPng().c_str(), 2, false, 1);
  EXPECT_TRUE(frames.IsValid());
  g.Begin();
  if (fault == Fault::kNoAntiAlias) vgShapeAntiAlias(g.VG(), 0);
  if (fault == Fault::kAlpha85) vgGlobalAlpha(g.VG(), 0.85f);
  if (fault == Fault::kHalfPixel) g.PathTransformTranslate(0.5f / scale, 0.5f / scale);
  scene(g, frames);
  return g.End();
}

RgbaImage DrawCairo(SceneFunc scene, float scale)
{
  qorvtest::RecordingDelegate dlg;
  qorvtest::CairoGraphics g(dlg, kWidth, kHeight, scale);
  EXPECT_TRUE(g.LoadAPIFont("sans", std::make_unique<qorvtest::FileFont>(kFontPath)));
  StringBuf path;
  const std::string file = FramesPng();
  const IBitmap frames(g.LoadAPIBitmapFromFile(file.c_str(), 1, 1, "png"), 2, false, "frames");
  g.Begin();
  scene(g, frames);
  RgbaImage image = g.End();
  delete frames.GetAPIBitmap();
  return image;
}

// Interior pixels within a few levels, edges within half the range, a small share beyond.
qorvtest::ImageTolerance ShapeTolerance()
{
  qorvtest::ImageTolerance tol;
  tol.interior = 6;
  tol.edge = 64;
  tol.outliers = 0.004;
  return tol;
}

// The rows of a picture from `top` down.
RgbaImage RowsFrom(const RgbaImage& image, int top)
{
  RgbaImage rows{image.width, image.height - top, {}};
  rows.rgba.assign(image.rgba.begin() + ptrdiff_t(top) * image.width * 4, image.rgba.end());
  return rows;
}

testing::AssertionResult ShapesMatch(float scale, Fault fault, const std::string& name)
{
  const RgbaImage ours = DrawVector(Shapes, scale, fault);
  const RgbaImage theirs = DrawCairo(Shapes, scale);
  const std::string diffs = qorvtest::BinaryDir() + "/scene-compare";
  testing::AssertionResult all = qorvtest::ImagesMatch(theirs, ours, ShapeTolerance(), diffs, name);
  if (!all) return all;
  // The holes' row on its own too: in the whole picture their edges are too few to count.
  const int top = int(kHolesTop * scale);
  return qorvtest::ImagesMatch(RowsFrom(theirs, top), RowsFrom(ours, top), ShapeTolerance(), diffs,
                               name + "-holes");
}

// Where the ink of a region lies (its alpha-weighted centre, in device pixels) and how much there is.
struct Ink
{
  double x = 0, y = 0, amount = 0;
};

Ink InkOf(const RgbaImage& image, int l, int t, int r, int b)
{
  Ink ink;
  for (int y = t; y < b; ++y)
    for (int x = l; x < r; ++x)
    {
      // Ink is how far a pixel is from the white page, in its darkest channel.
      const uint8_t* p = image.At(x, y);
      const double a = 255.0 - std::min({p[0], p[1], p[2]});
      ink.x += a * (x + 0.5);
      ink.y += a * (y + 0.5);
      ink.amount += a;
    }
  if (ink.amount > 0) ink.x /= ink.amount, ink.y /= ink.amount;
  return ink;
}

// Each unrotated text's ink within a third of a device pixel of cairo's (rotated ones 0.6) and within 6 %
// of its amount.
testing::AssertionResult TextsMatch(float scale, Fault fault)
{
  const RgbaImage ours = DrawVector(Texts, scale, fault);
  const RgbaImage theirs = DrawCairo(Texts, scale);
  std::vector<IRECT> regions;
  for (int v = 0; v < 3; ++v)
    for (int h = 0; h < 3; ++h)
      regions.emplace_back(6.f + h * 65.f, 6.f + v * 30.f, 64.f + h * 65.f, 29.f + v * 30.f);
  for (int i = 0; i < 3; ++i)
    regions.emplace_back(5.f + i * 65.f, 95.f, 65.f + i * 65.f, 150.f);
  for (size_t i = 0; i < regions.size(); ++i)
  {
    const IRECT& r = regions[i];
    const int l = int(r.L * scale), t = int(r.T * scale), rr = int(r.R * scale), b = int(r.B * scale);
    const Ink a = InkOf(ours, l, t, rr, b), c = InkOf(theirs, l, t, rr, b);
    const double dx = a.x - c.x, dy = a.y - c.y, ratio = a.amount / c.amount;
    // Rotated glyph quads are sampled off the pixel grid: up to half a pixel more.
    const double moved = i < 9 ? 0.34 : 0.6;
    if (std::fabs(dx) > moved || std::fabs(dy) > moved || std::fabs(ratio - 1.0) > 0.06)
      return testing::AssertionFailure() << "text at " << r.L << "," << r.T << ": ink moved by (" << dx
                                         << ", " << dy << ") px, amount x" << ratio;
  }
  return testing::AssertionSuccess();
}

class SceneAgainstCairo : public testing::TestWithParam<float>
{
};
} // namespace

TEST_P(SceneAgainstCairo, ShapesPaintsBitmapsLayersAndBlendsMatch)
{
  const float scale = GetParam();
  const std::string name = "shapes@" + std::to_string(int(scale)) + "x";
  EXPECT_TRUE(ShapesMatch(scale, Fault::kNone, name));
  // A visibly wrong picture fails.
  EXPECT_FALSE(ShapesMatch(scale, Fault::kNoAntiAlias, name + "-noaa"));
  EXPECT_FALSE(ShapesMatch(scale, Fault::kHalfPixel, name + "-shifted"));
  EXPECT_FALSE(ShapesMatch(scale, Fault::kAlpha85, name + "-alpha85"));
}

TEST_P(SceneAgainstCairo, TextIsPlacedAndInkedAsCairoDoes)
{
  const float scale = GetParam();
  EXPECT_TRUE(TextsMatch(scale, Fault::kNone));
  EXPECT_FALSE(TextsMatch(scale, Fault::kHalfPixel));
  EXPECT_FALSE(TextsMatch(scale, Fault::kAlpha85));
}

INSTANTIATE_TEST_SUITE_P(Scales, SceneAgainstCairo, testing::Values(1.f, 2.f),
                         [](const testing::TestParamInfo<float>& info)
                         { return std::to_string(int(info.param)) + "x"; });

// A frame of the scene for people to look at.
TEST(SceneFrame, WritesPNGs)
{
  const std::string dir = qorvtest::BinaryDir() + "/scene-frames";
  std::filesystem::create_directories(dir);
  for (float scale : {1.f, 2.f})
  {
    const std::string suffix = "@" + std::to_string(int(scale)) + "x.png";
    EXPECT_TRUE(qorvtest::WritePng(dir + "/shapes" + suffix, DrawVector(Shapes, scale, Fault::kNone)));
    EXPECT_TRUE(qorvtest::WritePng(dir + "/shapes-cairo" + suffix, DrawCairo(Shapes, scale)));
    EXPECT_TRUE(qorvtest::WritePng(dir + "/text" + suffix, DrawVector(Texts, scale, Fault::kNone)));
    EXPECT_TRUE(qorvtest::WritePng(dir + "/text-cairo" + suffix, DrawCairo(Texts, scale)));
  }
}
