// The list of rectangles that the redraw path collects on each display tick, with the snapping and the
// merging that turn the dirty controls' bounds into the passes of one frame. Main thread only.
#pragma once

#include "framework/TypedBuf.h"
#include "graphics/IRECT.h"

#include <climits>

namespace iplugin::igraphics
{
class IRECTList
{
public:
  // maxCount: the most rectangles the list takes; an Add beyond it fails as a failed allocation does.
  explicit IRECTList(int maxCount = INT_MAX) : mMaxCount(maxCount) {}

  int Size() const { return mRects.GetSize(); }
  // False when the list could not grow; it is then unchanged.
  bool Add(const IRECT& r);
  // Out-of-range indices do nothing.
  void Set(int idx, const IRECT& r);
  const IRECT& Get(int idx) const { return mRects.Get()[idx]; }
  // Moves the later entries down by one.
  void Delete(int idx);
  // Empties the list, releasing its storage.
  void Clear() { mRects.Free(); }

  // The union of all entries; empty entries add nothing.
  IRECT Bounds() const;
  // Grows every entry outwards to whole pixels at the scale.
  void PixelAlign(float scale);

  // Removes contained and overlapping parts, then merges entries that share two edges and touch.
  // Every point covered before stays covered, and nothing leaves the union of the entries.
  void Optimize();
  // Joins rectangles over the same rows (or the same columns) that are at most gap apart into their union:
  // fewer, longer rows to draw, for the few pixels between them.
  void JoinNear(float gap);

  static bool Mergeable(const IRECT& a, const IRECT& b);
  static IRECT Union(const IRECT& a, const IRECT& b);

private:
  TypedBuf<IRECT> mRects;
  int mMaxCount;
};
} // namespace iplugin::igraphics
