// An off-screen layer: a renderer bitmap that drawing goes into instead of the frame, kept by a
// control between frames while its size and the scales stay the same. Main thread only.
#pragma once

#include "graphics/IBitmap.h"
#include "graphics/IRECT.h"

#include <memory>

namespace iplugin::igraphics
{
class IControl;

class ILayer
{
public:
  ILayer(APIBitmap* pBitmap, const IRECT& layerRect, IControl* pControl, const IRECT& controlRect)
      : mBitmap(pBitmap), mControl(pControl), mControlRECT(controlRect), mRECT(layerRect)
  {
  }

  void Invalidate() { mInvalid = true; }
  const APIBitmap* GetAPIBitmap() const { return mBitmap.get(); }
  // A one-frame bitmap handle over the layer's image.
  IBitmap GetBitmap() const { return IBitmap(mBitmap.get(), 1, false); }
  const IRECT& Bounds() const { return mRECT; }
  IControl* GetControl() const { return mControl; }

private:
  friend class IGraphics;

  std::unique_ptr<APIBitmap> mBitmap;
  IControl* mControl;
  IRECT mControlRECT;
  IRECT mRECT;
  bool mInvalid = false;
};

using ILayerPtr = std::unique_ptr<ILayer>;
} // namespace iplugin::igraphics
