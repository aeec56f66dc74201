#include "controls/IURLControl.h"

#include "graphics/IGraphics.h"

namespace iplugin::igraphics
{
IURLControl::IURLControl(const IRECT& bounds, const char* str, const char* url, const IText& text,
                         const IColor& bgColor, const IColor& mouseOverColor, const IColor& clickedColor)
    : ITextControl(bounds, str, text, bgColor), mURL(url ? url : ""), mOriginalColor(text.mFGColor),
      mMouseOverColor(mouseOverColor), mClickedColor(clickedColor)
{
  mIgnoreMouse = false;
}

void IURLControl::OnMouseDown(float x, float y, const IMouseMod& mod)
{
  if (!GetUI()) return;
  GetUI()->OpenURL(mURL.Get());
  // The browser takes the release away: the link must not stay captured.
  GetUI()->ReleaseMouseCapture();
  mClicked = true;
}

void IURLControl::OnMouseOver(float x, float y, const IMouseMod& mod)
{
  if (GetUI()) GetUI()->SetMouseCursor(kHandCursor);
  IControl::OnMouseOver(x, y, mod);
}

void IURLControl::OnMouseOut()
{
  if (GetUI()) GetUI()->SetMouseCursor(kArrowCursor);
  IControl::OnMouseOut();
}

void IURLControl::Draw(IGraphics& g)
{
  g.FillRect(mBGColor, mRECT, &mBlend);
  mText.mFGColor = mMouseIsOver ? mMouseOverColor : mClicked ? mClickedColor : mOriginalColor;
  if (mStr.GetLength() == 0) return;

  IRECT extent;
  g.MeasureText(mText, mStr.Get(), extent);
  const float w = extent.W(), h = extent.H();
  const float x = mText.mAlign == kAlignNear  ? mRECT.L
                  : mText.mAlign == kAlignFar ? mRECT.R - w
                                              : mRECT.MW() - w * 0.5f;
  const float y = mText.mVAlign == kVAlignTop      ? mRECT.T + h
                  : mText.mVAlign == kVAlignBottom ? mRECT.B
                                                   : mRECT.MH() + h * 0.5f;
  g.DrawLine(mText.mFGColor, x, y, x + w, y, &mBlend, 1.f);
  g.DrawText(mText, mStr.Get(), mRECT, &mBlend);
}
} // namespace iplugin::igraphics
