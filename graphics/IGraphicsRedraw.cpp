#include "graphics/FrameTimeRing.h"
#include "graphics/IGraphics.h"

#include <cstring>

namespace iplugin::igraphics
{
bool IGraphics::IsDirty(IRECTList& rects)
{
  if (mDisplayTickFunc) mDisplayTickFunc();
  ForAllControlsFunc([](IControl* pControl) { pControl->TickAnimation(); });
  bool dirty = false;
  ForAllControlsFunc(
      [&rects, &dirty](IControl* pControl)
      {
        if (!pControl->IsDirty()) return;
        rects.Add(pControl->GetRECT().GetPadded(0.75f));
        dirty = true;
      });
  return dirty;
}

void IGraphics::DrawDirtyRects(IRECTList& rects)
{
  if (rects.Size() == 0) return;
  const float scale = GetBackingPixelScale();
  BeginFrame();
  if (mStrict)
  {
    Draw(rects.Bounds().PixelAligned(scale), scale);
  }
  else
  {
    rects.PixelAlign(scale);
    rects.Optimize();
    // Side by side, as meters are, a rectangle costs more for its rows than for a column or two between.
    rects.JoinNear(2.f);
    // As Draw for each rectangle, with the controls shown when the frame starts.
    // An entry of the last frame with the same bounds and scale (to the bit) keeps its clip.
    size_t n = 0;
    ForAllControlsFunc(
        [this, scale, &n](IControl* pControl)
        {
          if (!pControl || (pControl->IsHidden() && pControl != GetControl(0))) return;
          const IRECT& bounds = pControl->GetRECT();
          if (n < mFrameControls.size())
          {
            FrameControl& entry = mFrameControls[n++];
            entry.pControl = pControl;
            if (std::memcmp(&entry.bounds, &bounds, sizeof(IRECT)) != 0 ||
                std::memcmp(&entry.scale, &scale, sizeof(float)) != 0)
              entry = {pControl, bounds, bounds.GetPadded(0.75f).PixelAligned(scale), scale};
            return;
          }
          mFrameControls.push_back({pControl, bounds, bounds.GetPadded(0.75f).PixelAligned(scale), scale});
          ++n;
        });
    mFrameControls.resize(n);
    for (int i = 0; i < rects.Size(); ++i)
    {
      const IRECT& bounds = rects.Get(i);
      NoteDrawnArea(bounds, scale);
      for (const FrameControl& entry : mFrameControls)
      {
        // Most controls lie wholly outside a rectangle: Intersect would give the empty rectangle, which
        // draws nothing.
        const IRECT& clip = entry.clip;
        if (!(clip.R >= bounds.L && bounds.R > clip.L && clip.B >= bounds.T && bounds.B > clip.T)) continue;
        DrawControlClipped(entry.pControl, clip.Intersect(bounds));
      }
    }
  }
  EndFrame();
}

void IGraphics::Draw(const IRECT& bounds, float scale)
{
  NoteDrawnArea(bounds, scale);
  ForAllControlsFunc([this, &bounds, scale](IControl* pControl) { DrawControl(pControl, bounds, scale); });
}

void IGraphics::DrawControl(IControl* pControl, const IRECT& bounds, float scale)
{
  // The background is drawn even when hidden.
  if (!pControl || (pControl->IsHidden() && pControl != GetControl(0))) return;
  DrawControlClipped(pControl, pControl->GetRECT().GetPadded(0.75f).PixelAligned(scale).Intersect(bounds));
}

void IGraphics::DrawControlClipped(IControl* pControl, const IRECT& clip)
{
  if (!(clip.W() > 0.f) || !(clip.H() > 0.f)) return;
  PathTransformReset(true);
  PathClear();
  SetClipRegion(clip);
  mClipRECT = clip;
  pControl->Draw(*this);
}

void IGraphics::BeginFrame()
{
  auto* pRing = dynamic_cast<FrameTimeRing*>(mPerfDisplay);
  if (!pRing) return;
  static const double sStart = IControl::Now();
  const double t = (IControl::Now() - sStart) / 1000.0;
  pRing->AddFrameTime(float(t - mPrevTimestamp));
  mPrevTimestamp = t;
}

void IGraphics::SetStrictDrawing(bool strict)
{
  mStrict = strict;
  SetAllControlsDirty();
}
} // namespace iplugin::igraphics
