// Rectangles, matrices, colours, patterns and the default constants.
#include "graphics/IGraphicsConstants.h"
#include "graphics/interface/IKeyPress.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

using namespace iplugin;
using namespace iplugin::igraphics;

namespace
{
struct IntersectCase
{
  IRECT a, b, expected;
};

TEST(IRECTTest, IntersectionComparesRightAndBottomEdgesInclusively)
{
  const IntersectCase cases[] = {
      {{0, 0, 10, 10}, {10, 0, 20, 10}, {10, 0, 10, 10}}, // touching right edge: degenerate
      {{0, 0, 10, 10}, {-5, 0, 0, 10}, {}},              // left edge strict: empty
      {{-5, 0, 0, 10}, {0, 0, 10, 10}, {0, 0, 0, 10}},   // not symmetric
      {{0, 0, 10, 10}, {2, 3, 4, 5}, {2, 3, 4, 5}},
      {{0, 0, 10, 10}, {}, {}},
      {{0, 0, 10, 10}, {20, 20, 30, 30}, {}},
  };
  for (const IntersectCase& c : cases)
    EXPECT_EQ(c.a.Intersect(c.b), c.expected) << c.a.L << "," << c.b.L;
}

TEST(IRECTTest, EmptinessAlignmentPaddingAndContainment)
{
  EXPECT_FALSE(IRECT(0, 0, 0, 5).Empty());
  EXPECT_TRUE(IRECT().Empty());
  EXPECT_EQ(IRECT(0.3f, 0.3f, 10.2f, 10.2f).PixelAligned(2.f), IRECT(0, 0, 10.5f, 10.5f));
  EXPECT_EQ(IRECT(1, 2, 3, 4).GetPadded(0.75f), IRECT(0.25f, 1.25f, 3.75f, 4.75f));
  const IRECT r(10, 20, 30, 40);
  EXPECT_TRUE(r.Contains(10, 20));
  EXPECT_FALSE(r.Contains(30, 25)); // right edge excluded
  EXPECT_FALSE(r.Contains(15, 40)); // bottom edge excluded
  EXPECT_FALSE(IRECT().Contains(0, 0));
  EXPECT_TRUE(r.Contains(IRECT(10, 20, 30, 40)));
  EXPECT_FALSE(r.Contains(IRECT()));
  EXPECT_EQ(r.W(), 20.f);
  EXPECT_EQ(r.MH(), 30.f);
  EXPECT_EQ(r.GetScaled(2.f), IRECT(20, 40, 60, 80));
  EXPECT_EQ(r.GetTranslated(-10, 5), IRECT(0, 25, 20, 45));
}

// A random point through the composed matrix lands where applying each step by hand puts it; the
// operations post-multiply, so the last one added applies first.
TEST(IMatrixTest, OperationsComposeAsPostMultiplication)
{
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> u(-3.0, 3.0);
  for (int trial = 0; trial < 100; ++trial)
  {
    const double tx = u(rng), ty = u(rng), sx = u(rng), sy = u(rng), deg = u(rng) * 60.0;
    const double kx = u(rng) * 10.0, ky = u(rng) * 10.0;
    IMatrix m;
    m.Translate(tx, ty).Rotate(deg).Scale(sx, sy).Skew(kx, ky);
    double x = u(rng), y = u(rng);
    const double x0 = x, y0 = y;
    m.TransformPoint(x, y);

    // By hand: skew, then scale, then rotate, then translate.
    const double rad = 3.14159265358979323846 / 180.0;
    double px = x0 + std::tan(kx * rad) * y0, py = y0 + std::tan(ky * rad) * x0;
    px *= sx;
    py *= sy;
    const double c = std::cos(deg * rad), s = std::sin(deg * rad);
    const double rx = c * px - s * py, ry = s * px + c * py;
    EXPECT_NEAR(x, rx + tx, 1e-9);
    EXPECT_NEAR(y, ry + ty, 1e-9);

    IMatrix viaTransform;
    viaTransform.Transform(m);
    EXPECT_EQ(viaTransform, m);
  }
}

TEST(IColorTest, SolidPatternAndConstants)
{
  const IPattern p(IColor(200, 1, 2, 3));
  EXPECT_EQ(p.mType, kSolidPattern);
  EXPECT_EQ(p.mExtend, kExtendPad);
  EXPECT_EQ(p.NStops(), 1);
  EXPECT_EQ(p.GetStop(0).mColor, IColor(200, 1, 2, 3));
  EXPECT_EQ(p.GetStop(15).mColor, kColorBlack);
  EXPECT_EQ(p.mTransform, IMatrix());
  IPattern full(kLinearPattern);
  for (int i = 0; i < 16; ++i)
    EXPECT_TRUE(full.AddStop(kColorRed, i / 16.f));
  EXPECT_FALSE(full.AddStop(kColorRed, 1.f));

  EXPECT_EQ(IColor(), kColorBlack);
  EXPECT_EQ(kColorOrange, IColor(255, 255, 127, 0));
  EXPECT_EQ(kBlendDstIn.mMethod, kBlendDestIn);
  EXPECT_STREQ(kDefaultLabelText.mFont, "Roboto-Regular");
  EXPECT_EQ(kDefaultLabelText.mSize, 19.f);
  EXPECT_EQ(kDefaultValueText.mVAlign, kVAlignBottom);
  EXPECT_EQ(kDefaultText.mTextEntryBGColor, kColorWhite);
  EXPECT_FLOAT_EQ(kAmpMinus90dB, std::pow(10.f, -90.f / 20.f));
  EXPECT_EQ(kDefaultStyle.mColorSpec.GetColor(8), kColorBlue);
  EXPECT_TRUE(kDefaultStyle.mHideCursor);
  EXPECT_FALSE(kDefaultStyle.mEmboss);
}

TEST(IColorTest, ColorSpecTakesAtMostNineColours)
{
  const IVColorSpec three{kColorRed, kColorGreen, kColorBlue};
  EXPECT_EQ(three.GetColor(2), kColorBlue);
  for (int i = 3; i < 9; ++i)
    EXPECT_EQ(three.GetColor(i), kDefaultColorSpec.GetColor(i)) << i;
  // Eleven colours: the first nine are taken and nothing past the array is written.
  const IVColorSpec eleven{kColorRed, kColorRed, kColorRed, kColorRed, kColorRed, kColorRed,
                           kColorRed, kColorRed, kColorYellow, kColorGreen, kColorGreen};
  EXPECT_EQ(eleven.GetColor(8), kColorYellow);
}

TEST(ITextTest, LongFontNamesAreCutTo63Bytes)
{
  const std::string longName(100, 'f');
  IText text(12.f, kColorBlack, longName.c_str(), kAlignNear, kVAlignTop, 0.f, kColorWhite, kColorBlack);
  EXPECT_EQ(std::string(text.mFont), longName.substr(0, 63));
  text.SetFont(nullptr);
  EXPECT_STREQ(text.mFont, "");
}

TEST(IKeyPressTest, KeepsFourBytesOfText)
{
  const IKeyPress emoji("\xF0\x9F\x8E\xB9", 0);
  EXPECT_STREQ(emoji.utf8, "\xF0\x9F\x8E\xB9");
  const IKeyPress longer("abcdefgh", 0x41, true);
  EXPECT_STREQ(longer.utf8, "abcd");
  EXPECT_TRUE(longer.S);
}
} // namespace
