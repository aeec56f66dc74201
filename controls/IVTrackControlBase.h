// Multi-track vector controls: one track per value entry (stacked for horizontal travel, side by side for
// vertical), each with a background, an optional name, a value bar or step and a peak strip, and the
// range slider, whose two values are the ends of a range with handles that never cross. Main thread.
#pragma once

#include "controls/IVectorBase.h"

#include <initializer_list>
#include <vector>

namespace iplugin::igraphics
{
class IVTrackControlBase : public IControl, public IVectorBase
{
public:
  IVTrackControlBase(const IRECT& bounds, const char* label, const IVStyle& style,
                     std::initializer_list<int> params, int nSteps = 0, EDirection direction = kVertical,
                     std::initializer_list<const char*> trackNames = {});

  void OnMouseOver(float x, float y, const IMouseMod& mod) override;
  void OnMouseOut() override;
  void OnResize() override;
  int GetValIdxForPos(float x, float y) const override;

  void DrawWidget(IGraphics& g) override;
  void DrawBackground(IGraphics& g, const IRECT& r) override;
  virtual void DrawTrack(IGraphics& g, const IRECT& r, int chIdx);
  virtual void DrawTrackBackground(IGraphics& g, const IRECT& r, int chIdx);
  virtual void DrawTrackName(IGraphics& g, const IRECT& r, int chIdx);
  virtual void DrawTrackHandle(IGraphics& g, const IRECT& r, int chIdx, bool aboveBaseValue);
  virtual void DrawPeak(IGraphics& g, const IRECT& r, int chIdx, bool aboveBaseValue);
  virtual void MakeTrackRects(const IRECT& bounds);
  virtual void MakeStepRects(const IRECT& bounds, int nSteps);


protected:
  EDirection mDirection;
  std::vector<IRECT> mTrackBounds;
  std::vector<IRECT> mStepBounds;
  std::vector<StringBuf> mTrackNames;
  int mNSteps;
  float mTrackPadding = 0.f;
  float mPeakSize = 1.f;
  int mActiveTrack = -1;
  int mMouseOverTrack = -1;
  double mBaseValue = 0.0;
  bool mDrawTrackFrame = true;
  bool mZeroValueStepHasBounds = true;
};

class IVRangeSliderControl : public IVTrackControlBase
{
public:
  IVRangeSliderControl(const IRECT& bounds, std::initializer_list<int> params, const char* label = "",
                       const IVStyle& style = kDefaultStyle, EDirection direction = kVertical,
                       float handleSize = 8.f, float trackSize = 2.f);

  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnMouseUp(float x, float y, const IMouseMod& mod) override;
  void OnMouseDrag(float x, float y, float dX, float dY, const IMouseMod& mod) override;
  void OnMouseOver(float x, float y, const IMouseMod& mod) override;
  void OnMouseOut() override;
  void Draw(IGraphics& g) override;
  void DrawWidget(IGraphics& g) override;
  void DrawTrack(IGraphics& g, const IRECT& r, int chIdx) override;
  void MakeTrackRects(const IRECT& bounds) override;

  // The square around entry i's position on the track.
  IRECT GetHandleBounds(int i) const;

private:
  int mMouseOverHandle = -1;
  float mHandleSize;
  bool mMouseDown = false;
};
} // namespace iplugin::igraphics
