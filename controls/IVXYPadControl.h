// The vector-drawn two-parameter pad: dragging the handle sets value 0 from x and value 1 from y (up is
// higher), both clamped to the pad. Main thread only.
#pragma once

#include "controls/IVectorBase.h"

#include <initializer_list>

namespace iplugin::igraphics
{
class IVXYPadControl : public IControl, public IVectorBase
{
public:
  IVXYPadControl(const IRECT& bounds, std::initializer_list<int> params, const char* label = "",
                 const IVStyle& style = kDefaultStyle, float handleRadius = 10.f);

  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnMouseUp(float x, float y, const IMouseMod& mod) override;
  void OnMouseDrag(float x, float y, float dX, float dY, const IMouseMod& mod) override;
  void OnResize() override;
  void Draw(IGraphics& g) override;
  void DrawWidget(IGraphics& g) override;
  virtual void DrawHandle(IGraphics& g, const IRECT& r);
  virtual void DrawTrack(IGraphics& g);

private:
  float mHandleRadius;
  bool mMouseDown = false;
  bool mTrackClipsHandle = true;
  bool mCursorHidden = false;
};
} // namespace iplugin::igraphics
