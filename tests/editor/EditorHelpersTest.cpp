#include "editor/EditorColors.h"
#include "editor/EditorLayout.h"
#include "editor/MeterScale.h"
#include "editor/ShortenText.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

using namespace iplugin;

namespace
{
bool ValidUtf8(const std::string& s)
{
  for (size_t i = 0; i < s.size();)
  {
    const auto c = static_cast<unsigned char>(s[i]);
    const int len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (len == 0 || i + size_t(len) > s.size()) return false;
    for (int k = 1; k < len; ++k)
      if ((static_cast<unsigned char>(s[i + size_t(k)]) & 0xC0) != 0x80) return false;
    i += size_t(len);
  }
  return true;
}
} // namespace

TEST(ShortenText, KeepsTheRuleForWhichNamesAreShortened)
{
  struct Case
  {
    const char* text;
    int max;
    const char* shown;
  } cases[] = {
      {"Auto Balanced Mixing", 19, "Auto Ba ...  Mixing"},
      {"Prio Mixing", 19, "Prio Mixing"},
      {"abcdefghijklmnopqrs", 19, "abcdefg ... mnopqrs"}, // exactly max: shortened too
      {"abcdefghijklmnopqr", 19, "abcdefghijklmnopqr"},
      {"abcdefghijklmnopqrstuvwxyz", 6, "abcdefghijklmnopqrstuvwxyz"},
      {"abcdefg", 7, "a ... g"},
      {"", 19, ""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ShortenText(c.text, c.max), c.shown) << c.text;
}

TEST(ShortenText, CountsAndCutsByCodePoint)
{
  // 20 code points in 40 bytes: cut by bytes, a character would be split in two.
  const std::string umlauts = "ÄÖÜäöüßÄÖÜäöüßÄÖÜäöü";
  EXPECT_EQ(CountCodePoints(umlauts), 20);
  EXPECT_EQ(ShortenText(umlauts, 19), "ÄÖÜäöüß ... ßÄÖÜäöü");
  // 15 code points in 20 bytes: fewer than 19 characters, so shown whole.
  EXPECT_EQ(ShortenText("Größe Übermäßig", 19), "Größe Übermäßig");

  // Random names of one- to four-byte characters: always valid, always max code points when cut.
  const char* pieces[] = {"a", "Z", " ", "é", "ß", "€", "語", "😀"};
  std::mt19937 rng(21);
  for (int n = 0; n < 500; ++n)
  {
    std::string name;
    const int len = int(rng() % 40);
    for (int i = 0; i < len; ++i)
      name += pieces[rng() % 8];
    const std::string shown = ShortenText(name, 19);
    ASSERT_TRUE(ValidUtf8(shown)) << name;
    EXPECT_EQ(CountCodePoints(shown), len < 19 ? len : 19) << name;
  }
}

TEST(ColorFromHexString, ReadsTheDigitPairsAfterTheFirstCharacter)
{
  struct Case
  {
    const char* text;
    int alpha;
    igraphics::IColor colour;
  } cases[] = {
      {"#13161a", 255, {255, 19, 22, 26}},
      {"#c5c6c7", 255, {255, 197, 198, 199}},
      {"#000000", 128, {128, 0, 0, 0}},
      {"c5c6c7", 255, {255, 5, 198, 199}}, // the first digit is lost
  };
  for (const Case& c : cases)
    EXPECT_EQ(ColorFromHexString(nullptr, c.text, c.alpha), c.colour) << c.text;
}

TEST(MeterScale, MapsMinusSixtyToZeroDecibelsOntoTheSixtyOneFrames)
{
  EXPECT_EQ(MeterDb(0.0), -144.0);
  EXPECT_EQ(MeterDb(-1.0), -144.0);
  EXPECT_NEAR(MeterDb(0.1), -20.0, 1e-12);
  struct Case
  {
    double db, value;
  } cases[] = {{-144.0, 0.0}, {-60.5, 0.0}, {-60.0, 0.0}, {-30.0, 0.5}, {-90.0, 0.0}, {0.0, 1.0}, {6.0, 1.0}};
  for (const Case& c : cases)
    EXPECT_DOUBLE_EQ(MeterValue(c.db), c.value) << c.db;
  EXPECT_EQ(MeterValue(std::nan("")), 0.0);
}

TEST(EditorLayout, CountsAndKeptPositionsMatchTheControlList)
{
  EXPECT_EQ(kNumEditorControls, 576);
  EXPECT_EQ(kFirstStripControl, 60);
  EXPECT_EQ(kFirstTopRowControl, 572);                                                  // the preset menu
  EXPECT_EQ(kNumEditorControls - 1, 575);                                               // the update icon
  EXPECT_EQ(kNumHiddenParamControls + int(&kGlobalControls[18] - kGlobalControls), 56); // main left bar
  EXPECT_EQ(kGlobalControls[18].keep, kIdxMainLeftBar);
  for (int c = 0; c < kEditorChannels; ++c)
  {
    EXPECT_EQ(StripControlIndex(c, 14), 60 + 16 * c + 14);
    EXPECT_EQ(StripControlIndex(c, 15), 60 + 16 * c + 15);
  }
  EXPECT_EQ(kStripControls[14].keep, kStripPriorityLamp);
  EXPECT_EQ(kStripControls[15].keep, kStripInactiveOverlay);

  // Every kept index appears once; the hidden parameters are 0, 1, 305..308, then 273..304.
  int kept[kNumEditorIndices] = {}, strip[kNumStripIndices] = {};
  for (const EditorControlPlace& p : kGlobalControls)
    if (p.keep >= 0) ++kept[p.keep];
  for (const EditorControlPlace& p : kStripControls)
    if (p.keep >= 0) ++strip[p.keep];
  for (int i = kIdxSendBackground; i <= kIdxMainRightPeak; ++i)
    EXPECT_EQ(kept[i], i == kIdxPresetMenu ? 0 : 1) << i; // the preset menu is in the top row
  for (int n : strip)
    EXPECT_EQ(n, 1);
  EXPECT_EQ(HiddenParamControlParam(2), 305);
  EXPECT_EQ(HiddenParamControlParam(5), 308);
  EXPECT_EQ(HiddenParamControlParam(6), 273);
  EXPECT_EQ(HiddenParamControlParam(37), 304);
}

TEST(EditorLayout, EveryControlFitsTheEditorAndStripsRepeatEveryNinetySevenPoints)
{
  auto fits = [](const EditorControlPlace& p, int x0)
  {
    const EditorBitmap& b = kEditorBitmaps[p.bitmap];
    return p.x + x0 >= 0 && p.y >= 0 && p.x + x0 + b.frameWidth <= kEditorWidth &&
           p.y + b.frameHeight <= kEditorHeight;
  };
  for (const EditorControlPlace& p : kGlobalControls)
    EXPECT_TRUE(fits(p, 0)) << kEditorBitmaps[p.bitmap].name;
  for (const EditorControlPlace& p : kStripControls)
    EXPECT_TRUE(fits(p, 7 * kStripWidth)) << kEditorBitmaps[p.bitmap].name;
  // Channel 9 lies on channel 1: pre-gain knob at (124, 127), mute at (164, 355).
  EXPECT_EQ(kStripControls[5].x + (9 % 8) * kStripWidth, 124);
  EXPECT_EQ(kStripControls[5].y, 127);
  EXPECT_EQ(kStripControls[2].x + (9 % 8) * kStripWidth, 164);
  EXPECT_EQ(kStripControls[2].y, 355);
}
