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
    g.StartLayer(this, mRECT);
    g.DrawSVG(mSVG, mRECT);
    mLayer = g.EndLayer();
    // A layer without a bitmap (no area, or none could be made): the picture goes straight to the frame.
    if (mLayer && !mLayer->GetAPIBitmap())
    {
      mLayer.reset();
      g.DrawSVG(mSVG, mRECT, &mBlend);
      return;
    }
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
