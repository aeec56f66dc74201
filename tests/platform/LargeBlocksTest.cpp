// Large blocks: what is written stays through growing and shrinking across the size where blocks start to be
// mapped, alignment holds, and every mapped block goes back when freed.
#include <QorvPlatform/LargeBlocks.h>

#include <gtest/gtest.h>

#include "tests/support/AllocatedBytes.h"

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

// A mapped block grows and shrinks in its own pages while they hold it, and moves when they do not, its bytes
// kept every time.
TEST(LargeBlocks, MappedBlocksChangeSizeInTheirOwnPages)
{
  const long mappedBefore = qorvplatform::LargeBlocksMapped();
  const size_t bytesBefore = qorvplatform::LargeBytesMapped();
  struct Step
  {
    size_t bytes;
    bool inPlace;
  };
  // Pages of 4096 bytes, 64 of them before the block.
  const Step steps[] = {{2 * kLargeBlockBytes + 100, false}, {2 * kLargeBlockBytes + 4000, true},
                        {kLargeBlockBytes, true},           {2 * kLargeBlockBytes + 4032, true},
                        {2 * kLargeBlockBytes + 4033, false}, {kLargeBlockBytes - 1, false}};
  void* block = nullptr;
  size_t held = 0;
  for (const Step& step : steps)
  {
    void* was = block;
    block = qorvplatform::LargeRealloc(block, step.bytes);
    ASSERT_NE(block, nullptr) << step.bytes;
    EXPECT_EQ(block == was, step.inPlace) << step.bytes;
    EXPECT_TRUE(Holds(block, std::min(held, step.bytes), 3)) << step.bytes;
    EXPECT_EQ(reinterpret_cast<uintptr_t>(block) % (step.bytes >= kLargeBlockBytes ? 64 : 16), 0u) << step.bytes;
    Fill(block, step.bytes, 3);
    held = step.bytes;
    const bool mapped = step.bytes >= kLargeBlockBytes;
    EXPECT_EQ(qorvplatform::LargeBlocksMapped(), mappedBefore + (mapped ? 1 : 0)) << step.bytes;
    EXPECT_EQ(qorvplatform::LargeBytesMapped(), bytesBefore + (mapped ? step.bytes : 0)) << step.bytes;
  }
  qorvplatform::LargeFree(block);
  EXPECT_EQ(qorvplatform::LargeBlocksMapped(), mappedBefore);
  EXPECT_EQ(qorvplatform::LargeBytesMapped(), bytesBefore);
}

// Under AddressSanitizer a write past a mapped block's end, into the rest of its last page, is reported as one
// past a heap block is: after it was made, grown in place and shrunk in place.
TEST(LargeBlocksDeathTest, AWritePastAMappedBlockIsReported)
{
  if (!qorvtest::kAllocatedBytesCounted) GTEST_SKIP() << "the spare room is marked under AddressSanitizer only";
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  struct Case
  {
    size_t first, then;
  };
  const Case cases[] = {{kLargeBlockBytes + 1, 0}, {kLargeBlockBytes + 8, kLargeBlockBytes + 1000},
                        {kLargeBlockBytes + 3000, kLargeBlockBytes + 5}};
  for (const Case& c : cases)
  {
    void* block = qorvplatform::LargeAlloc(c.first);
    if (c.then) block = qorvplatform::LargeRealloc(block, c.then);
    const size_t bytes = c.then ? c.then : c.first;
    volatile unsigned char* p = static_cast<unsigned char*>(block);
    p[0] = 1;
    p[bytes - 1] = 1;
    EXPECT_DEATH(p[bytes] = 1, "use-after-poison") << c.first << " then " << c.then;
    qorvplatform::LargeFree(block);
  }
}
