// The software GPU's exact shortcuts for images sampled on texel centres: a span's texels blended (or
// copied) as stored, and the rows of a rectangle asked of the shader at once and taken alike. Each gives the
// bytes the filter and the general path would.
#include "platform/src/Metal/RasterDraw.h"
#include "platform/src/Metal/SourceOver.h"
#include "platform/src/Metal/TexelBlend.h"

#include <QorvPlatform/Metal.h>
#include <QorvPlatform/MetalShaders.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <optional>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace qorv_raster
{
namespace
{
bool AllOne(const float* k, int n, [[maybe_unused]] bool simd)
{
  int i = 0;
#if defined(__SSE2__)
  for (const __m128 one = _mm_set1_ps(1.0f); simd && i + 4 <= n; i += 4)
    if (_mm_movemask_ps(_mm_cmpeq_ps(_mm_loadu_ps(k + i), one)) != 0xF) return false;
#endif
  for (; i < n; ++i)
    if (k[i] != 1.0f) return false;
  return true;
}

// A texel as the filter gives it with one weight of 1 / 255, turned premultiplied when straight, times the
// coverage (after the shader's multiplication by a white inner colour).
inline void ShadeTexel(const unsigned char* c, bool straight, float k, float out[4], bool simd)
{
  const float w = 1.0f / 255.0f;
#if defined(__SSE2__)
  if (simd)
  {
    uint32_t bytes;
    std::memcpy(&bytes, c, 4);
    const __m128i z = _mm_setzero_si128();
    __m128 v = _mm_mul_ps(
        _mm_cvtepi32_ps(_mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128((int)bytes), z), z)),
        _mm_set1_ps(w));
    if (straight)
    {
      const __m128 rgb = _mm_castsi128_ps(_mm_setr_epi32(-1, -1, -1, 0));
      const __m128 times = _mm_mul_ps(v, _mm_shuffle_ps(v, v, _MM_SHUFFLE(3, 3, 3, 3)));
      v = _mm_or_ps(_mm_and_ps(rgb, times), _mm_andnot_ps(rgb, v));
    }
    _mm_storeu_ps(out, _mm_mul_ps(_mm_mul_ps(v, _mm_set1_ps(1.0f)), _mm_set1_ps(k)));
    return;
  }
#endif
  for (int j = 0; j < 4; ++j)
    out[j] = (float)c[j] * w;
  if (straight)
    for (int j = 0; j < 3; ++j)
      out[j] *= out[3];
  for (int j = 0; j < 4; ++j)
    out[j] = out[j] * 1.0f * k;
}

// A row of m texels sampled on the centres of its columns but between two rows of the texture: the colours
// linear filtering gives (the upper texel's bytes times (1 - weight) / 255 plus the lower's times weight /
// 255, the next column weighing 0), turned premultiplied when straight, blended a chunk at a time as the
// general path blends the shader's colours.
// Out of line: the rows that need it are few, and the rectangle's loops stay lean.
template <bool Bgra>
[[gnu::noinline]] void OverBetween(const QorvTexelRowsBetween& rows, bool straight, unsigned char* crow,
                                   int m, bool simd)
{
  const float wa = (1.0f - rows.weight) / 255.0f, wc = rows.weight / 255.0f;
  float colour[Draw::kChunk][4];
  unsigned char write[Draw::kChunk];
  std::memset(write, 1, sizeof write);
  for (int from = 0; from < m; from += Draw::kChunk)
  {
    const int count = std::min(Draw::kChunk, m - from);
    const unsigned char *a = rows.upper + (size_t)from * 4, *c = rows.lower + (size_t)from * 4;
    int i = 0;
#if defined(__SSE2__)
    const __m128 wa4 = _mm_set1_ps(wa), wc4 = _mm_set1_ps(wc);
    const __m128 rgb = _mm_castsi128_ps(_mm_setr_epi32(-1, -1, -1, 0));
    auto texel = [](const unsigned char* p)
    {
      uint32_t bytes;
      std::memcpy(&bytes, p, 4);
      const __m128i z = _mm_setzero_si128();
      return _mm_cvtepi32_ps(_mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128((int)bytes), z), z));
    };
    for (; simd && i < count; ++i)
    {
      __m128 v = _mm_add_ps(_mm_mul_ps(texel(a + i * 4), wa4), _mm_mul_ps(texel(c + i * 4), wc4));
      if (straight)
        v = _mm_or_ps(_mm_and_ps(rgb, _mm_mul_ps(v, _mm_shuffle_ps(v, v, _MM_SHUFFLE(3, 3, 3, 3)))),
                      _mm_andnot_ps(rgb, v));
      _mm_storeu_ps(colour[i], v);
    }
#endif
    for (; i < count; ++i)
    {
      for (int k = 0; k < 4; ++k)
        colour[i][k] = a[i * 4 + k] * wa + c[i * 4 + k] * wc;
      if (straight)
        for (int k = 0; k < 3; ++k)
          colour[i][k] *= colour[i][3];
    }
    QorvSourceOverRow<Bgra>(crow + (size_t)from * 4, colour, write, count, simd);
  }
}

// Rows this short (a fringe's column) are blended in the portable build, a texel at a time, without the
// set-up of a SIMD row.
constexpr int kFewTexels = 4;

} // namespace

bool Draw::TexelRuns(const Span& sp) const
{
  return !sp.table && (sourceOver || replaces) &&
         (colourFormat == MTLPixelFormatRGBA8Unorm || colourFormat == MTLPixelFormatBGRA8Unorm) && colour &&
         fragmentCode && fragmentCode->fragmentAsk && options.texelCopies;
}

bool Draw::TexelRun(const Span& sp, int from, int to, const QorvSpanAnswer& samples) const
{
  const bool rgba8 = colourFormat == MTLPixelFormatRGBA8Unorm;
  const int m = to - from;
  const unsigned char* texels[kPiece];
  const unsigned char* row = nullptr;
  if (samples.kind != QorvSpanKind::kSamples || !TexelRuns(sp)) return false;
  unsigned char* crow = &colourPixels[((size_t)sp.y * colourWidth + sp.x0 + from) * colourBytes];
  if (samples.none)
  {
    // Colours of 0: left as they are under source-over, replaced by zeros.
    if (replaces) std::memset(crow, 0, (size_t)m * 4);
    QorvCountTexelsCopied((uint64_t)m);
    return true;
  }
  if (!QorvTexelCentres(textures[0], samplers[0], samples, m, texels, &row,
                        reinterpret_cast<const void*>(fragmentCode->fragmentAsk), options))
    return false;
  const bool bgra8 = !rgba8, straight = samples.straight;
  const QorvTexelBlendIsa isa = QorvBestTexelBlendIsa(simd);
  const float* const k = samples.k; // null when every k is 1
  auto kAt = [k](int i) { return k ? k[i] : 1.0f; };
  auto texel = [&](int i) { return row ? row + (size_t)i * 4 : texels[i]; };
  // Texels side by side, all covered whole: runs of opaque and of transparent ones are found a few at a time.
  const bool plainRow = row && (!k || AllOne(k, m, simd));
  if (plainRow && !(replaces && straight))
  {
    // Blended straight from the texels, without their colours and write flags in between; premultiplied ones
    // that replace the target are its bytes at any alpha.
    if (replaces)
      QorvCopyTexelsIsa(row, crow, m, bgra8, isa);
    else
      QorvTexelRowOver(row, crow, m, bgra8, straight, isa);
    QorvCountTexelsCopied((uint64_t)m);
    return true;
  }
  // Weighs the destination by zero and rounds back to the texel's bytes (a premultiplied texel that replaces
  // the target does so at any alpha).
  auto asStored = [&](int i) { return kAt(i) == 1.0f && (texel(i)[3] == 255 || (replaces && !straight)); };
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
        j += QorvTexelsLike(row + (size_t)j * 4, m - j, alpha, alpha, simd);
      else
        while (j < m && (row || texels[j] == texels[j - 1] + 4) && asStored(j))
          ++j;
      std::memset(write + i, 0, (size_t)(j - i));
      QorvCopyTexelsIsa(texel(i), crow + (size_t)i * 4, j - i, bgra8, isa);
      i = j;
      continue;
    }
    const unsigned char* c = texel(i);
    write[i] = replaces || (kAt(i) != 0.0f && (c[3] != 0 || (!straight && (c[0] | c[1] | c[2]) != 0)));
    if (write[i])
    {
      ShadeTexel(c, straight, kAt(i), colour[i], simd);
      blended = true;
    }
    ++i;
  }
  if (blended)
  {
    if (!replaces)
      rgba8 ? QorvSourceOverRow<false>(crow, colour, write, m, simd)
            : QorvSourceOverRow<true>(crow, colour, write, m, simd);
    else
      for (int i = 0; i < m; ++i)
        if (write[i])
        {
          unsigned char* p = crow + (size_t)i * 4;
          const int r = rgba8 ? 0 : 2;
          p[r] = QorvRoundToByte(QorvClampUnit(colour[i][0])),
          p[1] = QorvRoundToByte(QorvClampUnit(colour[i][1]));
          p[2 - r] = QorvRoundToByte(QorvClampUnit(colour[i][2]));
          p[3] = QorvRoundToByte(QorvClampUnit(colour[i][3]));
        }
  }
  QorvCountTexelsCopied((uint64_t)m);
  return true;
}

bool Draw::TexelRects() const
{
  return colour && fragmentCode && fragmentCode->fragmentAsk && (sourceOver || replaces) &&
         (colourFormat == MTLPixelFormatRGBA8Unorm || colourFormat == MTLPixelFormatBGRA8Unorm) &&
         options.texelCopies && options.texelRects;
}

void Draw::AskRect(const SpanRun& run, RectAnswer& answer) const
{
  const size_t count = (size_t)run.count;
  const int n = run.n;
  auto& [in, terms, any, straight, starts, whole, centred, texels, between] = answer;
  // Sized up only, as rectangles come in all heights: QorvTexelRowsCentres sets every row's texels and
  // centred, and they are read only where it answered.
  if (starts.size() < count)
    starts.resize(count), texels.resize(count), centred.resize(count), between.resize(count);
  // SpanIn's input, from the terms the rows need anyway rather than terms of its own.
  const Span& sp = run.first;
  terms = VaryingTerms(sp, varyings, simd);
  terms.Starts(sp.e0, sp.e1, in.start);
  terms.Steps(sp.s0, sp.s1, in.step);
  SpanPlace(sp, 0, n, in);
  std::array<float, kQorvMaxVaryings>* const rowStarts = starts.data();
  rowStarts[0] = std::to_array(in.start);
  using Starts = const float(*)[kQorvMaxVaryings];
  // Flat varyings start every row alike, and so do those that move only along the rows (a column's x, a
  // fringe's coverage across it); the others are worked out as VaryingTerms::Starts does it, for two rows at
  // once in SIMD builds.
  int64_t e0 = run.first.e0, e1 = run.first.e1;
  const int64_t last = (int64_t)count - 1;
  const int bits0 =
      std::max({SignificantBits(e0), SignificantBits(e0 + last * run.e0Step), SignificantBits(run.e0Step)});
  const int bits1 =
      std::max({SignificantBits(e1), SignificantBits(e1 + last * run.e1Step), SignificantBits(run.e1Step)});
  int moving = 0, which[kQorvMaxVaryings];
  double ma[kQorvMaxVaryings], mb[kQorvMaxVaryings], mc[kQorvMaxVaryings];
  for (int j = 0; j < terms.movingCount; ++j)
    if (!VaryingStays(terms.ma[j], terms.mb[j], bits0, bits1, run.e0Step, run.e1Step))
      ma[moving] = terms.ma[j], mb[moving] = terms.mb[j], mc[moving] = terms.mc[j],
      which[moving++] = terms.moving[j];
  const double inv = terms.inv;
  size_t r = 1;
#if defined(__SSE2__)
  if (terms.simd)
  {
    __m128d a2[kQorvMaxVaryings], b2[kQorvMaxVaryings], c2[kQorvMaxVaryings];
    for (int j = 0; j < moving; ++j)
      a2[j] = _mm_set1_pd(ma[j]), b2[j] = _mm_set1_pd(mb[j]), c2[j] = _mm_set1_pd(mc[j]);
    const __m128d inv2 = _mm_set1_pd(inv);
    // The edge functions of two rows stepped in double, where every value on the way (and twice a step) is a
    // whole number that double holds exactly.
    const bool exact = std::max(bits0, bits1) <= 51;
    __m128d d0 = _mm_set_pd((double)(e0 + 2 * run.e0Step), (double)(e0 + run.e0Step)),
            d1 = _mm_set_pd((double)(e1 + 2 * run.e1Step), (double)(e1 + run.e1Step));
    const __m128d step0 = _mm_set1_pd(2.0 * (double)run.e0Step),
                  step1 = _mm_set1_pd(2.0 * (double)run.e1Step);
    for (; exact && r + 2 <= count; r += 2, d0 = _mm_add_pd(d0, step0), d1 = _mm_add_pd(d1, step1))
    {
      e0 += 2 * run.e0Step, e1 += 2 * run.e1Step;
      float *const upper = rowStarts[r].data(), *const lower = rowStarts[r + 1].data();
      rowStarts[r] = rowStarts[0], rowStarts[r + 1] = rowStarts[0];
      for (int j = 0; j < moving; ++j)
      {
        const __m128d sum = _mm_add_pd(_mm_mul_pd(d0, a2[j]), _mm_mul_pd(d1, b2[j]));
        const __m128 f = _mm_cvtpd_ps(_mm_add_pd(c2[j], _mm_mul_pd(sum, inv2)));
        upper[which[j]] = _mm_cvtss_f32(f);
        lower[which[j]] = _mm_cvtss_f32(_mm_shuffle_ps(f, f, _MM_SHUFFLE(1, 1, 1, 1)));
      }
    }
  }
#endif
  for (; r < count; ++r)
  {
    e0 += run.e0Step, e1 += run.e1Step;
    rowStarts[r] = rowStarts[0];
    const double d0 = (double)e0, d1 = (double)e1;
    for (int j = 0; j < moving; ++j)
      rowStarts[r][which[j]] = (float)(mc[j] + (d0 * ma[j] + d1 * mb[j]) * inv);
  }
  const void* namer = reinterpret_cast<const void*>(fragmentCode->fragmentAsk);
  QorvSpanAnswer rows;
  any = fragmentCode->fragmentAsk(in, reinterpret_cast<Starts>(starts.data()), run.count,
                                  QorvWants(QorvSpanKind::kSamples), rows) == QorvSpanKind::kSamples &&
        QorvTexelRowsCentres(textures[0], samplers[0], rows, n, run.count, texels.data(), centred.data(),
                             between.data(), namer, options);
  // The shader's rows stay only until its next answer; they are read only when some row was answered.
  if (whole.size() < count) whole.resize(count);
  if (any) std::copy(rows.whole, rows.whole + count, whole.data());
  straight = rows.straight;
  // A straight texel that replaces the target is not its bytes unless opaque: left to Row.
  any = any && !(replaces && straight);
}

namespace
{
// Whether a wide piece's rows (wider than a chunk) may be taken: where their chunks step alike. Whether a
// varying steps exactly depends on its start alone, which the rows repeat (bar those that move down the
// rows). Whether the chunks start alike is asked of each row only for varyings that move along the rows and
// down them. One the same on every row (as VaryingStays finds it, over the piece's corners) gives every row
// the same answer: asked once. One the same along each row starts each chunk at the row's start, which a step
// of 0 reaches unless it is NaN.
class WideRows
{
public:
  // run: the rectangle's rows; columns: those of its piece that answer is for.
  WideRows(const Draw& draw, const Draw::SpanRun& run, const Draw::SpanRun& columns,
           const Draw::RectAnswer& answer)
      : d(draw), piece(columns), step(answer.in.step), m(columns.n)
  {
    const Draw::VaryingTerms& terms = answer.terms;
    perRow = once = terms;
    perRow.movingCount = once.movingCount = 0;
    const Draw::Span& first = columns.first;
    const int64_t down0 = (int64_t)(run.count - 1) * run.e0Step,
                  down1 = (int64_t)(run.count - 1) * run.e1Step;
    const int64_t across0 = (int64_t)(m - 1) * first.s0, across1 = (int64_t)(m - 1) * first.s1;
    const int bits0 =
        std::max({SignificantBits(first.e0), SignificantBits(first.e0 + down0),
                  SignificantBits(first.e0 + across0), SignificantBits(first.e0 + down0 + across0),
                  SignificantBits(run.e0Step), SignificantBits(first.s0)});
    const int bits1 =
        std::max({SignificantBits(first.e1), SignificantBits(first.e1 + down1),
                  SignificantBits(first.e1 + across1), SignificantBits(first.e1 + down1 + across1),
                  SignificantBits(run.e1Step), SignificantBits(first.s1)});
    for (int j = 0; j < terms.movingCount; ++j)
    {
      const double a = terms.ma[j], b = terms.mb[j];
      Draw::VaryingTerms& to = VaryingStays(a, b, bits0, bits1, run.e0Step, run.e1Step) ? once : perRow;
      if (&to == &perRow && VaryingStays(a, b, bits0, bits1, first.s0, first.s1))
      {
        along |= 1u << terms.moving[j];
        continue;
      }
      to.ma[to.movingCount] = a, to.mb[to.movingCount] = b, to.mc[to.movingCount] = terms.mc[j];
      to.moving[to.movingCount++] = terms.moving[j];
    }
  }

  // Whether row r, whose varyings start at start, is taken.
  bool Take(int r, const float* start) { return StepsExactly(start) && ChunksAlike(r, start); }

private:
  bool StepsExactly(const float* start)
  {
    for (int k = 0; k < d.varyings; ++k)
    {
      uint32_t bits;
      std::memcpy(&bits, start + k, sizeof bits);
      if (exactKnown[k] && exact[k] == bits) continue;
      if (!SteppedExactly(start[k], step[k], m)) return false;
      exact[k] = bits, exactKnown[k] = true;
    }
    return true;
  }
  bool ChunksAlike(int r, const float* start)
  {
    for (int k = 0; k < d.varyings; ++k)
      if ((along >> k & 1) && !(start[k] == start[k])) return false;
    if (once.movingCount > 0 && !onceAsked)
      onceAlike = d.ChunkStartsAlike(once, piece.RowAt(r), 0, m, start, step), onceAsked = true;
    return (once.movingCount == 0 || onceAlike) &&
           (perRow.movingCount == 0 || d.ChunkStartsAlike(perRow, piece.RowAt(r), 0, m, start, step));
  }

  const Draw& d;
  const Draw::SpanRun& piece;
  const float* step;
  int m;
  uint32_t exact[kQorvMaxVaryings];
  bool exactKnown[kQorvMaxVaryings] = {};
  Draw::VaryingTerms perRow, once;
  unsigned along = 0;
  bool onceAsked = false, onceAlike = false;
};

// The rows of one piece of a rectangle that the shader answered, from its top left pixel on: those it gives
// as texels taken (blended, copied or left), the others drawn by Row. Counts the rows taken as texels one for
// one (taken) and between two texture rows (between).
struct PieceRows
{
  const Draw& d;
  const Draw::SpanRun& run;   // the rectangle's rows
  const Draw::SpanRun& piece; // its columns
  const Draw::RectAnswer& answer;
  QorvTexelBlendIsa isa;
  // In locals: the rows' calls could change the draw's members, as far as the compiler knows.
  bool bgra8, replacing, simd;
  size_t rowBytes;
  uint64_t taken = 0, between = 0;

  void Between(const QorvTexelRowsBetween& rows, unsigned char* to, int width) const
  {
    bgra8 ? OverBetween<true>(rows, answer.straight, to, width, simd)
          : OverBetween<false>(rows, answer.straight, to, width, simd);
  }

  void Put(unsigned char* at)
  {
    static_assert(kFewTexels >= 1);
    if (piece.n > 1)
      Rows(at);
    else if (bgra8)
      answer.straight ? Column<true, true>(at) : Column<true, false>(at);
    else
      answer.straight ? Column<false, true>(at) : Column<false, false>(at);
  }

  // A column (a fringe's, mostly): as Rows, with fewer questions a row, and each texel blended in line as
  // over (the scalar build, for so few texels) blends it.
  template <bool Bgra, bool Straight> void Column(unsigned char* at)
  {
    const unsigned char *const whole = answer.whole.data(), *const centred = answer.centred.data();
    const unsigned char* const* const texels = answer.texels.data();
    for (int r = 0; r < run.count; ++r, at += rowBytes)
    {
      const unsigned char cover = whole[r];
      if (cover == 2 && centred[r] && !replacing)
        ++taken;
      else if (cover == 1 && texels[r])
      {
        replacing ? QorvCopyTexelsIsa(texels[r], at, 1, Bgra, isa)
                  : QorvTexelRowOverScalar<Bgra, Straight>(texels[r], at, 1);
        ++taken;
      }
      else if (cover == 1 && answer.between[r].upper && !replacing)
        Between(answer.between[r], at, 1), ++between;
      else
        d.Row(piece.RowAt(r), 1);
    }
  }

  void Rows(unsigned char* at)
  {
    const int m = piece.n;
    const unsigned char *const whole = answer.whole.data(), *const centred = answer.centred.data();
    const unsigned char* const* const texels = answer.texels.data();
    const QorvTexelRowsBetween* const betweenRows = answer.between.data();
    const QorvTexelRowFunction over =
        QorvTexelRowOverFor(bgra8, answer.straight, m <= kFewTexels ? QorvTexelBlendIsa::kScalar : isa);
    const bool wide = m > Draw::kChunk;
    std::optional<WideRows> wideRows;
    if (wide) wideRows.emplace(d, run, piece, answer);
    for (int r = 0; r < run.count; ++r, at += rowBytes)
    {
      const unsigned char cover = whole[r];
      // Rows without coverage write nothing wherever they sample (QorvTexelRowsCentres marks them centred).
      bool take = cover != 0 && (cover == 2 ? centred[r] && !replacing
                                            : texels[r] != nullptr || (betweenRows[r].upper && !replacing));
      if (take && cover == 2 && !wide)
      {
        ++taken;
        continue;
      }
      if (take && wide) take = wideRows->Take(r, answer.starts[r].data());
      if (!take)
      {
        d.Row(piece.RowAt(r), m);
        continue;
      }
      // Texels with no coverage leave the target as it is.
      if (cover == 2)
        ;
      else if (!texels[r])
      {
        Between(betweenRows[r], at, m);
        ++between;
        continue;
      }
      else if (replacing)
        QorvCopyTexelsIsa(texels[r], at, m, bgra8, isa);
      else
        over(texels[r], at, m);
      ++taken;
    }
  }
};
} // namespace

void Draw::TexelRect(const SpanRun& run) const
{
  const int count = run.count, n = run.n;
  // Rows wider than a piece are taken in pieces of columns, as Row takes a row's texels: the shader is asked
  // piece by piece, and then each piece's rows are drawn (no two write the same pixel).
  struct Piece
  {
    SpanRun run;
    RectAnswer answer;
  };
  thread_local std::vector<Piece> keptPieces;
  std::vector<Piece>& kept = QorvThreadVariable(keptPieces);
  const int pieceCount = (n + kPiece - 1) / kPiece;
  if ((int)kept.size() < pieceCount) kept.resize((size_t)pieceCount);
  Piece* const pieces = kept.data(); // nothing below draws another rectangle on this thread
  bool anyPiece = false;
  for (int p = 0; p < pieceCount; ++p)
  {
    Piece& piece = pieces[p];
    const int from = p * kPiece;
    piece.run = run.Columns(from, std::min(kPiece, n - from));
    AskRect(piece.run, piece.answer);
    anyPiece = anyPiece || piece.answer.any;
  }
  if (!anyPiece)
  {
    for (int r = 0; r < count; ++r)
      Row(run.RowAt(r), n);
    return;
  }
  const QorvTexelBlendIsa isa = QorvBestTexelBlendIsa(simd);
  const bool bgra8 = colourFormat == MTLPixelFormatBGRA8Unorm;
  uint64_t taken = 0, texelsTaken = 0;
  unsigned char* const corner =
      &colourPixels[((size_t)run.first.y * colourWidth + run.first.x0) * colourBytes];
  for (int p = 0; p < pieceCount; ++p)
  {
    const SpanRun& piece = pieces[p].run;
    if (!pieces[p].answer.any)
    {
      for (int r = 0; r < count; ++r)
        Row(piece.RowAt(r), piece.n);
      continue;
    }
    PieceRows rows{*this, run,      piece, pieces[p].answer,         isa,
                   bgra8, replaces, simd,  colourWidth * colourBytes};
    rows.Put(corner + (size_t)p * kPiece * colourBytes);
    taken += rows.taken + rows.between;
    texelsTaken += rows.taken * (uint64_t)piece.n;
  }
  if (taken == 0) return;
  QorvCountTexelsCopied(texelsTaken);
  QorvCountTexelRectRows(taken);
}
} // namespace qorv_raster
