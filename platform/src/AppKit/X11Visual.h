// The visual the process's windows are made with (private to the platform): the screen's default where it
// is TrueColor, else the TrueColor visual of the most colour bits the screen offers, with a colormap of its
// own, as X asks of a window whose visual is not its parent's. A screen that offers none (only colormapped
// or gray visuals) shows no window: pixels there are indices into a colormap, not colours. Main thread only.
#pragma once

#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace qorvplatform::detail::x11
{
// Of these visuals, the index of the one to show windows with; -1 when none is TrueColor. The default
// (by its id) wins when it is TrueColor; then the most bits of colour, then the fewest planes besides
// (a 32-plane visual with 24 bits of colour has 8 of alpha, which a compositor would read as clear).
int ChooseVisual(const XVisualInfo* visuals, int count, VisualID defaultVisual);

struct WindowVisual
{
  Visual* visual = nullptr;
  unsigned depth = 0;
  // CopyFromParent for the default visual; else made once for the process, kept with the connection.
  Colormap colormap = CopyFromParent;
  bool isDefault = true;
};
// The visual of the screen's windows, chosen once; null when the screen offers no TrueColor visual.
const WindowVisual* ScreenVisual(Display* d);
} // namespace qorvplatform::detail::x11
