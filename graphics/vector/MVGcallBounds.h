// The pixels of a target that a recorded call can change, so that a renderer can bound its draws with a
// scissor rectangle and shade nothing else. Outside the scissor of its uniforms a call's fragments are
// transparent black; they change nothing only under a blend that keeps the target for a zero source.
#pragma once

#include "graphics/vector/MVGrecording.h"

#include <array>
#include <cstddef>
#include <unordered_map>

namespace iplugin::igraphics
{
// Pixel rectangle [x0, x1) x [y0, y1).
struct MVGpixelRect
{
  int x0, y0, x1, y1;
};

// Whether a fragment of colour (0, 0, 0, 0) leaves the target as it is under the blend (added
// components): both destination factors are one, or one minus a source term.
bool mvgZeroSourceKeepsTarget(const MVGblend& blend);

// The pixels of a target of width x height, ratio pixels a view unit, that can get a scissor coverage
// above 0 from the uniforms (a pixel's margin against rounding); false when the uniforms have no scissor
// or one that cannot be bounded, and the whole target is to be drawn.
bool mvgScissorPixelBounds(const MVGfragUniforms& frag, float ratioX, float ratioY, int width, int height,
                           MVGpixelRect& out);

// mvgScissorPixelBounds' answers, kept by question: an editor's frames give the same few scissors call after
// call and frame after frame. Owned by one renderer; not thread-safe.
class MVGscissorBoundsCache
{
public:
  bool Bounds(const MVGfragUniforms& frag, float ratioX, float ratioY, int width, int height,
              MVGpixelRect& out);

private:
  // The scissor's matrix, extent and scale, the ratios and the target size, as bits.
  using Key = std::array<uint32_t, 20>;
  struct KeyHash
  {
    size_t operator()(const Key& k) const;
  };
  struct Answer
  {
    bool bounded;
    MVGpixelRect rect;
  };
  // Dropped all at once when full.
  static constexpr size_t kMaxAnswers = 8192;
  std::unordered_map<Key, Answer, KeyHash> mAnswers;
};
} // namespace iplugin::igraphics
