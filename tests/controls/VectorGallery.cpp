#include "tests/controls/VectorGallery.h"

#include "framework/IParam.h"

#include <cmath>

using namespace iplugin::igraphics;

namespace qorvtest
{
void InitVectorGalleryParams(IGEditorDelegate& dlg)
{
  dlg.GetParam(kVGainParam)->InitDouble("Gain", 30.0, 0.0, 100.0, 1.0, "%");
  dlg.GetParam(kVRangeLoParam)->InitDouble("Low", 0.25, 0.0, 1.0, 0.01);
  dlg.GetParam(kVRangeHiParam)->InitDouble("High", 0.7, 0.0, 1.0, 0.01);
  dlg.GetParam(kVPadXParam)->InitDouble("X", 0.3, 0.0, 1.0, 0.01);
  dlg.GetParam(kVPadYParam)->InitDouble("Y", 0.6, 0.0, 1.0, 0.01);
}

IVStyle ChangedVectorStyle()
{
  IVStyle style;
  style.mHideCursor = false;
  style.mEmboss = true;
  style.mRoundness = 0.5f;
  style.mFrameThickness = 2.f;
  style.mShadowOffset = 4.f;
  style.mWidgetFrac = 0.8f;
  style.mAngle = 90.f;
  style.mColorSpec =
      IVColorSpec{IColor(255, 250, 244, 230), IColor(255, 120, 170, 220), IColor(255, 240, 200, 80),
                  IColor(255, 30, 40, 90),    IColor(60, 255, 255, 255),  IColor(90, 20, 20, 60),
                  IColor(255, 200, 60, 40),   IColor(255, 40, 160, 90),   IColor(255, 120, 60, 160)};
  style.mLabelText = IText(13.f, IColor(255, 120, 30, 30), kDefaultFont, kAlignCenter, kVAlignTop, 0.f,
                           kDefaultTextEntryBGColor, kDefaultTextEntryFGColor);
  style.mValueText = IText(11.f, IColor(255, 30, 40, 90), kDefaultFont, kAlignCenter, kVAlignTop, 0.f,
                           kDefaultTextEntryBGColor, kDefaultTextEntryFGColor);
  return style;
}

namespace
{
class WhiteBackground : public IControl
{
public:
  using IControl::IControl;
  void Draw(IGraphics& g) override { g.FillRect(kColorWhite, mRECT); }
};

void AttachRow(IGraphics& g, const IVStyle& style, float top, const char* group)
{
  const float a = top, b = top + 85.f; // the two lines of the row, 80 high each
  auto attach = [&g](IControl* pControl) { return g.AttachControl(pControl); };

  auto* sw = new IVSwitchControl(
      IRECT(5, a, 65, a + 80), [](IControl*) {}, "Switch", style, 2, true);
  sw->SetValue(1.0);
  attach(sw);
  attach(new IVToggleControl(
      IRECT(70, a, 135, a + 80), [](IControl*) {}, "Toggle", style, "Off", "On", true));
  attach(new IVSlideSwitchControl(
      IRECT(140, a, 215, a + 80), [](IControl*) {}, "Slide", style, true, kHorizontal, 3, 1));
  auto* tabs = new IVTabSwitchControl(
      IRECT(220, a, 330, a + 80), [](IControl*) {}, {"A", "B", "C"}, "Tabs", style, EVShape::TopRounded,
      kHorizontal);
  tabs->SetValue(0.5);
  attach(tabs);
  auto* radio = new IVRadioButtonControl(
      IRECT(335, a, 405, a + 80), [](IControl*) {}, {"One", "Two", "Three"}, "Radio", style, EVShape::Ellipse,
      kVertical, 9.f);
  radio->SetValue(1.0);
  attach(radio);
  attach(new IVKnobControl(IRECT(410, a, 475, a + 80), kVGainParam, "Knob", style, true));
  attach(new IVButtonControl(IRECT(480, a, 555, a + 40), IControl::StartSplashClickAnimation, "Button", style,
                             true, true, EVShape::AllRounded));
  attach(new IVButtonControl(IRECT(480, a + 42, 555, a + 80), IControl::StartSplashClickAnimation, "Tri",
                             style, false, true, EVShape::Triangle));

  attach(new IVRangeSliderControl(IRECT(5, b, 95, b + 80), {kVRangeLoParam, kVRangeHiParam}, "Range", style,
                                  kHorizontal, 7.f, 2.f));
  attach(new IVXYPadControl(IRECT(100, b, 175, b + 80), {kVPadXParam, kVPadYParam}, "Pad", style, 6.f));
  attach(
      new IVPlotControl(IRECT(180, b, 280, b + 80),
                        {{style.mColorSpec.GetColor(kX1), [](double x) { return std::sin(x * 6.2831853); }},
                         {style.mColorSpec.GetColor(kX3), [](double x) { return 2.0 * x - 1.0; }}},
                        32, "Plot", style, -1.f, 1.f));
  attach(new IVColorSwatchControl(IRECT(285, b, 375, b + 80), "Swatch", nullptr, style,
                                  IVColorSwatchControl::kGrid, {kFG, kPR, kFR, kX1, kX2, kX3}));
  attach(
      new IVSliderControl(IRECT(480, b, 515, b + 80), kVGainParam, "V", style, false, kVertical, 1.0, 6.f));
  attach(new IVSliderControl(IRECT(515, b + 20, 555, b + 60), kVRangeHiParam, "", style, false, kHorizontal,
                             1.0, 5.f, 3.f, true));
  auto* label = new IVLabelControl(IRECT(385, b + 22, 470, b + 52), "Label", style);
  g.AttachControl(label, -1, group);
  attach(new IVGroupControl("Group", group, style, 5.f, 22.f, 5.f, 5.f));
}
} // namespace

void AttachVectorGallery(IGraphics& g, const char* fontPath)
{
  if (fontPath && *fontPath) g.LoadFont(kDefaultFont, fontPath);
  g.AttachControl(new WhiteBackground(g.GetBounds()));
  AttachRow(g, kDefaultStyle, 5.f, "default");
  AttachRow(g, ChangedVectorStyle(), 185.f, "changed");
  // Frame times of a made-up run: steady near 60 frames per second with every seventh frame late.
  for (int kind : {IFPSDisplayControl::kFPS, IFPSDisplayControl::kMilliseconds})
  {
    auto* display = new IFPSDisplayControl(IRECT(10.f + kind * 240.f, 365, 230.f + kind * 240.f, 415), kind,
                                           "Frame Time");
    for (int i = 0; i < IFPSDisplayControl::kNumFrames; ++i)
      display->AddFrameTime(i % 7 == 0 ? 0.025f : 0.0167f + 0.0002f * float(i % 5));
    g.AttachControl(display);
  }
}
} // namespace qorvtest
