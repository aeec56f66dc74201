// The frame durations that the graphics context feeds to its frame-time display: a ring of the last
// 100 frames in seconds and the index of the latest. The display control derives from it. Main thread.
#pragma once

namespace iplugin::igraphics
{
struct FrameTimeRing
{
  static constexpr int kNumFrames = 100;

  virtual ~FrameTimeRing() = default;

  void AddFrameTime(float seconds)
  {
    mIdx = (mIdx + 1) % kNumFrames;
    mFrameTimes[mIdx] = seconds;
  }

  float mFrameTimes[kNumFrames] = {};
  int mIdx = 0;
};
} // namespace iplugin::igraphics
