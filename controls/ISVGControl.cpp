#include "controls/ISVGControl.h"

#include "graphics/IGraphics.h"

namespace iplugin::igraphics
{
ISVGControl::ISVGControl(const IRECT& bounds, const ISVG& svg, bool useLayer)
    : IControl(bounds), mUseLayer(useLayer), mSVG(svg)
{
}

void ISVGControl::Draw(IGraphics& g)
{
  if (mUseLayer && !g.CheckLayer(mLayer))
  {
    // A layer that cannot be made (no area, no bitmap) is not pushed: then the picture goes straight
    // to the frame, and ending the layer must not pop one that belongs to someone else.
    const int depth = g.NLayers();
    g.StartLayer(this, mRECT);
    if (g.NLayers() == depth)
    {
      g.DrawSVG(mSVG, mRECT, &mBlend);
      return;
    }
    g.DrawSVG(mSVG, mRECT);
    mLayer = g.EndLayer();
  }
  if (mUseLayer)
    g.DrawLayer(mLayer, &mBlend);
  else
    g.DrawSVG(mSVG, mRECT, &mBlend);
}

void IGraphics::AttachSVGBackground(const char* fileName)
{
  IControl* pBackground = new ISVGControl(GetBounds(), LoadSVG(fileName, "px", 72.f), false);
  pBackground->SetDelegate(*mDelegate);
  pBackground->SetGraphics(this);
  InsertBackground(pBackground);
}
} // namespace iplugin::igraphics
