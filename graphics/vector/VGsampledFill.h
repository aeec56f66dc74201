// Whether a sampled fill's fringe (VGrenderParams sampledFills) has the fill on its inner side alone, so that
// its renderer may take the ramp of an edge that alone passes near a pixel as it is (MVGsampledFill.cpp);
// elsewhere the pixel's samples turn and hold it.
#pragma once

namespace iplugin::igraphics
{
struct VGcontext;

// Whether every edge of the context's flattened paths bounds what the fill covers, with the fill on the
// side its fringe takes for the inside: no two paths cross (vgPathsCross), and each path lies where the
// others wind 0 around it, turned as a solid, or where they wind once, turned as a hole. Main thread.
bool vgSampledFringeHolds(VGcontext* ctx);
} // namespace iplugin::igraphics
