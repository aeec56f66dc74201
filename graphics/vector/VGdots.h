// Dots: a stroke's sub-path of no length, a move followed by lines or curves back to it or by a close,
// which the walk keeps as one point. With round caps it is drawn as a disc as wide as the stroke, as cairo
// draws it; with butt caps it covers nothing, and with square caps its square has no direction to face,
// so it is not drawn either (cairo draws neither). A move alone is no dot.
#pragma once

namespace iplugin::igraphics
{
struct VGcontext;

// Gives each dot of the context's flattened paths a second point a two-hundredth of a device pixel on
// along the current transform's x axis, and opens it, so that the stroke puts a cap at each end of a
// segment of next to no length: two half discs. Call after the flattening, for a stroke with round caps.
// The points stay so for a following fill, where two points enclose nothing. Main thread; may allocate
// (when memory runs out the dots are left as they are and draw nothing).
void vgOpenDots(VGcontext* ctx);

// Whether the cache holds a dot so opened: its caps are all there is of it, and are drawn in finer
// divisions than a stroke's caps (whose chords, a quarter pixel from the arc at most, lose a fifth of a dot
// 3 pixels across).
bool vgHasOpenDots(const VGcontext* ctx);
} // namespace iplugin::igraphics
