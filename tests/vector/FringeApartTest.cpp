// Whether a sampled fill's fringe strips lie apart (vgFringeStripsApart), asked of the strips the context
// makes for real outlines, and of strips made by hand.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "graphics/vector/VGcontext.h"
#include "graphics/vector/VGfringeApart.h"
#include "graphics/vector/VGfringePlaces.h"
#include "graphics/vector/VGoptions.h"
#include "graphics/vector/VGpath.h"
#include "tests/vector/MetalTestContext.h"

using namespace iplugin::igraphics;

namespace
{
constexpr double kPi = 3.14159265358979323846;

void Star(VGcontext* vg, float cx, float cy, float r, float inner, int arms, float turn)
{
  for (int i = 0; i < 2 * arms; ++i)
  {
    const double a = turn + kPi * i / arms, radius = i % 2 ? r * inner : r;
    const float x = cx + float(radius * std::cos(a)), y = cy + float(radius * std::sin(a));
    i == 0 ? vgMoveTo(vg, x, y) : vgLineTo(vg, x, y);
  }
  vgClosePath(vg);
}

// An L of arms n long and thick wide.
void Ell(VGcontext* vg, float x, float y, float n, float thick)
{
  vgMoveTo(vg, x, y);
  vgLineTo(vg, x + n, y);
  vgLineTo(vg, x + n, y + thick);
  vgLineTo(vg, x + thick, y + thick);
  vgLineTo(vg, x + thick, y + n);
  vgLineTo(vg, x, y + n);
  vgClosePath(vg);
}

// Whether the fill of what add draws, at the scale, was found to have its fringe apart.
template <class Add> bool ApartAsFilled(float ratio, Add add)
{
  qorvtest::MetalContext m(64, 64, 0x2001, ratio);
  m.Begin(vgRGBAf(1, 1, 1, 1), ratio);
  vgBeginPath(m.ctx);
  add(m.ctx);
  vgFillColor(m.ctx, vgRGBAf(0, 0, 0, 1));
  vgFill(m.ctx);
  const bool apart = m.ctx->cache->npaths > 0 && m.ctx->cache->paths[0].fringeApart;
  m.End();
  return apart;
}

// A strip of pairs (inner, outer) about the outline, closed by its first pair again.
std::vector<VGvertex> Ribbon(const std::vector<std::pair<float, float>>& inner,
                             const std::vector<std::pair<float, float>>& outer)
{
  std::vector<VGvertex> strip;
  for (size_t k = 0; k <= inner.size(); ++k)
  {
    const size_t i = k % inner.size();
    strip.push_back({inner[i].first, inner[i].second, 0.5f, 1.0f});
    strip.push_back({outer[i].first, outer[i].second, 1.0f, 1.0f});
  }
  return strip;
}

// The ribbon of a square side long at (x, y), from half inside to half outside.
std::vector<VGvertex> SquareRibbon(float x, float y, float side, float half = 0.5f)
{
  return Ribbon({{x + half, y + half}, {x + side - half, y + half}, {x + side - half, y + side - half},
                 {x + half, y + side - half}},
                {{x - half, y - half}, {x + side + half, y - half}, {x + side + half, y + side + half},
                 {x - half, y + side + half}});
}

bool Apart(std::vector<std::vector<VGvertex>>& strips, float pixel = 1.0f, bool ribbons = false)
{
  std::vector<VGpath> paths(strips.size());
  for (size_t i = 0; i < strips.size(); ++i)
  {
    paths[i] = VGpath{};
    paths[i].stroke = strips[i].data();
    paths[i].nstroke = (int)strips[i].size();
  }
  return ribbons ? vgFringeRibbonsApart(paths.data(), (int)paths.size(), pixel)
                 : vgFringeStripsApart(paths.data(), (int)paths.size(), pixel);
}
} // namespace

// Stars of five and six arms, at any turn and scales 1 to 3, have their fringes apart, as do a ring, three
// rings one in another and discs side by side, told from their ribbons whatever their points; an L as thin
// as a fringe, whose two sides' fringes meet, a star whose notches are nearer than its fringe is wide, a
// ring whose rim is thinner than a fringe and discs whose fringes touch do not.
TEST(FringeApart, RealOutlinesAreApartWhereTheirFringesDoNotMeet)
{
  std::mt19937 rng(49);
  int stars = 0;
  for (int round = 0; round < 40; ++round)
  {
    const float ratio = 1.0f + float(rng() % 5) * 0.5f;
    const int arms = 5 + int(rng() % 2);
    const float turn = float(rng() % 1000) * 0.00628f, r = 8.0f + float(rng() % 20);
    stars += ApartAsFilled(ratio, [&](VGcontext* vg) { Star(vg, 32, 32, r, 0.5f, arms, turn); });
  }
  EXPECT_EQ(stars, 40);
  auto ring = [](float rim, float thin)
  {
    return [=](VGcontext* vg)
    {
      vgCircle(vg, 32, 32, rim);
      vgCircle(vg, 32, 32, rim - thin);
      vgPathWinding(vg, kVGHole);
    };
  };
  for (float ratio : {1.0f, 1.5f, 2.0f, 3.0f})
  {
    const float pixel = 1.0f / ratio;
    EXPECT_TRUE(ApartAsFilled(ratio, ring(20, 3))) << ratio;
    EXPECT_TRUE(ApartAsFilled(ratio, ring(8, 2 * pixel))) << ratio;
    EXPECT_TRUE(ApartAsFilled(ratio,
                              [&](VGcontext* vg)
                              {
                                for (int k = 0; k < 3; ++k)
                                {
                                  vgCircle(vg, 32, 32, 28.0f - 8.0f * (float)k);
                                  vgCircle(vg, 32, 32, 24.0f - 8.0f * (float)k);
                                  vgPathWinding(vg, kVGHole);
                                }
                              }))
        << ratio;
    EXPECT_TRUE(ApartAsFilled(ratio,
                              [&](VGcontext* vg)
                              {
                                vgCircle(vg, 16, 32, 8);
                                vgCircle(vg, 34 + 2 * pixel, 32, 10);
                              }))
        << ratio;
    EXPECT_FALSE(ApartAsFilled(ratio,
                               [&](VGcontext* vg)
                               {
                                 vgCircle(vg, 16, 32, 8);
                                 vgCircle(vg, 34 + 0.5f * pixel, 32, 10);
                               }))
        << ratio;
    EXPECT_FALSE(ApartAsFilled(ratio, ring(20, 0.8f * pixel))) << ratio;
    EXPECT_FALSE(ApartAsFilled(ratio, [&](VGcontext* vg) { Ell(vg, 10, 10, 30, 1.0f / ratio); })) << ratio;
    EXPECT_FALSE(ApartAsFilled(ratio, [&](VGcontext* vg) { Star(vg, 32, 32, 25 * pixel, 0.05f, 7, 0.3f); }))
        << ratio;
  }
  // A star of 40 arms, its sides of more corners than are asked pair by pair, is apart: seen whole from its
  // middle, at any turn.
  for (int round = 0; round < 8; ++round)
  {
    const float ratio = 1.0f + float(round % 5) * 0.5f, turn = float(rng() % 1000) * 0.00628f;
    EXPECT_TRUE(ApartAsFilled(ratio, [&](VGcontext* vg) { Star(vg, 32, 32, 28, 0.8f, 40, turn); })) << ratio;
  }
  // An L three fringes thick is apart, as the fringes of its two sides lie a fringe from each other.
  EXPECT_TRUE(ApartAsFilled(1.0f, [&](VGcontext* vg) { Ell(vg, 10, 10, 30, 3.0f); }));
}

// Strips by hand: squares' ribbons apart, one in another or meeting, a ribbon folded back on itself or
// twice round, a corner not finite, a corner turned less than the rounding, and more triangles than are
// looked at pair by pair.
TEST(FringeApart, HandMadeStripsAreApartOnlyWhereNoTwoTrianglesMeet)
{
  struct Case
  {
    const char* what;
    std::vector<std::vector<VGvertex>> strips;
    float pixel;
    bool apart;
    bool ribbons = false; // asked of the ribbons alone
  };
  std::vector<VGvertex> folded = SquareRibbon(10, 10, 8);
  // The third pair pulled back past the first: the ribbon turns over itself.
  folded[4] = {9.0f, 11.0f, 0.5f, 1.0f}, folded[5] = {8.0f, 9.0f, 1.0f, 1.0f};
  std::vector<VGvertex> notFinite = SquareRibbon(10, 10, 8);
  notFinite[3].x = std::numeric_limits<float>::quiet_NaN();
  std::vector<VGvertex> many;
  for (int k = 0; k < 40; ++k)
  {
    const double a = 2 * kPi * k / 40;
    many.push_back({float(30 + 10 * std::cos(a)), float(30 + 10 * std::sin(a)), 0.5f, 1.0f});
    many.push_back({float(30 + 11 * std::cos(a)), float(30 + 11 * std::sin(a)), 1.0f, 1.0f});
  }
  // A square's ribbon with a corner midway along a side, out of line by a 200th of a pixel: the GPU's
  // rounding may turn it either way, but seen whole from its middle it cannot fold back: its ribbon is apart.
  const std::vector<VGvertex> hardlyTurned =
      Ribbon({{10.5f, 10.5f}, {14.0f, 10.495f}, {17.5f, 10.5f}, {17.5f, 17.5f}, {10.5f, 17.5f}},
             {{9.5f, 9.5f}, {14.0f, 9.495f}, {18.5f, 9.5f}, {18.5f, 18.5f}, {9.5f, 18.5f}});
  // A square's ribbon that goes round twice.
  std::vector<VGvertex> twice = SquareRibbon(10, 10, 8);
  twice.pop_back(), twice.pop_back();
  const std::vector<VGvertex> again = twice;
  twice.insert(twice.end(), again.begin(), again.end());
  twice.push_back(twice[0]), twice.push_back(twice[1]);
  std::vector<Case> cases = {
      {"a ribbon with a corner turned less than the rounding", {hardlyTurned}, 1.0f, true, true},
      {"the same, pair by pair", {hardlyTurned}, 1.0f, true},
      {"a square's ribbon", {SquareRibbon(10, 10, 8)}, 1.0f, true, true},
      {"a square's ribbon in another's", {SquareRibbon(0, 0, 30), SquareRibbon(10, 10, 8)}, 1.0f, true, true},
      {"a square's ribbon reaching into another's",
       {SquareRibbon(0, 0, 30), SquareRibbon(0.8f, 10, 8)},
       1.0f,
       false,
       true},
      {"a ribbon twice round", {twice}, 1.0f, false, true},
      {"a square", {SquareRibbon(10, 10, 8)}, 1.0f, true},
      {"two squares two pixels apart", {SquareRibbon(10, 10, 8), SquareRibbon(20, 10, 8)}, 1.0f, true},
      {"two squares whose fringes overlap", {SquareRibbon(10, 10, 8), SquareRibbon(18.5f, 10, 8)}, 1.0f, false},
      // Fringes that touch on a line, a hundredth of a pixel apart: the rounding may close the gap.
      {"two squares whose fringes touch", {SquareRibbon(10, 10, 8), SquareRibbon(19.01f, 10, 8)}, 1.0f, false},
      // The same at scale 4: a hundredth of a unit is 4 hundredths of a pixel, beyond the rounding.
      {"the same a scale of 4", {SquareRibbon(10, 10, 8), SquareRibbon(19.01f, 10, 8)}, 0.25f, true},
      {"a square thinner than its fringe", {SquareRibbon(10, 10, 0.8f)}, 1.0f, false},
      {"a folded ribbon", {folded}, 1.0f, false},
      {"a corner not finite", {notFinite}, 1.0f, false},
      {"more triangles than are looked at", {many}, 1.0f, false},
  };
  for (Case& c : cases)
    EXPECT_EQ(Apart(c.strips, c.pixel, c.ribbons), c.apart) << c.what;
}

// A closed strip read from another of its pairs is the same ribbon: its answer cannot change. Strips of
// random stars, Ls and thin bars as the context makes them (joins with corners alike in a row
// among them), and squares' ribbons with a pair drawn twice, read from every pair.
TEST(FringeApart, RibbonsAnswerTheSameFromEveryPair)
{
  std::mt19937 rng(23);
  std::vector<std::vector<VGvertex>> strips;
  for (int round = 0; round < 60; ++round)
  {
    qorvtest::MetalContext m(64, 64, 0x2001, 1.0f);
    m.Begin(vgRGBAf(1, 1, 1, 1), 1.0f);
    vgBeginPath(m.ctx);
    const float r = 6.0f + float(rng() % 24), turn = float(rng() % 1000) * 0.00628f;
    switch (round % 3)
    {
    case 0:
      Star(m.ctx, 32, 32, r, 0.3f + 0.1f * float(rng() % 5), 3 + int(rng() % 6), turn);
      break;
    case 1:
      Ell(m.ctx, 32 - r, 32 - r, 2 * r, 0.5f + float(rng() % 8));
      break;
    default:
      vgRect(m.ctx, 32 - r, 32 - r / 4, 2 * r, 0.25f + float(rng() % 4) * 0.5f);
      break;
    }
    vgFillColor(m.ctx, vgRGBAf(0, 0, 0, 1));
    vgFill(m.ctx);
    for (int p = 0; p < m.ctx->cache->npaths; ++p)
    {
      const VGpath& path = m.ctx->cache->paths[p];
      if (path.stroke && path.nstroke > 0) strips.emplace_back(path.stroke, path.stroke + path.nstroke);
    }
    m.End();
  }
  for (int k = 0; k < 4; ++k)
  {
    std::vector<VGvertex> twice = SquareRibbon(10, 10, 8);
    twice.insert(twice.begin() + 2 * k, twice.begin() + 2 * k, twice.begin() + 2 * k + 2);
    strips.push_back(twice);
  }
  int apart = 0, notApart = 0;
  for (const std::vector<VGvertex>& strip : strips)
  {
    std::vector<std::vector<VGvertex>> one = {strip};
    const bool expected = Apart(one, 1.0f, true);
    (expected ? apart : notApart)++;
    // The strip less its closing pair, begun at pair s, closed again.
    const size_t pairs = strip.size() / 2 - 1;
    for (size_t s = 1; s < pairs; ++s)
    {
      std::vector<VGvertex> from(strip.begin() + 2 * (std::ptrdiff_t)s, strip.end() - 2);
      from.insert(from.end(), strip.begin(), strip.begin() + 2 * (std::ptrdiff_t)s + 2);
      std::vector<std::vector<VGvertex>> rotated = {from};
      ASSERT_EQ(Apart(rotated, 1.0f, true), expected) << "strip of " << strip.size() << " from pair " << s;
    }
  }
  EXPECT_GT(apart, 10);
  EXPECT_GT(notApart, 10);
}

// A corner's two coordinates placed side by side as each is placed alone: random floats of any bits (not
// finite, too far out, tiny), and places a half step from a whole one either way, at pixels of several sizes.
TEST(FringeApart, CornersPlaceAsTheirCoordinates)
{
  std::mt19937 rng(5);
  auto any = [&]
  {
    switch (rng() % 4)
    {
    case 0:
      return std::bit_cast<float>((uint32_t)rng());
    case 1:
      return (float((int)(rng() % 20001) - 10000) + 0.5f) / 256.0f; // halves of 256ths
    case 2:
      return float((int)(rng() % 2000001) - 1000000) / 1024.0f;
    default:
      return std::nextafter(float((int)(rng() % 2001) - 1000) / 512.0f, rng() % 2 ? 1e9f : -1e9f);
    }
  };
  int placed = 0, notPlaced = 0;
  for (float pixel : {1.0f, 0.5f, 1.0f / 1.5f, 2.0f, 1.0f / 3.0f})
  {
    const double steps = vgFringeSteps(pixel);
    for (int round = 0; round < 40000; ++round)
    {
      const float x = any(), y = any();
      VGfringePoint alone{}, both{};
      const bool expected = vgFringePlace(x, steps, alone.x) && vgFringePlace(y, steps, alone.y);
      ASSERT_EQ(vgFringePlaceBoth(x, y, steps, both), expected) << x << " " << y << " at " << pixel;
      if (!expected)
      {
        ++notPlaced;
        continue;
      }
      ++placed;
      ASSERT_EQ(both.x, alone.x) << x << " at " << pixel;
      ASSERT_EQ(both.y, alone.y) << y << " at " << pixel;
    }
  }
  EXPECT_GT(placed, 50000);
  EXPECT_GT(notPlaced, 10000);
}

namespace
{
// What a fill made of its paths: each one's fan and fringe, whether the samples turn its edges, and whether
// its fringe was found apart.
struct Made
{
  std::vector<float> vertices;
  std::vector<int> flags;
  bool operator==(const Made&) const = default;
};

template <class Add> Made MadeWith(float ratio, bool apartFirst, Add add)
{
  qorvtest::MetalContext m(64, 64, 0x2001, ratio);
  VGoptions options;
  options.apartBeforeCrossings = apartFirst;
  vgSetOptions(m.ctx, options);
  m.Begin(vgRGBAf(1, 1, 1, 1), ratio);
  vgBeginPath(m.ctx);
  add(m.ctx);
  vgFillColor(m.ctx, vgRGBAf(0, 0, 0, 1));
  vgFill(m.ctx);
  Made made;
  const VGpathCache* cache = m.ctx->cache;
  for (int i = 0; i < cache->npaths; ++i)
  {
    const VGpath& p = cache->paths[i];
    made.flags.insert(made.flags.end(), {p.nfill, p.nstroke, p.edgesBySamples, p.fringeApart});
    for (const VGvertex* v : {p.fill, p.stroke})
      for (int k = 0; v && k < (v == p.fill ? p.nfill : p.nstroke); ++k)
        made.vertices.insert(made.vertices.end(), {v[k].x, v[k].y, v[k].u, v[k].v});
  }
  m.End();
  return made;
}
} // namespace

// Fringe strips shown apart do not cross, so a fill whose strips are looked at before the crossing search
// makes what it makes after it: stars, pentagrams and bowties, random polygons, a plus of two bars (paths
// that cross, each beginning outside the other), discs side by side or one in a hole, turned, at scales 1 to
// 3. Some are apart (no search), some cross (their fringe made again), some neither.
TEST(FringeApart, StripsApartDoNotCross)
{
  std::mt19937 rng(51);
  auto uniform = [&](float a, float b) { return std::uniform_real_distribution<float>(a, b)(rng); };
  int apart = 0, crossing = 0;
  for (int round = 0; round < 600; ++round)
  {
    const float ratio = 1.0f + float(rng() % 5) * 0.5f, turn = uniform(0, 6.3f);
    const float c = std::cos(turn), s = std::sin(turn);
    auto at = [&](VGcontext* vg, bool move, float x, float y)
    {
      const float px = 32 + c * (x - 32) - s * (y - 32), py = 32 + s * (x - 32) + c * (y - 32);
      move ? vgMoveTo(vg, px, py) : vgLineTo(vg, px, py);
    };
    const int kind = int(rng() % 6);
    const float r = uniform(3, 26), inner = uniform(0.15f, 0.7f);
    std::vector<std::pair<float, float>> random;
    for (int k = 0, n = 4 + int(rng() % 8); k < n; ++k)
      random.push_back({uniform(6, 58), uniform(6, 58)});
    auto add = [&](VGcontext* vg)
    {
      switch (kind)
      {
      case 0: // a star, or a pentagram (its outline crossing itself)
        for (int i = 0; i < 10; ++i)
        {
          const bool pentagram = r < 12;
          const double a = pentagram ? 4 * kPi * i / 5 : kPi * i / 5;
          const float radius = pentagram || i % 2 == 0 ? r : r * inner;
          at(vg, i == 0, 32 + radius * float(std::cos(a)), 32 + radius * float(std::sin(a)));
        }
        break;
      case 1: // a bowtie
        at(vg, true, 32 - r, 32 - r * inner), at(vg, false, 32 + r, 32 + r * inner);
        at(vg, false, 32 + r, 32 - r * inner), at(vg, false, 32 - r, 32 + r * inner);
        break;
      case 2: // a plus of two bars
        at(vg, true, 32 - r, 30), at(vg, false, 32 + r, 30), at(vg, false, 32 + r, 34), at(vg, false, 32 - r, 34);
        vgClosePath(vg);
        at(vg, true, 30, 32 - r), at(vg, false, 30, 32 + r), at(vg, false, 34, 32 + r), at(vg, false, 34, 32 - r);
        break;
      case 3:
        for (size_t k = 0; k < random.size(); ++k)
          at(vg, k == 0, random[k].first, random[k].second);
        break;
      case 4: // discs side by side, or touching
        vgCircle(vg, 32 - r / 2 - 1, 32, r / 2), vgCircle(vg, 32 + r / 2 + inner * 2, 32, r / 2);
        break;
      default: // a ring, its hole maybe thinner than a fringe
        vgCircle(vg, 32, 32, r), vgCircle(vg, 32, 32, r * (1 - inner * inner));
        vgPathWinding(vg, kVGHole);
        break;
      }
      vgClosePath(vg);
    };
    const Made first = MadeWith(ratio, true, add), after = MadeWith(ratio, false, add);
    ASSERT_EQ(first, after) << "round " << round << ", kind " << kind;
    apart += first.flags[3];
    crossing += (kind == 1 || kind == 2) && first.flags[2];
  }
  EXPECT_GT(apart, 100);
  EXPECT_GT(crossing, 50);
}

// Turns asked together (vgFringeTurns, in doubles, two at a time) say what vgFringeTurn says of each:
// random placed corners, few with a turn whose cross and room are equal or nearly, near a line, and far out (differences up
// to 2^25), polygons of any length read from any corner on, each turn maybe taken the other way, and strips
// whose corners are handed alike now and then (those turns left out and counted).
TEST(FringeApart, TurnsAskedTogetherAreEachCornersTurn)
{
  std::mt19937 rng(61);
  auto any = [&](int64_t reach) { return (int64_t)(rng() % (uint64_t)(2 * reach + 1)) - reach; };
  // Two sides from a corner whose cross and room (in quarters) are equal, either way round.
  std::vector<std::array<int, 4>> equal;
  for (int ux = -12; ux <= 12; ++ux)
    for (int uy = -12; uy <= 12; ++uy)
      for (int vx = -12; vx <= 12; ++vx)
        for (int vy = -12; vy <= 12; ++vy)
          if (std::abs(4 * (ux * vy - uy * vx)) == 10 * (std::abs(ux) + std::abs(uy) + std::abs(vx) + std::abs(vy)) + 50)
            equal.push_back({ux, uy, vx, vy});
  ASSERT_FALSE(equal.empty());
  int agreeing[3] = {};
  for (int round = 0; round < 20000; ++round)
  {
    // A few corners, one turn's cross and room equal or nearly (below): each answer is one or two turns'.
    const int n = round % 3 == 0 ? 2 + int(rng() % 2) : 1 + int(rng() % 40);
    const int64_t reach = round % 3 == 2 ? (int64_t(1) << 24) - 1 : 4000;
    std::vector<VGfringePoint> p((size_t)n + 2);
    for (VGfringePoint& q : p)
      q = {any(reach), any(reach)};
    // Some corners near the line through the two before them, some placed as others (handed alike).
    std::vector<uint64_t> handed((size_t)n + 2);
    for (size_t k = 0; k < p.size(); ++k)
    {
      handed[k] = rng();
      if (k >= 2 && rng() % 3 == 0)
      {
        const int64_t t = any(3);
        p[k] = {p[k - 2].x + t * (p[k - 1].x - p[k - 2].x) + any(2), p[k - 2].y + t * (p[k - 1].y - p[k - 2].y) + any(2)};
        p[k].x = std::clamp(p[k].x, -reach, reach), p[k].y = std::clamp(p[k].y, -reach, reach);
      }
      if (k >= 1 && rng() % 8 == 0)
      {
        const size_t from = k - 1 - (k >= 2 ? rng() % 2 : 0);
        p[k] = p[from], handed[k] = handed[from];
      }
    }
    const int from = int(rng() % (size_t)n), to = from + int(rng() % (size_t)(n - from + 1));
    // There, the first turn asked with cross and room equal, or a step from it.
    if (round % 3 == 0 && from < to)
    {
      const std::array<int, 4>& e = equal[rng() % equal.size()];
      const VGfringePoint a = p[(size_t)from];
      p[(size_t)from + 1] = {a.x + e[0], a.y + e[1]};
      p[(size_t)from + 2] = {a.x + e[2] + any(1), a.y + e[3]};
      handed[(size_t)from + 1] = rng(), handed[(size_t)from + 2] = rng();
    }
    std::vector<double> x, y;
    for (const VGfringePoint& q : p)
      x.push_back((double)q.x), y.push_back((double)q.y);
    const bool flip = rng() % 2, withHanded = rng() % 2;
    VGfringeTurns t;
    const uint64_t* h = withHanded ? handed.data() : nullptr;
    vgFringeTurns({x.data(), y.data(), h}, {x.data() + 1, y.data() + 1, h ? h + 1 : nullptr},
                  {x.data() + 2, y.data() + 2, h ? h + 2 : nullptr}, from, to, flip, t);
    int plus = 0, minus = 0, zero = 0;
    int64_t alike = 0, up = 0, down = 0;
    for (int i = from; i < to; ++i)
    {
      const VGfringePoint &a = p[(size_t)i], &b = p[(size_t)i + 1], &c = p[(size_t)i + 2];
      const int turn = vgFringeTurn(a, b, c);
      ASSERT_EQ(vgFringeTurnAt(x[(size_t)i], y[(size_t)i], x[(size_t)i + 1], y[(size_t)i + 1], x[(size_t)i + 2],
                               y[(size_t)i + 2]),
                turn)
          << "round " << round << " corner " << i;
      const uint64_t* hi = handed.data() + i;
      if (withHanded && (hi[0] == hi[1] || hi[1] == hi[2] || hi[0] == hi[2]))
      {
        ++alike;
        continue;
      }
      const int taken = flip ? -turn : turn;
      (taken > 0 ? plus : taken < 0 ? minus : zero)++;
      up += b.y < a.y && c.y >= b.y, down += b.y >= a.y && c.y < b.y;
    }
    const int expected = plus + minus + zero == 0 ? 0 : minus + zero == 0 ? 1 : plus + zero == 0 ? -1 : 0;
    const int asked = plus + minus + zero == 0 ? 0 : t.Turn();
    ASSERT_EQ(asked, expected) << "round " << round << " from " << from << " to " << to;
    ASSERT_EQ(plus + minus + zero == 0, t.least == INFINITY && t.most == -INFINITY) << "round " << round;
    if (withHanded)
      ASSERT_EQ(t.alike, alike) << "round " << round;
    else
    {
      ASSERT_EQ(t.up, up) << "round " << round;
      ASSERT_EQ(t.down, down) << "round " << round;
    }
    agreeing[expected + 1]++;
  }
  // Each answer often: every turn one way, every one the other, and neither.
  for (int a : agreeing)
    EXPECT_GT(a, 1000);
}
