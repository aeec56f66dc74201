// The mixer editor's on/off buttons: a bitmap switch that also follows the mouse over it and can draw
// a translucent highlight behind its frame while hovered (off in this editor). Main thread only.
#pragma once

#include "controls/IBSwitchControl.h"

namespace iplugin::igraphics
{
class IBSwitchControlLK : public IBSwitchControl
{
public:
  // Drawing on, highlight off, highlight colour white at alpha 16.
  IBSwitchControlLK(float x, float y, const IBitmap& bitmap, int paramIdx);

  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnMouseUp(float x, float y, const IMouseMod& mod) override;
  void OnMouseOver(float x, float y, const IMouseMod& mod) override;
  void OnMouseOut() override;
  void Draw(IGraphics& g) override;


private:
  IMouseMod mMod;
  bool mDrawingOn = true;
  bool mHoverHighlight = false;
  bool mHovered = false;
  IColor mHighlightColor{16, 255, 255, 255};
};
} // namespace iplugin::igraphics
