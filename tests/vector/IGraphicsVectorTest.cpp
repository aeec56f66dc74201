// The drawing back end on the software GPU: its frame cycle, paints, text, bitmaps and layers, and the
// failures it must survive (no vector context, refused fonts and framebuffers, undecodable bitmaps,
// degenerate dashes, stops and angles).
#include "tests/support/TestPaths.h"
#include "tests/vector/VectorGraphicsTestContext.h"

#include "graphics/vector/VGtext.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <limits>

using namespace iplugin;
using namespace iplugin::igraphics;
using qorvtest::RgbaImage;
using qorvtest::VectorGraphics;

namespace
{
const char* const kFontPath = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

struct Open
{
  qorvtest::RecordingDelegate dlg;
  VectorGraphics g;
  explicit Open(int w = 100, int h = 100, float screenScale = 1.f) : g(dlg, w, h) { g.Open(screenScale); }
};

IText Style(float size, const char* font, int align, int valign, float angle, IColor color = kColorBlack)
{
  return IText(size, color, font, align, valign, angle, kColorWhite, kColorBlack);
}

const uint8_t* Px(const RgbaImage& image, int x, int y)
{
  return image.At(x, y);
}

// Writes a small PNG whose name ends in ".png" into a fresh folder and answers its path.
std::string WriteFile(const std::string& dir, const std::string& name, const std::string& bytes)
{
  const std::string path = dir + "/" + name;
  std::ofstream(path, std::ios::binary) << bytes;
  return path;
}

std::string PngOf(int w, int h)
{
  RgbaImage image{w, h, std::vector<uint8_t>(size_t(w) * h * 4, 200)};
  const std::string path = qorvtest::ScratchDir("vector-png-source") + "/source.png";
  qorvtest::WritePng(path, image);
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}
} // namespace

// A context that could not be made (the shader library fails to load) leaves every operation harmless: the
// layout still loads fonts and bitmaps and the display timer still begins frames.
TEST(IGraphicsVector, WithoutAContextEveryOperationDoesNothing)
{
  qorvtest::RecordingDelegate dlg;
  VectorGraphics g(dlg, 80, 60);
  QorvMetalSetLibraryFailure(true);
  g.Open();
  QorvMetalSetLibraryFailure(false);
  EXPECT_FALSE(g.IsContextReady());
  EXPECT_EQ(g.GetDrawContext(), nullptr);
  EXPECT_FALSE(g.LoadFontFile("sans", kFontPath));
  const std::string dir = qorvtest::ScratchDir("vector-no-context");
  const std::string png = WriteFile(dir, "a.png", PngOf(4, 4));
  EXPECT_FALSE(g.LoadBitmap(png.c_str(), 1, false, 1).IsValid());
  EXPECT_EQ(g.CreateAPIBitmap(10, 10, 1.f, 1.0, false), nullptr);
  const std::string bytes = PngOf(4, 4);
  EXPECT_EQ(g.LoadAPIBitmapFromData("mem", reinterpret_cast<const uint8_t*>(bytes.data()), int(bytes.size()), 1),
            nullptr);

  g.Begin();
  g.FillRect(kColorRed, IRECT(0, 0, 40, 40));
  g.DrawDottedLine(kColorRed, 0, 0, 50, 50);
  g.DrawDottedRect(kColorRed, IRECT(5, 5, 50, 50));
  g.DrawFastDropShadow(IRECT(5, 5, 40, 40), IRECT(0, 0, 60, 60));
  const IText text = Style(20.f, "sans", kAlignCenter, kVAlignMiddle, 0.f);
  g.DrawText(text, "abc", IRECT(0, 0, 80, 60));
  IRECT measured(10, 10, 50, 30);
  EXPECT_EQ(g.MeasureText(text, "abc", measured), 0.f);
  g.StartLayer(nullptr, IRECT(0, 0, 20, 20));
  ASSERT_EQ(g.NLayers(), 1); // a layer without bitmap, which its end pops
  ILayerPtr layer = g.EndLayer();
  ASSERT_TRUE(layer);
  EXPECT_FALSE(layer->GetAPIBitmap());
  EXPECT_EQ(g.NLayers(), 0);
  g.EndFrame();
  EXPECT_FALSE(g.InFrame());
}

// A hole marked on the last sub-path stays a hole under the non-zero rule, whichever order the
// document gives the squares in.
TEST(IGraphicsVector, AnExplicitHoleSurvivesTheFillRule)
{
  const char* const docs[] = {
      R"(<svg xmlns="http://www.w3.org/2000/svg" width="100" height="100">)"
      R"(<path d="M10 10 H90 V90 H10 Z M30 30 V70 H70 V30 Z" fill="#000"/></svg>)",
      R"(<svg xmlns="http://www.w3.org/2000/svg" width="100" height="100">)"
      R"(<path d="M30 30 V70 H70 V30 Z M10 10 H90 V90 H10 Z" fill="#000"/></svg>)"};
  int i = 0;
  for (const char* doc : docs)
  {
    Open o;
    const ISVG svg = o.g.LoadSVGFromData(("hole" + std::to_string(i++)).c_str(), doc, 0);
    ASSERT_TRUE(svg.IsValid());
    o.g.Begin();
    o.g.DrawSVG(svg, IRECT(0, 0, 100, 100));
    const RgbaImage image = o.g.End();
    EXPECT_EQ(Px(image, 50, 50)[3], 0) << "hole filled in document " << i;
    EXPECT_EQ(Px(image, 20, 50)[3], 255) << "ring missing in document " << i;
  }
  // The same through the path primitives: the inner square last, reversed and marked a hole.
  Open o;
  o.g.Begin();
  o.g.PathRect(IRECT(10, 10, 90, 90));
  o.g.PathMoveTo(30, 30);
  o.g.PathLineTo(30, 70);
  o.g.PathLineTo(70, 70);
  o.g.PathLineTo(70, 30);
  o.g.PathClose();
  o.g.PathSetWinding(true);
  o.g.PathFill(IPattern(kColorBlack), IFillOptions());
  EXPECT_EQ(Px(o.g.End(), 50, 50)[3], 0);
}

// The even-odd rule leaves out what is covered twice; the non-zero rule fills it.
TEST(IGraphicsVector, EvenOddFillsCountCrossings)
{
  for (int rule : {kFillEvenOdd, kFillWinding})
  {
    Open o;
    o.g.Begin();
    o.g.PathRect(IRECT(10, 10, 60, 60));
    o.g.PathRect(IRECT(40, 40, 90, 90));
    IFillOptions options;
    options.mFillRule = rule;
    o.g.PathFill(IPattern(kColorBlack), options);
    // A star drawn in one stroke: its pentagon in the middle is crossed twice.
    const char* star = R"(<svg xmlns="http://www.w3.org/2000/svg" width="100" height="100">)"
                       R"(<path d="M50 5 L79 95 L2 40 L98 40 L21 95 Z" fill="#000" fill-rule="%s"/></svg>)";
    char doc[400];
    std::snprintf(doc, sizeof(doc), star, rule == kFillEvenOdd ? "evenodd" : "nonzero");
    const ISVG svg = o.g.LoadSVGFromData(rule == kFillEvenOdd ? "star-evenodd" : "star-nonzero", doc, 0);
    const RgbaImage squares = o.g.End();
    EXPECT_EQ(Px(squares, 50, 50)[3], rule == kFillEvenOdd ? 0 : 255) << rule;
    EXPECT_EQ(Px(squares, 20, 20)[3], 255) << rule;
    o.g.Begin();
    o.g.DrawSVG(svg, IRECT(0, 0, 100, 100));
    const RgbaImage stars = o.g.End();
    EXPECT_EQ(Px(stars, 50, 55)[3], rule == kFillEvenOdd ? 0 : 255) << rule;
    EXPECT_EQ(Px(stars, 50, 20)[3], 255) << rule;
  }
  // Where nothing overlaps, the rules agree to the pixel, anti-aliased edges included.
  RgbaImage shapes[2];
  for (int rule : {kFillEvenOdd, kFillWinding})
  {
    Open o;
    o.g.Begin();
    const float xs[6] = {10.3f, 90.6f, 90.6f, 50.2f, 30.7f, 10.3f}, ys[6] = {10.4f, 10.4f, 40.8f, 90.1f, 40.8f, 90.1f};
    o.g.PathMoveTo(xs[0], ys[0]);
    for (int i = 1; i < 6; ++i)
      o.g.PathLineTo(xs[i], ys[i]);
    o.g.PathClose();
    IFillOptions options;
    options.mFillRule = rule;
    o.g.PathFill(IPattern(kColorBlack), options);
    shapes[rule] = o.g.End();
  }
  EXPECT_EQ(shapes[kFillEvenOdd].rgba, shapes[kFillWinding].rgba);
}

// An even-odd SVG path of thousands of stacked segments that cross nowhere: the search for crossings
// compares only the segments whose bounds overlap, not every pair, and fills its inside: slivers a 50th of
// a pixel high, in and out by turns, that cover half of each pixel they pass.
TEST(IGraphicsVector, EvenOddZigzagComparesOnlyOverlappingSegments)
{
  constexpr int kSegments = 4000;
  for (int rule : {kFillEvenOdd, kFillWinding})
  {
    std::string d = "M0 0";
    for (int i = 1; i < kSegments - 3; i++)
      d += (i % 2 ? " L100 " : " L2 ") + std::to_string(i * 0.02);
    d += " L1 79.9 L1 0 Z";
    const std::string doc = R"(<svg xmlns="http://www.w3.org/2000/svg" width="100" height="100"><path d=")" +
                            d + R"(" fill="#000" fill-rule=")" +
                            (rule == kFillEvenOdd ? "evenodd" : "nonzero") + R"("/></svg>)";
    Open o;
    const ISVG svg =
        o.g.LoadSVGFromData(rule == kFillEvenOdd ? "zigzag-evenodd" : "zigzag-nonzero", doc.c_str(), 0);
    o.g.Begin();
    o.g.DrawSVG(svg, IRECT(0, 0, 100, 100));
    const auto* vg = static_cast<VGcontext*>(o.g.GetDrawContext());
    ASSERT_NE(vg, nullptr);
    EXPECT_LT(vg->crossingTests, kSegments) << rule; // a frame's count, read before the frame ends
    const RgbaImage picture = o.g.End();
    EXPECT_NEAR(Px(picture, 50, 40)[3], 128, 20) << rule;
    EXPECT_EQ(Px(picture, 50, 90)[3], 0) << rule;
  }
}

// Dashes of no length or no number are drawn solid; dashes too many to draw are capped.
TEST(IGraphicsVector, DegenerateDashesDrawSolidAndHugeCountsAreCapped)
{
  for (float dash : {0.f, -3.f, kNaN, std::numeric_limits<float>::infinity()})
  {
    Open o;
    o.g.Begin();
    o.g.DrawDottedLine(kColorBlack, 10, 20.5f, 90, 20.5f, nullptr, 1.f, dash);
    o.g.DrawDottedRect(kColorBlack, IRECT(10.5f, 40.5f, 90.5f, 90.5f), nullptr, 1.f, dash);
    const RgbaImage image = o.g.End();
    int inked = 0;
    for (int x = 12; x < 88; ++x)
      inked += Px(image, x, 20)[3] > 128 && Px(image, x, 90)[3] > 128;
    if (std::isinf(dash))
      EXPECT_EQ(inked, 0) << "a dash longer than the line leaves only its first move";
    else
      EXPECT_EQ(inked, 76) << "dash " << dash;
  }
  Open o;
  o.g.Begin();
  o.g.DrawDottedLine(kColorBlack, 0, 50, 2000.f, 50, nullptr, 1.f, 1e-3f);
  const int lineTriangles = o.g.VG()->strokeTriCount;
  o.g.DrawDottedRect(kColorBlack, IRECT(0, 0, 2000.f, 2000.f), nullptr, 1.f, 1e-3f);
  // Six triangles a dash: half the segments of the line are dashes, all of each of the rectangle's sides.
  // Uncapped, the vertices would not fit and nothing would be drawn at all.
  EXPECT_GT(lineTriangles, 0);
  EXPECT_GT(o.g.VG()->strokeTriCount, lineTriangles);
  EXPECT_LE(lineTriangles, 4 * VectorGraphics::kMaxDashes);
  EXPECT_LE(o.g.VG()->strokeTriCount - lineTriangles, 4 * 7 * VectorGraphics::kMaxDashes);
  o.g.End();
}

// A font counts as loaded only when the glyph cache took it.
TEST(IGraphicsVector, AFontCountsAsLoadedOnlyWhenTheGlyphCacheTakesIt)
{
  Open a, b;
  EXPECT_TRUE(a.g.LoadFontFile("qorv-sans", kFontPath));
  EXPECT_FALSE(a.g.LoadFontFile("qorv-missing", "/nonexistent.ttf"));
  // The second back end finds the bytes in the shared storage; its glyph cache refuses every font.
  FontAtlas* pAtlas = b.g.VG()->fs;
  b.g.VG()->fs = nullptr;
  EXPECT_FALSE(b.g.LoadFontFile("qorv-sans", kFontPath));
  b.g.VG()->fs = pAtlas;
  EXPECT_TRUE(b.g.LoadFontFile("qorv-sans", kFontPath));
  EXPECT_GE(vgFindFont(b.g.VG(), "qorv-sans"), 0);
}

// Only the first and last stop are used, the last one clamped into the stops there are.
TEST(IGraphicsVector, VectorPaintClampsTheStopCount)
{
  IPattern pattern(kLinearPattern);
  for (int i = 0; i < IPattern::kMaxStops; ++i)
    pattern.mStops[i] = {IColor(255, i * 10, 0, 0), float(i) / 16.f};
  struct Case
  {
    int count;
    int lastStop;
  };
  for (const Case c : {Case{0, 0}, Case{1, 0}, Case{3, 2}, Case{16, 15}, Case{17, 15}, Case{1000, 15}, Case{-5, 0}})
  {
    pattern.mNStops = c.count;
    const VGpaint paint = IGraphicsVector::VectorPaint(pattern, nullptr);
    EXPECT_FLOAT_EQ(paint.outerColor.r, float(c.lastStop * 10) / 255.f) << c.count;
    EXPECT_FLOAT_EQ(paint.outerColor.a, 1.f) << c.count;
  }
}

// A text angle that is not a number draws and measures as angle 0.
TEST(IGraphicsVector, ANonFiniteTextAngleIsZero)
{
  RgbaImage images[2];
  float widths[2];
  for (int i = 0; i < 2; ++i)
  {
    Open o(120, 60);
    ASSERT_TRUE(o.g.LoadFontFile("qorv-sans", kFontPath));
    const IText text = Style(24.f, "qorv-sans", kAlignCenter, kVAlignMiddle, i ? kNaN : 0.f);
    IRECT r(0, 0, 120, 60);
    widths[i] = o.g.MeasureText(text, "Gain", r);
    o.g.Begin();
    o.g.DrawText(text, "Gain", IRECT(0, 0, 120, 60));
    images[i] = o.g.End();
  }
  EXPECT_GT(widths[0], 20.f);
  EXPECT_EQ(widths[1], widths[0]);
  EXPECT_EQ(images[1].rgba, images[0].rgba);
}

// Framebuffers released during a frame wait for its end, and none outlives the context: the view may
// close in the middle of a frame.
TEST(IGraphicsVector, QueuedFramebuffersGoBeforeTheContext)
{
  Open o;
  o.g.Begin();
  delete o.g.CreateAPIBitmap(20, 20, 1.f, 1.0, false);
  o.g.StartLayer(nullptr, IRECT(0, 0, 20, 20)); // left pushed
  o.g.OnViewDestroyed();
  EXPECT_FALSE(o.g.InFrame());
  EXPECT_EQ(o.g.NLayers(), 0);

  // A frame without a main framebuffer (a zero-sized editor) still ends.
  qorvtest::RecordingDelegate dlg;
  VectorGraphics empty(dlg, 0, 0);
  empty.Open();
  empty.Begin();
  delete empty.CreateAPIBitmap(8, 8, 1.f, 1.0, false);
  empty.EndFrame();
  EXPECT_FALSE(empty.InFrame());
}

// A layer of no width gets no framebuffer: no bitmap, and the main framebuffer keeps what was drawn
// outside the dirty rectangles.
TEST(IGraphicsVector, AFramebufferWithoutAnImageIsRefused)
{
  Open o;
  o.g.Begin();
  o.g.FillRect(kColorRed, IRECT(0, 0, 100, 100));
  o.g.End();
  o.g.Begin();
  EXPECT_EQ(o.g.CreateAPIBitmap(0, 10, 1.f, 1.0, false), nullptr);
  EXPECT_EQ(o.g.CreateAPIBitmap(10, 0, 1.f, 1.0, false), nullptr);
  o.g.FillRect(kColorBlue, IRECT(40, 40, 60, 60));
  const RgbaImage image = o.g.End();
  EXPECT_EQ(Px(image, 10, 10)[3], 255);
  EXPECT_GT(Px(image, 10, 10)[0], 200);
  EXPECT_GT(Px(image, 50, 50)[2], 200);
}

// A bitmap that does not decode is not stored or drawn; one found only at another scale is stored once.
TEST(IGraphicsVector, BitmapStorage)
{
  Open o(100, 100, 2.f);
  const std::string dir = qorvtest::ScratchDir("vector-bitmaps");
  const std::string broken = WriteFile(dir, "broken.png", "not a picture");
  EXPECT_FALSE(o.g.LoadBitmap(broken.c_str(), 1, false, 1).IsValid());
  EXPECT_EQ(o.g.NStoredBitmaps(), 0);
  const std::string knob = WriteFile(dir, "knob.png", PngOf(8, 16));
  IBitmap first;
  for (int i = 0; i < 3; ++i)
  {
    const IBitmap bitmap = o.g.LoadBitmap(knob.c_str(), 2, false, 0);
    ASSERT_TRUE(bitmap.IsValid());
    if (i == 0) first = bitmap;
    EXPECT_EQ(bitmap.GetAPIBitmap(), first.GetAPIBitmap());
    EXPECT_EQ(bitmap.W(), 8);
    EXPECT_EQ(bitmap.FH(), 8);
  }
  EXPECT_EQ(o.g.NStoredBitmaps(), 1);
  for (const char* ext : {"png", "PNG", "jpg", "JPEG", "pngx", "a.png"})
    EXPECT_TRUE(o.g.BitmapExtSupported(ext)) << ext;
  for (const char* ext : {"gif", "", "pn", "svg"})
    EXPECT_FALSE(o.g.BitmapExtSupported(ext)) << ext;
  // The same data under the same name is decoded once.
  const std::string bytes = PngOf(4, 4);
  const auto* pData = reinterpret_cast<const uint8_t*>(bytes.data());
  APIBitmap* pMem = o.g.LoadAPIBitmapFromData("mem", pData, int(bytes.size()), 1);
  ASSERT_NE(pMem, nullptr);
  EXPECT_EQ(o.g.LoadAPIBitmapFromData("mem", pData, int(bytes.size()), 1), pMem);
  EXPECT_EQ(o.g.LoadAPIBitmapFromData("junk", pData, 8, 1), nullptr);
  EXPECT_EQ(o.g.NStoredBitmaps(), 2);
  // Through the context at screen scale 2: decoded once, redrawn once, both kept until the view goes.
  const IBitmap scaled = o.g.LoadBitmapFromData("mem2", pData, int(bytes.size()));
  ASSERT_TRUE(scaled.IsValid());
  EXPECT_EQ(scaled.GetScale(), 2.f);
  EXPECT_EQ(scaled.W(), 4);
  EXPECT_EQ(o.g.LoadBitmapFromData("mem2", pData, int(bytes.size())).GetAPIBitmap(), scaled.GetAPIBitmap());
  EXPECT_EQ(o.g.NStoredBitmaps(), 4);
  o.g.Begin();
  o.g.DrawBitmap(scaled, IRECT(10, 10, 14, 14), 0, 0);
  EXPECT_GT(Px(o.g.End(), 24, 24)[3], 150);
}

// A bitmap that is missing or does not decode is named once on standard error, at whichever scale it is
// asked for again; one that loads is not named.
TEST(IGraphicsVector, BitmapsThatCannotBeLoadedAreNamedOnce)
{
  Open o;
  const std::string dir = qorvtest::ScratchDir("vector-unloadable");
  const std::string broken = WriteFile(dir, "broken.png", "not a picture");
  const std::string missing = dir + "/missing.png";
  const std::string fine = WriteFile(dir, "fine.png", PngOf(4, 4));
  testing::internal::CaptureStderr();
  for (int scale : {1, 2, 1})
    for (const std::string& path : {broken, missing, fine})
      EXPECT_EQ(o.g.LoadBitmap(path.c_str(), 1, false, scale).IsValid(), path == fine) << path;
  const char* const why = "\" could not be loaded (missing from the bundle or not readable).\n";
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "The bitmap \"" + broken + why + "The bitmap \"" + missing + why);
}

// Without the foreground only the shadow remains; with it the content stays over the shadow.
TEST(IGraphicsVector, LayerShadows)
{
  for (bool foreground : {false, true})
  {
    Open o;
    o.g.Begin();
    o.g.FillRect(kColorWhite, IRECT(0, 0, 100, 100));
    o.g.StartLayer(nullptr, IRECT(0, 0, 100, 100));
    o.g.FillRect(kColorRed, IRECT(20, 20, 60, 60));
    ILayerPtr layer = o.g.EndLayer();
    ASSERT_TRUE(layer);
    IDropShadow shadow;
    shadow.mPattern = IPattern(kColorBlue);
    shadow.mXOffset = shadow.mYOffset = 20.f;
    shadow.mOpacity = 1.7f;
    shadow.mDrawForeground = foreground;
    o.g.ApplyLayerDropShadow(layer, shadow);
    o.g.DrawLayer(layer);
    const RgbaImage image = o.g.End();
    const uint8_t* content = Px(image, 30, 30);
    const uint8_t* shadowOnly = Px(image, 70, 70);
    EXPECT_GT(shadowOnly[2], 200) << foreground;
    EXPECT_LT(shadowOnly[0], 40) << foreground;
    EXPECT_GT(content[0], 200) << foreground;
    // Cleared content shows the white under the layer; kept content is red.
    if (foreground)
      EXPECT_LT(content[1], 50);
    else
      EXPECT_GT(content[1], 200);
  }
}
