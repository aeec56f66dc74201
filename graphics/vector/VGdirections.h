// Sub-paths of a fill that keep the directions they were drawn in (VGstate keepDirections).
#pragma once

namespace iplugin::igraphics
{
struct VGcontext;

// Gives each flattened path of the context's path cache the winding that keeps its direction, but for
// whole nests of paths (paths one inside another, and those inside them) turned as one so that the
// largest of each nest runs as a solid. Turning a nest as one changes no winding number's being 0 or not,
// so the non-zero rule fills the same; it lets the fringe of a shape that stands apart lie outside it.
// Where paths cross, all of them count as one nest. Paths that stand apart cost about their points alone.
// Main thread; allocates.
void vgWindAsDrawn(VGcontext* ctx);
} // namespace iplugin::igraphics
