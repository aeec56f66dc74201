// Runs several level detectors side by side over a block: the mixing loop's way to feed a bank of 32
// detectors fast. Each detector's results are those of its own ProcessBlock, sample for sample and bit
// for bit; only the order in which independent detectors are stepped changes, which lets the processor
// work on two or four of them at once (LaneIsa.h) instead of waiting on one detector's recursions.
#pragma once

#include "mixer/LaneIsa.h"
#include "mixer/LevelDetector.h"

namespace iplugin
{

// A factor each input sample is multiplied by as it enters its detector (the multiplication the mixer
// would otherwise make in a pass of its own): one per detector, or one per detector and frame. A detector
// whose row is null (or all when perFrame is) takes its one factor (1 when perDetector is null).
struct BankInputScale
{
  const double* perDetector = nullptr;     // [count]
  const double* const* perFrame = nullptr; // [count][frames], rows may be null
};

// Feeds detectors[d] with frames of left[d] and right[d] (right may equal left), each sample times its
// scale, and writes envelope 1's value after each frame to levels[d] when levels and levels[d] are not
// null. A detector whose two sides get the same samples and hold the same filter states runs one side
// only; one at rest (silent input and settled states, which the block would leave as they are) is not run.
// Audio thread.
void ProcessDetectorsSideBySide(LevelDetector* const* detectors, int count, bool preFilter,
                                const double* const* left, const double* const* right, int frames,
                                double* const* levels, BankInputScale scale = {},
                                ELaneIsa isa = kLaneIsaBest);
} // namespace iplugin
