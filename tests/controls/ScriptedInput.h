// Input as a person gives it, posted to any graphics context (the control fixture has its own for its
// recording context), and a virtual clock for animations.
#pragma once

#include "graphics/IGraphics.h"
#include "tests/support/RecordingGraphics.h"

namespace qorvtest
{
inline void Press(iplugin::igraphics::IGraphics& g, float x, float y,
                  const iplugin::igraphics::IMouseMod& mod = iplugin::igraphics::IMouseMod(true))
{
  g.OnMouseDown({MouseAt(x, y, mod)});
}
inline void DragTo(iplugin::igraphics::IGraphics& g, float x, float y, float dX, float dY,
                   const iplugin::igraphics::IMouseMod& mod = iplugin::igraphics::IMouseMod(true))
{
  g.OnMouseDrag({MouseAt(x, y, mod, dX, dY)});
}
inline void Release(iplugin::igraphics::IGraphics& g, float x, float y,
                    const iplugin::igraphics::IMouseMod& mod = iplugin::igraphics::IMouseMod(true))
{
  g.OnMouseUp({MouseAt(x, y, mod)});
}
inline void Click(iplugin::igraphics::IGraphics& g, float x, float y,
                  const iplugin::igraphics::IMouseMod& mod = iplugin::igraphics::IMouseMod(true))
{
  Press(g, x, y, mod);
  Release(g, x, y, mod);
}
inline void Wheel(iplugin::igraphics::IGraphics& g, float x, float y, float d,
                  const iplugin::igraphics::IMouseMod& mod = iplugin::igraphics::IMouseMod())
{
  g.OnMouseWheel(x, y, mod, d);
}

// Milliseconds that the tests move by hand; installed for the fixture's lifetime.
class VirtualClock
{
public:
  VirtualClock() { iplugin::igraphics::IControl::SetClock(Now); }
  ~VirtualClock() { iplugin::igraphics::IControl::SetClock(nullptr); }
  static void Advance(double ms) { sNow += ms; }
  static double Now() { return sNow; }

private:
  static inline double sNow = 1000.0;
};

// One display tick: animations run and dirty controls are collected (nothing is drawn).
inline void Tick(iplugin::igraphics::IGraphics& g, double ms = 0.0)
{
  VirtualClock::Advance(ms);
  iplugin::igraphics::IRECTList rects;
  g.IsDirty(rects);
}
} // namespace qorvtest
