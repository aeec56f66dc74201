// Rectangle placement that several controls share. Plain functions; any thread.
#pragma once

#include "graphics/IRECT.h"

namespace iplugin::igraphics
{
// A w x h rectangle centred on (cx, cy).
inline IRECT CentredAt(float cx, float cy, float w, float h)
{
  const float l = cx - w * 0.5f, t = cy - h * 0.5f;
  return IRECT(l, t, l + w, t + h);
}

inline IRECT CentredIn(const IRECT& bounds, float w, float h)
{
  return CentredAt(bounds.MW(), bounds.MH(), w, h);
}
} // namespace iplugin::igraphics
