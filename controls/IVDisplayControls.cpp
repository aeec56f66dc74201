#include "controls/IVDisplayControls.h"

#include <algorithm>

namespace iplugin::igraphics
{
// --- IVPlotControl ----------------------------------------------------------------------------------

IVPlotControl::IVPlotControl(const IRECT& bounds, std::initializer_list<Plot> plots, int numPoints,
                             const char* label, const IVStyle& style, float min, float max, bool useLayer)
    : IControl(bounds), IVectorBase(style), mPlots(plots), mMin(min), mMax(max), mUseLayer(useLayer),
      mPoints(size_t(std::max(numPoints, 0)), 0.f)
{
  AttachIControl(this, label);
}

void IVPlotControl::AddPlotFunc(const IColor& color, std::function<double(double)> func)
{
  mPlots.push_back({color, std::move(func)});
  if (mLayer) mLayer->Invalidate();
  SetDirty(false);
}

void IVPlotControl::OnResize()
{
  SetTargetRECT(MakeRects(mRECT, false));
  if (mLayer) mLayer->Invalidate();
  SetDirty(false);
}

void IVPlotControl::Draw(IGraphics& g)
{
  DrawBackground(g, mRECT);
  DrawLabel(g);
  if (!mUseLayer)
  {
    DrawPlots(g);
    return;
  }
  if (!g.CheckLayer(mLayer))
  {
    g.StartLayer(this, mRECT);
    DrawPlots(g);
    mLayer = g.EndLayer();
  }
  if (mLayer) g.DrawLayer(mLayer, GetBlend());
}

void IVPlotControl::DrawPlots(IGraphics& g)
{
  const IRECT& w = mWidgetBounds;
  const float cellW = w.W() / mHorizontalDivisions;
  const float cellH = w.H() / (mVerticalDivisions + 2);
  const IRECT area(w.L, w.T + cellH, w.R, w.B - cellH);
  g.DrawGrid(GetColor(kSH), w, cellW, cellH, GetBlend());
  const int n = int(mPoints.size());
  // A flat range would divide by zero: its plots sit on the bottom line.
  const float range = mMax - mMin;
  for (const Plot& plot : mPlots)
  {
    if (!plot.func) continue;
    for (int i = 0; i < n; ++i)
    {
      const double x = n > 1 ? double(i) / (n - 1) : 0.0;
      mPoints[size_t(i)] = range != 0.f ? float((plot.func(x) - mMin) / range) : 0.f;
    }
    g.DrawData(plot.color, area, mPoints.data(), n, nullptr, GetBlend(), mTrackSize);
  }
  if (mStyle.mDrawFrame) g.DrawRect(GetColor(kFR), w, GetBlend(), mStyle.mFrameThickness);
}

// --- IVGroupControl ---------------------------------------------------------------------------------

IVGroupControl::IVGroupControl(const IRECT& bounds, const char* label, const IVStyle& style,
                               float labelOffset)
    : IControl(bounds), IVectorBase(style), mLabelOffset(labelOffset)
{
  mIgnoreMouse = true;
  AttachIControl(this, label);
}

IVGroupControl::IVGroupControl(const char* label, const char* groupName, const IVStyle& style, float marginL,
                               float marginT, float marginR, float marginB)
    : IControl(IRECT()), IVectorBase(style), mGroupName(groupName ? groupName : ""), mMarginL(marginL),
      mMarginT(marginT), mMarginR(marginR), mMarginB(marginB)
{
  mIgnoreMouse = true;
  AttachIControl(this, label);
}

void IVGroupControl::OnInit()
{
  if (mGroupName.GetLength()) SetBoundsBasedOnGroup(mGroupName.Get(), mMarginL, mMarginT, mMarginR, mMarginB);
}

void IVGroupControl::SetBoundsBasedOnGroup(const char* groupName, float marginL, float marginT, float marginR,
                                           float marginB)
{
  mGroupName.Set(groupName ? groupName : "");
  if (!GetUI()) return;
  IRECT united;
  bool first = true;
  GetUI()->ForControlInGroup(mGroupName.Get(),
                             [&](IControl* pControl)
                             {
                               const IRECT& r = pControl->GetRECT();
                               if (first)
                                 united = r;
                               else
                                 united = IRECT(std::min(united.L, r.L), std::min(united.T, r.T),
                                                std::max(united.R, r.R), std::max(united.B, r.B));
                               first = false;
                             });
  if (first) return; // no control carries the name
  const IRECT bounds(united.L - marginL, united.T - marginT, united.R + marginR, united.B + marginB);
  SetTargetAndDrawRECTs(bounds);
}

void IVGroupControl::OnResize()
{
  MakeRects(mRECT, false);
  const float width = mLabelBounds.W() + 2.f * mLabelMargin;
  mLabelBounds.L = mRECT.L + mStyle.mFrameThickness + mLabelOffset;
  mLabelBounds.R = mLabelBounds.L + width;
  mWidgetBounds.T = mLabelBounds.MH();
  SetDirty(false);
}

void IVGroupControl::Draw(IGraphics& g)
{
  DrawLabel(g);
  DrawWidget(g);
}

void IVGroupControl::DrawWidget(IGraphics& g)
{
  const IRECT& w = mWidgetBounds;
  const float r = GetRoundedCornerRadius(w);
  g.PathClear();
  g.PathMoveTo(mLabelBounds.R, w.T);
  g.PathLineTo(w.R - r, w.T);
  g.PathArc(w.R - r, w.T + r, r, 0.f, 90.f);
  g.PathLineTo(w.R, w.B - r);
  g.PathArc(w.R - r, w.B - r, r, 90.f, 180.f);
  g.PathLineTo(w.L + r, w.B);
  g.PathArc(w.L + r, w.B - r, r, 180.f, 270.f);
  g.PathLineTo(w.L, w.T + r);
  g.PathArc(w.L + r, w.T + r, r, 270.f, 360.f);
  g.PathLineTo(mLabelBounds.L, w.T);
  IStrokeOptions options;
  options.mMiterLimit = 10.f;
  g.PathStroke(GetColor(mStyle.mDrawShadows ? kSH : kFR), mStyle.mFrameThickness, options);
}

// --- IVLabelControl ---------------------------------------------------------------------------------

IVLabelControl::IVLabelControl(const IRECT& bounds, const char* str, const IVStyle& style)
    : ITextControl(bounds, str, style.mValueText, kColorTransparent), IVectorBase(style)
{
  mText = style.mValueText;
  AttachIControl(this, "");
}

void IVLabelControl::Draw(IGraphics& g)
{
  DrawBackground(g, mRECT);
  if (mStr.GetLength())
  {
    if (mStyle.mDrawShadows && !IsDisabled())
    {
      IText shadow = mStyle.mValueText;
      shadow.mFGColor = GetColor(kSH);
      g.DrawText(shadow, mStr.Get(), mRECT.GetTranslated(mStyle.mShadowOffset, mStyle.mShadowOffset),
                 GetBlend());
    }
    g.DrawText(mStyle.mValueText, mStr.Get(), mRECT, GetBlend());
  }
  if (mStyle.mDrawFrame) g.DrawRect(GetColor(kFR), mRECT, GetBlend(), mStyle.mFrameThickness);
}
} // namespace iplugin::igraphics
