// The handle in the bottom-right corner of the editor: a press starts the context's resize drag, a
// double click restores the size and scale the editor was made with, hovering switches to the
// diagonal resize cursor. Its square keeps the same size on screen at every scale. The context holds
// at most one, outside the control list, and draws it after the others. Main thread only.
#pragma once

#include "graphics/IControl.h"

namespace iplugin::igraphics
{
class ICornerResizerControl : public IControl
{
public:
  // graphicsBounds: the editor's (0, 0, width, height) when the control is made.
  ICornerResizerControl(const IRECT& graphicsBounds, float size, const IColor& color = kColorTranslucent,
                        const IColor& mouseOverColor = kColorBlack, const IColor& dragColor = kColorBlack);

  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnMouseDblClick(float x, float y, const IMouseMod& mod) override;
  void OnMouseOver(float x, float y, const IMouseMod& mod) override;
  void OnMouseOut() override;
  void OnRescale() override;
  void Draw(IGraphics& g) override;

protected:
  float mSize;
  bool mMouseOver = false;
  int mPrevCursorType = 0;
  IRECT mInitialGraphicsBounds;
  IColor mColor;
  IColor mMouseOverColor;
  IColor mDragColor;
};
} // namespace iplugin::igraphics
