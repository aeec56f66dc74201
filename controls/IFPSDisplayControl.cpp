#include "controls/IFPSDisplayControl.h"

#include <algorithm>

namespace iplugin::igraphics
{
namespace
{
constexpr int kValueStrLen = 32;

IText DisplayText(float size, const IColor& color, int align, int valign)
{
  return IText(size, color, kDefaultFont, align, valign, 0.f, kDefaultTextEntryBGColor,
               kDefaultTextEntryFGColor);
}
} // namespace

IFPSDisplayControl::IFPSDisplayControl(const IRECT& bounds, int graphType, const char* label)
    : IControl(bounds, -1), IVectorBase(kDefaultStyle), mGraphType(graphType), mLabel(label ? label : "")
{
  const IColor& frame = GetColor(kFR);
  mAPIText = DisplayText(14.f, frame, kAlignNear, kVAlignTop);
  mMainValueText = DisplayText(18.f, frame, kAlignFar, kVAlignTop);
  mSecondValueText = DisplayText(15.f, frame, kAlignFar, kVAlignBottom);
  mText = DisplayText(14.f, frame, kAlignNear, kVAlignBottom);
  SetColor(kBG, kColorWhite);
  AttachIControl(this, label);
}

float IFPSDisplayControl::Average() const
{
  float sum = 0.f;
  for (float s : mFrameTimes)
    sum += s;
  return sum / kNumFrames;
}

void IFPSDisplayControl::Draw(IGraphics& g)
{
  const float average = Average();
  g.FillRect(GetColor(kBG), mRECT);
  g.DrawRect(kColorBlack, mRECT);

  const IRECT area(mRECT.L + 2.f, mRECT.T + 2.f, mRECT.R - 2.f, mRECT.B - 2.f);
  g.PathClear();
  g.PathMoveTo(area.L, area.B);
  const float max = mGraphType == kFPS ? 80.f : mGraphType == kMilliseconds ? 20.f : 100.f;
  for (int i = 0; i < kNumFrames; ++i)
  {
    // The ring's oldest sample follows the latest.
    const float s = mFrameTimes[(mIdx + 1 + i) % kNumFrames];
    float v;
    switch (mGraphType)
    {
    case kFPS:
      v = std::min(1.f / (s + 0.00001f), 80.f);
      break;
    case kMilliseconds:
      v = std::min(s * 1000.f, 20.f);
      break;
    default:
      v = std::min(s, 100.f);
      break;
    }
    g.PathLineTo(area.L + area.W() * i / float(kNumFrames - 1), area.B - (v / max) * area.H());
  }
  g.PathLineTo(mRECT.R, mRECT.B);
  g.PathFill(IPattern(GetColor(kFG)));

  const char* api = g.GetDrawingAPIStr();
  if (api && *api) g.DrawText(mAPIText, api, area);
  if (mLabel.GetLength()) g.DrawText(mText, mLabel.Get(), area);

  StringBuf str;
  switch (mGraphType)
  {
  case kFPS:
    str.SetFormatted(kValueStrLen, "%.2f FPS", 1.f / average);
    g.DrawText(mMainValueText, str.Get(), area);
    str.SetFormatted(kValueStrLen, "%.2f ms", average * 1000.f);
    g.DrawText(mSecondValueText, str.Get(), area);
    break;
  case kMilliseconds:
    str.SetFormatted(kValueStrLen, "%.2f ms", average * 1000.f);
    g.DrawText(mMainValueText, str.Get(), area);
    break;
  default:
    str.SetFormatted(kValueStrLen, "%.1f %%", average);
    g.DrawText(mMainValueText, str.Get(), area);
    break;
  }
}

void IGraphics::ShowFPSDisplay(bool enable)
{
  if (enable)
  {
    if (!mPerfDisplay)
      AttachSpecialControl(mPerfDisplay,
                           new IFPSDisplayControl(IRECT(10.f, 10.f, 210.f, 60.f), 0, "Frame Time"));
    SetAllControlsDirty();
  }
  else
    RemoveFPSDisplay();
}
} // namespace iplugin::igraphics
