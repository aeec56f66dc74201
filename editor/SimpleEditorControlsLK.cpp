#include "editor/SimpleEditorControlsLK.h"

#include "framework/IGEditorDelegate.h"
#include "graphics/IGraphics.h"

namespace iplugin::igraphics
{
void SendMessageTag(IControl& control, int tag)
{
  if (tag >= 0 && control.GetDelegate()) control.GetDelegate()->HandleParamChange(tag, kUI, -1);
}

IBBitmapControlLK::IBBitmapControlLK(int x, int y, const IBitmap& bitmap)
    : IControl(IBitmapBase::FrameAt(bitmap, float(x), float(y)), -1), IBitmapBase(bitmap)
{
  SetOwner(this);
}

namespace
{
IBCornerResizerControlLK::EMode ModeOfTags(int sizeAfter, int sizeDbl, int scaleAfter, int scaleDbl)
{
  const bool size = sizeAfter != -1 && sizeDbl != -1, noSize = sizeAfter == -1 && sizeDbl == -1;
  const bool scale = scaleAfter != -1 && scaleDbl != -1, noScale = scaleAfter == -1 && scaleDbl == -1;
  if (size && scale) return IBCornerResizerControlLK::kModeSizeAndScale;
  if (size && noScale) return IBCornerResizerControlLK::kModeSize;
  if (noSize && scale) return IBCornerResizerControlLK::kModeScale;
  return IBCornerResizerControlLK::kModeNone;
}
} // namespace

IBCornerResizerControlLK::IBCornerResizerControlLK(const IRECT& graphicsBounds, const IBitmap& bitmap,
                                                   int sizeTagAfterResize, int sizeTagOnDblClick,
                                                   int scaleTagAfterRescale, int scaleTagOnDblClick,
                                                   float xOffset, float yOffset)
    : ICornerResizerControl(graphicsBounds, float(bitmap.W())), IBitmapBase(bitmap),
      mSizeTagAfterResize(sizeTagAfterResize), mSizeTagOnDblClick(sizeTagOnDblClick),
      mScaleTagAfterRescale(scaleTagAfterRescale), mScaleTagOnDblClick(scaleTagOnDblClick),
      mMode(ModeOfTags(sizeTagAfterResize, sizeTagOnDblClick, scaleTagAfterRescale, scaleTagOnDblClick)),
      mXOffset(xOffset), mYOffset(yOffset)
{
  SetOwner(this);
}

void IBCornerResizerControlLK::OnMouseDown(float x, float y, const IMouseMod& mod)
{
  IGraphics* ui = GetUI();
  if (!ui) return;
  if (mMode == kModeSizeAndScale)
    ui->SetResizeMode(mod.C ? kResizeScale : kResizeSize);
  else if (mMode == kModeSize)
    ui->SetResizeMode(kResizeSize);
  else if (mMode == kModeScale)
    ui->SetResizeMode(kResizeScale);
  ui->StartDragResize();
}

void IBCornerResizerControlLK::OnMouseDblClick(float x, float y, const IMouseMod& mod)
{
  IGraphics* ui = GetUI();
  if (!ui || mMode == kModeNone) return;
  const bool scale = mMode == kModeScale || (mMode == kModeSizeAndScale && mod.C);
  ui->SetResizeMode(scale ? kResizeScale : kResizeSize);
  SendMessageTag(*this, scale ? mScaleTagOnDblClick : mSizeTagOnDblClick);
}

void IBCornerResizerControlLK::OnRescale()
{
  IGraphics* ui = GetUI();
  if (!ui || mMode == kModeNone) return;
  SendMessageTag(*this, ui->GetResizeMode() == kResizeScale ? mScaleTagAfterRescale : mSizeTagAfterResize);
}

void IBCornerResizerControlLK::OnResize()
{
  IGraphics* ui = GetUI();
  if (!ui) return;
  const float w = float(ui->Width()), h = float(ui->Height()), b = float(mBitmap.W());
  mRECT = mTargetRECT = IRECT(w - b, h - b, w, h);
}

void IBCornerResizerControlLK::Draw(IGraphics& g)
{
  const int frame = mMouseIsOver || mMouseOver || g.IsResizing() ? 2 : 1;
  g.DrawBitmapFrame(mBitmap, mRECT.GetTranslated(mXOffset, mYOffset), frame, &mBlend);
}

void IVClickControlHiddenLK::OnMouseDown(float x, float y, const IMouseMod& mod)
{
  mMod = mod;
  SendMessageTag(*this, mTag);
}

IBUpdateControlLK::IBUpdateControlLK(int x, int y, const IBitmap& bitmap, int tag)
    : IControl(IBitmapBase::FrameAt(bitmap, float(x), float(y)), -1), IBitmapBase(bitmap), mTag(tag)
{
  SetOwner(this);
  SetTooltip("Click to check for updates");
}

void IBUpdateControlLK::OnMouseOver(float x, float y, const IMouseMod& mod)
{
  mHovered = true;
  SetDirty(false);
}

void IBUpdateControlLK::OnMouseOut()
{
  mHovered = false;
  SetDirty(false);
}

void IBUpdateControlLK::Draw(IGraphics& g)
{
  g.DrawBitmapFrame(mBitmap, IBitmapBase::FrameCentredIn(mBitmap, mRECT), mHovered ? 2 : 1, &mBlend);
}
} // namespace iplugin::igraphics
