#include "graphics/vector/VGstate.h"

namespace iplugin::igraphics
{
VGcompositeOperationState vgCompositeOperationState(int op)
{
  int sfactor = kVGOne, dfactor = kVGZero;
  switch (op)
  {
  case kVGSourceOver:
    sfactor = kVGOne;
    dfactor = kVGOneMinusSrcAlpha;
    break;
  case kVGSourceIn:
    sfactor = kVGDstAlpha;
    dfactor = kVGZero;
    break;
  case kVGSourceOut:
    sfactor = kVGOneMinusDstAlpha;
    dfactor = kVGZero;
    break;
  case kVGAtop:
    sfactor = kVGDstAlpha;
    dfactor = kVGOneMinusSrcAlpha;
    break;
  case kVGDestinationOver:
    sfactor = kVGOneMinusDstAlpha;
    dfactor = kVGOne;
    break;
  case kVGDestinationIn:
    sfactor = kVGZero;
    dfactor = kVGSrcAlpha;
    break;
  case kVGDestinationOut:
    sfactor = kVGZero;
    dfactor = kVGOneMinusSrcAlpha;
    break;
  case kVGDestinationAtop:
    sfactor = kVGOneMinusDstAlpha;
    dfactor = kVGSrcAlpha;
    break;
  case kVGLighter:
    sfactor = kVGOne;
    dfactor = kVGOne;
    break;
  case kVGCopy:
    sfactor = kVGOne;
    dfactor = kVGZero;
    break;
  case kVGXor:
    sfactor = kVGOneMinusDstAlpha;
    dfactor = kVGOneMinusSrcAlpha;
    break;
  default:
    break;
  }
  return {sfactor, dfactor, sfactor, dfactor};
}
} // namespace iplugin::igraphics
