// The parts of the main framebuffer a frame changed, so that only they are composited onto the
// drawable. Rectangles that touch or overlap are merged into their bounds, so the list stays disjoint and
// no pixel is composited twice (a second source-over of a translucent pixel would change it). After a
// resize, and until the drawables have all been drawn whole, everything counts as changed.
#pragma once

#include <vector>

namespace iplugin::igraphics
{
struct FrameRect
{
  float l, t, r, b;
};

class FrameDamage
{
public:
  // The next frames composite everything: as many as there are drawables.
  void Everything(int frames = 3) { mWholeFrames = frames; }
  void Add(const FrameRect& rect);
  // Whether this frame composites everything; counts the frame.
  bool TakeWhole();
  const std::vector<FrameRect>& Rects() const { return mRects; }
  void Clear() { mRects.clear(); }

private:
  std::vector<FrameRect> mRects;
  int mWholeFrames = 3;
};
} // namespace iplugin::igraphics
