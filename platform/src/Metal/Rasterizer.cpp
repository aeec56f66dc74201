// The software GPU's rasteriser. Coverage is decided on pixel centres in fixed point with 8 fractional bits
// and a top-left rule, so triangles that share an edge cover each pixel on it exactly once and stencil
// winding counts stay exact. Facing follows the clip-space orientation (y up), as on the platform.
#include "platform/src/Metal/RasterDraw.h"
#include "platform/src/Metal/FixedFunction.h"
#include "platform/src/Metal/SourceOver.h"
#include "platform/src/Metal/TexelBlend.h"

#include <QorvPlatform/Metal.h>
#include <QorvPlatform/MetalShaders.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace qorv_raster
{
void Draw::Shade(uint32_t id, Vertex& v) const
{
  QorvVertexIn in;
  in.vertexId = id;
  in.buffers = vertexBuffers;
  for (int a = 0; a < kQorvMaxAttributes; ++a)
  {
    float* out = in.attributes[a];
    out[0] = out[1] = out[2] = 0, out[3] = 1;
    const auto& attr = vd->attributes[a];
    NSUInteger size = QorvAttributeSize(attr.format);
    if (size == 0 || attr.bufferIndex >= QorvDrawState::kSlots) continue;
    const auto& layout = vd->layouts[attr.bufferIndex];
    const QorvShaderBuffer& b = vertexBuffers[attr.bufferIndex];
    NSUInteger at =
        attr.offset + (layout.stepFunction == MTLVertexStepFunctionPerVertex ? layout.stride * id : 0);
    if (b.data && at + size <= b.length) // out-of-range fetches read zeros, as with robust buffer access
      QorvFetchAttribute(attr.format, b.data + at, out);
  }
  QorvVertexOut out{};
  vertexCode->vertex(in, out);
  float w = out.position[3];
  v.valid = w > 0 && std::isfinite(out.position[0]) && std::isfinite(out.position[1]);
  if (!v.valid) return;
  const MTLViewport& vp = state->viewport;
  double nx = out.position[0] / w, ny = out.position[1] / w;
  v.fx = RoundToFixed(std::clamp(vp.originX + (nx + 1) * 0.5 * vp.width, -kCoordLimit, kCoordLimit));
  v.fy = RoundToFixed(std::clamp(vp.originY + (1 - ny) * 0.5 * vp.height, -kCoordLimit, kCoordLimit));
  v.z = out.position[2] / w;
  std::memcpy(v.varyings, out.varyings, sizeof(float) * varyings);
}

const Draw::StencilTable* Draw::TableFor(bool front) const
{
  if (!stencil || !state->depthStencil) return nullptr;
  const MTLDepthStencilState::Face& face = front ? state->depthStencil->front() : state->depthStencil->back();
  if (!face.enabled) return nullptr;
  StencilTable& t = stencilTables[front];
  if (tableBuilt[front]) return &t;
  const MTLStencilDescriptor& d = face.stencil;
  for (uint32_t v = 0; v < 256; ++v)
  {
    bool pass =
        QorvStencilCompare(d.stencilCompareFunction, state->stencilReference & d.readMask, v & d.readMask);
    t.pass[v] = pass;
    t.next[v] = QorvStencilApply(pass ? d.depthStencilPassOperation : d.stencilFailureOperation, (uint8_t)v,
                                 state->stencilReference, d.writeMask);
  }
  tableBuilt[front] = true;
  return &t;
}

void Draw::Blend(unsigned char* p, const float colourOut[4]) const
{
  const MTLPixelFormat format = colourFormat;
  float src[4], dst[4], out[4];
  for (int i = 0; i < 4; ++i)
    src[i] = QorvClampUnit(colourOut[i]);
  if (sourceOver && (format == MTLPixelFormatRGBA8Unorm || format == MTLPixelFormatBGRA8Unorm))
  {
    // The renderer's usual blend on 8-bit colour, without the general factor table.
    if (src[3] == 0 && src[0] == 0 && src[1] == 0 && src[2] == 0) return;
    const int r = format == MTLPixelFormatRGBA8Unorm ? 0 : 2, b = 2 - r;
    const float keep = (1.0f - src[3]) * (1.0f / 255.0f);
    float o[4] = {src[0] + p[r] * keep, src[1] + p[1] * keep, src[2] + p[b] * keep, src[3] + p[3] * keep};
    p[r] = QorvRoundToByte(o[0]), p[1] = QorvRoundToByte(o[1]), p[b] = QorvRoundToByte(o[2]),
    p[3] = QorvRoundToByte(o[3]);
    return;
  }
  QorvLoadPixel(format, p, dst);
  if (blend->blendingEnabled)
  {
    for (int i = 0; i < 3; ++i)
      out[i] = QorvBlendCombine(blend->rgbBlendOperation,
                                src[i] * QorvBlendFactor(blend->sourceRGBBlendFactor, src, dst, i),
                                dst[i] * QorvBlendFactor(blend->destinationRGBBlendFactor, src, dst, i));
    out[3] = QorvBlendCombine(blend->alphaBlendOperation,
                              src[3] * QorvBlendFactor(blend->sourceAlphaBlendFactor, src, dst, 3),
                              dst[3] * QorvBlendFactor(blend->destinationAlphaBlendFactor, src, dst, 3));
  }
  else
    std::memcpy(out, src, sizeof out);
  const MTLColorWriteMask channel[4] = {MTLColorWriteMaskRed, MTLColorWriteMaskGreen, MTLColorWriteMaskBlue,
                                        MTLColorWriteMaskAlpha};
  for (int i = 0; i < 4; ++i)
    if (!(blend->writeMask & channel[i])) out[i] = dst[i];
  QorvStorePixel(format, out, p);
}

// la * va + lb * vb + lc * vc with lc = 1 - la - lb is linear along the row: a start and a step, stepped in
// float (over a span the error stays far below a colour level). A varying that is the same at all three
// vertices (fill interiors) is that value throughout, with a step of 0.
void Draw::VaryingStarts(const Span& sp, int from, float* start) const
{
  VaryingTerms(sp, varyings).Starts(sp.e0 + from * sp.s0, sp.e1 + from * sp.s1, start);
}

void Draw::SpanIn(const Span& sp, int from, int count, QorvFragmentSpanIn& in) const
{
  VaryingStarts(sp, from, in.start);
  const Vertex &a = *sp.a, &b = *sp.b, &c = *sp.c;
  const double s0 = (double)sp.s0, s1 = (double)sp.s1;
  for (int k = 0; k < varyings; ++k)
  {
    const double va = a.varyings[k], vb = b.varyings[k], vc = c.varyings[k];
    in.step[k] = va == vc && vb == vc ? 0.0f : (float)((s0 * (va - vc) + s1 * (vb - vc)) * sp.inv);
  }
  in.x = sp.x0 + from;
  in.y = sp.y;
  in.count = count;
  in.frontFacing = sp.front;
  in.buffers = fragmentBuffers;
  in.textures = textures;
  in.samplers = samplers;
}

bool Draw::OneColourRow(const Span& sp, int n, QorvFragmentSpanIn& in) const
{
  const bool rgba8 = colourFormat == MTLPixelFormatRGBA8Unorm,
             bgra8 = colourFormat == MTLPixelFormatBGRA8Unorm;
  if (!colour || !fragmentCode || !fragmentCode->fragmentSpan || !fragmentCode->fragmentSpanColour ||
      !sourceOver || !(rgba8 || bgra8))
    return false;
  if (in.count != n) SpanIn(sp, 0, n, in);
  float one[4];
  if (!fragmentCode->fragmentSpanColour(in, one)) return false;
  unsigned char* crow = &colourPixels[((size_t)sp.y * colourWidth + sp.x0) * colourBytes];
  rgba8 ? QorvSourceOverRowOne<false>(crow, one, nullptr, n)
        : QorvSourceOverRowOne<true>(crow, one, nullptr, n);
  return true;
}

namespace
{
bool AllOne(const float* k, int n)
{
  int i = 0;
#if defined(__SSE2__)
  for (const __m128 one = _mm_set1_ps(1.0f); i + 4 <= n; i += 4)
    if (_mm_movemask_ps(_mm_cmpeq_ps(_mm_loadu_ps(k + i), one)) != 0xF) return false;
#endif
  for (; i < n; ++i)
    if (k[i] != 1.0f) return false;
  return true;
}

// A texel as the filter gives it with one weight of 1 / 255, turned premultiplied when straight, times the
// coverage (after the shader's multiplication by a white inner colour).
inline void ShadeTexel(const unsigned char* c, bool straight, float k, float out[4])
{
  const float w = 1.0f / 255.0f;
#if defined(__SSE2__)
  uint32_t bytes;
  std::memcpy(&bytes, c, 4);
  const __m128i z = _mm_setzero_si128();
  __m128 v = _mm_mul_ps(_mm_cvtepi32_ps(_mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128((int)bytes), z), z)),
                        _mm_set1_ps(w));
  if (straight)
  {
    const __m128 rgb = _mm_castsi128_ps(_mm_setr_epi32(-1, -1, -1, 0));
    const __m128 times = _mm_mul_ps(v, _mm_shuffle_ps(v, v, _MM_SHUFFLE(3, 3, 3, 3)));
    v = _mm_or_ps(_mm_and_ps(rgb, times), _mm_andnot_ps(rgb, v));
  }
  _mm_storeu_ps(out, _mm_mul_ps(_mm_mul_ps(v, _mm_set1_ps(1.0f)), _mm_set1_ps(k)));
#else
  for (int j = 0; j < 4; ++j)
    out[j] = (float)c[j] * w;
  if (straight)
    for (int j = 0; j < 3; ++j)
      out[j] *= out[3];
  for (int j = 0; j < 4; ++j)
    out[j] = out[j] * 1.0f * k;
#endif
}
// Rows this short (a fringe's column) are blended a texel at a time, without a row's set-up: what
// QorvTexelRowOver gives them.
constexpr int kFewTexels = 4;
template <bool Bgra, bool Straight> inline void TexelsOverFew(const unsigned char* t, unsigned char* p, int n)
{
  for (int i = 0; i < n; ++i, t += 4, p += 4)
  {
    if (t[3] == 0 && (Straight || (t[0] | t[1] | t[2]) == 0)) continue;
    if (t[3] == 255)
      QorvCopyTexels(t, p, 1, Bgra);
    else
      QorvBlendTexelScalar<Bgra, Straight>(t, p);
  }
}
inline void TexelsOverFew(const unsigned char* t, unsigned char* p, int n, bool bgra, bool straight)
{
  if (bgra)
    straight ? TexelsOverFew<true, true>(t, p, n) : TexelsOverFew<true, false>(t, p, n);
  else
    straight ? TexelsOverFew<false, true>(t, p, n) : TexelsOverFew<false, false>(t, p, n);
}
} // namespace

bool Draw::TexelRun(const Span& sp, int from, int to, const QorvFragmentSpanIn& in) const
{
  const bool rgba8 = colourFormat == MTLPixelFormatRGBA8Unorm,
             bgra8 = colourFormat == MTLPixelFormatBGRA8Unorm;
  if (sp.table || !(sourceOver || replaces) || !(rgba8 || bgra8) || !fragmentCode->fragmentSpanSamples ||
      !QorvMetalTexelCopies())
    return false;
  const int m = to - from;
  float s[kPiece], t[kPiece], k[kPiece];
  bool straight = false;
  const unsigned char* texels[kPiece];
  const unsigned char* row = nullptr;
  QorvSpanSamplesForm form;
  if (!fragmentCode->fragmentSpanSamples(in, s, t, k, &straight, &form) ||
      !QorvTexelCentres(textures[0], samplers[0], form.sValues ? form.sValues : s, t, m, texels, &row, form,
                        reinterpret_cast<const void*>(fragmentCode->fragmentSpanSamples)))
    return false;
  auto texel = [&](int i) { return row ? row + (size_t)i * 4 : texels[i]; };
  unsigned char* crow = &colourPixels[((size_t)sp.y * colourWidth + sp.x0 + from) * colourBytes];
  // Texels side by side, all covered whole: runs of opaque and of transparent ones are found a few at a time.
  const bool plainRow = row && (form.kOne || AllOne(k, m));
  if (plainRow && !(replaces && straight))
  {
    // Blended straight from the texels, without their colours and write flags in between; premultiplied ones
    // that replace the target are its bytes at any alpha.
    static const QorvTexelBlendIsa isa = QorvBestTexelBlendIsa();
    if (replaces)
      QorvCopyTexels(row, crow, m, bgra8);
    else
      QorvTexelRowOver(row, crow, m, bgra8, straight, isa);
    QorvCountTexelsCopied((uint64_t)m);
    return true;
  }
  if (form.kOne) std::fill(k, k + m, 1.0f);
  // Weighs the destination by zero and rounds back to the texel's bytes (a premultiplied texel that replaces
  // the target does so at any alpha).
  auto asStored = [&](int i) { return k[i] == 1.0f && (texel(i)[3] == 255 || (replaces && !straight)); };
  // The rest are shaded as the filter and the shader would (the sum with one weight of 1 / 255, the
  // conversion, the coverage) and blended together afterwards.
  float colour[kPiece][4];
  unsigned char write[kPiece];
  bool blended = false;
  const uint32_t alpha = 0xFF000000u;
  for (int i = 0; i < m;)
  {
    if (asStored(i))
    {
      // A run of such texels side by side in the texture goes over in one copy.
      int j = i + 1;
      if (plainRow)
        j += QorvTexelsLike(row + (size_t)j * 4, m - j, alpha, alpha);
      else
        while (j < m && (row || texels[j] == texels[j - 1] + 4) && asStored(j))
          ++j;
      std::memset(write + i, 0, (size_t)(j - i));
      QorvCopyTexels(texel(i), crow + (size_t)i * 4, j - i, bgra8);
      i = j;
      continue;
    }
    const unsigned char* c = texel(i);
    write[i] = replaces || (k[i] != 0.0f && (c[3] != 0 || (!straight && (c[0] | c[1] | c[2]) != 0)));
    if (write[i])
    {
      ShadeTexel(c, straight, k[i], colour[i]);
      blended = true;
    }
    ++i;
  }
  if (blended)
  {
    if (!replaces)
      rgba8 ? QorvSourceOverRow<false>(crow, colour, write, m) : QorvSourceOverRow<true>(crow, colour, write, m);
    else
      for (int i = 0; i < m; ++i)
        if (write[i])
        {
          unsigned char* p = crow + (size_t)i * 4;
          const int r = rgba8 ? 0 : 2;
          p[r] = QorvRoundToByte(QorvClampUnit(colour[i][0])), p[1] = QorvRoundToByte(QorvClampUnit(colour[i][1]));
          p[2 - r] = QorvRoundToByte(QorvClampUnit(colour[i][2]));
          p[3] = QorvRoundToByte(QorvClampUnit(colour[i][3]));
        }
  }
  QorvCountTexelsCopied((uint64_t)m);
  return true;
}

bool Draw::TexelRects() const
{
  return colour && fragmentCode && fragmentCode->fragmentSpanSamples && fragmentCode->fragmentRectSamples &&
         (sourceOver || replaces) &&
         (colourFormat == MTLPixelFormatRGBA8Unorm || colourFormat == MTLPixelFormatBGRA8Unorm) &&
         QorvMetalTexelCopies() && QorvMetalTexelRects();
}

void Draw::AskRect(const SpanRun& run, RectAnswer& answer) const
{
  const size_t count = (size_t)run.count;
  const int n = run.n;
  auto& [in, any, straight, starts, t, whole, centred, texels] = answer;
  starts.resize(count);
  t.assign(count, 0.0f);
  whole.assign(count, 0);
  texels.assign(count, nullptr);
  centred.assign(count, 0);
  float s[kPiece];
  QorvSpanSamplesForm form;
  SpanIn(run.first, 0, n, in);
  starts[0] = std::to_array(in.start);
  using Starts = const float(*)[kQorvMaxVaryings];
  const VaryingTerms terms(run.first, varyings);
  for (int r = 1; r < run.count; ++r)
    terms.Starts(run.first.e0 + r * run.e0Step, run.first.e1 + r * run.e1Step, starts[(size_t)r].data());
  const void* namer = reinterpret_cast<const void*>(fragmentCode->fragmentSpanSamples);
  any = fragmentCode->fragmentRectSamples(in, reinterpret_cast<Starts>(starts.data()), run.count, s, t.data(),
                                          whole.data(), &straight, &form) &&
        QorvTexelRowsCentres(textures[0], samplers[0], form.sValues ? form.sValues : s, n, t.data(), run.count,
                             texels.data(), centred.data(), form, namer);
  // A straight texel that replaces the target is not its bytes unless opaque: left to Row.
  any = any && !(replaces && straight);
}

void Draw::TexelRect(const SpanRun& run) const
{
  const int count = run.count, n = run.n;
  // Rows wider than a piece are taken in pieces of columns, as Row takes a row's texels: the shader is asked
  // piece by piece, and then the rows are drawn one after the other, each with all its pieces.
  struct Piece
  {
    SpanRun run;
    RectAnswer answer;
  };
  thread_local std::vector<Piece> kept;
  const int pieceCount = (n + kPiece - 1) / kPiece;
  if ((int)kept.size() < pieceCount) kept.resize((size_t)pieceCount);
  Piece* const pieces = kept.data(); // nothing below draws another rectangle on this thread
  bool anyPiece = false;
  for (int p = 0; p < pieceCount; ++p)
  {
    Piece& piece = pieces[p];
    const int from = p * kPiece;
    piece.run = run;
    piece.run.first.x0 += from;
    piece.run.first.e0 += from * run.first.s0;
    piece.run.first.e1 += from * run.first.s1;
    piece.run.n = std::min(kPiece, n - from);
    AskRect(piece.run, piece.answer);
    anyPiece = anyPiece || piece.answer.any;
  }
  static const QorvTexelBlendIsa isa = QorvBestTexelBlendIsa();
  const bool bgra8 = colourFormat == MTLPixelFormatBGRA8Unorm;
  uint64_t taken = 0, texelsTaken = 0;
  unsigned char* crow = &colourPixels[((size_t)run.first.y * colourWidth + run.first.x0) * colourBytes];
  const size_t rowBytes = colourWidth * colourBytes;
  for (int r = 0; r < count; ++r, crow += rowBytes)
  {
    if (!anyPiece)
    {
      Row(run.RowAt(r), n);
      continue;
    }
    for (int p = 0; p < pieceCount; ++p)
    {
      const SpanRun& piece = pieces[p].run;
      const RectAnswer& answer = pieces[p].answer;
      const size_t i = (size_t)r;
      const int m = piece.n;
      const unsigned char cover = answer.any ? answer.whole[i] : 0;
      unsigned char* at = crow + (size_t)p * kPiece * colourBytes;
      // Without coverage the texels need only fall on centres.
      if (cover != 0 && (cover == 2 ? answer.centred[i] && !replaces : answer.texels[i] != nullptr) &&
          (m <= kChunk || ChunksStepAlike(piece.RowAt(r), 0, m, answer.starts[i].data(), answer.in.step)))
      {
        // Texels with no coverage leave the target as it is.
        if (cover == 2)
          ;
        else if (replaces)
          QorvCopyTexels(answer.texels[i], at, m, bgra8);
        else if (m <= kFewTexels)
          TexelsOverFew(answer.texels[i], at, m, bgra8, answer.straight);
        else
          QorvTexelRowOver(answer.texels[i], at, m, bgra8, answer.straight, isa);
        ++taken;
        texelsTaken += (uint64_t)m;
      }
      else
        Row(piece.RowAt(r), m);
    }
  }
  if (taken == 0) return;
  QorvCountTexelsCopied(texelsTaken);
  QorvCountTexelRectRows(taken);
}

void Draw::Run(const Span& sp, int from, int to, const QorvFragmentSpanIn* ready, bool askColour,
               bool askTexels) const
{
  const int m = to - from;
  const bool writeColour = colour && fragmentCode && blend->writeMask != MTLColorWriteMaskNone;
  unsigned char keep[kChunk];
  float colourOut[kChunk][4];
  bool oneColour = false; // every fragment kept, with colourOut[0]
  if (fragmentCode)
  {
    float vary[kQorvMaxVaryings][kChunk];
    QorvFragmentSpanIn in;
    if (ready)
      in = *ready;
    else
      SpanIn(sp, from, m, in);
    if (askTexels && writeColour && TexelRun(sp, from, to, in)) return;
    if (askColour && writeColour && fragmentCode->fragmentSpan && fragmentCode->fragmentSpanColour &&
        fragmentCode->fragmentSpanColour(in, colourOut[0]))
    {
      oneColour = true;
      std::memset(keep, 1, (size_t)m);
    }
    else
    {
      for (int k = 0; k < varyings; ++k)
      {
        float* out = vary[k];
        const float fb = in.start[k], fs = in.step[k];
        int t = 0;
#if defined(__SSE2__)
        const __m128 b4 = _mm_set1_ps(fb), s4 = _mm_set1_ps(fs), four = _mm_set1_ps(4.0f);
        for (__m128 t4 = _mm_setr_ps(0, 1, 2, 3); t + 4 <= m; t += 4, t4 = _mm_add_ps(t4, four))
          _mm_storeu_ps(out + t, _mm_add_ps(b4, _mm_mul_ps(t4, s4)));
#endif
        for (; t < m; ++t)
          out[t] = fb + (float)t * fs;
      }
      for (int k = 0; k < kQorvMaxVaryings; ++k)
        in.varyings[k] = vary[k];
    }
    if (oneColour)
      ; // shaded already
    else if (fragmentCode->fragmentSpan)
      fragmentCode->fragmentSpan(in, writeColour ? colourOut : nullptr, keep);
    else
    {
      const int64_t e0 = sp.e0 + from * sp.s0, e1 = sp.e1 + from * sp.s1;
      const Vertex &a = *sp.a, &b = *sp.b, &c = *sp.c;
      for (int t = 0; t < m; ++t)
      {
        const double la = (double)(e0 + t * sp.s0) * sp.inv, lb = (double)(e1 + t * sp.s1) * sp.inv;
        float v[kQorvMaxVaryings];
        for (int k = 0; k < varyings; ++k)
          v[k] = vary[k][t];
        QorvFragmentIn one;
        one.position[0] = sp.x0 + from + t + 0.5f;
        one.position[1] = sp.y + 0.5f;
        one.position[2] = (float)(la * a.z + lb * b.z + (1 - la - lb) * c.z);
        one.position[3] = 1;
        one.varyings = v;
        one.frontFacing = sp.front;
        one.buffers = fragmentBuffers;
        one.textures = textures;
        one.samplers = samplers;
        colourOut[t][0] = colourOut[t][1] = colourOut[t][2] = colourOut[t][3] = 0;
        keep[t] = fragmentCode->fragment(one, colourOut[t]) ? 1 : 0;
      }
    }
  }
  else
    std::memset(keep, 1, (size_t)m);
  // Stencil first: each pixel's own test and update, leaving which fragments reach the colour.
  uint8_t* srow = sp.table ? &stencilPixels[(size_t)sp.y * stencilWidth + sp.x0 + from] : nullptr;
  unsigned char write[kChunk];
  if (srow)
    for (int t = 0; t < m; ++t)
    {
      const uint8_t s = srow[t];
      write[t] = 0;
      if (!keep[t]) continue;
      srow[t] = sp.table->next[s];
      write[t] = sp.table->pass[s] ? 1 : 0;
    }
  else
    std::memcpy(write, keep, (size_t)m);
  if (!writeColour) return;
  unsigned char* crow = &colourPixels[((size_t)sp.y * colourWidth + sp.x0 + from) * colourBytes];
  const bool rgba8 = colourFormat == MTLPixelFormatRGBA8Unorm,
             bgra8 = colourFormat == MTLPixelFormatBGRA8Unorm;
  if (oneColour && sourceOver && (rgba8 || bgra8))
    rgba8 ? QorvSourceOverRowOne<false>(crow, colourOut[0], write, m)
          : QorvSourceOverRowOne<true>(crow, colourOut[0], write, m);
  else if (sourceOver && (rgba8 || bgra8))
    rgba8 ? QorvSourceOverRow<false>(crow, colourOut, write, m)
          : QorvSourceOverRow<true>(crow, colourOut, write, m);
  else
    for (int t = 0; t < m; ++t)
      if (write[t]) Blend(crow + (size_t)t * colourBytes, colourOut[oneColour ? 0 : t]);
}

bool Draw::ChunksStepAlike(const Span& sp, int from, int count, const float* start, const float* step) const
{
  for (int k = 0; k < varyings; ++k)
    if (!SteppedExactly(start[k], step[k], count)) return false;
  // A chunk's steps are the row's: they do not depend on where it starts.
  float chunk[kQorvMaxVaryings];
  const VaryingTerms terms(sp, varyings);
  for (int off = kChunk; off < count; off += kChunk)
  {
    terms.Starts(sp.e0 + (from + off) * sp.s0, sp.e1 + (from + off) * sp.s1, chunk);
    for (int k = 0; k < varyings; ++k)
      if ((double)chunk[k] != (double)start[k] + (double)off * (double)step[k]) return false;
  }
  return true;
}

void Draw::Row(const Span& sp, int n) const
{
  if (!sp.table)
  {
    // The row's input is made once. Both shortcuts give the general path's bytes, so texels taken one for one
    // are asked first, a piece at a time where its chunks step alike, and then one colour; a short row's
    // chunk takes the same input, and no chunk asks again what the row was asked.
    QorvFragmentSpanIn in;
    in.count = 0;
    int i = 0;
    bool texelsAsked = false;
    if (colour && fragmentCode && fragmentCode->fragmentSpanSamples && (sourceOver || replaces))
    {
      texelsAsked = true;
      for (QorvFragmentSpanIn piece; i < n; i += kPiece)
      {
        const int m = std::min(kPiece, n - i);
        SpanIn(sp, i, m, piece);
        if (m == n) in = piece;
        if ((m > kChunk && !ChunksStepAlike(sp, i, piece)) || !TexelRun(sp, i, i + m, piece)) break;
      }
      if (i >= n) return;
    }
    if (i == 0 && OneColourRow(sp, n, in)) return;
    for (; i < n; i += kChunk)
      Run(sp, i, std::min(n, i + kChunk), in.count == n && n <= kChunk ? &in : nullptr, false,
          !(texelsAsked && n <= kChunk));
    return;
  }
  const uint8_t* srow = &stencilPixels[(size_t)sp.y * stencilWidth + sp.x0];
  auto live = [&](int i) { return sp.table->pass[srow[i]] || sp.table->next[srow[i]] != srow[i]; };
  int i = 0;
  while (i < n)
  {
    while (i < n && !live(i))
      ++i;
    int j = i;
    while (j < n && j - i < kChunk && live(j))
      ++j;
    if (j > i) Run(sp, i, j);
    i = j;
  }
}

void Draw::Triangle(const Vertex* v0, const Vertex* v1, const Vertex* v2, int band, int bands) const
{
  if (!v0->valid || !v1->valid || !v2->valid) return;
  int64_t X[3], Y[3];
  const Vertex* v[3] = {v0, v1, v2};
  for (int i = 0; i < 3; ++i)
    Y[i] = v[i]->fy;
  if (bands > 1)
  {
    // Most small triangles lie in another band's rows: leave them before the rest of the set-up.
    int64_t minY = std::min({Y[0], Y[1], Y[2]}), maxY = std::max({Y[0], Y[1], Y[2]});
    int64_t top = std::max<int64_t>(clipY0, -((kOne / 2 - minY) >> kSubBits)); // ceil, by shifting
    int64_t bottom = std::min<int64_t>(clipY1 - 1, (maxY - kOne / 2) >> kSubBits);
    if (top > bottom || !BandHasRows(top, bottom, band, bands)) return;
  }
  for (int i = 0; i < 3; ++i)
    X[i] = v[i]->fx;
  int64_t area = (X[1] - X[0]) * (Y[2] - Y[0]) - (Y[1] - Y[0]) * (X[2] - X[0]);
  if (area == 0) return;
  // Window y runs down, so a positive area here is clockwise in clip space.
  bool clockwise = area > 0;
  bool front = (state->frontFacingWinding == MTLWindingClockwise) == clockwise;
  if ((state->cullMode == MTLCullModeBack && !front) || (state->cullMode == MTLCullModeFront && front))
    return;
  if (area < 0)
  {
    std::swap(X[1], X[2]);
    std::swap(Y[1], Y[2]);
    std::swap(v[1], v[2]);
    area = -area;
  }
  int64_t minX = std::min({X[0], X[1], X[2]}), maxX = std::max({X[0], X[1], X[2]});
  int64_t minY = std::min({Y[0], Y[1], Y[2]}), maxY = std::max({Y[0], Y[1], Y[2]});
  // Pixel p is a candidate when its centre p * 256 + 128 lies inside the bounds.
  int64_t px0 = std::max<int64_t>(clipX0, CeilDiv(minX - kOne / 2, kOne));
  int64_t px1 = std::min<int64_t>(clipX1 - 1, FloorDiv(maxX - kOne / 2, kOne));
  int64_t py0 = std::max<int64_t>(clipY0, CeilDiv(minY - kOne / 2, kOne));
  int64_t py1 = std::min<int64_t>(clipY1 - 1, FloorDiv(maxY - kOne / 2, kOne));
  if (px0 > px1 || py0 > py1) return;

  // Edge k runs from vertex k+1 to k+2 and weighs vertex k; inside is where all three are >= their bias.
  int64_t stepX[3], stepY[3], bias[3], rowStart[3];
  for (int k = 0; k < 3; ++k)
  {
    const int a = (k + 1) % 3, b = (k + 2) % 3;
    const Edge e(X[a], Y[a], X[b], Y[b], px0, py0);
    bias[k] = e.bias, stepX[k] = e.stepX, stepY[k] = e.stepY, rowStart[k] = e.rowStart;
  }
  Span sp;
  sp.inv = 1.0 / (double)area;
  sp.a = v[0], sp.b = v[1], sp.c = v[2];
  sp.front = front;
  sp.table = TableFor(front);
  sp.s0 = stepX[0], sp.s1 = stepX[1];
  EdgeBound bound[3];
  bool started = false;
  int64_t bandEnd = -1; // rows below this one are in this band
  for (int64_t py = py0; py <= py1; ++py)
  {
    if (bands > 1 && py >= bandEnd)
    {
      // Jump to the next block of rows of this band.
      const int64_t next = BandRow(py, band, bands, bandEnd);
      if (next > py1) break;
      for (int k = 0; k < 3; ++k)
      {
        rowStart[k] += stepY[k] * (next - py);
        if (started) bound[k].Skip(next - py);
      }
      py = next;
    }
    if (!started)
      for (int k = 0; k < 3; ++k)
        bound[k].Start(rowStart[k], bias[k], stepX[k], stepY[k]);
    started = true;
    // The span of this row where every edge function reaches its bias.
    int64_t lo = 0, hi = px1 - px0;
    for (int k = 0; k < 3; ++k)
    {
      if (stepX[k] > 0)
        lo = std::max(lo, bound[k].Bound());
      else if (stepX[k] < 0)
        hi = std::min(hi, bound[k].Bound());
      else if (rowStart[k] < bias[k])
        hi = -1;
    }
    if (lo <= hi)
    {
      sp.y = (int)py;
      sp.x0 = (int)(px0 + lo);
      sp.e0 = rowStart[0] + lo * stepX[0];
      sp.e1 = rowStart[1] + lo * stepX[1];
      Row(sp, (int)(hi - lo + 1));
    }
    for (int k = 0; k < 3; ++k)
    {
      rowStart[k] += stepY[k];
      bound[k].Next();
    }
  }
}
} // namespace qorv_raster

using qorv_raster::Draw;
using qorv_raster::Vertex;

struct QorvRasterDraw::Shaded
{
  Draw draw;
  MTLPrimitiveType type;
  std::vector<Vertex> vertices;
  std::vector<uint32_t> reference;          // per vertex id of the draw, its entry in vertices
  std::vector<qorv_raster::ConvexFan> fans; // in the order of their triangles
  std::vector<const Vertex*> corners;       // of the fans' polygons
  // A fan (fan >= 0) or a triangle in the order it is drawn, with the bands whose rows it may reach (bit b
  // for band b), so that a band passes over the others' primitives with one test.
  struct Primitive
  {
    const Vertex* v[3];
    int fan;
    uint32_t bands;
  };
  std::vector<Primitive> primitives;
  std::vector<qorv_raster::FanRows> fanRows; // per fan
  std::vector<qorv_raster::FanEdge> fanEdges;
  int bands = 1; // that the masks were made for
  std::vector<unsigned char> shadedOnce; // per entry of vertices
  std::vector<size_t> fanStarts;         // of each fan's corners

  // The bands that rows top to bottom reach: block b of kQorvBandRows rows is band b % bands.
  uint32_t BandsOfRows(int64_t top, int64_t bottom) const
  {
    if (bands == 1) return 1;
    const uint32_t all = bands >= 32 ? ~0u : (1u << bands) - 1;
    const int64_t b0 = top / kQorvBandRows, b1 = bottom / kQorvBandRows;
    if (bands >= 32 || b1 - b0 + 1 >= bands) return all;
    uint32_t mask = 0;
    for (int64_t b = b0; b <= b1; ++b)
      mask |= 1u << (b % bands);
    return mask;
  }

  // The primitives in drawing order, leaving out triangles that reach no row of the target.
  void ListPrimitives()
  {
    const Draw& d = draw;
    auto vertex = [&](size_t i) { return &vertices[reference[i]]; };
    auto rows = [&](int64_t minY, int64_t maxY, int64_t& top, int64_t& bottom)
    {
      top = std::max<int64_t>(d.clipY0, -((qorv_raster::kOne / 2 - minY) >> qorv_raster::kSubBits));
      bottom = std::min<int64_t>(d.clipY1 - 1, (maxY - qorv_raster::kOne / 2) >> qorv_raster::kSubBits);
      return top <= bottom;
    };
    auto triangle = [&](const Vertex* a, const Vertex* b, const Vertex* c)
    {
      if (!a->valid || !b->valid || !c->valid) return;
      int64_t top, bottom;
      if (rows(std::min({a->fy, b->fy, c->fy}), std::max({a->fy, b->fy, c->fy}), top, bottom))
        primitives.push_back(Primitive{{a, b, c}, -1, BandsOfRows(top, bottom)});
    };
    fanRows.resize(fans.size());
    auto fan = [&](size_t f)
    {
      if (d.PrepareFan(fans[f], fanEdges, fanRows[f]))
        primitives.push_back(Primitive{{}, (int)f, BandsOfRows(fanRows[f].py0, fanRows[f].py1)});
    };
    const size_t count = reference.size();
    size_t f = 0;
    if (type == MTLPrimitiveTypeTriangle)
    {
      for (size_t i = 0; i + 2 < count; i += 3)
      {
        if (f < fans.size() && fans[f].firstTriangle == i / 3)
        {
          i += 3 * (fans[f].Triangles() - 1);
          fan(f++);
          continue;
        }
        triangle(vertex(i), vertex(i + 1), vertex(i + 2));
      }
      return;
    }
    // Odd triangles of a strip swap their first two vertices so the whole strip keeps one facing.
    for (size_t i = 0; i + 2 < count; ++i)
    {
      if (f < fans.size() && fans[f].firstTriangle == i)
      {
        fan(f++);
        ++i;
      }
      else if (i % 2 == 0)
        triangle(vertex(i), vertex(i + 1), vertex(i + 2));
      else
        triangle(vertex(i + 1), vertex(i), vertex(i + 2));
    }
  }

  // Fans of a triangle list, and quads of a strip, without a stencil test (a fan's triangles would each
  // count there). Their corners go into one list, which the fans point into once it is complete.
  void FindFans()
  {
    if (draw.TableFor(false) || draw.TableFor(true)) return;
    auto vertex = [&](size_t i) -> const Vertex* { return &vertices[reference[i]]; };
    std::vector<size_t>& starts = fanStarts;
    auto make = [&](size_t firstTriangle, size_t start)
    {
      qorv_raster::ConvexFan fan;
      fan.firstTriangle = firstTriangle;
      if (qorv_raster::MakeConvexFan(corners.data() + start, corners.size() - start, draw.varyings, fan))
      {
        fans.push_back(fan);
        starts.push_back(start);
      }
      else
        corners.resize(start);
    };
    if (type == MTLPrimitiveTypeTriangleStrip)
    {
      // Triangles i and i + 1, (a, b, c) and (c, b, d), cover the quad a, b, d, c.
      for (size_t i = 0; i + 3 < reference.size(); i += 2)
      {
        const size_t start = corners.size();
        corners.insert(corners.end(), {vertex(i), vertex(i + 1), vertex(i + 3), vertex(i + 2)});
        make(i, start);
      }
    }
    else
    {
      const size_t triangles = reference.size() / 3;
      for (size_t t = 0; t < triangles;)
      {
        // Triangles (f, a, b), (f, b, c), ...
        size_t end = t + 1;
        while (end < triangles && reference[3 * end] == reference[3 * t] &&
               reference[3 * end + 1] == reference[3 * end - 1])
          ++end;
        if (end - t >= 2)
        {
          const size_t start = corners.size();
          corners.push_back(vertex(3 * t));
          corners.push_back(vertex(3 * t + 1));
          for (size_t i = t; i < end; ++i)
            corners.push_back(vertex(3 * i + 2));
          make(t, start);
        }
        t = end;
      }
    }
    for (size_t f = 0; f < fans.size(); ++f)
      fans[f].polygon = corners.data() + starts[f];
  }
};

QorvRasterDraw::QorvRasterDraw(MTLTexture* colour, MTLTexture* stencil, const QorvDrawState& s,
                               MTLPrimitiveType type, const uint32_t* ids, NSUInteger count, int bands)
{
  if (type != MTLPrimitiveTypeTriangle && type != MTLPrimitiveTypeTriangleStrip)
    return; // points and lines are not drawn by this stand-in
  MTLTexture* target = colour ? colour : stencil;
  if (!target || count == 0) return;
  std::vector<std::unique_ptr<Shaded>>& spare = Spare();
  if (spare.empty())
    mShaded = std::make_unique<Shaded>();
  else
  {
    mShaded = std::move(spare.back());
    spare.pop_back();
  }
  mShaded->type = type;
  Draw& d = mShaded->draw;
  const auto& pd = s.pipeline->descriptor();
  d.colour = colour;
  d.stencil = stencil;
  d.state = &s;
  d.vd = &s.pipeline->vertexDescriptor();
  d.vertexCode = &pd.vertexFunction->code();
  d.fragmentCode = pd.fragmentFunction ? &pd.fragmentFunction->code() : nullptr;
  d.blend = &pd.colorAttachments[0];
  if (stencil)
  {
    d.stencilPixels = stencil->levels()[0].pixels.data();
    d.stencilWidth = stencil->width();
  }
  if (colour)
  {
    d.colourPixels = colour->levels()[0].pixels.data();
    d.colourWidth = colour->width();
    d.colourBytes = colour->bytesPerPixel();
    d.colourFormat = colour->pixelFormat();
  }
  d.sourceOver = d.blend->blendingEnabled && d.blend->writeMask == MTLColorWriteMaskAll &&
                 d.blend->sourceRGBBlendFactor == MTLBlendFactorOne &&
                 d.blend->sourceAlphaBlendFactor == MTLBlendFactorOne &&
                 d.blend->destinationRGBBlendFactor == MTLBlendFactorOneMinusSourceAlpha &&
                 d.blend->destinationAlphaBlendFactor == MTLBlendFactorOneMinusSourceAlpha &&
                 d.blend->rgbBlendOperation == MTLBlendOperationAdd &&
                 d.blend->alphaBlendOperation == MTLBlendOperationAdd;
  d.replaces = d.blend->writeMask == MTLColorWriteMaskAll &&
               (!d.blend->blendingEnabled || (d.blend->sourceRGBBlendFactor == MTLBlendFactorOne &&
                                              d.blend->sourceAlphaBlendFactor == MTLBlendFactorOne &&
                                              d.blend->destinationRGBBlendFactor == MTLBlendFactorZero &&
                                              d.blend->destinationAlphaBlendFactor == MTLBlendFactorZero &&
                                              d.blend->rgbBlendOperation == MTLBlendOperationAdd &&
                                              d.blend->alphaBlendOperation == MTLBlendOperationAdd));
  d.varyings = d.vertexCode->varyingCount;
  for (int i = 0; i < QorvDrawState::kSlots; ++i)
  {
    auto bind = [](const QorvDrawState::BufferBinding& b)
    {
      QorvShaderBuffer out;
      if (b.buffer && b.offset <= b.buffer->length())
        out = QorvShaderBuffer{b.buffer->bytes() + b.offset, b.buffer->length() - b.offset};
      return out;
    };
    d.vertexBuffers[i] = bind(s.vertexBuffers[i]);
    d.fragmentBuffers[i] = bind(s.fragmentBuffers[i]);
    d.textures[i] = s.fragmentTextures[i].get();
    d.samplers[i] = s.fragmentSamplers[i].get();
  }
  const MTLViewport& vp = s.viewport;
  d.clipX0 = (int)std::clamp(std::floor(vp.originX), 0.0, (double)target->width());
  d.clipY0 = (int)std::clamp(std::floor(vp.originY), 0.0, (double)target->height());
  d.clipX1 = (int)std::clamp(std::ceil(vp.originX + vp.width), 0.0, (double)target->width());
  d.clipY1 = (int)std::clamp(std::ceil(vp.originY + vp.height), 0.0, (double)target->height());
  if (s.scissorSet)
  {
    // No fragment outside the scissor rectangle is shaded, sampled or written.
    const MTLScissorRect& r = s.scissor;
    d.clipX0 = (int)std::clamp<int64_t>((int64_t)r.x, d.clipX0, d.clipX1);
    d.clipY0 = (int)std::clamp<int64_t>((int64_t)r.y, d.clipY0, d.clipY1);
    d.clipX1 = (int)std::clamp<int64_t>((int64_t)(r.x + r.width), d.clipX0, d.clipX1);
    d.clipY1 = (int)std::clamp<int64_t>((int64_t)(r.y + r.height), d.clipY0, d.clipY1);
  }
  if (stencil && colour && (stencil->width() < colour->width() || stencil->height() < colour->height()))
  {
    d.clipX1 = std::min<int>(d.clipX1, (int)stencil->width());
    d.clipY1 = std::min<int>(d.clipY1, (int)stencil->height());
  }
  // Built now, so that bands on several threads only read them.
  d.TableFor(false);
  d.TableFor(true);

  // Shade each vertex once when the ids are dense, else once per reference.
  uint32_t lo = *std::min_element(ids, ids + count), hi = *std::max_element(ids, ids + count);
  std::vector<Vertex>& shaded = mShaded->vertices;
  std::vector<uint32_t>& reference = mShaded->reference;
  reference.resize(count);
  if ((uint64_t)hi - lo < 4 * (uint64_t)count + 64)
  {
    shaded.resize((size_t)hi - lo + 1);
    std::vector<unsigned char>& done = mShaded->shadedOnce;
    done.assign(shaded.size(), 0);
    for (NSUInteger i = 0; i < count; ++i)
    {
      reference[i] = ids[i] - lo;
      if (!done[reference[i]])
      {
        d.Shade(ids[i], shaded[reference[i]]);
        done[reference[i]] = 1;
      }
    }
  }
  else
  {
    shaded.resize(count);
    for (NSUInteger i = 0; i < count; ++i)
    {
      reference[i] = (uint32_t)i;
      d.Shade(ids[i], shaded[i]);
    }
  }
  mShaded->FindFans();
  mShaded->bands = std::max(bands, 1);
  mShaded->ListPrimitives();
}

std::vector<std::unique_ptr<QorvRasterDraw::Shaded>>& QorvRasterDraw::Spare()
{
  thread_local std::vector<std::unique_ptr<Shaded>> spare;
  return spare;
}

QorvRasterDraw::~QorvRasterDraw()
{
  constexpr size_t kKept = 4096;
  std::vector<std::unique_ptr<Shaded>>& spare = Spare();
  if (!mShaded || spare.size() >= kKept) return;
  Shaded& s = *mShaded;
  s.draw = Draw{};
  s.vertices.clear(), s.reference.clear(), s.fans.clear(), s.corners.clear(), s.primitives.clear();
  s.fanRows.clear(), s.fanEdges.clear(), s.shadedOnce.clear(), s.fanStarts.clear();
  spare.push_back(std::move(mShaded));
}
QorvRasterDraw::QorvRasterDraw(QorvRasterDraw&&) noexcept = default;

void QorvRasterDraw::Rasterize(int band, int bands) const
{
  if (!mShaded) return;
  const Draw& d = mShaded->draw;
  bands = std::max(bands, 1);
  // Made for another number of bands, every primitive is tried and finds its rows itself.
  const uint32_t mine = bands == mShaded->bands && band < 32 ? 1u << band : ~0u;
  for (const Shaded::Primitive& p : mShaded->primitives)
  {
    if (!(p.bands & mine)) continue;
    if (p.fan >= 0)
      d.Fan(mShaded->fans[(size_t)p.fan], mShaded->fanRows[(size_t)p.fan], mShaded->fanEdges.data(), band,
            bands);
    else
      d.Triangle(p.v[0], p.v[1], p.v[2], band, bands);
  }
}
