#include "controls/IBTextControl.h"

#include "graphics/IGraphics.h"

namespace iplugin::igraphics
{
IBTextControl::IBTextControl(const IRECT& bounds, const IBitmap& font, const IText& text, const char* str,
                             int charWidth, int charHeight, int charOffset, bool multiLine, bool vCentre,
                             EBlend blend)
    : ITextControl(bounds, str, text), IBitmapBase(font), mCharWidth(charWidth), mCharHeight(charHeight),
      mCharOffset(charOffset), mMultiLine(multiLine), mVCentre(vCentre)
{
  mBlend = IBlend(blend, 1.f);
  SetOwner(this);
}

void IBTextControl::Draw(IGraphics& g)
{
  g.DrawBitmapedText(mBitmap, mRECT, mText, &mBlend, mStr.Get(), mVCentre, mMultiLine, mCharWidth,
                     mCharHeight, mCharOffset);
}
} // namespace iplugin::igraphics
