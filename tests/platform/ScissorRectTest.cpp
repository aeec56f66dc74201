// A draw's scissor rectangle bounds its fragments: none outside it is shaded, and inside it the target gets
// the bytes of the same draw without a scissor. Random triangles, quads (drawn as convex fans) and rectangles
// that reach past the target, on targets drawn in bands.
#include "tests/platform/SoftwareGpu.h"

#include <gtest/gtest.h>

#include <mutex>
#include <random>
#include <vector>

using namespace gputest;

namespace
{
std::mutex gNotedMutex;
std::vector<std::pair<int, int>> gNoted;

// The solid shader, noting every fragment it shades.
bool NotingFragment(const QorvFragmentIn& in, float colour[4])
{
  {
    std::lock_guard<std::mutex> lock(gNotedMutex);
    gNoted.emplace_back((int)in.position[0], (int)in.position[1]);
  }
  return SolidFragment(in, colour);
}

void UseNotingShader(Harness& h)
{
  QorvMetalRegisterFragmentFunction("testNoting", NotingFragment);
  auto more = QorvMetalLibraryData({{MTLFunctionTypeVertex, "testVertex"},
                                    {MTLFunctionTypeFragment, "testNoting"},
                                    {MTLFunctionTypeFragment, "testSolidSpan"}});
  dispatch_data_t data =
      dispatch_data_create(more.data(), more.size(), nullptr, DISPATCH_DATA_DESTRUCTOR_DEFAULT);
  h.library = h.device->newLibraryWithData(data, nullptr);
  dispatch_release(data);
}
} // namespace

TEST(ScissorRect, NoFragmentOutsideAndTheSameBytesInside)
{
  std::mt19937 rng(3);
  constexpr int kW = 70, kH = 50;
  auto coord = [&](int n)
  { return (float)((int)(rng() % (unsigned)(n + 40)) - 20) + (float)(rng() % 4) * 0.25f; };
  for (int round = 0; round < 60; ++round)
  {
    std::vector<Vertex> vertices;
    const bool strip = rng() % 2;
    for (int i = 0; i < (strip ? 4 : 6); ++i)
      vertices.push_back(Vertex{coord(kW), coord(kH), 0, 0});
    if (rng() % 3 == 0) // a quad: the rasteriser draws it as one convex polygon
      vertices = {{coord(kW), 5, 0, 0}, {coord(kW), 5, 0, 0}, {2, 40, 0, 0}, {60, 45, 0, 0}};
    const MTLScissorRect rect{rng() % (kW + 10), rng() % (kH + 10), rng() % kW, rng() % kH};
    const bool spans = rng() % 2;
    auto draw = [&](const MTLScissorRect* scissor)
    {
      Harness h(kW, kH);
      UseNotingShader(h);
      Harness::DrawSpec d;
      d.vertices = vertices;
      d.type = strip ? MTLPrimitiveTypeTriangleStrip : MTLPrimitiveTypeTriangle;
      d.pipeline = h.Pipeline(spans ? "testSolidSpan" : "testNoting", true, MTLBlendFactorOne,
                              MTLBlendFactorOneMinusSourceAlpha);
      d.colour[0] = 0.3f, d.colour[1] = 0.1f, d.colour[2] = 0.5f, d.colour[3] = 0.7f;
      d.scissor = scissor;
      const float clear[4] = {0.1f, 0.9f, 0.2f, 1.0f};
      gNoted.clear();
      h.Pass({d}, clear, true);
      return h.Pixels(h.colour);
    };
    const auto whole = draw(nullptr);
    const auto scissored = draw(&rect);
    for (const auto& [x, y] : gNoted)
      ASSERT_TRUE(x >= (int)rect.x && x < (int)(rect.x + rect.width) && y >= (int)rect.y &&
                  y < (int)(rect.y + rect.height))
          << "round " << round << ": fragment at " << x << ", " << y;
    const std::vector<uint8_t> clearBytes{26, 230, 51, 255};
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x)
      {
        const bool inside = x >= (int)rect.x && x < (int)(rect.x + rect.width) && y >= (int)rect.y &&
                            y < (int)(rect.y + rect.height);
        const size_t at = ((size_t)y * kW + x) * 4;
        const std::vector<uint8_t> got(scissored.begin() + (long)at, scissored.begin() + (long)at + 4);
        const std::vector<uint8_t> want =
            inside ? std::vector<uint8_t>(whole.begin() + (long)at, whole.begin() + (long)at + 4)
                   : clearBytes;
        ASSERT_EQ(got, want) << "round " << round << " pixel " << x << ", " << y;
      }
  }
}
