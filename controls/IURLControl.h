// A hyperlink: its text underlined, in the mouse-over colour while hovered and in the clicked colour
// once clicked; a click opens the address in the browser. Main thread only.
#pragma once

#include "controls/ITextControl.h"

namespace iplugin::igraphics
{
class IURLControl : public ITextControl
{
public:
  IURLControl(const IRECT& bounds, const char* str, const char* url, const IText& text = kDefaultText,
              const IColor& bgColor = kColorTransparent, const IColor& mouseOverColor = kColorWhite,
              const IColor& clickedColor = kColorBlue);

  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnMouseOver(float x, float y, const IMouseMod& mod) override;
  void OnMouseOut() override;
  void Draw(IGraphics& g) override;

private:
  StringBuf mURL;
  IColor mOriginalColor;
  IColor mMouseOverColor;
  IColor mClickedColor;
  bool mClicked = false;
};
} // namespace iplugin::igraphics
