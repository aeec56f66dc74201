#include "controls/IVTrackControlBase.h"

#include <algorithm>
#include <cmath>

namespace iplugin::igraphics
{
// --- IVTrackControlBase -----------------------------------------------------------------------------

IVTrackControlBase::IVTrackControlBase(const IRECT& bounds, const char* label, const IVStyle& style,
                                       std::initializer_list<int> params, int nSteps, EDirection direction,
                                       std::initializer_list<const char*> trackNames)
    : IControl(bounds, params), IVectorBase(style), mDirection(direction), mNSteps(nSteps)
{
  for (const char* name : trackNames)
    mTrackNames.emplace_back(name ? name : "");
  AttachIControl(this, label);
}

void IVTrackControlBase::OnResize()
{
  SetTargetRECT(MakeRects(mRECT, false));
  MakeTrackRects(mWidgetBounds);
  MakeStepRects(mWidgetBounds, mNSteps);
  SetDirty(false);
}

void IVTrackControlBase::MakeTrackRects(const IRECT& bounds)
{
  mTrackBounds.clear();
  const int n = NVals();
  for (int i = 0; i < n; ++i)
  {
    if (mDirection == kHorizontal)
    {
      const float h = bounds.H() / n;
      mTrackBounds.emplace_back(bounds.L, bounds.T + i * h + mTrackPadding, bounds.R,
                                bounds.T + (i + 1) * h - mTrackPadding);
    }
    else
    {
      const float w = bounds.W() / n;
      mTrackBounds.emplace_back(bounds.L + i * w + mTrackPadding, bounds.T,
                                bounds.L + (i + 1) * w - mTrackPadding, bounds.B);
    }
  }
}

void IVTrackControlBase::MakeStepRects(const IRECT& bounds, int nSteps)
{
  mStepBounds.clear();
  if (nSteps == 0) return;
  const int n = nSteps + (mZeroValueStepHasBounds ? 1 : 0);
  for (int i = 0; i < n; ++i)
  {
    if (mDirection == kHorizontal)
      mStepBounds.emplace_back(bounds.L + bounds.W() * i / n, bounds.T, bounds.L + bounds.W() * (i + 1) / n,
                               bounds.B);
    else // from the bottom up, as the values grow
      mStepBounds.emplace_back(bounds.L, bounds.B - bounds.H() * (i + 1) / n, bounds.R,
                               bounds.B - bounds.H() * i / n);
  }
}

int IVTrackControlBase::GetValIdxForPos(float x, float y) const
{
  for (size_t i = 0; i < mTrackBounds.size(); ++i)
    if (mTrackBounds[i].Contains(x, y)) return int(i);
  return -1;
}

void IVTrackControlBase::OnMouseOver(float x, float y, const IMouseMod& mod)
{
  mMouseOverTrack = GetValIdxForPos(x, y);
  IControl::OnMouseOver(x, y, mod);
  SetDirty(false);
}

void IVTrackControlBase::OnMouseOut()
{
  mMouseOverTrack = -1;
  IControl::OnMouseOut();
}

void IVTrackControlBase::DrawWidget(IGraphics& g)
{
  for (int i = 0; i < int(mTrackBounds.size()); ++i)
    DrawTrack(g, mTrackBounds[size_t(i)], i);
}

void IVTrackControlBase::DrawBackground(IGraphics& g, const IRECT& r)
{
  g.FillRect(GetColor(kBG), r, GetBlend());
  if (!(mBaseValue > 0.0)) return;
  const float b = float(std::clamp(mBaseValue, 0.0, 1.0));
  if (mDirection == kHorizontal)
  {
    const float x = r.L + std::trunc(r.W() * b);
    g.DrawLine(GetColor(kSH), x, r.T, x, r.B);
  }
  else
  {
    const float y = r.B - r.H() * b;
    g.DrawLine(GetColor(kSH), r.L, y, r.R, y);
  }
}

void IVTrackControlBase::DrawTrack(IGraphics& g, const IRECT& r, int chIdx)
{
  DrawTrackBackground(g, r, chIdx);
  if (!mTrackNames.empty()) DrawTrackName(g, r, chIdx);

  const float v = float(GetValue(chIdx));
  const float b = float(mBaseValue);
  const bool above = v >= b;
  const bool horizontal = mDirection == kHorizontal;
  const float lo = b > 0.f ? std::min(v, b) : 0.f;
  const float hi = b > 0.f ? std::max(v, b) : v;
  IRECT bar = horizontal ? IRECT(r.L + r.W() * lo, r.T, r.L + r.W() * hi, r.B)
                         : IRECT(r.L, r.B - r.H() * hi, r.R, r.B - r.H() * lo);

  if (!mStepBounds.empty())
  {
    if (v == 0.f && !mZeroValueStepHasBounds) return;
    // The step that holds the bar's moving end, across this track.
    const float endX = horizontal ? (above ? bar.R : bar.L) : r.MW();
    const float endY = horizontal ? r.MH() : (above ? bar.T : bar.B);
    bool found = false;
    for (const IRECT& step : mStepBounds)
    {
      const bool holds = horizontal ? endX >= step.L && endX <= step.R : endY >= step.T && endY <= step.B;
      if (!holds) continue;
      bar = horizontal ? IRECT(step.L, r.T, step.R, r.B) : IRECT(r.L, step.T, r.R, step.B);
      found = true;
      break;
    }
    if (found) DrawTrackHandle(g, bar, chIdx, above);
    return;
  }

  DrawTrackHandle(g, bar, chIdx, above);
  IRECT peak;
  if (horizontal)
    peak =
        above ? IRECT(bar.R - mPeakSize, bar.T, bar.R, bar.B) : IRECT(bar.L, bar.T, bar.L + mPeakSize, bar.B);
  else
    peak =
        above ? IRECT(bar.L, bar.T, bar.R, bar.T + mPeakSize) : IRECT(bar.L, bar.B - mPeakSize, bar.R, bar.B);
  DrawPeak(g, peak, chIdx, above);
}

void IVTrackControlBase::DrawTrackBackground(IGraphics& g, const IRECT& r, int chIdx)
{
  g.FillRect(chIdx == mActiveTrack ? GetColor(kHL) : kColorTransparent, r);
}

void IVTrackControlBase::DrawTrackName(IGraphics& g, const IRECT& r, int chIdx)
{
  const char* name = size_t(chIdx) < mTrackNames.size() ? mTrackNames[size_t(chIdx)].Get() : "";
  g.DrawText(mText, name, r);
}

void IVTrackControlBase::DrawTrackHandle(IGraphics& g, const IRECT& r, int chIdx, bool aboveBaseValue)
{
  g.FillRect(chIdx == mActiveTrack ? GetColor(kX1) : GetColor(kFG), r, GetBlend());
  if (chIdx == mMouseOverTrack) g.FillRect(GetColor(kHL), r, GetBlend());
}

void IVTrackControlBase::DrawPeak(IGraphics& g, const IRECT& r, int chIdx, bool aboveBaseValue)
{
  g.FillRect(GetColor(kFR), r, GetBlend());
}

// --- IVRangeSliderControl ---------------------------------------------------------------------------

IVRangeSliderControl::IVRangeSliderControl(const IRECT& bounds, std::initializer_list<int> params,
                                           const char* label, const IVStyle& style, EDirection direction,
                                           float handleSize, float trackSize)
    : IVTrackControlBase(bounds, label, style, params, 0, direction), mHandleSize(handleSize)
{
  mTrackSize = trackSize;
}

void IVRangeSliderControl::MakeTrackRects(const IRECT& bounds)
{
  mTrackBounds.clear();
  const IRECT r(bounds.L + mHandleSize, bounds.T + mHandleSize, bounds.R - mHandleSize,
                bounds.B - mHandleSize);
  const IRECT track = mDirection == kVertical ? IRECT(r.MW() - mTrackSize, r.T, r.MW() + mTrackSize, r.B)
                                              : IRECT(r.L, r.MH() - mTrackSize, r.R, r.MH() + mTrackSize);
  for (int i = 0; i < NVals(); ++i)
    mTrackBounds.push_back(track);
}

void IVRangeSliderControl::Draw(IGraphics& g)
{
  DrawBackground(g, mRECT);
  DrawLabel(g);
  DrawWidget(g);
}

IRECT IVRangeSliderControl::GetHandleBounds(int i) const
{
  if (mTrackBounds.empty()) return IRECT();
  const IRECT& t = mTrackBounds[0];
  const float v = float(GetValue(i));
  float x = mDirection == kHorizontal ? t.L + t.W() * v : t.MW();
  float y = mDirection == kHorizontal ? t.MH() : t.B - t.H() * v;
  if (mStyle.mDrawShadows && mShape != EVShape::Ellipse)
  {
    if (mDirection == kHorizontal)
      y += mStyle.mShadowOffset * 0.5f;
    else
      x += mStyle.mShadowOffset * 0.5f;
  }
  return IRECT(x - mHandleSize, y - mHandleSize, x + mHandleSize, y + mHandleSize);
}

void IVRangeSliderControl::DrawWidget(IGraphics& g)
{
  if (mTrackBounds.empty()) return;
  const IRECT& t = mTrackBounds[0];
  DrawTrackBackground(g, t, 0);
  for (int i = 0; i + 1 < NVals(); ++i)
  {
    const float a = float(GetValue(i)), b = float(GetValue(i + 1));
    const float lo = std::min(a, b), hi = std::max(a, b);
    const IRECT span = mDirection == kHorizontal ? IRECT(t.L + t.W() * lo, t.T, t.L + t.W() * hi, t.B)
                                                 : IRECT(t.L, t.B - t.H() * hi, t.R, t.B - t.H() * lo);
    g.FillRect(GetColor(kX1), span, GetBlend());
  }
  if (mStyle.mDrawFrame && mDrawTrackFrame) g.DrawRect(GetColor(kFR), t, GetBlend(), mStyle.mFrameThickness);
  for (int i = 0; i < NVals(); ++i)
  {
    const bool even = i % 2 == 0;
    const float angle = mDirection == kHorizontal ? (even ? 0.f : 180.f) : (even ? 90.f : 270.f);
    DrawPressableTriangle(g, GetHandleBounds(i), i == mMouseOverHandle && mMouseDown, i == mMouseOverHandle,
                          angle, IsDisabled());
  }
}

void IVRangeSliderControl::DrawTrack(IGraphics& g, const IRECT& r, int chIdx)
{
  DrawTrackBackground(g, r, chIdx);
}

void IVRangeSliderControl::OnMouseOver(float x, float y, const IMouseMod& mod)
{
  mMouseOverHandle = -1;
  for (int i = 0; i < NVals(); ++i)
    if (GetHandleBounds(i).Contains(x, y))
    {
      mMouseOverHandle = i;
      break;
    }
  IVTrackControlBase::OnMouseOver(x, y, mod);
}

void IVRangeSliderControl::OnMouseOut()
{
  mMouseOverHandle = -1;
  mMouseOverTrack = -1;
  IControl::OnMouseOut();
  SetDirty(false);
}

void IVRangeSliderControl::OnMouseDown(float x, float y, const IMouseMod& mod)
{
  mMouseDown = true;
  OnMouseDrag(x, y, 0.f, 0.f, mod);
}

void IVRangeSliderControl::OnMouseUp(float x, float y, const IMouseMod& mod)
{
  mMouseDown = false;
  SetDirty(false);
}

void IVRangeSliderControl::OnMouseDrag(float x, float y, float dX, float dY, const IMouseMod& mod)
{
  const int i = mMouseOverHandle;
  if (i < 0 || i >= NVals()) return;
  const double lo = i > 0 ? GetValue(i - 1) : 0.0;
  const double hi = i + 1 < NVals() ? GetValue(i + 1) : 1.0;
  ValueFromPointInRect(x, y, mDirection, mWidgetBounds, i, lo, hi);
}
} // namespace iplugin::igraphics
