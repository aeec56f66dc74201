#include "controls/PlaceHolder.h"

#include "graphics/IGraphics.h"

namespace iplugin::igraphics
{
namespace
{
constexpr float kMargin = 10.f;
constexpr float kBoxW = 60.f;
constexpr float kBoxH = 16.f;
// The placement texts: small, on a light box, in the corner they describe.
IText SmallText(int align, int valign, float angle)
{
  return IText(12.f, kColorBlack, kDefaultFont, align, valign, angle, kDefaultTextEntryBGColor,
               kDefaultTextEntryFGColor);
}
} // namespace

PlaceHolder::PlaceHolder(const IRECT& bounds, const char* str)
    : ITextControl(bounds, str,
                   IText(20.f, kColorBlack, "Roboto-Regular", kAlignCenter, kVAlignMiddle, 0.f,
                         kDefaultTextEntryBGColor, kDefaultTextEntryFGColor),
                   kColorWhite),
      mTLGCText(SmallText(kAlignNear, kVAlignTop, 0.f)),
      mWidthGCText(SmallText(kAlignCenter, kVAlignTop, 0.f)),
      mHeightGCText(SmallText(kAlignCenter, kVAlignMiddle, 270.f))
{
  mIgnoreMouse = false;
  mDisablePrompt = false;
}

void PlaceHolder::OnResize()
{
  mTLText.SetFormatted(33, "%0.1f, %0.1f", mRECT.L, mRECT.T);
  mWidthText.SetFormatted(33, "%0.1f", mRECT.W());
  mHeightText.SetFormatted(33, "%0.1f", mRECT.H());
  SetDirty(false);
}

void PlaceHolder::OnMouseDblClick(float x, float y, const IMouseMod& mod)
{
  if (GetUI()) GetUI()->CreateTextEntry(*this, mText, mRECT, mStr.Get(), 0);
}

void PlaceHolder::OnTextEntryCompletion(const char* str, int valIdx)
{
  SetStr(str);
  SetDirty(false);
}

void PlaceHolder::Draw(IGraphics& g)
{
  const IRECT& r = mRECT;
  g.FillRect(mBGColor, r, &mBlend);
  g.DrawLine(mText.mFGColor, r.L, r.T, r.R, r.B, &mBlend, 2.f);
  g.DrawLine(mText.mFGColor, r.L, r.B, r.R, r.T, &mBlend, 2.f);
  if (mStr.GetLength() > 0) g.DrawText(mText, mStr.Get(), r, &mBlend);

  const IRECT position(r.L + kMargin, r.T + kMargin, r.L + kMargin + kBoxW * 1.5f, r.T + kMargin + kBoxH);
  const IRECT width(r.MW() - kBoxW * 0.5f, r.B - kMargin - kBoxH, r.MW() + kBoxW * 0.5f, r.B - kMargin);
  const IRECT height(r.R - kMargin - kBoxH, r.MH() - kBoxW * 0.5f, r.R - kMargin, r.MH() + kBoxW * 0.5f);
  for (const IRECT& box : {position, width, height})
    g.FillRect(kColorLightGray, box, &mBlend);
  g.DrawText(mTLGCText, mTLText.Get(), position, &mBlend);
  g.DrawText(mWidthGCText, mWidthText.Get(), width, &mBlend);
  g.DrawText(mHeightGCText, mHeightText.Get(), height, &mBlend);
}
} // namespace iplugin::igraphics
