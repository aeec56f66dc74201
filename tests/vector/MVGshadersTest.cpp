// The renderer's vertex function over runs of vertices against the function given each vertex alone.
#include "graphics/vector/MVGshaders.h"

#include <QorvPlatform/Metal.h>
#include <QorvPlatform/MetalShaders.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

// Over random records (ordinary, huge, tiny and non-finite coordinates; views unbound, short, of zero or
// negative size; attribute 1 unbound; strides of one record or more), in either arithmetic, the run form
// gives each vertex's position and varyings bit for bit as the function does, and without varyings the
// position form's position.
TEST(MVGshaders, VertexRunGivesEachVertexsOutput)
{
  iplugin::igraphics::MvgRegisterShaderCode();
  auto device = MTLCreateSystemDefaultDevice();
  dispatch_data_t data =
      dispatch_data_create(iplugin::igraphics::kMVGshaderLibrary, iplugin::igraphics::kMVGshaderLibrarySize,
                           nullptr, DISPATCH_DATA_DESTRUCTOR_DEFAULT);
  auto library = device->newLibraryWithData(data, nullptr);
  dispatch_release(data);
  ASSERT_NE(library, nullptr);
  const QorvShaderCode& code = library->newFunctionWithName("vertexShader")->code();
  ASSERT_NE(code.vertexRun, nullptr);
  ASSERT_NE(code.vertexPosition, nullptr);
  std::mt19937 rng(48);
  std::uniform_real_distribution<float> unit(-1, 1);
  auto value = [&]() -> float
  {
    switch (rng() % 10)
    {
    case 0:
      return unit(rng) * 3e38f;
    case 1:
      return unit(rng) * 1e-39f;
    case 2:
      return rng() % 2 ? -std::numeric_limits<float>::infinity() : std::numeric_limits<float>::quiet_NaN();
    default:
      return unit(rng) * 700;
    }
  };
  for (int round = 0; round < 300; ++round)
  {
    const size_t count = 1 + rng() % 70, stride = 4 * (4 + rng() % 3);
    std::vector<unsigned char> records(count * stride);
    for (size_t i = 0; i + 4 <= records.size(); i += 4)
    {
      const float f = value();
      std::memcpy(&records[i], &f, 4);
    }
    const float views[4][2] = {{600, 400}, {value(), value()}, {0, -3}, {1, 1}};
    const int view = (int)(rng() % 5);
    QorvShaderBuffer buffers[8] = {};
    buffers[0] = QorvShaderBuffer{records.data(), records.size()};
    if (view < 4)
      buffers[1] = QorvShaderBuffer{reinterpret_cast<const unsigned char*>(views[view]), rng() % 6 ? 8u : 4u};
    const bool uv = rng() % 4 != 0;
    QorvVertexRunIn in{};
    in.attributes[0] = records.data(), in.strides[0] = stride;
    if (uv) in.attributes[1] = records.data() + 8, in.strides[1] = stride;
    in.firstId = (uint32_t)(rng() % 100);
    in.buffers = buffers;
    for (bool simd : {false, true})
    {
      const QorvGpuOptions options{.simd = simd};
      const QorvOptionsScope scope(options);
      std::vector<float> positions(4 * count), varyings(6 * count, -7.0f), alone(4 * count);
      code.vertexRun(in, count, reinterpret_cast<float(*)[4]>(positions.data()),
                     reinterpret_cast<unsigned char*>(varyings.data()), 6 * sizeof(float));
      code.vertexRun(in, count, reinterpret_cast<float(*)[4]>(alone.data()), nullptr, 0);
      for (size_t i = 0; i < count; ++i)
      {
        QorvVertexIn one{};
        for (int a = 0; a < kQorvMaxAttributes; ++a)
          one.attributes[a][0] = one.attributes[a][1] = one.attributes[a][2] = 0, one.attributes[a][3] = 1;
        std::memcpy(one.attributes[0], &records[i * stride], 8);
        if (uv) std::memcpy(one.attributes[1], &records[i * stride + 8], 8);
        one.vertexId = in.firstId + (uint32_t)i;
        one.buffers = buffers;
        QorvVertexOut whole{}, position{};
        code.vertex(one, whole);
        code.vertexPosition(one, position);
        EXPECT_EQ(std::memcmp(&positions[4 * i], whole.position, sizeof whole.position), 0)
            << "round " << round << " vertex " << i << (simd ? " simd" : "");
        EXPECT_EQ(std::memcmp(&alone[4 * i], position.position, sizeof position.position), 0)
            << "round " << round << " vertex " << i << (simd ? " simd" : "");
        EXPECT_EQ(std::memcmp(&varyings[6 * i], whole.varyings, 4 * sizeof(float)), 0)
            << "round " << round << " vertex " << i << (simd ? " simd" : "");
        EXPECT_EQ(varyings[6 * i + 4], -7.0f) << "wrote past its varyings";
      }
    }
  }
}
