// A parameter's display text (with its unit label when asked) that opens the parameter's value prompt
// on a click: a menu of its texts for enumerations, which also get a small downward triangle, else a
// text entry. Main thread only.
#pragma once

#include "controls/ITextControl.h"

namespace iplugin::igraphics
{
class ICaptionControl : public ITextControl
{
public:
  ICaptionControl(const IRECT& bounds, int paramIdx, const IText& text = kDefaultText,
                  const IColor& bgColor = kColorTransparent, bool showParamLabel = true);

  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  // Places the triangle, for enumerated parameters only.
  void OnResize() override;
  void Draw(IGraphics& g) override;
  const IRECT& GetTriangleRECT() const { return mTri; }

private:
  bool mShowParamLabel;
  IColor mTriangleColor = kColorDarkGray;
  IColor mTriangleMouseOverColor = kColorBlack;
  IRECT mTri;
};
} // namespace iplugin::igraphics
