// The editor's bitmaps as the build leaves them in the product bundle: every one at scales 1 and 2, sized
// to fit its place in the layout, and frame k showing what the control's value k means.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <string>
#include <vector>

#include <QorvPlatform/Bundles.h>

#include "editor/EditorBitmaps.h"
#include "framework/PluginPaths.h"
#include "tests/support/GoldenImage.h"
#include "tests/support/RecordingGraphics.h"
#include "tests/support/TestPaths.h"
#include "tools/bitmaps/ArtGeometry.h"

using namespace iplugin;
using namespace qorvart;

namespace
{
using Picture = qorvtest::RgbaImage; // straight alpha

std::string ResourcesDir()
{
  return qorvtest::BinaryDir() + "/Qorv.component/Contents/Resources";
}

// Decoded once per file.
const Picture& Load(EEditorBitmap id, int scale)
{
  static std::map<std::string, Picture> cache;
  const std::string path = ResourcesDir() + "/" + EditorBitmapFile(kEditorBitmaps[id], scale);
  auto found = cache.find(path);
  if (found != cache.end()) return found->second;
  Picture& p = cache[path];
  qorvtest::ReadPng(path, p);
  return p;
}

// Pixel access in points of one frame: (x, y) is the pixel whose top-left corner is at that point.
struct Frame
{
  const Picture& pic;
  const EditorBitmap& bmp;
  int scale, index;

  Frame(EEditorBitmap id, int scale, int index)
      : pic(Load(id, scale)), bmp(kEditorBitmaps[id]), scale(scale), index(index)
  {
  }
  const unsigned char* At(float x, float y) const
  {
    int px = (int)std::floor(x * scale), py = (int)std::floor(y * scale);
    if (bmp.horizontal)
      px += index * bmp.frameWidth * scale;
    else
      py += index * bmp.frameHeight * scale;
    return &pic.rgba[((size_t)py * pic.width + px) * 4];
  }
  int Luma(float x, float y) const
  {
    const unsigned char* c = At(x, y);
    return (c[0] * 30 + c[1] * 59 + c[2] * 11) / 100 * c[3] / 255;
  }
  int Alpha(float x, float y) const { return At(x, y)[3]; }
  // Every pixel of the frame, for properties over the whole frame.
  template <typename F> void ForEachPixel(F f) const
  {
    for (int y = 0; y < bmp.frameHeight * scale; ++y)
      for (int x = 0; x < bmp.frameWidth * scale; ++x)
        f(At((x + 0.5f) / scale, (y + 0.5f) / scale));
  }
  std::vector<unsigned char> Pixels() const
  {
    std::vector<unsigned char> all;
    ForEachPixel([&](const unsigned char* c) { all.insert(all.end(), c, c + 4); });
    return all;
  }
};

constexpr int kScales[] = {1, 2};

class EveryBitmap : public testing::TestWithParam<int>
{
};

// Each file exists at both scales, with the table's size, frames and orientation, within the renderer's
// limit; the @2x image is the scale-1 picture drawn twice as fine, so halving it gives the scale-1 image
// back (a shifted, blurred or differently coloured @2x image fails).
TEST_P(EveryBitmap, IsDrawnAtBothScalesAndAgreesAcrossThem)
{
  const EEditorBitmap id = (EEditorBitmap)GetParam();
  const EditorBitmap& b = kEditorBitmaps[id];
  for (int scale : kScales)
  {
    const Picture& p = Load(id, scale);
    ASSERT_FALSE(p.rgba.empty()) << EditorBitmapFile(b, scale) << " is missing or unreadable";
    EXPECT_EQ(p.width, b.Width() * scale) << b.name;
    EXPECT_EQ(p.height, b.Height() * scale) << b.name;
    EXPECT_LE(std::max(p.width, p.height), kMaxBitmapSide) << b.name;
  }
  // Both premultiplied (colours under zero alpha do not count) at scale 1, softened over 3 x 3 pixels
  // so that text, which snaps to whole pixels at each scale, may differ by a fraction of a pixel.
  const Picture &one = Load(id, 1), &two = Load(id, 2);
  const int w = one.width, h = one.height;
  std::vector<float> a((size_t)w * h * 4), c((size_t)w * h * 4);
  auto premultiplied = [](const Picture& p, int x, int y, int ch)
  {
    const unsigned char* q = &p.rgba[((size_t)y * p.width + x) * 4];
    return ch == 3 ? (float)q[3] : q[ch] * q[3] / 255.0f;
  };
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      for (int ch = 0; ch < 4; ++ch)
      {
        a[((size_t)y * w + x) * 4 + ch] = premultiplied(one, x, y, ch);
        c[((size_t)y * w + x) * 4 + ch] =
            (premultiplied(two, 2 * x, 2 * y, ch) + premultiplied(two, 2 * x + 1, 2 * y, ch) +
             premultiplied(two, 2 * x, 2 * y + 1, ch) + premultiplied(two, 2 * x + 1, 2 * y + 1, ch)) /
            4;
      }
  auto soft = [&](const std::vector<float>& v, int x, int y, int ch)
  {
    float sum = 0;
    int n = 0;
    for (int dy = -1; dy <= 1; ++dy)
      for (int dx = -1; dx <= 1; ++dx)
        if (x + dx >= 0 && x + dx < w && y + dy >= 0 && y + dy < h)
          sum += v[((size_t)(y + dy) * w + x + dx) * 4 + ch], ++n;
    return sum / n;
  };
  double total = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      for (int ch = 0; ch < 4; ++ch)
        total += std::abs(soft(a, x, y, ch) - soft(c, x, y, ch));
  // Text-heavy selectors stay below 3.5; the @2x picture moved by a quarter point exceeds 4 for the
  // knobs, buttons and icons.
  EXPECT_LT(total / ((double)one.width * one.height * 4), 4.0) << b.name;
}

INSTANTIATE_TEST_SUITE_P(EditorBitmaps, EveryBitmap, testing::Range(0, (int)kNumEditorBitmaps),
                         [](const testing::TestParamInfo<int>& info)
                         {
                           std::string n = kEditorBitmaps[info.param].name;
                           n = n.substr(0, n.rfind('.'));
                           std::replace_if(
                               n.begin(), n.end(), [](char c) { return !std::isalnum((unsigned char)c); },
                               '_');
                           return n;
                         });

struct Placed
{
  std::string what;
  float l, t, r, b;
};

Placed At(const char* what, EEditorBitmap id, float x, float y)
{
  const EditorBitmap& b = kEditorBitmaps[id];
  return {what, x, y, x + b.frameWidth, y + b.frameHeight};
}

// Every control drawn from a bitmap, placed where the layout puts it (eight strips; the other groups lie
// on the same places), with the preset name area and the reset area: none covers another, all lie inside
// the editor. The meter layers share their place by design and are listed once.
TEST(EditorBitmaps, FramesFitTheLayout)
{
  std::vector<Placed> placed = {At("plugin mode", kBitmapPluginMode, 18, 33),
                                At("speech", kBitmapSpeech, 124, 86),
                                At("channel count", kBitmapChannelCount, 802, 182),
                                At("group", kBitmapGroupNumber, 790, 228),
                                At("predelay", kBitmapPreDelay, 115, 33),
                                At("gate", kBitmapKnobLarge, 320, 61),
                                At("mix mode", kBitmapMixMode, 18, 80),
                                At("attenuation", kBitmapKnobLarge, 418, 61),
                                At("attack", kBitmapKnobLarge, 561, 61),
                                At("hold", kBitmapKnobLarge, 660, 61),
                                At("release", kBitmapKnobLarge, 758, 61),
                                At("strength", kBitmapKnobSmall, 221, 61),
                                At("automation", kBitmapAutomation, 796, 126),
                                At("multichannel", kBitmapMultiChannel, 828, 126),
                                At("main volume", kBitmapKnobSmall, 803, 271),
                                At("main left", kBitmapMeterBar, 809, 355),
                                At("main right", kBitmapMeterBar, 828, 355),
                                At("previous", kBitmapPrevious, 351, 14),
                                At("next", kBitmapNext, 373, 14),
                                At("plug-in menu", kBitmapPluginMenu, 195, 14),
                                At("update", kBitmapUpdate, 331, 13),
                                At("resizer", kBitmapResizer, kEditorWidth - 16.0f, kEditorHeight - 16.0f),
                                {"preset name", 395, 14, 577, 36},
                                {"reset area", 216, 16, 328, 36}};
  for (int c = 0; c < 8; ++c)
  {
    const float x0 = 97.0f * c;
    for (Placed p :
         {At("mod", kBitmapMod, x0 + 14, 297), At("mono", kBitmapMono, x0 + 67, 483),
          At("mute", kBitmapMute, x0 + 67, 355), At("solo", kBitmapSolo, x0 + 67, 386),
          At("bypass", kBitmapBypass, x0 + 67, 513), At("pre-gain", kBitmapKnobSmall, x0 + 27, 127),
          At("weight", kBitmapKnobSmall, x0 + 27, 183), At("pan", kBitmapKnobSmall, x0 + 27, 237),
          At("input meter", kBitmapMeterBar, x0 + 23, 355), At("output meter", kBitmapMeterBar, x0 + 42, 355),
          At("priority", kBitmapPriorityLamp, x0 + 64, 300),
          // The group overlay's plate on this strip.
          Placed{"channel number", x0 + 67, 430, x0 + 67 + 28, 430 + 31}})
    {
      p.what += " " + std::to_string(c);
      placed.push_back(p);
    }
    // The inactive overlay covers its own strip and no other.
    const Placed strip = At("strip", kBitmapInactiveOverlay, x0 + 4, 117);
    EXPECT_LE(strip.r, x0 + 97 + 4);
    EXPECT_LE(strip.b, kEditorHeight);
  }
  for (size_t i = 0; i < placed.size(); ++i)
  {
    const Placed& a = placed[i];
    EXPECT_TRUE(a.l >= 0 && a.t >= 0 && a.r <= kEditorWidth && a.b <= kEditorHeight) << a.what;
    for (size_t j = i + 1; j < placed.size(); ++j)
    {
      const Placed& b = placed[j];
      EXPECT_FALSE(a.l < b.r && b.l < a.r && a.t < b.b && b.t < a.b)
          << a.what << " (" << a.l << ", " << a.t << ") overlaps " << b.what << " (" << b.l << ", " << b.t
          << ")";
    }
  }
  // The group overlay's image is the plate of the first strip repeated at the strip pitch.
  EXPECT_EQ(kEditorBitmaps[kBitmapGroupOverlay].frameWidth, 7 * 97 + kEditorBitmaps[kBitmapMute].frameWidth);
  EXPECT_EQ(kEditorBitmaps[kBitmapResizer].frameWidth, kEditorBitmaps[kBitmapResizer].frameHeight);
}

// Degrees (0 up, clockwise) to a point at radius r from the knob's centre.
void Polar(float degrees, float r, float& x, float& y)
{
  const float a = degrees * 3.14159265f / 180.0f;
  x = kKnobCentre + r * std::sin(a);
  y = kKnobCentre - r * std::cos(a);
}

// Frame k points at -135 + 2.7 k degrees: bright along the pointer, dark body around it; the large knob's
// arc is lit from the start up to the pointer and dark after it; the rim is anti-aliased.
TEST(EditorBitmaps, KnobFramePointsAtItsAngle)
{
  for (EEditorBitmap id : {kBitmapKnobLarge, kBitmapKnobSmall})
    for (int scale : kScales)
      for (int k : {0, 1, 10, 25, 50, 75, 90, 99, 100})
      {
        const Frame f(id, scale, k);
        const float deg = KnobDegrees(k, 101);
        SCOPED_TRACE(std::string(f.bmp.name) + " @" + std::to_string(scale) + "x frame " + std::to_string(k));
        float x, y;
        const float mid = (kKnobPointerInner + kKnobPointerOuter) / 2;
        Polar(deg, mid, x, y);
        EXPECT_GT(f.Luma(x, y), 200);
        for (float off : {-60.0f, 60.0f, 180.0f})
        {
          Polar(deg + off, mid, x, y);
          EXPECT_LT(f.Luma(x, y), 110) << "off by " << off;
        }
        if (id == kBitmapKnobLarge)
        {
          if (k >= 10)
          {
            Polar((kKnobStartDegrees + deg) / 2, kKnobArcRadius, x, y);
            const unsigned char* c = f.At(x, y);
            EXPECT_TRUE(c[0] > 200 && c[2] < 100 && c[3] == 255) << "arc before the pointer is not lit";
          }
          if (k <= 90)
          {
            Polar((deg + kKnobStartDegrees + kKnobSweepDegrees) / 2, kKnobArcRadius, x, y);
            EXPECT_LT(f.Luma(x, y), 40) << "arc after the pointer is lit";
          }
        }
        if (id == kBitmapKnobLarge && k == 100)
        {
          // The arc's outer edge is anti-aliased: amber pixels of partial coverage.
          int blended = 0;
          for (int py = 0; py < 40 * scale; ++py)
            for (int px = 0; px < 40 * scale; ++px)
            {
              const float r =
                  std::hypot((px + 0.5f) / scale - kKnobCentre, (py + 0.5f) / scale - kKnobCentre);
              const unsigned char* c = f.At((px + 0.5f) / scale, (py + 0.5f) / scale);
              blended += r > kKnobArcRadius && r < kKnobArcRadius + 3 && c[3] > 0 && c[3] < 255 &&
                         c[0] > 90 && c[0] > 2 * c[2];
            }
          EXPECT_GT(blended, 60 * scale);
        }
      }
}

// Frame k of the bar lights exactly the segments 0 .. k - 1; the peak layer shows segment k - 1 alone;
// the mark layer one line at level k. Outside these the layers are transparent.
TEST(EditorBitmaps, MeterFramesLightTheirSegments)
{
  const float cx = (kMeterSegmentLeft + kMeterSegmentRight) / 2.0f;
  for (int scale : kScales)
    for (int k = 0; k <= kMeterSegments; ++k)
    {
      SCOPED_TRACE("@" + std::to_string(scale) + "x frame " + std::to_string(k));
      const Frame bar(kBitmapMeterBar, scale, k), peak(kBitmapMeterPeak, scale, k),
          mark(kBitmapMeterMark, scale, k);
      for (int i = 0; i < kMeterSegments; ++i)
      {
        const float y = MeterSegmentTop(i) + 1.0f;
        if (i < k)
        {
          EXPECT_GT(bar.Luma(cx, y), 120) << "segment " << i;
        }
        else
        {
          EXPECT_LT(bar.Luma(cx, y), 60) << "segment " << i;
        }
        EXPECT_EQ(peak.Alpha(cx, y), i == k - 1 ? 255 : 0) << "peak, segment " << i;
        // Gap rows stay dark in the bar.
        EXPECT_LT(bar.Luma(cx, y - 1.5f), 40) << "gap above segment " << i;
      }
      int markRows = 0;
      for (int row = 0; row < kMeterHeight * scale; ++row)
      {
        const int a = mark.Alpha(1.0f, (row + 0.5f) / scale);
        if (a == 0) continue;
        ++markRows;
        EXPECT_EQ(a, 255);
        EXPECT_EQ(row / scale, MeterMarkRow(k));
      }
      EXPECT_EQ(markRows, scale);
    }
}

// The lamp brightens with every frame from dark to full, and its glow keeps the lamp's hue at any
// coverage (straight alpha, not premultiplied).
TEST(EditorBitmaps, PriorityLampGoesFromDarkToFull)
{
  for (int scale : kScales)
  {
    int previous = -1;
    for (int k = 0; k <= 100; ++k)
    {
      const Frame f(kBitmapPriorityLamp, scale, k);
      const int l = f.Luma(kLampCentreX, kLampCentreY);
      EXPECT_GE(l, previous) << "frame " << k;
      previous = l;
      EXPECT_TRUE(k != 0 || l < 50) << "frame 0 is not dark";
      EXPECT_TRUE(k != 100 || l > 170) << "frame 100 is not bright";
    }
    // The glow right of the lens and above it.
    for (float dx : {13.5f, 0.0f})
    {
      const unsigned char* c =
          Frame(kBitmapPriorityLamp, scale, 100).At(kLampCentreX + dx, dx ? kLampCentreY : 1.5f);
      EXPECT_TRUE(c[3] > 0 && c[3] < 255) << "no glow";
      EXPECT_GT(c[0], 200) << "glow colour lost its hue";
    }
  }
}

// Two-frame bitmaps: on (or hover) is visibly different, and the buttons' faces light up when on.
TEST(EditorBitmaps, SwitchesAndIconsShowTwoStates)
{
  for (int id = 0; id < kNumEditorBitmaps; ++id)
  {
    if (kEditorBitmaps[id].frames != 2) continue;
    for (int scale : kScales)
    {
      const Frame off((EEditorBitmap)id, scale, 0), on((EEditorBitmap)id, scale, 1);
      const std::vector<unsigned char> a = off.Pixels(), b = on.Pixels();
      int changed = 0;
      for (size_t i = 0; i < a.size(); i += 4)
        changed += std::abs(a[i] - b[i]) + std::abs(a[i + 1] - b[i + 1]) + std::abs(a[i + 2] - b[i + 2]) > 60;
      EXPECT_GT(changed, 8 * scale * scale) << off.bmp.name << " @" << scale << "x";
    }
  }
  for (EEditorBitmap id : {kBitmapMod, kBitmapMono, kBitmapMute, kBitmapSolo, kBitmapBypass,
                           kBitmapAutomation, kBitmapMultiChannel})
    for (int scale : kScales)
    {
      const Frame off(id, scale, 0), on(id, scale, 1);
      // Inside the face, clear of the label.
      EXPECT_GT(on.Luma(1.5f, 3.5f), off.Luma(1.5f, 3.5f) + 60) << off.bmp.name << " @" << scale << "x";
    }
  for (int scale : kScales)
  {
    const unsigned char* led = Frame(kBitmapSpeech, scale, 1).At(10, 9);
    EXPECT_GT(led[1], 200);
    EXPECT_LT(Frame(kBitmapSpeech, scale, 0).At(10, 9)[1], 90);
  }
}

// Selectors show one text a frame: every frame differs from every other and carries light text.
TEST(EditorBitmaps, SelectorFramesShowDistinctTexts)
{
  for (EEditorBitmap id : {kBitmapPluginMode, kBitmapChannelCount, kBitmapGroupNumber, kBitmapPreDelay,
                           kBitmapMixMode, kBitmapGroupOverlay})
    for (int scale : kScales)
    {
      std::set<std::vector<unsigned char>> seen;
      for (int k = 0; k < kEditorBitmaps[id].frames; ++k)
      {
        const Frame f(id, scale, k);
        int light = 0;
        f.ForEachPixel([&](const unsigned char* c) { light += c[3] == 255 && c[0] > 180; });
        EXPECT_GT(light, 4 * scale * scale) << f.bmp.name << " frame " << k << " shows no text";
        if (id == kBitmapGroupOverlay)
        {
          int amber = 0;
          f.ForEachPixel([&](const unsigned char* c) { amber += c[3] == 255 && c[0] > 200 && c[2] < 100; });
          EXPECT_GT(amber, 0) << "channel numbers are not drawn";
        }
        EXPECT_TRUE(seen.insert(f.Pixels()).second) << f.bmp.name << " frame " << k << " repeats another";
      }
    }
}

// The group overlay is transparent between the strips' plates; the inactive overlay a translucent grey
// over the whole strip; the backgrounds opaque.
TEST(EditorBitmaps, OverlaysAndBackgrounds)
{
  for (int scale : kScales)
  {
    for (int k = 0; k < 4; ++k)
      for (int s = 0; s < 7; ++s)
        EXPECT_EQ(Frame(kBitmapGroupOverlay, scale, k).Alpha(97.0f * s + 60, 15), 0);
    const Frame shade(kBitmapInactiveOverlay, scale, 0);
    for (float y : {10.0f, 215.0f, 420.0f})
    {
      const unsigned char* c = shade.At(47, y);
      EXPECT_TRUE(c[3] > 100 && c[3] < 220) << "alpha " << (int)c[3];
      EXPECT_LT(std::max({c[0], c[1], c[2]}) - std::min({c[0], c[1], c[2]}), 12) << "not grey";
    }
    for (EEditorBitmap id : {kBitmapBackground, kBitmapSendBackground})
      Frame(id, scale, 0).ForEachPixel([](const unsigned char* c) { ASSERT_EQ(c[3], 255); });
    EXPECT_NE(Frame(kBitmapBackground, scale, 0).Pixels(), Frame(kBitmapSendBackground, scale, 0).Pixels());
  }
}
// The graphics context of the product's bundle, as the editor's will be.
class BundleGraphics : public qorvtest::RecordingGraphics
{
public:
  explicit BundleGraphics(iplugin::igraphics::IGEditorDelegate& dlg)
      : RecordingGraphics(dlg, kEditorWidth, kEditorHeight)
  {
  }
  const char* GetBundleID() override { return "com.Lumenkraft.audiounit.Qorv"; }
};

// The graphics core finds every bitmap in the bundle by its name, as "name@2x.png" at scale 2, and
// loads it with the table's size in points and its frames.
TEST(EditorBitmaps, GraphicsCoreLoadsEachFromTheBundleAtScalesOneAndTwo)
{
  ASSERT_TRUE(qorvplatform::RegisterBundle((qorvtest::BinaryDir() + "/Qorv.component").c_str()));
  qorvtest::RecordingDelegate dlg;
  BundleGraphics g(dlg);
  for (const EditorBitmap& b : kEditorBitmaps)
    for (int scale : kScales)
    {
      SCOPED_TRACE(EditorBitmapFile(b, scale));
      StringBuf path;
      int source = 0;
      EXPECT_EQ(g.SearchImageResource(b.name, "png", path, scale, source), kAbsolutePath);
      EXPECT_EQ(source, scale);
      const std::string found = path.Get();
      EXPECT_EQ(found.substr(found.rfind('/') + 1), EditorBitmapFile(b, scale));
      const iplugin::igraphics::IBitmap bitmap = g.LoadBitmap(b.name, b.frames, b.horizontal, scale);
      ASSERT_TRUE(bitmap.IsValid());
      EXPECT_EQ(bitmap.W(), b.Width());
      EXPECT_EQ(bitmap.H(), b.Height());
      EXPECT_EQ(bitmap.N(), b.frames);
      EXPECT_EQ(bitmap.FW(), b.frameWidth);
      EXPECT_EQ(bitmap.FH(), b.frameHeight);
      EXPECT_EQ(bitmap.GetScale(), (float)scale);
      EXPECT_EQ(bitmap.GetAPIBitmap()->GetWidth(), b.Width() * scale);
      EXPECT_EQ(bitmap.GetAPIBitmap()->GetHeight(), b.Height() * scale);
    }
}
} // namespace
