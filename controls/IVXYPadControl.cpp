#include "controls/IVXYPadControl.h"

#include <algorithm>

namespace iplugin::igraphics
{
IVXYPadControl::IVXYPadControl(const IRECT& bounds, std::initializer_list<int> params, const char* label,
                               const IVStyle& style, float handleRadius)
    : IControl(bounds, params), IVectorBase(style), mHandleRadius(handleRadius)
{
  mShape = EVShape::Ellipse;
  AttachIControl(this, label);
}

void IVXYPadControl::OnResize()
{
  SetTargetRECT(MakeRects(mRECT, false));
  SetDirty(false);
}

void IVXYPadControl::Draw(IGraphics& g)
{
  DrawBackground(g, mRECT);
  DrawLabel(g);
  if (mStyle.mDrawFrame) g.DrawRect(GetColor(kFR), mWidgetBounds, GetBlend(), mStyle.mFrameThickness);
  DrawWidget(g);
}

void IVXYPadControl::DrawWidget(IGraphics& g)
{
  DrawTrack(g);
  const float r = mTrackClipsHandle ? 0.f : mHandleRadius;
  const IRECT area(mWidgetBounds.L + r, mWidgetBounds.T + r, mWidgetBounds.R - r, mWidgetBounds.B - r);
  const float x = area.L + area.W() * float(GetValue(0));
  const float y = area.B - area.H() * float(GetValue(1));
  DrawHandle(g, IRECT(x - mHandleRadius, y - mHandleRadius, x + mHandleRadius, y + mHandleRadius));
}

void IVXYPadControl::DrawTrack(IGraphics& g)
{
  const IRECT& w = mWidgetBounds;
  g.DrawLine(GetColor(kSH), w.MW(), w.T, w.MW(), w.B);
  g.DrawLine(GetColor(kSH), w.L, w.MH(), w.R, w.MH());
}

void IVXYPadControl::DrawHandle(IGraphics& g, const IRECT& r)
{
  if (mTrackClipsHandle)
  {
    const float half = mStyle.mFrameThickness * 0.5f;
    g.PathClipRegion(IRECT(mWidgetBounds.L + half, mWidgetBounds.T + half, mWidgetBounds.R - half,
                           mWidgetBounds.B - half));
  }
  DrawPressableShape(g, mShape, r, mMouseDown, mMouseIsOver, IsDisabled());
  if (mTrackClipsHandle) g.PathClipRegion();
}

void IVXYPadControl::OnMouseDown(float x, float y, const IMouseMod& mod)
{
  mMouseDown = true;
  if (mStyle.mHideCursor && GetUI())
  {
    GetUI()->HideMouseCursor(true, false);
    mCursorHidden = true;
  }
  OnMouseDrag(x, y, 0.f, 0.f, mod);
}

void IVXYPadControl::OnMouseUp(float x, float y, const IMouseMod& mod)
{
  if (mCursorHidden && GetUI()) GetUI()->HideMouseCursor(false);
  mCursorHidden = false;
  mMouseDown = false;
  SetDirty(true);
}

void IVXYPadControl::OnMouseDrag(float x, float y, float dX, float dY, const IMouseMod& mod)
{
  // A pad without area has no position to read.
  if (!(mRECT.W() > 0.f) || !(mRECT.H() > 0.f)) return;
  x = std::clamp(x, mRECT.L, mRECT.R);
  y = std::clamp(y, mRECT.T, mRECT.B);
  SetValue((x - mRECT.L) / mRECT.W(), 0);
  SetValue(1.0 - (y - mRECT.T) / mRECT.H(), 1);
  SetDirty(true);
}
} // namespace iplugin::igraphics
