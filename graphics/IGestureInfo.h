// Gesture records: the kinds of gesture a control or region can take and what the platform reports.
#pragma once

namespace iplugin::igraphics
{
enum class EGestureType
{
  Unknown = 0,
  DoubleTap,
  TripleTap,
  LongPress1,
  LongPress2,
  SwipeLeft,
  SwipeRight,
  SwipeUp,
  SwipeDown,
  Pinch,
  Rotate,
  Pan
};

enum class EGestureState
{
  Unknown = 0,
  Began,
  InProcess,
  Ended
};

struct IGestureInfo
{
  float x = 0.f;
  float y = 0.f;
  float scale = 0.f;    // pinch
  float velocity = 0.f; // pinch, rotate
  float angle = 0.f;    // rotate, degrees
  EGestureState state = EGestureState::Unknown;
  EGestureType type = EGestureType::Unknown;
};
} // namespace iplugin::igraphics
