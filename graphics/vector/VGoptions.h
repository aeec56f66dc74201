// The renderer's shortcuts, one switch each, in one record that a vector context holds (vgSetOptions): its
// own, and the software GPU's, which it hands to its device. All on by default; each gives the bytes its
// general path gives (but for the tolerances noted), so that turning them off one at a time bisects a
// suspected fault at run time.
#pragma once

#include <QorvPlatform/MetalOptions.h>

namespace iplugin::igraphics
{
struct VGoptions
{
  // Fills take their shortcuts: a rectangle's corners set without walking its commands, and convexity told
  // without summing the turns where they are too small to wind twice.
  bool fillShortcuts = true;
  // An upright rectangle on whole device pixels is filled without its anti-aliasing fringe where the fringe
  // changes no pixel. The pictures are the same, the recordings are not.
  bool unfringedRects = true;
  // Each call's draws are bounded by a scissor rectangle around its scissor where a transparent source
  // changes nothing; off, they shade the whole target. A row that the bound starts later may get a byte one
  // level apart.
  bool scissorBounds = true;
  // A strip's frame (a meter's, a lamp's) is drawn over its rows near visible texels only, not whole.
  bool stripRowsTrimmed = true;
  // A pass whose calls never test or mark the stencil leaves it uncleared.
  bool unclearedStencil = true;
  // The software GPU's.
  QorvGpuOptions gpu;

  bool operator==(const VGoptions&) const = default;
};
} // namespace iplugin::igraphics
