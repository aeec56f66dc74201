#include "tests/platform/SoftwareGpu.h"

#include <gtest/gtest.h>

namespace
{
std::shared_ptr<MTLLibrary> Make(const std::vector<unsigned char>& bytes, std::shared_ptr<NSError>* error)
{
  auto device = MTLCreateSystemDefaultDevice();
  dispatch_data_t data =
      dispatch_data_create(bytes.data(), bytes.size(), nullptr, DISPATCH_DATA_DESTRUCTOR_DEFAULT);
  auto library = device->newLibraryWithData(data, error);
  dispatch_release(data);
  return library;
}
} // namespace

TEST(MetalLibrary, NamesItsRegisteredFunctions)
{
  gputest::RegisterShaders();
  std::shared_ptr<NSError> error;
  auto library = Make(gputest::LibraryData(), &error);
  ASSERT_TRUE(library);
  EXPECT_FALSE(error);
  EXPECT_EQ(library->functionNames().size(), 8u);
  auto f = library->newFunctionWithName("testSolid");
  ASSERT_TRUE(f);
  EXPECT_EQ(f->functionType(), MTLFunctionTypeFragment);
  EXPECT_FALSE(library->newFunctionWithName("missing"));
}

TEST(MetalLibrary, DamagedDataFailsWithAnError)
{
  gputest::RegisterShaders();
  auto good = gputest::LibraryData();
  std::vector<std::vector<unsigned char>> bad = {
      {},
      {'M', 'T', 'L'},
      std::vector<unsigned char>(good.begin(), good.end() - 1),           // truncated name
      QorvMetalLibraryData({{MTLFunctionTypeVertex, "neverRegistered"}}), // no code
      QorvMetalLibraryData({{MTLFunctionTypeFragment, "testVertex"}}),    // wrong kind
  };
  auto extra = good;
  extra.push_back(0);
  bad.push_back(extra);
  auto magic = good;
  magic[0] = 'X';
  bad.push_back(magic);
  for (size_t i = 0; i < bad.size(); ++i)
  {
    std::shared_ptr<NSError> error;
    EXPECT_FALSE(Make(bad[i], &error)) << i;
    EXPECT_TRUE(error) << i;
  }
  QorvMetalSetLibraryFailure(true);
  EXPECT_FALSE(Make(good, nullptr));
  QorvMetalSetLibraryFailure(false);
  EXPECT_TRUE(Make(good, nullptr));
}

TEST(MetalLibrary, PipelinesNeedAVertexFunctionAndKnownFormats)
{
  gputest::Harness h;
  MTLRenderPipelineDescriptor d;
  std::shared_ptr<NSError> error;
  EXPECT_FALSE(h.device->newRenderPipelineStateWithDescriptor(d, &error));
  EXPECT_TRUE(error);
  d.vertexFunction = h.library->newFunctionWithName("testVertex");
  d.colorAttachments[0].pixelFormat = MTLPixelFormatStencil8;
  EXPECT_FALSE(h.device->newRenderPipelineStateWithDescriptor(d, nullptr));
  d.colorAttachments[0].pixelFormat = MTLPixelFormatRGBA8Unorm;
  d.fragmentFunction = h.library->newFunctionWithName("testVertex");
  EXPECT_FALSE(h.device->newRenderPipelineStateWithDescriptor(d, nullptr));
  d.fragmentFunction = h.library->newFunctionWithName("testSolid");
  uint64_t made = QorvMetalPipelineStatesMade();
  EXPECT_TRUE(h.device->newRenderPipelineStateWithDescriptor(d, nullptr));
  EXPECT_EQ(QorvMetalPipelineStatesMade(), made + 1);
}
