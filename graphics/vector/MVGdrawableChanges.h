// Which pixels of a drawable differ from the latest off-screen frame, so that a composite copies only those.
// A drawable the layer hands out keeps whatever was last drawn into it: the frame it last received, when
// that is known; since then the frame changed only where the frames in between drew. Main thread only.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

#include "graphics/vector/MVGcallBounds.h"

class MTLTexture;

namespace iplugin::igraphics
{
class MVGdrawableChanges
{
public:
  // A new frame, changed since the one before only within rects (drawable pixels), or anywhere when whole.
  // The next flush onto a drawable is its composite.
  void Note(const MVGpixelRect* rects, int n, bool whole);
  // Whether the next flush onto a drawable composites a noted frame; clears it.
  bool TakeComposite();
  // Where target must be drawn to hold the latest frame: false for all of it (of width x height pixels),
  // else true with the disjoint-enough rectangles in areas (possibly none). Target holds that frame then.
  bool Areas(const std::shared_ptr<MTLTexture>& target, int width, int height,
             std::vector<MVGpixelRect>& areas);
  // Target received something other than a composite: what it holds is unknown.
  void Forget(const MTLTexture* target);
  // Where the frame a drawable is about to be presented with differs from the one presented before: false
  // for anywhere (when it composites no frame, or a frame since then changed anywhere), else true with
  // rects. Those changes are then the presented ones; after a drawable that shows something else than the
  // frame (not drawn, or drawn otherwise) the next one differs anywhere.
  bool PresentedChanges(bool composite, bool drawn, std::vector<MVGpixelRect>& rects);

  // Frames whose changes are kept: a drawable older than that is drawn whole. More than the layer's
  // drawables, so that a drawable back in turn finds all it missed.
  static constexpr size_t kKeptFrames = 6;
  static constexpr size_t kMaxUnpresented = 256;

private:
  struct Frame
  {
    bool whole;
    std::vector<MVGpixelRect> rects;
  };
  struct Held
  {
    std::weak_ptr<MTLTexture> texture;
    uint64_t frame;
  };
  uint64_t mFrames = 0;
  std::deque<Frame> mLatest; // the last frames, newest last
  std::vector<Held> mHeld;
  bool mComposite = false;
  // The changes of the frames noted since the last presented one.
  std::vector<MVGpixelRect> mUnpresented;
  bool mUnpresentedWhole = true;
};
} // namespace iplugin::igraphics
