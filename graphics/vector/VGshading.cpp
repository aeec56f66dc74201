#include "graphics/vector/VGshading.h"

#include <algorithm>
#include <cmath>

namespace iplugin::igraphics
{
namespace
{
void ApplyMat(const float* m, float x, float y, float* ox, float* oy)
{
  *ox = m[0] * x + m[4] * y + m[8];
  *oy = m[1] * x + m[5] * y + m[9];
}

void Sample(const MVGsampler* sampler, float s, float t, float* rgba)
{
  rgba[0] = rgba[1] = rgba[2] = rgba[3] = 0.0f;
  if (sampler && sampler->sample) sampler->sample(sampler->user, s, t, rgba);
}

// Converts a texel by texture type into a premultiplied colour.
void ConvertTexel(int texType, float* c)
{
  if (texType == kMVGTexRGBA)
  {
    c[0] *= c[3];
    c[1] *= c[3];
    c[2] *= c[3];
  }
  else if (texType == kMVGTexAlpha)
  {
    c[1] = c[2] = c[3] = c[0];
  }
}
} // namespace

float vgRoundedBoxDistance(float px, float py, float extx, float exty, float rad)
{
  float e2x = extx - rad, e2y = exty - rad;
  float dx = std::fabs(px) - e2x, dy = std::fabs(py) - e2y;
  float outx = std::max(dx, 0.0f), outy = std::max(dy, 0.0f);
  return std::min(std::max(dx, dy), 0.0f) + std::sqrt(outx * outx + outy * outy) - rad;
}

float vgScissorCoverage(const MVGfragUniforms& frag, float x, float y)
{
  float sx, sy;
  ApplyMat(frag.scissorMat, x, y, &sx, &sy);
  // Soft over one fringe: scissorScale already divides by the fringe width.
  float cx = 0.5f - (std::fabs(sx) - frag.scissorExt[0]) * frag.scissorScale[0];
  float cy = 0.5f - (std::fabs(sy) - frag.scissorExt[1]) * frag.scissorScale[1];
  return std::clamp(cx, 0.0f, 1.0f) * std::clamp(cy, 0.0f, 1.0f);
}

float vgStrokeCoverage(const MVGfragUniforms& frag, float u, float v)
{
  return std::min(1.0f, (1.0f - std::fabs(u * 2.0f - 1.0f)) * frag.strokeMult) * std::min(1.0f, v);
}

bool vgShadeFragment(const MVGfragUniforms& frag, float x, float y, float u, float v, bool antialias,
                     const MVGsampler* sampler, float* rgba)
{
  float scissor = vgScissorCoverage(frag, x, y);
  // For text (u, v) are atlas coordinates, not coverage coordinates: glyphs get no stroke coverage.
  float strokeAlpha = 1.0f;
  if (antialias && frag.type != kMVGShaderImage)
  {
    strokeAlpha = vgStrokeCoverage(frag, u, v);
    if (strokeAlpha < frag.strokeThr) return false;
  }

  float c[4];
  if (frag.type == kMVGShaderFillGradient)
  {
    float px, py;
    ApplyMat(frag.paintMat, x, y, &px, &py);
    float dist = vgRoundedBoxDistance(px, py, frag.extent[0], frag.extent[1], frag.radius);
    float d;
    if (frag.feather > 0.0f)
      d = std::clamp((dist + frag.feather * 0.5f) / frag.feather, 0.0f, 1.0f);
    else // no ramp: the hard edge of the box
      d = dist > 0.0f ? 1.0f : (dist < 0.0f ? 0.0f : 0.5f);
    for (int i = 0; i < 4; i++)
      c[i] = frag.innerCol[i] * (1.0f - d) + frag.outerCol[i] * d;
  }
  else if (frag.type == kMVGShaderFillImage)
  {
    float px, py;
    ApplyMat(frag.paintMat, x, y, &px, &py);
    float s = frag.extent[0] != 0.0f ? px / frag.extent[0] : 0.0f;
    float t = frag.extent[1] != 0.0f ? py / frag.extent[1] : 0.0f;
    Sample(sampler, s, t, c);
    ConvertTexel(frag.texType, c);
    for (int i = 0; i < 4; i++)
      c[i] *= frag.innerCol[i];
  }
  else
  {
    Sample(sampler, u, v, c);
    ConvertTexel(frag.texType, c);
    for (int i = 0; i < 4; i++)
      c[i] *= frag.innerCol[i];
  }

  float k = scissor * strokeAlpha;
  for (int i = 0; i < 4; i++)
    rgba[i] = c[i] * k;
  return true;
}
} // namespace iplugin::igraphics
