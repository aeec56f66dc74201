#include "graphics/vector/FrameDamage.h"

#include <algorithm>

namespace iplugin::igraphics
{
void FrameDamage::Add(const FrameRect& rect)
{
  if (!(rect.r > rect.l) || !(rect.b > rect.t)) return;
  FrameRect r = rect;
  // Merging can make the bounds reach further rectangles: go on until none is touched.
  for (bool merged = true; merged;)
  {
    merged = false;
    for (size_t i = 0; i < mRects.size(); ++i)
    {
      const FrameRect& o = mRects[i];
      if (o.l > r.r || r.l > o.r || o.t > r.b || r.t > o.b) continue;
      r = FrameRect{std::min(r.l, o.l), std::min(r.t, o.t), std::max(r.r, o.r), std::max(r.b, o.b)};
      mRects.erase(mRects.begin() + (long)i);
      merged = true;
      break;
    }
  }
  mRects.push_back(r);
}

bool FrameDamage::TakeWhole()
{
  if (mWholeFrames <= 0) return false;
  --mWholeFrames;
  return true;
}
} // namespace iplugin::igraphics
