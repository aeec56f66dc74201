#include "graphics/vector/MVGdrawableChanges.h"

#include <algorithm>

namespace iplugin::igraphics
{
namespace
{
bool Contains(const MVGpixelRect& a, const MVGpixelRect& b)
{
  return a.x0 <= b.x0 && a.y0 <= b.y0 && a.x1 >= b.x1 && a.y1 >= b.y1;
}
} // namespace

void MVGdrawableChanges::Note(const MVGpixelRect* rects, int n, bool whole)
{
  mLatest.push_back(
      Frame{whole, whole ? std::vector<MVGpixelRect>{} : std::vector<MVGpixelRect>(rects, rects + n)});
  if (mLatest.size() > kKeptFrames) mLatest.pop_front();
  ++mFrames;
  mComposite = true;
  if (whole)
    mUnpresentedWhole = true;
  else if (!mUnpresentedWhole)
    mUnpresented.insert(mUnpresented.end(), rects, rects + n);
  // Frames that find no drawable for long change too much to list.
  if (mUnpresented.size() > kMaxUnpresented) mUnpresentedWhole = true;
}

bool MVGdrawableChanges::PresentedChanges(bool composite, bool drawn, std::vector<MVGpixelRect>& rects)
{
  const bool known = composite && drawn && !mUnpresentedWhole;
  rects.swap(mUnpresented);
  mUnpresented.clear();
  // A drawable that shows something other than the frame leaves the next one to differ anywhere.
  mUnpresentedWhole = !(composite && drawn);
  return known;
}

bool MVGdrawableChanges::TakeComposite()
{
  const bool composite = mComposite;
  mComposite = false;
  return composite;
}

void MVGdrawableChanges::Forget(const MTLTexture* target)
{
  std::erase_if(mHeld,
                [target](const Held& h) { return h.texture.expired() || h.texture.lock().get() == target; });
}

bool MVGdrawableChanges::Areas(const std::shared_ptr<MTLTexture>& target, int width, int height,
                               std::vector<MVGpixelRect>& areas)
{
  areas.clear();
  // A record of a texture since freed must not be taken for a new one at the same address.
  std::erase_if(mHeld, [](const Held& h) { return h.texture.expired(); });
  auto held =
      std::find_if(mHeld.begin(), mHeld.end(), [&](const Held& h) { return h.texture.lock() == target; });
  const uint64_t since = held == mHeld.end() ? 0 : held->frame;
  if (held == mHeld.end())
    mHeld.push_back(Held{target, mFrames});
  else
    held->frame = mFrames;
  // The frames after the one it holds, each of them kept.
  if (since == 0 || mFrames - since > mLatest.size()) return false;
  for (size_t i = mLatest.size() - size_t(mFrames - since); i < mLatest.size(); ++i)
  {
    if (mLatest[i].whole) return false;
    for (MVGpixelRect r : mLatest[i].rects)
    {
      r = MVGpixelRect{std::max(r.x0, 0), std::max(r.y0, 0), std::min(r.x1, width), std::min(r.y1, height)};
      if (r.x1 <= r.x0 || r.y1 <= r.y0) continue;
      // The same rectangles come back frame after frame (a meter): each is copied once.
      if (std::any_of(areas.begin(), areas.end(), [&](const MVGpixelRect& a) { return Contains(a, r); }))
        continue;
      std::erase_if(areas, [&](const MVGpixelRect& a) { return Contains(r, a); });
      areas.push_back(r);
    }
  }
  return true;
}
} // namespace iplugin::igraphics
