// The graphics context of one open editor, as far as the editor delegate reaches it: the control
// list, size and scale, the platform window and key handling. All calls come on the main thread.
// The framework is linked below the graphics library, so it uses the context only through these
// virtual operations.
#pragma once

#include "graphics/IKeyPress.h"

#include <functional>

namespace iplugin::igraphics
{
class IControl;

class IGraphics
{
public:
  virtual ~IGraphics() = default;

  // The control registered under tag; fails with std::out_of_range for a tag that is not registered.
  virtual IControl* GetControlWithTag(int tag) const = 0;
  // Visits the control list in index order (not the special controls).
  virtual void ForStandardControlsFunc(std::function<void(IControl*)> func) = 0;

  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual float GetDrawScale() const = 0;
  virtual void Resize(int width, int height, float scale, bool needsPlatformResize = true) = 0;
  virtual void SetScreenScale(float scale) = 0;

  // Opens the platform view in the parent view and returns it; laying out runs inside.
  virtual void* OpenWindow(void* pParent) = 0;
  virtual void CloseWindow() = 0;
  // The mouse position in editor coordinates.
  virtual void GetMouseLocation(float& x, float& y) const = 0;
  virtual bool OnKeyDown(float x, float y, const IKeyPress& key) = 0;
  virtual bool OnKeyUp(float x, float y, const IKeyPress& key) = 0;
};
} // namespace iplugin::igraphics
