// The frame-time overlay: plots the graphics context's last 100 frame durations and prints their average
// as frames per second, milliseconds or a percentage. The context owns at most one, feeds it one
// duration (seconds) as each frame begins and draws it after the ordinary controls. Main thread only.
#pragma once

#include "controls/IVectorBase.h"
#include "graphics/FrameTimeRing.h"

namespace iplugin::igraphics
{
class IFPSDisplayControl : public IControl, public IVectorBase, public FrameTimeRing
{
public:
  enum EGraphType
  {
    kFPS = 0,
    kMilliseconds,
    kPercentage,
    kNumGraphTypes
  };

  IFPSDisplayControl(const IRECT& bounds, int graphType = kFPS, const char* label = "");

  // Cycles FPS -> ms -> % -> FPS; the display is redrawn every frame anyway.
  void OnMouseDown(float x, float y, const IMouseMod& mod) override
  {
    mGraphType = (mGraphType + 1) % kNumGraphTypes;
  }
  void Draw(IGraphics& g) override;
  bool IsDirty() override { return true; }

  int GetGraphType() const { return mGraphType; }
  // The mean of the 100 samples, in seconds.
  float Average() const;

private:
  int mGraphType;
  StringBuf mLabel;
  IText mAPIText;
  IText mMainValueText;
  IText mSecondValueText;
};
} // namespace iplugin::igraphics
