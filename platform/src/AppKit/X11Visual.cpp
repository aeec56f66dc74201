#include "platform/src/AppKit/X11Visual.h"

#include <bit>
#include <optional>

namespace qorvplatform::detail::x11
{
int ChooseVisual(const XVisualInfo* visuals, int count, VisualID defaultVisual)
{
  int best = -1;
  int bestColour = 0, bestDepth = 0;
  for (int i = 0; i < count; ++i)
  {
    const XVisualInfo& v = visuals[i];
    if (v.c_class != TrueColor) continue;
    if (v.visualid == defaultVisual) return i;
    const int colour = std::popcount(v.red_mask) + std::popcount(v.green_mask) + std::popcount(v.blue_mask);
    if (best < 0 || colour > bestColour || (colour == bestColour && v.depth < bestDepth))
      best = i, bestColour = colour, bestDepth = v.depth;
  }
  return best;
}

const WindowVisual* ScreenVisual(Display* d)
{
  // The connection is the process's one and its screen stays: asked once.
  static std::optional<WindowVisual> chosen;
  static bool asked = false;
  if (asked) return chosen ? &*chosen : nullptr;
  asked = true;
  const int screen = DefaultScreen(d);
  XVisualInfo wanted{};
  wanted.screen = screen;
  int count = 0;
  XVisualInfo* visuals = XGetVisualInfo(d, VisualScreenMask, &wanted, &count);
  const int i = visuals ? ChooseVisual(visuals, count, XVisualIDFromVisual(DefaultVisual(d, screen))) : -1;
  if (i >= 0)
  {
    WindowVisual w;
    w.visual = visuals[i].visual;
    w.depth = unsigned(visuals[i].depth);
    w.isDefault = w.visual == DefaultVisual(d, screen);
    if (!w.isDefault) w.colormap = XCreateColormap(d, RootWindow(d, screen), w.visual, AllocNone);
    chosen = w;
  }
  if (visuals) XFree(visuals);
  return chosen ? &*chosen : nullptr;
}
} // namespace qorvplatform::detail::x11
