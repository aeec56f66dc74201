#include "controls/ICornerResizerControl.h"

#include "graphics/IGraphics.h"

namespace iplugin::igraphics
{
ICornerResizerControl::ICornerResizerControl(const IRECT& graphicsBounds, float size, const IColor& color,
                                             const IColor& mouseOverColor, const IColor& dragColor)
    : IControl(IRECT(graphicsBounds.R - size + 1.f, graphicsBounds.B - size + 1.f, graphicsBounds.R - 1.f,
                     graphicsBounds.B - 1.f),
               -1),
      mSize(size), mInitialGraphicsBounds(graphicsBounds), mColor(color), mMouseOverColor(mouseOverColor),
      mDragColor(dragColor)
{
}

void ICornerResizerControl::OnMouseDown(float x, float y, const IMouseMod& mod)
{
  if (GetUI()) GetUI()->StartDragResize();
}

void ICornerResizerControl::OnMouseDblClick(float x, float y, const IMouseMod& mod)
{
  if (!GetUI()) return;
  GetUI()->Resize(int(mInitialGraphicsBounds.W()), int(mInitialGraphicsBounds.H()), 1.f, true);
}

void ICornerResizerControl::OnMouseOver(float x, float y, const IMouseMod& mod)
{
  if (!mMouseOver && GetUI())
  {
    mPrevCursorType = GetUI()->SetMouseCursor(kSizeNWSECursor);
    mMouseOver = true;
  }
  IControl::OnMouseOver(x, y, mod);
}

void ICornerResizerControl::OnMouseOut()
{
  if (mMouseOver && GetUI())
  {
    GetUI()->SetMouseCursor(mPrevCursorType);
    mMouseOver = false;
  }
  IControl::OnMouseOut();
}

void ICornerResizerControl::OnRescale()
{
  IGraphics* pGraphics = GetUI();
  if (!pGraphics || !(pGraphics->GetDrawScale() > 0.f)) return;
  const float s = mSize / pGraphics->GetDrawScale();
  const float w = float(pGraphics->Width()), h = float(pGraphics->Height());
  SetTargetAndDrawRECTs(IRECT(w - s, h - s, w, h));
}

void ICornerResizerControl::Draw(IGraphics& g)
{
  const IColor& color = g.IsResizing() ? mDragColor : (mMouseIsOver ? mMouseOverColor : mColor);
  g.FillTriangle(color, mRECT.L, mRECT.B, mRECT.R, mRECT.T, mRECT.R, mRECT.B, nullptr);
}

void IGraphics::CreateCornerResizer(EResizeMode sizeMode, bool layoutOnResize, const IColor& color,
                                    const IColor& mouseOverColor, const IColor& dragColor, float size)
{
  // A second resizer is deleted by the attach and changes nothing.
  AttachCornerResizer(new ICornerResizerControl(GetBounds(), size, color, mouseOverColor, dragColor),
                      sizeMode, layoutOnResize);
}
} // namespace iplugin::igraphics
