#include "controls/ITextControl.h"

#include "graphics/IGraphics.h"

#include <algorithm>
#include <climits>
#include <cstdarg>
#include <cstring>

namespace iplugin::igraphics
{
ITextControl::ITextControl(const IRECT& bounds, const char* str, const IText& text, const IColor& bgColor,
                           bool setBoundsBasedOnStr)
    : IControl(bounds, -1), mBGColor(bgColor), mSetBoundsBasedOnStr(setBoundsBasedOnStr)
{
  if (str) mStr.Set(str);
  mText = text;
  mIgnoreMouse = true;
}

void ITextControl::OnInit()
{
  if (mSetBoundsBasedOnStr) SetBoundsBasedOnStr();
}

void ITextControl::SetStr(const char* str)
{
  if (std::strcmp(str ? str : "", mStr.Get()) == 0) return;
  mStr.Set(str ? str : "");
  if (mSetBoundsBasedOnStr) SetBoundsBasedOnStr();
}

void ITextControl::SetStrFmt(int maxLength, const char* fmt, ...)
{
  if (maxLength < 0) return;
  va_list args;
  va_start(args, fmt);
  // The buffer holds the characters and the terminator.
  mStr.SetFormattedV(std::min(maxLength, INT_MAX - 1) + 1, fmt, args);
  va_end(args);
}

void ITextControl::SetBoundsBasedOnStr()
{
  if (!GetUI()) return;
  IRECT r;
  GetUI()->MeasureText(mText, mStr.Get(), r);
  const float hw = (r.R - r.L) * 0.5f, hh = (r.B - r.T) * 0.5f;
  const float cx = mRECT.MW(), cy = mRECT.MH();
  SetTargetAndDrawRECTs(IRECT(cx - hw, cy - hh, cx + hw, cy + hh));
}

void ITextControl::Draw(IGraphics& g)
{
  g.FillRect(mBGColor, mRECT, &mBlend);
  // While the text entry edits this control, its field alone shows the text.
  if (mStr.GetLength() > 0 && g.GetControlInTextEntry() != this)
    g.DrawText(mText, mStr.Get(), mRECT, &mBlend);
}
} // namespace iplugin::igraphics
