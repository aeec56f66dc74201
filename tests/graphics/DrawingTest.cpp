// The drawing operations of the context as the path calls they hand the back end.
#include "graphics/GraphicsCaches.h"
#include "tests/support/RecordingGraphics.h"

#include <gtest/gtest.h>

#include <functional>

using namespace iplugin;
using namespace iplugin::igraphics;
using qorvtest::RecordingBitmap;
using qorvtest::RecordingDelegate;
using qorvtest::RecordingGraphics;

namespace
{
using Log = std::vector<std::string>;

struct DrawCase
{
  const char* name;
  std::function<void(RecordingGraphics&)> draw;
  Log expected;
};

const IColor kRed = kColorRed;
const IBlend kHalf(kBlendDefault, 0.5f);
float gXs[] = {0, 10, 5};
float gYs[] = {0, 0, 8};

const Log kRect = {"M 1 2", "L 3 2", "L 3 4", "L 1 4", "Z"};
Log With(std::initializer_list<Log> parts)
{
  Log out;
  for (const Log& part : parts)
    out.insert(out.end(), part.begin(), part.end());
  return out;
}

TEST(DrawingTest, EveryShapeIsItsOwnPathEndingInOneStrokeOrFill)
{
  const std::string stroke = "stroke #255,255,0,0 t1";
  const std::string fill = "fill #255,255,0,0";
  const Log roundRect = {"M 0 2", "A 2 2 2 270 360 0", "A 18 2 2 0 90 0", "A 18 8 2 90 180 0", "A 2 8 2 180 270 0", "Z"};
  const Log ellipse = {"xform 1 0 0 1 10 5", "xform 1 0 0 1 10 5", "xform 10 0 0 5 10 5", "M 0 -1", "A 0 0 1 0 360 0",
                       "Z", "xform 1 0 0 1 0 0"};
  const DrawCase cases[] = {
      {"DrawPoint", [](RecordingGraphics& g) { g.DrawPoint(kRed, 1, 2); },
       {"clear", "M 1 2", "L 2 2", "L 2 3", "L 1 3", "Z", fill}},
      {"DrawLine", [](RecordingGraphics& g) { g.DrawLine(kRed, 1, 2, 3, 4, &kHalf, 2); },
       {"clear", "M 1 2", "L 3 4", "stroke #255,255,0,0 t2 b0,0.5"}},
      {"DrawDottedLine", [](RecordingGraphics& g) { g.DrawDottedLine(kRed, 1, 2, 3, 4); },
       {"clear", "M 1 2", "L 3 4", stroke}},
      {"DrawTriangle", [](RecordingGraphics& g) { g.DrawTriangle(kRed, 0, 0, 10, 0, 5, 5); },
       {"clear", "M 0 0", "L 10 0", "L 5 5", "Z", stroke}},
      {"DrawRect", [](RecordingGraphics& g) { g.DrawRect(kRed, IRECT(1, 2, 3, 4)); }, With({{"clear"}, kRect, {stroke}})},
      {"DrawDottedRect", [](RecordingGraphics& g) { g.DrawDottedRect(kRed, IRECT(1, 2, 3, 4)); },
       With({{"clear"}, kRect, {stroke}})},
      {"DrawRoundRect", [](RecordingGraphics& g) { g.DrawRoundRect(kRed, IRECT(0, 0, 20, 10), 2); },
       With({{"clear"}, roundRect, {stroke}})},
      {"DrawRoundRectCorners",
       [](RecordingGraphics& g) { g.DrawRoundRectCorners(kRed, IRECT(0, 0, 20, 10), 1, 2, 3, 4); },
       {"clear", "M 0 1", "A 1 1 1 270 360 0", "A 18 2 2 0 90 0", "A 17 7 3 90 180 0", "A 4 6 4 180 270 0", "Z", stroke}},
      {"DrawRoundRectCorners without radii",
       [](RecordingGraphics& g) { g.DrawRoundRectCorners(kRed, IRECT(1, 2, 3, 4), 0, -1, 0, -2); },
       With({{"clear"}, kRect, {stroke}})},
      {"DrawArc", [](RecordingGraphics& g) { g.DrawArc(kRed, 5, 5, 3, 10, 90); },
       {"clear", "A 5 5 3 10 90 0", stroke}},
      {"DrawCircle", [](RecordingGraphics& g) { g.DrawCircle(kRed, 5, 5, 3); },
       {"clear", "M 5 2", "A 5 5 3 0 360 0", "Z", stroke}},
      {"DrawEllipse", [](RecordingGraphics& g) { g.DrawEllipse(kRed, IRECT(0, 0, 20, 10)); },
       With({{"clear"}, ellipse, {stroke}})},
      {"DrawRotatedEllipse", [](RecordingGraphics& g) { g.DrawRotatedEllipse(kRed, 10, 5, 10, 5, 0); },
       With({{"clear"}, ellipse, {stroke}})},
      {"DrawConvexPolygon", [](RecordingGraphics& g) { g.DrawConvexPolygon(kRed, gXs, gYs, 3); },
       {"clear", "M 0 0", "L 10 0", "L 5 8", "Z", stroke}},
      {"FillTriangle", [](RecordingGraphics& g) { g.FillTriangle(kRed, 0, 0, 10, 0, 5, 5, &kHalf); },
       {"clear", "M 0 0", "L 10 0", "L 5 5", "Z", fill + " b0,0.5"}},
      {"FillRect", [](RecordingGraphics& g) { g.FillRect(kRed, IRECT(1, 2, 3, 4)); }, With({{"clear"}, kRect, {fill}})},
      {"FillRectWithPattern",
       [](RecordingGraphics& g) {
         IPattern pattern(kLinearPattern);
         pattern.AddStop(kColorBlack, 0.f);
         pattern.AddStop(kColorWhite, 1.f);
         g.FillRectWithPattern(pattern, IRECT(1, 2, 3, 4));
       },
       With({{"clear"}, kRect, {"fill linear e1 #255,0,0,0@0 #255,255,255,255@1"}})},
      {"FillRoundRect", [](RecordingGraphics& g) { g.FillRoundRect(kRed, IRECT(0, 0, 20, 10), 2); },
       With({{"clear"}, roundRect, {fill}})},
      {"FillRoundRectCorners", [](RecordingGraphics& g) { g.FillRoundRectCorners(kRed, IRECT(0, 0, 20, 10), 2, 2, 2, 2); },
       With({{"clear"}, roundRect, {fill}})},
      {"FillCircle", [](RecordingGraphics& g) { g.FillCircle(kRed, 5, 5, 3); },
       {"clear", "M 5 2", "A 5 5 3 0 360 0", "Z", fill}},
      {"FillEllipse", [](RecordingGraphics& g) { g.FillEllipse(kRed, IRECT(0, 0, 20, 10)); },
       With({{"clear"}, ellipse, {fill}})},
      {"FillRotatedEllipse", [](RecordingGraphics& g) { g.FillRotatedEllipse(kRed, 10, 5, 10, 5, 0); },
       With({{"clear"}, ellipse, {fill}})},
      {"FillArc", [](RecordingGraphics& g) { g.FillArc(kRed, 5, 5, 3, 0, 90); },
       {"clear", "M 5 5", "A 5 5 3 0 90 0", "Z", fill}},
      {"FillConvexPolygon", [](RecordingGraphics& g) { g.FillConvexPolygon(kRed, gXs, gYs, 3); },
       {"clear", "M 0 0", "L 10 0", "L 5 8", "Z", fill}},
      {"DrawVerticalLine", [](RecordingGraphics& g) { g.DrawVerticalLine(kRed, IRECT(10, 0, 20, 10), 0.55f); },
       {"clear", "M 15 0", "L 15 10", stroke}},
      {"DrawVerticalLine clamped", [](RecordingGraphics& g) { g.DrawVerticalLine(kRed, IRECT(10, 0, 20, 10), 2.f); },
       {"clear", "M 20 0", "L 20 10", stroke}},
      {"DrawHorizontalLine", [](RecordingGraphics& g) { g.DrawHorizontalLine(kRed, IRECT(10, 0, 20, 10), 0.55f); },
       {"clear", "M 10 4.5", "L 20 4.5", stroke}},
      {"DrawVerticalLine span", [](RecordingGraphics& g) { g.DrawVerticalLine(kRed, 3.f, 1.f, 2.f); },
       {"clear", "M 3 1", "L 3 2", stroke}},
      {"DrawHorizontalLine span", [](RecordingGraphics& g) { g.DrawHorizontalLine(kRed, 3.f, 1.f, 2.f); },
       {"clear", "M 1 3", "L 2 3", stroke}},
      {"DrawRadialLine up", [](RecordingGraphics& g) { g.DrawRadialLine(kRed, 10, 10, 0, 2, 5); },
       {"clear", "M 10 8", "L 10 5", stroke}},
      {"DrawRadialLine right", [](RecordingGraphics& g) { g.DrawRadialLine(kRed, 10, 10, 90, 2, 5); },
       {"clear", "M 12 10", "L 15 10", stroke}},
      {"DrawGrid", [](RecordingGraphics& g) { g.DrawGrid(kRed, IRECT(0, 0, 10, 10), 4, 6); },
       {"clear", "M 4 0", "L 4 10", "M 8 0", "L 8 10", "M 0 6", "L 10 6", stroke}},
      {"DrawGrid with small steps", [](RecordingGraphics& g) { g.DrawGrid(kRed, IRECT(0, 0, 10, 10), 1, 0.5f); },
       {"clear", stroke}},
      {"DrawData",
       [](RecordingGraphics& g) {
         float ys[] = {0, 1, 0.5f};
         g.DrawData(kRed, IRECT(0, 0, 10, 10), ys, 3);
       },
       {"clear", "M 0 10", "L 5 0", "L 10 5", stroke}},
      {"DrawData with x values",
       [](RecordingGraphics& g) {
         float ys[] = {0, 1, 0.5f}, xs[] = {0.9f, 0.2f, 0.4f};
         g.DrawData(kRed, IRECT(0, 0, 10, 10), ys, 3, xs);
       },
       {"clear", "M 0 10", "L 2 0", "L 4 5", stroke}},
      {"DrawData of one point",
       [](RecordingGraphics& g) {
         float ys[] = {0.5f};
         g.DrawData(kRed, IRECT(0, 0, 10, 10), ys, 1);
       },
       {"clear", "M 0 5", stroke}},
      {"DrawData of nothing",
       [](RecordingGraphics& g) {
         float ys[] = {0.5f};
         g.DrawData(kRed, IRECT(0, 0, 10, 10), ys, 0);
         g.DrawData(kRed, IRECT(0, 0, 10, 10), ys, -4);
         g.DrawData(kRed, IRECT(0, 0, 10, 10), nullptr, 3);
       },
       {}},
      {"DrawText", [](RecordingGraphics& g) { g.DrawText(kDefaultText, "hi", IRECT(0, 0, 10, 10), &kHalf); },
       {"text hi 0 0 10 10 b0,0.5"}},
      {"DrawText empty",
       [](RecordingGraphics& g) {
         g.DrawText(kDefaultText, "", IRECT(0, 0, 10, 10));
         g.DrawText(kDefaultText, nullptr, IRECT(0, 0, 10, 10));
         g.DrawTextAtPoint(kDefaultText, "", 1, 1);
       },
       {}},
      {"DrawTextAtPoint", [](RecordingGraphics& g) { g.DrawTextAtPoint(kDefaultText, "hi", 3, 4); },
       {"text hi 3 4 3 4"}},
  };
  RecordingDelegate dlg;
  RecordingGraphics& g = dlg.Open();
  for (const DrawCase& c : cases)
  {
    g.TakeLog();
    c.draw(g);
    EXPECT_EQ(g.TakeLog(), c.expected) << c.name;
  }

  IRECT bounds(5, 5, 5, 5);
  EXPECT_EQ(g.MeasureText(kDefaultText, "", bounds), 0.f);
  EXPECT_EQ(g.MeasureText(kDefaultText, nullptr, bounds), 0.f);
  EXPECT_EQ(bounds, IRECT(5, 5, 5, 5));
  EXPECT_EQ(g.MeasureText(kDefaultText, "ab", bounds), 14.f);
  EXPECT_EQ(bounds, IRECT(5, 5, 19, 19));
}

class BitmapDrawTest : public ::testing::Test
{
protected:
  BitmapDrawTest() : g(dlg.Open()) {}
  Log Bitmaps() { return g.TakeLog({"bitmap"}); }

  RecordingDelegate dlg;
  RecordingGraphics& g;
};

TEST_F(BitmapDrawTest, FramesAreClampedAndOffsetByTruncatedFrameSize)
{
  RecordingBitmap strip90(1, 90, 10, 1.f, 1.f, "s90"), strip100(2, 100, 10, 1.f, 1.f, "s100");
  RecordingBitmap stacked(3, 10, 100, 1.f, 1.f, "v");
  const IRECT r(0, 0, 30, 10);
  for (int frame : {0, -2, 1, 3, 7})
    g.DrawBitmapFrame(IBitmap(&strip90, 3, true), r, frame);
  g.DrawBitmapFrame(IBitmap(&strip100, 3, true), r, 3);
  g.DrawBitmapFrame(IBitmap(&stacked, 3, false), r, 2);
  g.DrawBitmapFrame(IBitmap(&strip90, 1, true), r, 3);
  const Log expected{"bitmap s90 0 0 30 10 0 0",  "bitmap s90 0 0 30 10 0 0",  "bitmap s90 0 0 30 10 0 0",
                     "bitmap s90 0 0 30 10 60 0", "bitmap s90 0 0 30 10 60 0", "bitmap s100 0 0 30 10 66 0",
                     "bitmap v 0 0 30 10 0 33",   "bitmap s90 0 0 30 10 0 0"};
  EXPECT_EQ(Bitmaps(), expected);
}

TEST_F(BitmapDrawTest, FittedAndRotatedBitmapsWorkInTheirOwnTransform)
{
  RecordingBitmap api(1, 40, 20, 2.f, 1.f, "b");
  const IBitmap bitmap(&api, 1, false);
  g.DrawFittedBitmap(bitmap, IRECT(10, 10, 50, 30));
  EXPECT_EQ(g.TakeLog({"xform", "bitmap"}),
            (Log{"xform 1 0 0 1 10 10", "xform 2 0 0 2 10 10", "bitmap b 0 0 20 10 0 0", "xform 1 0 0 1 0 0"}));
  g.DrawRotatedBitmap(bitmap, 30, 40, 0.0, &kHalf);
  EXPECT_EQ(Bitmaps(), (Log{"bitmap b -10 -5 10 5 0 0 b0,0.5"}));
  EXPECT_EQ(g.GetTransform(), IMatrix());
}

TEST_F(BitmapDrawTest, HandlesOfNoSizeDrawNothing)
{
  RecordingBitmap empty(1, 0, 10, 1.f, 1.f, "e"), thin(2, 1, 10, 2.f, 1.f, "t");
  RecordingBitmap flat(3, 10, 10, 1.f, 0.f, "f");
  for (const IBitmap& bitmap : {IBitmap(), IBitmap(&empty, 1, false), IBitmap(&thin, 1, false), IBitmap(&flat, 1, false)})
  {
    g.DrawBitmapFrame(bitmap, IRECT(0, 0, 10, 10), 1);
    g.DrawFittedBitmap(bitmap, IRECT(0, 0, 10, 10));
    g.DrawRotatedBitmap(bitmap, 5, 5, 30.0);
    IText text;
    g.DrawBitmapedText(bitmap, IRECT(0, 0, 10, 10), text, nullptr, "abc");
  }
  SVGimage zeroWidth{0.f, 10.f, nullptr}, negative{10.f, -1.f, nullptr};
  for (const ISVG& svg : {ISVG(), ISVG(&zeroWidth), ISVG(&negative)})
  {
    g.DrawSVG(svg, IRECT(0, 0, 10, 10));
    g.DrawRotatedSVG(svg, 5, 5, 10, 10, 45.0);
  }
  EXPECT_TRUE(g.TakeLog().empty());
}

TEST_F(BitmapDrawTest, BitmapFontTextPlacesEveryCharacter)
{
  RecordingBitmap font(1, 96 * 4, 6, 1.f, 1.f, "font");
  const IBitmap bitmap(&font, 96, true);
  IText text;
  text.mAlign = kAlignNear;

  // Width 11 holds two 4-point characters a line: ten characters need five lines.
  g.DrawBitmapedText(bitmap, IRECT(0, 0, 11, 40), text, nullptr, "0123456789", false, true, 4, 6, 0);
  const Log lines = Bitmaps();
  ASSERT_EQ(lines.size(), 10u);
  EXPECT_EQ(lines[0], "bitmap font 0 0 4 6 64 0"); // '0' is frame 17
  EXPECT_EQ(lines[9], "bitmap font 4 24 8 30 100 0");

  // One line: cut at the last whole character; other codes map to the space frame or the last one.
  text.mAlign = kAlignFar;
  g.DrawBitmapedText(bitmap, IRECT(0, 0, 10, 12), text, nullptr, "\x01\xC3~", true, false, 4, 6, 1);
  EXPECT_EQ(Bitmaps(), (Log{"bitmap font -2 3 2 9 0 0", "bitmap font 3 3 7 9 0 0"}));
  g.DrawBitmapedText(IBitmap(&font, 3, true), IRECT(0, 0, 40, 12), text, nullptr, "~", false, false, 4, 6, 0);
  EXPECT_EQ(Bitmaps(), (Log{"bitmap font 36 0 40 6 256 0"}));

  for (int width : {0, -4})
    g.DrawBitmapedText(bitmap, IRECT(0, 0, 11, 40), text, nullptr, "0123", false, true, width, 6, 0);
  g.DrawBitmapedText(bitmap, IRECT(0, 0, 3, 40), text, nullptr, "0123", false, true, 4, 6, 0);
  g.DrawBitmapedText(bitmap, IRECT(0, 0, 3, 40), text, nullptr, "", false, true, 4, 6, 0);
  EXPECT_TRUE(Bitmaps().empty());
}

// A ring (an outer square with a square hole) and a stray path of one point and two loose ones.
struct RingShape
{
  float outer[26] = {0, 0, 0, 0, 20, 0, 20, 0, 20, 0, 20, 10, 20, 10, 20, 10, 0, 10, 0, 10, 0, 10, 0, 0, 0, 0};
  float inner[26] = {5, 2, 5, 2, 15, 2, 15, 2, 15, 2, 15, 8, 15, 8, 15, 8, 5, 8, 5, 8, 5, 8, 5, 2, 5, 2};
  float stray[6] = {1, 1, 2, 2, 3, 3};
  SVGpath strayPath{stray, 3, 0, {}, nullptr};
  SVGpath innerPath{inner, 13, 1, {}, &strayPath};
  SVGpath outerPath{outer, 13, 1, {}, &innerPath};
  SVGshape hidden{};
  SVGshape shape{};
  SVGimage image{20.f, 10.f, &shape};

  RingShape()
  {
    shape.fill.type = SVG_PAINT_COLOR;
    shape.fill.color = 0xff0000ff;
    shape.stroke.type = SVG_PAINT_COLOR;
    shape.stroke.color = 0xffff0000;
    shape.opacity = 0.5f;
    shape.strokeWidth = 2.f;
    shape.miterLimit = 4.f;
    shape.strokeLineCap = SVG_CAP_ROUND;
    shape.strokeLineJoin = SVG_JOIN_BEVEL;
    shape.strokeDashCount = 2;
    shape.fillRule = SVG_FILLRULE_EVENODD;
    shape.flags = SVG_FLAGS_VISIBLE;
    shape.paths = &outerPath;
    shape.next = &hidden;
    hidden.fill.type = SVG_PAINT_COLOR;
    hidden.paths = &outerPath;
  }
};

TEST_F(BitmapDrawTest, SVGShapesBecomeCubicPathsFilledAsDrawnThenStroked)
{
  RingShape ring;
  g.DrawSVG(ISVG(&ring.image), IRECT(10, 10, 50, 30));
  const Log expected{"xform 1 0 0 1 10 10",
                     "xform 2 0 0 2 10 10",
                     "clear",
                     "M 0 0",
                     "C 0 0 20 0 20 0",
                     "C 20 0 20 10 20 10",
                     "C 20 10 0 10 0 10",
                     "C 0 10 0 0 0 0",
                     "Z",
                     "M 5 2",
                     "C 5 2 15 2 15 2",
                     "C 15 2 15 8 15 8",
                     "C 15 8 5 8 5 8",
                     "C 5 8 5 2 5 2",
                     "Z",
                     "M 1 1",
                     "fill #128,255,0,0 evenodd preserve as-drawn",
                     "stroke #128,0,0,255 t2 miter4 cap1 join2 dashes2",
                     "xform 1 0 0 1 0 0"};
  EXPECT_EQ(g.TakeLog(), expected);

  // Rotated: drawn into a box of the given size about the centre.
  g.DrawRotatedSVG(ISVG(&ring.image), 50, 50, 40, 20, 0.0);
  const Log transforms = g.TakeLog({"xform"});
  ASSERT_GE(transforms.size(), 4u);
  EXPECT_EQ(transforms[3], "xform 2 0 0 2 30 40");
}

TEST(SVGPatternTest, PaintsBecomePatterns)
{
  SVGpaint color{};
  color.type = SVG_PAINT_COLOR;
  color.color = 0xff332211;
  const IPattern solid = IGraphics::PatternFromSVGPaint(color, 0.5f);
  EXPECT_EQ(solid.mType, kSolidPattern);
  EXPECT_EQ(solid.GetStop(0).mColor, IColor(128, 0x11, 0x22, 0x33));
  EXPECT_EQ(IGraphics::PatternFromSVGPaint(color, 7.f).GetStop(0).mColor.A, 255);
  EXPECT_EQ(IGraphics::PatternFromSVGPaint(color, -1.f).GetStop(0).mColor.A, 0);
  // The fill or stroke opacity in the colour's alpha counts as well.
  color.color = 0x80332211;
  EXPECT_EQ(IGraphics::PatternFromSVGPaint(color, 0.5f).GetStop(0).mColor.A, 64);

  SVGgradientStop stops[2] = {{0x80ff0000, 0.f}, {0x000000ff, 1.f}};
  SVGgradient gradient{{1, 0, 0, 2, 3, 4}, SVG_SPREAD_REFLECT, 0, 0, 2, stops};
  SVGpaint linear{};
  linear.type = SVG_PAINT_LINEAR_GRADIENT;
  linear.gradient = &gradient;
  const IPattern lin = IGraphics::PatternFromSVGPaint(linear, 1.f);
  EXPECT_EQ(lin.mType, kLinearPattern);
  EXPECT_EQ(lin.mExtend, 2);
  EXPECT_EQ(lin.NStops(), 2);
  EXPECT_EQ(lin.GetStop(0).mColor, IColor(128, 0, 0, 255)); // the stop's opacity
  EXPECT_EQ(IGraphics::PatternFromSVGPaint(linear, 0.5f).GetStop(0).mColor.A, 64);
  EXPECT_EQ(lin.GetStop(1).mOffset, 1.f);
  EXPECT_EQ(lin.mTransform, IMatrix(1, 0, 0, 2, 3, 4));

  gradient.spread = 9;
  linear.type = SVG_PAINT_RADIAL_GRADIENT;
  const IPattern rad = IGraphics::PatternFromSVGPaint(linear, 1.f);
  EXPECT_EQ(rad.mType, kRadialPattern);
  EXPECT_EQ(rad.mExtend, 1);

  SVGpaint none{};
  EXPECT_EQ(IGraphics::PatternFromSVGPaint(none, 0.25f).GetStop(0).mColor, IColor(64, 0, 0, 0));
}
} // namespace
