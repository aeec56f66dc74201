#include "controls/IBitmapControl.h"

#include "graphics/IGraphics.h"

namespace iplugin::igraphics
{
IBitmapControl::IBitmapControl(float x, float y, const IBitmap& bitmap, int paramIdx, EBlend blend)
    : IControl(FrameAt(bitmap, x, y), paramIdx), IBitmapBase(bitmap)
{
  mBlend = IBlend(blend, 1.f);
  SetOwner(this);
}

void IBitmapControl::OnRescale()
{
  if (!GetUI()) return;
  SetBitmap(GetUI()->LoadBitmap(mBitmap.GetResourceName(), mBitmap.N(), mBitmap.GetFramesAreHorizontal()));
}

void IGraphics::AttachBackground(const char* fileName)
{
  IControl* pBackground = new IBitmapControl(0.f, 0.f, LoadBitmap(fileName, 1, false), -1, kBlendDefault);
  InitControl(pBackground);
  // Behind every other control; a list that cannot grow gives the control back to be deleted.
  if (!mControls.Insert(0, pBackground)) delete pBackground;
}
} // namespace iplugin::igraphics
