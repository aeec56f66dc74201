// Whether a sampled fill (VGrenderParams sampledFills) may keep its fringe. Its renderer takes a pixel's
// coverage from the fringe where one edge alone passes near the pixel's centre (MVGsampledFill.cpp), which
// holds where every edge has the fill on its inner side and nothing on its outer one.
#pragma once

namespace iplugin::igraphics
{
struct VGcontext;

// Whether every edge of the context's flattened paths bounds what the fill covers, with the fill on the
// side its fringe takes for the inside: no two paths cross (vgPathsCross), and each path lies where the
// others wind 0 around it, turned as a solid, or where they wind once, turned as a hole. Main thread.
bool vgSampledFringeHolds(VGcontext* ctx);
} // namespace iplugin::igraphics
