// The vertex stage's shortcuts against its general path: runs of vertices shaded by a function's run form and
// put in window coordinates in the SIMD arithmetic, and draws that take the vertices an earlier draw of their
// pass shaded.
#include "platform/src/Metal/VertexStage.h"

#include "tests/platform/SoftwareGpu.h"

#include <QorvPlatform/Metal.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>

namespace
{
// Attribute 0 and 1 are the clip-space position as given (w too, which may be 0 or negative); the varyings
// are the id and both attributes.
void StageClipVertex(const QorvVertexIn& in, QorvVertexOut& out)
{
  std::memcpy(out.position, in.attributes[0], 8);
  std::memcpy(out.position + 2, in.attributes[1], 8);
  const float varyings[5] = {(float)in.vertexId, in.attributes[0][0], in.attributes[0][1],
                             in.attributes[1][0], in.attributes[1][1]};
  std::memcpy(out.varyings, varyings, sizeof varyings);
}

void StageClipRun(const QorvVertexRunIn& in, size_t count, float (*positions)[4], unsigned char* varyings,
                  size_t stride)
{
  for (size_t i = 0; i < count; ++i)
  {
    QorvVertexIn one{};
    for (int a = 0; a < 2; ++a)
    {
      float* to = one.attributes[a];
      to[0] = to[1] = to[2] = 0, to[3] = 1;
      if (in.attributes[a]) std::memcpy(to, in.attributes[a] + in.strides[a] * i, 8);
    }
    one.vertexId = in.firstId + (uint32_t)i;
    QorvVertexOut out{};
    StageClipVertex(one, out);
    std::memcpy(positions[i], out.position, sizeof out.position);
    if (varyings) std::memcpy(varyings + stride * i, out.varyings, 5 * sizeof(float));
  }
}

// A float for a coordinate: ordinary, on or next to the rounding's halves for a viewport 2 wide (x + 1 is
// the window coordinate), beyond the clamp, or not finite.
float StageCoordinate(std::mt19937& rng)
{
  std::uniform_real_distribution<float> unit(-1, 1);
  switch (rng() % 8)
  {
  case 0:
    return (float)((int)(rng() % 4096) - 2048 + 0.5) / 256.0f - 1.0f;
  case 1:
    return std::nextafter((float)((int)(rng() % 4096) - 2048 + 0.5) / 256.0f - 1.0f,
                          rng() % 2 ? 10.0f : -10.0f);
  case 2:
    return unit(rng) * 1e30f;
  case 3:
    return rng() % 2 ? std::numeric_limits<float>::infinity() : std::numeric_limits<float>::quiet_NaN();
  default:
    return unit(rng) * 3;
  }
}
} // namespace

// Over random runs (positions near the rounding's halves, beyond the clamp, not finite, w of 1, other,
// 0 or negative; viewports ordinary, 2 wide, huge or not finite; one attribute unbound or both bound),
// a run form and the SIMD placing give each vertex's validity, fixed-point place, depth and varyings as
// the function given each vertex alone in the portable arithmetic does.
TEST(VertexStage, RunsAndSimdPlaceVerticesAsEachAlone)
{
  std::mt19937 rng(48);
  std::uniform_real_distribution<double> unit(0, 1);
  QorvShaderCode code;
  code.vertex = StageClipVertex, code.vertexRun = StageClipRun, code.varyingCount = 5;
  int valid = 0;
  for (int round = 0; round < 400; ++round)
  {
    const size_t count = 1 + rng() % 150, stride = rng() % 3 ? 16 : 24;
    std::vector<unsigned char> bytes(count * stride);
    for (size_t i = 0; i < count; ++i)
    {
      float record[4] = {StageCoordinate(rng), StageCoordinate(rng), StageCoordinate(rng),
                         rng() % 3   ? 1.0f
                         : rng() % 4 ? 0.25f + 4 * (float)unit(rng)
                                     : -(float)unit(rng) * (rng() % 2)};
      std::memcpy(&bytes[i * stride], record, sizeof record);
    }
    auto vd = MTLVertexDescriptor::vertexDescriptor();
    vd->attributes[0] = {MTLVertexFormatFloat2, 0, 0};
    if (rng() % 4) vd->attributes[1] = {MTLVertexFormatFloat2, 8, 0};
    vd->layouts[0].stride = stride;
    QorvDrawState state;
    const int kind = (int)(rng() % 4);
    state.viewport =
        kind == 0 ? MTLViewport{0, 0, 2, 2, 0, 1}
        : kind == 1
            ? MTLViewport{unit(rng) * 50 - 20, unit(rng) * 50 - 20, unit(rng) * 900, unit(rng) * 700, 0, 1}
        : kind == 2 ? MTLViewport{0, 0, 1e12, 3e9, 0, 1}
                    : MTLViewport{0, 0, std::numeric_limits<double>::infinity(), 40, 0, 1};
    const uint32_t first = (uint32_t)(rng() % 5);
    const size_t n = count - std::min<size_t>(first, count - 1);
    std::vector<qorv_raster::Vertex> expected(n);
    for (int way = 0; way < 4; ++way)
    {
      qorv_raster::Draw d{};
      d.vd = vd.get(), d.vertexCode = &code, d.fragmentCode = nullptr, d.state = &state;
      d.options = QorvGpuOptions{.simd = (way & 1) != 0, .vertexRuns = (way & 2) != 0};
      d.simd = QorvSimdOn(d.options);
      d.varyings = 5;
      d.vertexBuffers[0] = QorvShaderBuffer{bytes.data(), bytes.size()};
      qorv_raster::VertexStage stage(d, d.varyings);
      stage.Within(first + (uint32_t)(n - 1));
      std::vector<qorv_raster::Vertex> got(n);
      stage.ShadeRun(first, n, got.data());
      if (way == 0)
      {
        expected = got;
        for (const qorv_raster::Vertex& v : got)
          valid += v.valid;
        continue;
      }
      for (size_t i = 0; i < n; ++i)
      {
        const qorv_raster::Vertex &a = expected[i], &b = got[i];
        ASSERT_EQ(b.valid, a.valid) << "round " << round << " way " << way << " vertex " << i;
        if (!a.valid) continue;
        ASSERT_EQ(b.fx, a.fx) << "round " << round << " way " << way << " vertex " << i;
        ASSERT_EQ(b.fy, a.fy) << "round " << round << " way " << way << " vertex " << i;
        ASSERT_EQ(std::memcmp(&b.z, &a.z, sizeof a.z), 0) << "round " << round << " way " << way;
        ASSERT_EQ(std::memcmp(b.varyings, a.varyings, 5 * sizeof(float)), 0) << "round " << round;
      }
    }
  }
  EXPECT_GT(valid, 10000);
}

namespace
{
// A pass's draws of the same vertex ids, with what may change between them.
struct StageRepeat
{
  int buffer = 0;           // which vertex buffer (of two, with other vertices)
  NSUInteger offset = 0;    // bytes into it
  int view = 0;             // which size in vertex buffer 1
  bool colour = true;       // a fragment function (else stencil marks alone)
  bool otherLayout = false; // the descriptor reads attribute 1 from 4 bytes on
  bool viewport = false;    // another viewport
  bool strip = false;
  bool scissor = false; // rows 7 to 26 alone
  bool indexed = false; // the same ids, from indices
};

std::vector<uint8_t> DrawStageRepeats(const std::vector<StageRepeat>& draws, bool repeated, std::mt19937& rng,
                                      std::vector<uint8_t>& stencilOut)
{
  constexpr int kSize = 40;
  gputest::Harness h(kSize, kSize);
  QorvMetalSetOptions(*h.device, QorvGpuOptions{.repeatedVertices = repeated});
  std::uniform_real_distribution<float> unit(0, 1);
  std::shared_ptr<MTLBuffer> buffers[2];
  constexpr size_t kVertices = 18;
  for (auto& b : buffers)
  {
    std::vector<gputest::Vertex> v;
    for (size_t i = 0; i < kVertices + 2; ++i)
      v.push_back({unit(rng) * (kSize + 10) - 5, unit(rng) * (kSize + 10) - 5, unit(rng), unit(rng)});
    b = h.device->newBufferWithBytes(v.data(), v.size() * sizeof v[0], MTLResourceStorageModeShared);
  }
  const float sizes[2][2] = {{(float)kSize, (float)kSize}, {kSize * 1.25f, kSize * 0.75f}};
  std::shared_ptr<MTLBuffer> views[2];
  for (int i = 0; i < 2; ++i)
    views[i] = h.device->newBufferWithBytes(sizes[i], 8, MTLResourceStorageModeShared);
  auto cover = h.Pipeline("testTextureSpan", true, MTLBlendFactorOne, MTLBlendFactorOne);
  auto marks = h.Pipeline(nullptr, false, MTLBlendFactorOne, MTLBlendFactorZero, MTLColorWriteMaskNone);
  MTLRenderPipelineDescriptor other;
  other.vertexFunction = h.library->newFunctionWithName("testVertex");
  other.fragmentFunction = h.library->newFunctionWithName("testTextureSpan");
  auto vd = MTLVertexDescriptor::vertexDescriptor();
  vd->attributes[0] = {MTLVertexFormatFloat2, 0, 0};
  vd->attributes[1] = {MTLVertexFormatFloat2, 4, 0};
  vd->layouts[0].stride = 16;
  other.vertexDescriptor = vd;
  other.colorAttachments[0].pixelFormat = h.colour->pixelFormat();
  other.colorAttachments[0].blendingEnabled = true;
  other.colorAttachments[0].destinationRGBBlendFactor =
      other.colorAttachments[0].destinationAlphaBlendFactor = MTLBlendFactorOne;
  other.stencilAttachmentPixelFormat = MTLPixelFormatStencil8;
  auto otherPipeline = h.device->newRenderPipelineStateWithDescriptor(other, nullptr);
  gputest::Harness::DrawSpec textured;
  gputest::TextureTheDraw(h, textured);
  auto count =
      gputest::Harness::Stencil(*h.device, MTLCompareFunctionAlways, MTLStencilOperationIncrementWrap,
                                MTLStencilOperationKeep, MTLStencilOperationIncrementWrap);

  std::vector<uint32_t> ids(kVertices);
  for (size_t i = 0; i < kVertices; ++i)
    ids[i] = (uint32_t)i + 1;
  auto indices = h.device->newBufferWithBytes(ids.data(), ids.size() * 4, MTLResourceStorageModeShared);

  auto cb = h.queue->commandBuffer();
  auto pass = MTLRenderPassDescriptor::renderPassDescriptor();
  pass->colorAttachments[0].texture = h.colour;
  pass->colorAttachments[0].loadAction = MTLLoadActionClear;
  pass->stencilAttachment.texture = h.stencil;
  pass->stencilAttachment.loadAction = MTLLoadActionClear;
  auto enc = cb->renderCommandEncoderWithDescriptor(*pass);
  enc->setDepthStencilState(count);
  enc->setFragmentTexture(textured.texture, 0);
  enc->setFragmentSamplerState(textured.sampler, 0);
  const float colour[4] = {0.25f, 0.25f, 0.25f, 0.25f};
  enc->setFragmentBuffer(h.device->newBufferWithBytes(colour, 16, MTLResourceStorageModeShared), 0, 0);
  for (const StageRepeat& r : draws)
  {
    enc->setRenderPipelineState(r.otherLayout ? otherPipeline : r.colour ? cover : marks);
    enc->setVertexBuffer(buffers[r.buffer], r.offset, 0);
    enc->setVertexBuffer(views[r.view], 0, 1);
    enc->setViewport(r.viewport ? MTLViewport{3, 2, kSize - 6.0, kSize - 3.0, 0, 1}
                                : MTLViewport{0, 0, (double)kSize, (double)kSize, 0, 1});
    enc->setScissorRect(r.scissor ? MTLScissorRect{0, 7, kSize, 20} : MTLScissorRect{0, 0, kSize, kSize});
    const MTLPrimitiveType type = r.strip ? MTLPrimitiveTypeTriangleStrip : MTLPrimitiveTypeTriangle;
    if (r.indexed)
      enc->drawIndexedPrimitives(type, kVertices, MTLIndexTypeUInt32, indices, 0);
    else
      enc->drawPrimitives(type, 1, kVertices);
  }
  enc->endEncoding();
  cb->commit();
  cb->waitUntilCompleted();
  stencilOut = h.Pixels(h.stencil);
  return h.Pixels(h.colour);
}
} // namespace

// Passes of draws of the same ids: marks then colour (a sampled fill's fringe), colour again, colour after
// other draws, and draws that differ from the one before in their vertex buffer, its offset, the buffer the
// vertex function reads the view from, the descriptor's layout, the viewport, the scissor, the primitive or
// whether indices name the ids (so that marks keep no varyings for them): each pass gives the colour and
// stencil bytes it gives with every draw shading its own vertices.
TEST(VertexStage, RepeatedDrawsTakeOnlyTheSameVertices)
{
  std::mt19937 rng(47);
  int covered = 0;
  for (int round = 0; round < 300; ++round)
  {
    std::vector<StageRepeat> draws;
    for (int i = 0, n = 2 + (int)(rng() % 5); i < n; ++i)
    {
      StageRepeat r = draws.empty() || rng() % 3 == 0 ? StageRepeat{} : draws.back();
      switch (rng() % 11)
      {
      case 0:
        r.buffer ^= 1;
        break;
      case 1:
        r.offset = r.offset ? 0 : 16;
        break;
      case 2:
        r.view ^= 1;
        break;
      case 3:
        r.otherLayout = !r.otherLayout;
        break;
      case 4:
        r.viewport = !r.viewport;
        break;
      case 5:
        r.strip = !r.strip;
        break;
      case 6:
        r.scissor = !r.scissor;
        break;
      case 7:
        r.indexed = !r.indexed;
        break;
      default:
        r.colour = !r.colour;
      }
      draws.push_back(r);
    }
    const unsigned seed = (unsigned)rng();
    std::vector<uint8_t> stencils[2], pictures[2];
    for (int repeated = 0; repeated < 2; ++repeated)
    {
      std::mt19937 same(seed);
      pictures[repeated] = DrawStageRepeats(draws, repeated == 1, same, stencils[repeated]);
    }
    ASSERT_EQ(pictures[1], pictures[0]) << "round " << round;
    ASSERT_EQ(stencils[1], stencils[0]) << "round " << round;
    for (size_t i = 3; i < pictures[0].size(); i += 4)
      covered += pictures[0][i] != 0;
  }
  EXPECT_GT(covered, 20000);
}
