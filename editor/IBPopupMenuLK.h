// The mixer editor's value buttons: the frame of the parameter's current value; a click (or double
// click) opens the menu of the parameter's display texts, and where enabled the wheel steps through the
// values, up for the item above. Main thread only.
#pragma once

#include "controls/IBitmapBase.h"
#include "graphics/IControl.h"

namespace iplugin::igraphics
{
class IBPopupMenuLK : public IControl, public IBitmapBase
{
public:
  IBPopupMenuLK(int x, int y, int paramIdx, const IBitmap& bitmap, bool wheelEnabled,
                IActionFunction actionFunc = nullptr, bool drawingOff = false, bool buttonMode = false);

  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnMouseWheel(float x, float y, const IMouseMod& mod, float d) override;
  void OnMouseOver(float x, float y, const IMouseMod& mod) override;
  void OnMouseOut() override;
  void OnRescale() override { RescaleBitmap(); }
  void Draw(IGraphics& g) override;

private:
  bool mWheelEnabled;
  bool mDrawingOff;
  bool mButtonMode;
  bool mHovered = false;
};
} // namespace iplugin::igraphics
