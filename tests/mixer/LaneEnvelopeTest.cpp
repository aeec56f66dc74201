// The side-by-side envelope gives each lane exactly the scalar smoother's steps, and leaves its hold count
// and state as the scalar steps would, from any loaded state: a count past a shortened hold, a release
// loaded from an earlier block, a state the steps never set.
#include "mixer/LaneVectors.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

using namespace iplugin;

namespace
{
bool SameBits(double a, double b)
{
  return std::memcmp(&a, &b, sizeof a) == 0;
}

template <int W> void CheckRandomRuns(uint32_t seed)
{
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> count(-2, 9), pick(0, 99);
  std::uniform_real_distribution<double> u(0.0, 1.0);
  const uint32_t states[] = {GainSmoother::kStateIdle, GainSmoother::kStateAttack,
                             GainSmoother::kStateRelease, 7};
  for (int run = 0; run < 400; ++run)
  {
    GainSmoother alone[W], together[W];
    GainSmoother* lanes[W];
    for (int j = 0; j < W; ++j)
    {
      GainSmoother& s = alone[j];
      s.mAttack = pick(rng) < 30 ? 0.0 : u(rng);
      s.mRelease = u(rng);
      s.mHoldSamples = count(rng);
      s.mHoldCounter = count(rng);
      s.mState = states[pick(rng) % 4];
      s.mValue = pick(rng) < 20 ? 0.0 : u(rng);
      together[j] = s;
      lanes[j] = &together[j];
    }
    lanes::Envelope<W> envelope;
    envelope.Load(lanes);
    // Short blocks, so that many end mid-hold or right at a release; some without a single rise.
    const int frames = 1 + pick(rng) % 12;
    const bool quiet = pick(rng) < 25;
    for (int i = 0; i < frames; ++i)
    {
      lanes::D<W> target;
      for (int j = 0; j < W; ++j)
        target[j] = quiet ? 0.0 : (pick(rng) < 15 ? u(rng) : u(rng) * 1e-3);
      const lanes::D<W> value = envelope.Step(target);
      for (int j = 0; j < W; ++j)
        ASSERT_TRUE(SameBits(alone[j].Step(target[j]), value[j])) << run << " " << i << " " << j;
    }
    envelope.Store(lanes);
    for (int j = 0; j < W; ++j)
    {
      EXPECT_TRUE(SameBits(alone[j].Value(), together[j].Value())) << run << " " << j;
      EXPECT_EQ(alone[j].mHoldCounter, together[j].mHoldCounter) << run << " " << j;
      EXPECT_EQ(alone[j].mState, together[j].mState) << run << " " << j;
    }
  }
}

TEST(LaneEnvelope, PairsStepAndStoreAsTheScalarSmoother)
{
  CheckRandomRuns<2>(11);
}

TEST(LaneEnvelope, FoursStepAndStoreAsTheScalarSmoother)
{
  CheckRandomRuns<4>(12);
}
} // namespace
