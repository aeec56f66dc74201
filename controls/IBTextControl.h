// A text drawn with a bitmap font, one frame per character from the space on. The label behaviour is
// the text control's. Main thread only.
#pragma once

#include "controls/IBitmapBase.h"
#include "controls/ITextControl.h"

namespace iplugin::igraphics
{
class IBTextControl : public ITextControl, public IBitmapBase
{
public:
  IBTextControl(const IRECT& bounds, const IBitmap& font, const IText& text = kDefaultText,
                const char* str = "", int charWidth = 6, int charHeight = 12, int charOffset = 0,
                bool multiLine = false, bool vCentre = true, EBlend blend = kBlendDefault);

  void OnRescale() override { RescaleBitmap(); }
  void Draw(IGraphics& g) override;

private:
  int mCharWidth;
  int mCharHeight;
  int mCharOffset;
  bool mMultiLine;
  bool mVCentre;
};
} // namespace iplugin::igraphics
