// Large blocks: what is written stays through growing and shrinking across the size where blocks start to be
// mapped, alignment holds, and every mapped block goes back when freed.
#include <QorvPlatform/LargeBlocks.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <algorithm>
#include <cstring>

using qorvplatform::kLargeBlockBytes;

namespace
{
void Fill(void* block, size_t bytes, unsigned seed)
{
  auto* p = static_cast<unsigned char*>(block);
  for (size_t i = 0; i < bytes; ++i)
    p[i] = (unsigned char)(i * 31 + seed);
}

bool Holds(const void* block, size_t bytes, unsigned seed)
{
  const auto* p = static_cast<const unsigned char*>(block);
  for (size_t i = 0; i < bytes; ++i)
    if (p[i] != (unsigned char)(i * 31 + seed)) return false;
  return true;
}
} // namespace

TEST(LargeBlocks, KeepTheirBytesThroughEverySizeAndGoBackWhenFreed)
{
  const long mappedBefore = qorvplatform::LargeBlocksMapped();
  const size_t sizes[] = {1,  100, kLargeBlockBytes - 1, kLargeBlockBytes, 3 * kLargeBlockBytes + 5,
                          40, 0,   2 * kLargeBlockBytes};
  void* block = nullptr;
  size_t held = 0;
  for (size_t bytes : sizes)
  {
    block = qorvplatform::LargeRealloc(block, bytes);
    ASSERT_TRUE(block != nullptr || bytes == 0) << bytes;
    EXPECT_TRUE(Holds(block, std::min(held, bytes), 7)) << bytes;
    EXPECT_EQ(reinterpret_cast<uintptr_t>(block) % 16, 0u);
    Fill(block, bytes, 7);
    held = bytes;
    EXPECT_LE(qorvplatform::LargeBlocksMapped(), mappedBefore + 1);
  }
  qorvplatform::LargeFree(block);
  qorvplatform::LargeFree(nullptr);
  EXPECT_EQ(qorvplatform::LargeBlocksMapped(), mappedBefore);

  {
    qorvplatform::LargeVector<uint32_t> pixels(kLargeBlockBytes, 5u);
    pixels.resize(2 * kLargeBlockBytes, 9u);
    EXPECT_EQ(pixels[kLargeBlockBytes - 1], 5u);
    EXPECT_EQ(pixels.back(), 9u);
  }
  EXPECT_EQ(qorvplatform::LargeBlocksMapped(), mappedBefore);
  EXPECT_EQ(qorvplatform::LargeAlloc(SIZE_MAX - 8), nullptr);
}
