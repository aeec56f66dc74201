// The mixer editor's small controls: an invisible control for each parameter without a visible one, a
// static bitmap (backgrounds, meter layers, overlays, lamps), the bitmap corner resizer that scales the
// editor, an invisible click area and the update-check icon; the last two send a message tag to the
// plug-in. Main thread only.
#pragma once

#include "controls/IBitmapBase.h"
#include "controls/ICornerResizerControl.h"
#include "graphics/IControl.h"

namespace iplugin::igraphics
{
// Sends a message tag to the plug-in's parameter-change handler (source UI, no sample offset); -1 and
// other negative tags are none.
void SendMessageTag(IControl& control, int tag);

// Bound to one parameter, drawn nowhere and, with its empty rectangle, never under the mouse.
class IVParameterControlHiddenLK : public IControl
{
public:
  explicit IVParameterControlHiddenLK(int paramIdx) : IControl(IRECT(), paramIdx) {}
  void Draw(IGraphics& g) override {}
};

// One frame of a bitmap at (x, y): the frame for its value, which only the editor's code sets.
class IBBitmapControlLK : public IControl, public IBitmapBase
{
public:
  IBBitmapControlLK(int x, int y, const IBitmap& bitmap);

  void OnMouseDown(float x, float y, const IMouseMod& mod) override {}
  void OnMouseUp(float x, float y, const IMouseMod& mod) override {}
  void OnMouseDrag(float x, float y, float dX, float dY, const IMouseMod& mod) override {}
  void OnMouseDblClick(float x, float y, const IMouseMod& mod) override {}
  void OnMouseWheel(float x, float y, const IMouseMod& mod, float d) override {}
  void OnRescale() override { RescaleBitmap(); }
  void Draw(IGraphics& g) override { DrawBitmapForValue(g); }
};

// The corner handle drawn from a two-frame bitmap. With both size tags -1 and both scale tags set it
// only scales; after each rescale it sends the scale tag, on a double click the reset tag.
class IBCornerResizerControlLK : public ICornerResizerControl, public IBitmapBase
{
public:
  enum EMode
  {
    kModeNone = -1,
    kModeSizeAndScale = 0,
    kModeSize = 1,
    kModeScale = 2
  };

  IBCornerResizerControlLK(const IRECT& graphicsBounds, const IBitmap& bitmap, int sizeTagAfterResize,
                           int sizeTagOnDblClick, int scaleTagAfterRescale, int scaleTagOnDblClick,
                           float xOffset, float yOffset);

  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnMouseDblClick(float x, float y, const IMouseMod& mod) override;
  void OnRescale() override;
  void OnResize() override;
  void Draw(IGraphics& g) override;


private:
  int mSizeTagAfterResize, mSizeTagOnDblClick, mScaleTagAfterRescale, mScaleTagOnDblClick;
  EMode mMode;
  float mXOffset, mYOffset;
};

// A click area that sends its tag on each press and draws nothing.
class IVClickControlHiddenLK : public IControl
{
public:
  IVClickControlHiddenLK(const IRECT& bounds, int tag) : IControl(bounds, -1), mTag(tag) {}

  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnMouseUp(float x, float y, const IMouseMod& mod) override { mMod = IMouseMod(); }
  void Draw(IGraphics& g) override {}

private:
  int mTag;
  IMouseMod mMod;
};

// The update-check icon: frame 2 while the mouse is over it; a press sends its tag. Values set on it
// change nothing.
class IBUpdateControlLK : public IControl, public IBitmapBase
{
public:
  IBUpdateControlLK(int x, int y, const IBitmap& bitmap, int tag);

  void OnMouseDown(float x, float y, const IMouseMod& mod) override { SendMessageTag(*this, mTag); }
  void OnMouseUp(float x, float y, const IMouseMod& mod) override {}
  void OnMouseDrag(float x, float y, float dX, float dY, const IMouseMod& mod) override {}
  void OnMouseDblClick(float x, float y, const IMouseMod& mod) override {}
  void OnMouseWheel(float x, float y, const IMouseMod& mod, float d) override {}
  void OnMouseOver(float x, float y, const IMouseMod& mod) override;
  void OnMouseOut() override;
  void OnRescale() override { RescaleBitmap(); }
  void Draw(IGraphics& g) override;
  void SetValue(double value, int valIdx = 0) override {}

private:
  int mTag;
  bool mHovered = false;
};
} // namespace iplugin::igraphics
