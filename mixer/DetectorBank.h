// Runs several level detectors side by side over a block: the mixing loop's way to feed a bank of 32
// detectors fast. Each detector's results are those of its own ProcessBlock, sample for sample and bit
// for bit; only the order in which independent detectors are stepped changes, which lets the processor
// work on four of them at once instead of waiting on one detector's recursions.
#pragma once

#include "mixer/LevelDetector.h"

namespace iplugin
{
// Feeds detectors[d] with frames of left[d] and right[d] (right may equal left), and writes envelope 1's
// value after each frame to levels[d] when levels and levels[d] are not null. Audio thread.
void ProcessDetectorsSideBySide(LevelDetector* const* detectors, int count, bool preFilter,
                                const double* const* left, const double* const* right, int frames,
                                double* const* levels);
} // namespace iplugin
