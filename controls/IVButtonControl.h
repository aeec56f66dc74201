// The vector-drawn momentary button: pressed from the click until its splash animation ends, with the
// label and value inside the button or around it. Press and release are the button base's. Main thread.
#pragma once

#include "controls/IButtonControlBase.h"
#include "controls/IVectorBase.h"

namespace iplugin::igraphics
{
class IVButtonControl : public IButtonControlBase, public IVectorBase
{
public:
  IVButtonControl(const IRECT& bounds, IActionFunction actionFunc = IControl::StartSplashClickAnimation,
                  const char* label = "", const IVStyle& style = kDefaultStyle, bool labelInButton = true,
                  bool valueInButton = true, EVShape shape = EVShape::Rectangle);

  void OnResize() override;
  void Draw(IGraphics& g) override;
  bool IsHit(float x, float y) const override { return mWidgetBounds.Contains(x, y); }
  void DrawWidget(IGraphics& g) override;
};
} // namespace iplugin::igraphics
