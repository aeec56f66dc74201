#include "framework/IParam.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

using namespace iplugin;

namespace
{
std::string Display(const IParam& p, double v, bool withText = true)
{
  StringBuf s;
  p.GetDisplay(v, false, s, withText);
  return s.Get();
}
} // namespace

TEST(IParam, FreshParameterHasTheInitialValues)
{
  IParam p;
  EXPECT_EQ(p.Type(), IParam::kTypeNone);
  EXPECT_EQ(p.Unit(), IParam::kUnitCustom);
  EXPECT_EQ(p.GetMax(), 1.0);
  EXPECT_EQ(p.GetStep(), 1.0);
  EXPECT_STREQ(p.GetName(), "");
  EXPECT_EQ(p.GetDisplayType(), IParam::kDisplayLinear);
}

TEST(IParam, MaxIsRaisedToMinPlusStep)
{
  IParam p;
  p.InitDouble("x", 0, 0, 0, 1);
  EXPECT_EQ(p.GetMax(), 1.0);
  EXPECT_EQ(p.Type(), IParam::kTypeDouble);
}

class DisplayPrecision : public testing::TestWithParam<std::pair<double, int>>
{
};

TEST_P(DisplayPrecision, FollowsTheStep)
{
  IParam p;
  p.InitDouble("x", 0, 0, 100, GetParam().first);
  EXPECT_EQ(p.GetDisplayPrecision(), GetParam().second);
}

INSTANTIATE_TEST_SUITE_P(Steps, DisplayPrecision,
                         testing::Values(std::pair{0.01, 2}, std::pair{0.1, 1}, std::pair{1.0, 0},
                                         std::pair{0.05, 2}, std::pair{0.001, 3}, std::pair{0.00001, 5},
                                         std::pair{0.0000001, 6}, std::pair{0.3, 1}));

TEST(IParam, SteppedDefaultSnapsToTheNearestStep)
{
  IParam a, b;
  a.InitDouble("a", 0.3, 0, 10, 0.5, "", IParam::kFlagStepped);
  b.InitDouble("b", 0.2, 0, 10, 0.5, "", IParam::kFlagStepped);
  EXPECT_EQ(a.Value(), 0.5);
  EXPECT_EQ(b.Value(), 0.0);
}

TEST(IParam, SetKeepsThePreviousValueAndConstrainClamps)
{
  IParam p;
  p.InitDouble("x", 1, 0, 10, 0.1);
  p.Set(4.0);
  p.Set(7.0);
  EXPECT_EQ(p.PreviousValue(), 4.0);
  EXPECT_EQ(p.Value(), 7.0);
  EXPECT_EQ(p.Constrain(-3), 0.0);
  EXPECT_EQ(p.Constrain(12), 10.0);
  EXPECT_EQ(p.Constrain(NAN), 0.0);
  // Not stepped: a value between steps is kept.
  EXPECT_EQ(p.Constrain(1.234), 1.234);
}

TEST(IParam, NormalisedValueIsClampedAndSetThroughTheShape)
{
  IParam p;
  p.InitInt("n", 0, 0, 3);
  p.SetNormalized(0.5);
  EXPECT_EQ(p.Value(), 2.0); // 1.5 rounds away from zero
  p.Set(7);
  EXPECT_EQ(p.GetNormalized(), 1.0);
}

struct ShapeCase
{
  const char* what;
  double min, max;
  int shapeKind; // 0 linear, 1 pow 2, 2 exp
  double normalized;
  double real;
};

class Shapes : public testing::TestWithParam<ShapeCase>
{
};

TEST_P(Shapes, MapBothWays)
{
  const ShapeCase& c = GetParam();
  IParam p;
  if (c.shapeKind == 0)
    p.InitDouble("x", c.min, c.min, c.max, 0.001);
  else if (c.shapeKind == 1)
    p.InitDouble("x", c.min, c.min, c.max, 0.001, "", 0, "", IParam::ShapePowCurve(2.0));
  else
    p.InitDouble("x", c.min, c.min, c.max, 0.001, "", 0, "", IParam::ShapeExp());
  EXPECT_NEAR(p.FromNormalized(c.normalized), c.real, 1e-9 * std::fmax(1, c.real)) << c.what;
  EXPECT_NEAR(p.ToNormalized(c.real), c.normalized, 1e-9) << c.what;
}

INSTANTIATE_TEST_SUITE_P(Table, Shapes,
                         testing::Values(ShapeCase{"linear mid", -10, 10, 0, 0.5, 0.0},
                                         ShapeCase{"linear top", -10, 10, 0, 1.0, 10.0},
                                         ShapeCase{"pow mid", 0, 100, 1, 0.5, 25.0},
                                         ShapeCase{"pow low", 10, 20, 1, 0.0, 10.0},
                                         ShapeCase{"exp low", 20, 20000, 2, 0.0, 20.0},
                                         ShapeCase{"exp high", 20, 20000, 2, 1.0, 20000.0},
                                         ShapeCase{"exp mid", 20, 20000, 2, 0.5, std::sqrt(20.0 * 20000.0)},
                                         ShapeCase{"exp from zero", 0, 1, 2, 0.0, 1e-8}));

TEST(IParam, ShapeDisplayTypes)
{
  const std::pair<double, IParam::EDisplayType> table[] = {
      {3.0, IParam::kDisplayCubeRoot}, {2.0, IParam::kDisplaySquareRoot},
      {0.3, IParam::kDisplayCubed},    {0.5, IParam::kDisplaySquared},
      {1.0, IParam::kDisplayLinear},   {0.6666666666666666, IParam::kDisplayLinear}};
  for (auto [e, type] : table)
    EXPECT_EQ(IParam::ShapePowCurve(e).GetDisplayType(), type) << e;
  EXPECT_EQ(IParam::ShapeExp().GetDisplayType(), IParam::kDisplayLog);
}

TEST(IParam, FreshExpShapeHoldsOnesUntilInit)
{
  IParam::ShapeExp shape;
  EXPECT_EQ(shape.mMul, 1.0);
  EXPECT_EQ(shape.mAdd, 1.0);
}

struct DisplayCase
{
  double step;
  int flags;
  double value;
  const char* expected;
};

class Displays : public testing::TestWithParam<DisplayCase>
{
};

TEST_P(Displays, FormatsTheValue)
{
  const DisplayCase& c = GetParam();
  IParam p;
  p.InitDouble("x", 0, -100, 100, c.step, "", c.flags);
  EXPECT_EQ(Display(p, c.value), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Table, Displays,
                         testing::Values(DisplayCase{0.1, 0, -0.0, "0.0"},
                                         DisplayCase{0.1, IParam::kFlagSignDisplay, -0.0, "0.0"},
                                         DisplayCase{0.1, IParam::kFlagSignDisplay, 2.5, "+2.5"},
                                         DisplayCase{0.1, IParam::kFlagSignDisplay, -2.5, "-2.5"},
                                         DisplayCase{1, 0, 2.5, "3"}, DisplayCase{1, 0, -2.5, "-3"},
                                         DisplayCase{0.01, IParam::kFlagNegateDisplay, 1.25, "-1.25"},
                                         DisplayCase{0.01, IParam::kFlagNegateDisplay, 0.0, "0.00"},
                                         DisplayCase{0.001, 0, 1.0 / 3, "0.333"}));

TEST(IParam, DisplayTextNeedsExactEquality)
{
  IParam p;
  p.InitDouble("x", 0, 0, 10, 0.0000001);
  p.SetDisplayText(1.0, "one");
  EXPECT_EQ(Display(p, 1.0), "one");
  EXPECT_EQ(Display(p, 1.0, false), "1.000000");
  EXPECT_EQ(Display(p, 1.0000001), "1.000000");
}

TEST(IParam, NormalisedDisplayConvertsFirst)
{
  IParam p;
  p.InitEnum("mode", 0, 3, "", 0, "", "Off", "Auto", "Prio");
  StringBuf s;
  p.GetDisplay(0.5, true, s);
  EXPECT_STREQ(s.Get(), "Auto");
  p.Set(2);
  p.GetDisplay(s);
  EXPECT_STREQ(s.Get(), "Prio");
}

TEST(IParam, DisplayFunctionReplacesFormatting)
{
  IParam p;
  p.InitDouble("x", 0, 0, 1, 0.1, "", 0, "", IParam::ShapeLinear(), IParam::kUnitCustom,
               [](double v, StringBuf& out) { out.SetFormatted(32, "<%g>", v); });
  EXPECT_EQ(Display(p, 0.5), "<0.5>");
}

TEST(IParam, DisplayMappingModes)
{
  IParam p;
  p.InitDouble("x", 0, -1, 1, 0.01);
  p.SetDisplayMapping(IParam::kMappingSplitScale, -60, 12, -59.5);
  EXPECT_EQ(Display(p, 0.5), "6.00");
  EXPECT_EQ(Display(p, -0.5), "-30.00");
  EXPECT_EQ(Display(p, -1.0), "-inf ");
  EXPECT_NEAR(p.StringToValue("6"), 0.5, 1e-12);
  EXPECT_NEAR(p.StringToValue("-30"), -0.5, 1e-12);
  p.SetDisplayMapping(IParam::kMappingAffine, 10, 20);
  EXPECT_EQ(Display(p, 0.5), "15.00");
  EXPECT_NEAR(p.StringToValue("15"), 0.5, 1e-12);
  p.SetDisplayMapping(IParam::kMappingSplitScale, 0, 0);
  EXPECT_EQ(p.StringToValue("5"), 0.0);
}

struct ParseCase
{
  const char* text;
  double min, max;
  int flags;
  double expected;
};

class Parsing : public testing::TestWithParam<ParseCase>
{
};

TEST_P(Parsing, TextToValue)
{
  const ParseCase& c = GetParam();
  IParam p;
  p.InitDouble("x", c.min, c.min, c.max, 0.001, "", c.flags);
  EXPECT_DOUBLE_EQ(p.StringToValue(c.text), c.expected) << c.text;
}

INSTANTIATE_TEST_SUITE_P(
    Table, Parsing,
    testing::Values(ParseCase{"1.5k", 0, 20000, 0, 1500}, ParseCase{"2k", 0, 20000, 0, 2000},
                    ParseCase{"1k5", 0, 20000, 0, 1500}, ParseCase{"3K", 0, 20000, 0, 3000},
                    ParseCase{"abc", 5, 10, 0, 5}, ParseCase{"  7.25xyz", 0, 10, 0, 7.25},
                    ParseCase{"99", 0, 10, 0, 10}, ParseCase{"3", -10, 10, IParam::kFlagNegateDisplay, -3}));

TEST(IParam, EnumParsingUsesTheTextsOrGivesZero)
{
  IParam p;
  p.InitEnumList("mode", 1, {"Off", "Auto", "Prio"});
  EXPECT_EQ(p.StringToValue("Prio"), 2.0);
  EXPECT_EQ(p.StringToValue("prio"), 0.0);
  EXPECT_EQ(p.StringToValue("2"), 0.0);
  EXPECT_EQ(p.NDisplayTexts(), 3);
  EXPECT_EQ(p.GetMax(), 2.0);
  EXPECT_TRUE(p.GetStepped());
  double v = -1;
  EXPECT_STREQ(p.GetDisplayTextAtIdx(1, &v), "Auto");
  EXPECT_EQ(v, 1.0);
  EXPECT_EQ(p.GetDisplayTextAtIdx(3), nullptr);
  EXPECT_FALSE(p.MapDisplayText("Nope", &v));
}

TEST(IParam, EnumWithoutTextsAndBoolTexts)
{
  IParam e, b;
  e.InitEnum("e", 0, 4);
  EXPECT_EQ(e.NDisplayTexts(), 0);
  EXPECT_EQ(e.Type(), IParam::kTypeEnum);
  b.InitBool("b", true, "", 0, "", "no", "yes");
  EXPECT_EQ(b.Type(), IParam::kTypeBool);
  EXPECT_EQ(b.Value(), 1.0);
  EXPECT_STREQ(b.GetDisplayText(0.0), "no");
  EXPECT_STREQ(b.GetDisplayText(1.0), "yes");
}

TEST(IParam, TypedInitialisersSetLabelUnitAndShape)
{
  struct Row
  {
    IParam p;
    const char* label;
    IParam::EParamUnit unit;
  } rows[6] = {{{}, "Hz", IParam::kUnitFrequency},    {{}, "Seconds", IParam::kUnitSeconds},
               {{}, "ms", IParam::kUnitMilliseconds}, {{}, "dB", IParam::kUnitDB},
               {{}, "%", IParam::kUnitPercentage},    {{}, "degrees", IParam::kUnitDegrees}};
  rows[0].p.InitFrequency("f", 1000, 20, 20000);
  rows[1].p.InitSeconds("s");
  rows[2].p.InitMilliseconds("m");
  rows[3].p.InitGain("g");
  rows[4].p.InitPercentage("p");
  rows[5].p.InitAngle("a");
  for (auto& r : rows)
  {
    EXPECT_STREQ(r.p.GetLabel(), r.label);
    EXPECT_EQ(r.p.Unit(), r.unit);
    EXPECT_EQ(r.p.Type(), IParam::kTypeDouble);
  }
  EXPECT_EQ(rows[0].p.GetDisplayType(), IParam::kDisplayLog);
  EXPECT_NEAR(rows[0].p.FromNormalized(0.5), std::sqrt(20.0 * 20000.0), 1e-9);
  EXPECT_EQ(rows[2].p.GetStep(), 1.0);
}

TEST(IParam, PitchNamesNotesAndOctaves)
{
  IParam p, c4;
  p.InitPitch("note", 0, 58, 62);
  c4.InitPitch("note", 0, 60, 60, 0, "", true);
  EXPECT_EQ(p.NDisplayTexts(), 5);
  EXPECT_STREQ(p.GetDisplayText(2.0), "C 3");
  EXPECT_STREQ(p.GetDisplayText(0.0), "A#2");
  EXPECT_STREQ(c4.GetDisplayText(0.0), "C 4");
  EXPECT_EQ(p.GetMax(), 4.0);
  IParam low;
  low.InitPitch("low", 0, -1, 0);
  EXPECT_STREQ(low.GetDisplayText(0.0), "B -3");
}

TEST(IParam, InitFromParamReplacesTheFirstMatchAndCopiesTexts)
{
  IParam src, dst, keep;
  src.InitEnum("Mute CH 1 CH", 0, 2, "lbl", 0, "Channel 1", "off", "on");
  dst.InitFromParam(src, "CH", "XX", "Channel 2");
  EXPECT_STREQ(dst.GetName(), "Mute XX 1 CH");
  EXPECT_STREQ(dst.GetGroup(), "Channel 2");
  EXPECT_STREQ(dst.GetLabel(), "lbl");
  EXPECT_EQ(dst.Type(), IParam::kTypeEnum);
  EXPECT_STREQ(dst.GetDisplayText(1.0), "on");
  keep.InitFromParam(src, "absent", "x", "");
  EXPECT_STREQ(keep.GetName(), "Mute CH 1 CH");
  EXPECT_STREQ(keep.GetGroup(), "Channel 1");
}

// Display-text storage follows the count of texts: at least the entries, at most half again plus one
// entry of room (a page per parameter made a session of enum parameters cost tens of megabytes).
TEST(IParam, DisplayTextStorageIsSizedForWhatItHolds)
{
  constexpr int kEntry = 40; // value and 32 characters
  IParam none, two, three, pitch, many;
  none.InitDouble("d", 0, 0, 1, 0.1);
  two.InitBool("b", false);
  three.InitEnumList("e", 0, {"Off", "Auto", "Prio"});
  pitch.InitPitch("note", 0, 0, 127);
  many.InitEnum("m", 0, 34);
  for (int i = 0; i < 34; ++i)
    many.SetDisplayText(i, "Send CH 32");
  EXPECT_EQ(none.DisplayTextBytes(), 0);
  for (const IParam* p : {&two, &three, &pitch, &many})
  {
    const int held = p->NDisplayTexts() * kEntry;
    EXPECT_GE(p->DisplayTextBytes(), held) << p->GetName();
    EXPECT_LE(p->DisplayTextBytes(), held + held / 2 + kEntry) << p->GetName();
  }
}

// Texts longer than a field keep their leading characters and stay terminated.
TEST(IParam, LongTextsAreTruncatedSafely)
{
  const std::string longText(100, 'n');
  IParam p;
  p.InitDouble(longText.c_str(), 0, 0, 1, 0.1, longText.c_str(), 0, longText.c_str());
  p.SetDisplayText(0.5, longText.c_str());
  EXPECT_EQ(std::string(p.GetName()), std::string(31, 'n'));
  EXPECT_EQ(std::string(p.GetLabel()), std::string(31, 'n'));
  EXPECT_EQ(std::string(p.GetGroup()), std::string(31, 'n'));
  EXPECT_EQ(std::string(p.GetDisplayText(0.5)), std::string(31, 'n'));
  EXPECT_TRUE(p.MapDisplayText(std::string(31, 'n').c_str(), nullptr));

  // A cut inside a two-byte character drops the whole character.
  const std::string umlauts = std::string(30, 'a') + "\xc3\xa4\xc3\xa4";
  IParam q;
  q.InitDouble(umlauts.c_str(), 0, 0, 1, 0.1);
  EXPECT_EQ(std::string(q.GetName()), std::string(30, 'a'));
}

TEST(IParam, JsonDescription)
{
  IParam p;
  p.InitBool("On", false);
  StringBuf json;
  p.GetJSON(json, 3);
  EXPECT_STREQ(json.Get(),
               "{\"id\":3, \"name\":\"On\", \"type\":\"bool\", \"min\":0.000000, \"max\":1.000000, "
               "\"default\":0.000000, \"rate\":\"control\"}");
  IParam none;
  StringBuf noType;
  none.GetJSON(noType, 0);
  EXPECT_EQ(std::string(noType.Get()).find("type"), std::string::npos);
}
