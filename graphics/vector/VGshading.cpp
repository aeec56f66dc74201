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

inline float RoundedBoxDistance(float px, float py, float extx, float exty, float rad)
{
  float e2x = extx - rad, e2y = exty - rad;
  float dx = std::fabs(px) - e2x, dy = std::fabs(py) - e2y;
  float outx = std::max(dx, 0.0f), outy = std::max(dy, 0.0f);
  return std::min(std::max(dx, dy), 0.0f) + std::sqrt(outx * outx + outy * outy) - rad;
}

inline float ScissorCoverage(const MVGfragUniforms& frag, float x, float y)
{
  float sx, sy;
  ApplyMat(frag.scissorMat, x, y, &sx, &sy);
  // Soft over one fringe: scissorScale already divides by the fringe width.
  float cx = 0.5f - (std::fabs(sx) - frag.scissorExt[0]) * frag.scissorScale[0];
  float cy = 0.5f - (std::fabs(sy) - frag.scissorExt[1]) * frag.scissorScale[1];
  return std::clamp(cx, 0.0f, 1.0f) * std::clamp(cy, 0.0f, 1.0f);
}

inline float StrokeCoverage(const MVGfragUniforms& frag, float u, float v)
{
  return std::min(1.0f, (1.0f - std::fabs(u * 2.0f - 1.0f)) * frag.strokeMult) * std::min(1.0f, v);
}

// The gradient's blend position at paint-space point (px, py).
inline float GradientPosition(const MVGfragUniforms& frag, float px, float py)
{
  float dist = RoundedBoxDistance(px, py, frag.extent[0], frag.extent[1], frag.radius);
  if (frag.feather > 0.0f) return std::clamp((dist + frag.feather * 0.5f) / frag.feather, 0.0f, 1.0f);
  // no ramp: the hard edge of the box
  return dist > 0.0f ? 1.0f : (dist < 0.0f ? 0.0f : 0.5f);
}

constexpr int kSpanBlock = 64;

void ShadeBlock(const MVGfragUniforms& frag, const float* x, const float* y, const float* u, const float* v,
                int n, bool antialias, const MVGsampler* sampler, float (*rgba)[4], unsigned char* keep)
{
  float k[kSpanBlock];
  if (antialias && frag.type != kMVGShaderImage)
    for (int i = 0; i < n; ++i)
    {
      k[i] = StrokeCoverage(frag, u[i], v[i]);
      keep[i] = k[i] < frag.strokeThr ? 0 : 1;
    }
  else
    for (int i = 0; i < n; ++i)
      k[i] = 1.0f, keep[i] = 1;
  if (!rgba) return;

  bool scissored = false;
  for (float m : frag.scissorMat)
    scissored = scissored || m != 0.0f;
  if (scissored)
    for (int i = 0; i < n; ++i)
      k[i] = ScissorCoverage(frag, x[i], y[i]) * k[i];
  else
  {
    // Without a scissor the transform is zero and every point maps to the middle.
    const float c = ScissorCoverage(frag, 0.0f, 0.0f);
    for (int i = 0; i < n; ++i)
      k[i] = c * k[i];
  }

  if (frag.type == kMVGShaderFillGradient)
  {
    const float* in = frag.innerCol;
    const float* out = frag.outerCol;
    if (in[0] == out[0] && in[1] == out[1] && in[2] == out[2] && in[3] == out[3])
    {
      // One colour: the blend position does not matter.
      for (int i = 0; i < n; ++i)
        for (int c = 0; c < 4; ++c)
          rgba[i][c] = in[c] * k[i];
      return;
    }
    // Loops without branches on the uniforms inside, so that the compiler can vectorise them.
    const float* m = frag.paintMat;
    const float extx = frag.extent[0], exty = frag.extent[1], rad = frag.radius, feather = frag.feather;
    float d[kSpanBlock];
    for (int i = 0; i < n; ++i)
      d[i] = RoundedBoxDistance(m[0] * x[i] + m[4] * y[i] + m[8], m[1] * x[i] + m[5] * y[i] + m[9], extx,
                                exty, rad);
    if (feather > 0.0f)
      for (int i = 0; i < n; ++i)
        d[i] = std::clamp((d[i] + feather * 0.5f) / feather, 0.0f, 1.0f);
    else
      for (int i = 0; i < n; ++i)
        d[i] = GradientPosition(frag, m[0] * x[i] + m[4] * y[i] + m[8], m[1] * x[i] + m[5] * y[i] + m[9]);
    for (int i = 0; i < n; ++i)
      for (int c = 0; c < 4; ++c)
        rgba[i][c] = (in[c] * (1.0f - d[i]) + out[c] * d[i]) * k[i];
    return;
  }

  float s[kSpanBlock], t[kSpanBlock];
  const float *ss = u, *ts = v;
  if (frag.type == kMVGShaderFillImage)
  {
    for (int i = 0; i < n; ++i)
    {
      float px, py;
      ApplyMat(frag.paintMat, x[i], y[i], &px, &py);
      s[i] = frag.extent[0] != 0.0f ? px / frag.extent[0] : 0.0f;
      t[i] = frag.extent[1] != 0.0f ? py / frag.extent[1] : 0.0f;
    }
    ss = s, ts = t;
  }
  if (sampler && sampler->sampleSpan)
    sampler->sampleSpan(sampler->user, ss, ts, n, rgba);
  else
    for (int i = 0; i < n; ++i)
      Sample(sampler, ss[i], ts[i], rgba[i]);
  for (int i = 0; i < n; ++i)
  {
    ConvertTexel(frag.texType, rgba[i]);
    for (int c = 0; c < 4; ++c)
      rgba[i][c] = rgba[i][c] * frag.innerCol[c] * k[i];
  }
}
} // namespace

void vgShadeSpan(const MVGfragUniforms& frag, const float* x, const float* y, const float* u, const float* v,
                 int n, bool antialias, const MVGsampler* sampler, float (*rgba)[4], unsigned char* keep)
{
  for (int b = 0; b < n; b += kSpanBlock)
    ShadeBlock(frag, x + b, y + b, u + b, v + b, std::min(kSpanBlock, n - b), antialias, sampler,
               rgba ? rgba + b : nullptr, keep + b);
}

float vgRoundedBoxDistance(float px, float py, float extx, float exty, float rad)
{
  return RoundedBoxDistance(px, py, extx, exty, rad);
}

float vgScissorCoverage(const MVGfragUniforms& frag, float x, float y)
{
  return ScissorCoverage(frag, x, y);
}

float vgStrokeCoverage(const MVGfragUniforms& frag, float u, float v)
{
  return StrokeCoverage(frag, u, v);
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
    float d = GradientPosition(frag, px, py);
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
