// The gain computation of the mixing loop over a chunk of frames: each channel's level against the others'
// by "Mix Mode", the gate, the moderator's ducking and bypass, then each channel's mix smoother times its
// solo/mute gain. Every gain is the one the frame-by-frame rule gives, bit for bit; the work is only
// ordered differently: the shares are computed for several frames at once, the smoothers for several
// channels at once (LaneIsa.h). Audio thread; no allocation.
#pragma once

#include "mixer/GainSmoother.h"
#include "mixer/LaneIsa.h"

#include <cstdint>

namespace iplugin
{
struct MixGainJob
{
  static constexpr int kMaxChannels = 32;
  static constexpr int kMaxFrames = 128;
  // Rows are read and written up to `frames` rounded up to 4; the level and solo/mute rows' frames past
  // `frames` are set to 0 first.
  static constexpr int kRowPadding = 4;

  int channels = 0; // n; channels past kMaxChannels are left out
  int frames = 0;   // longer runs than kMaxFrames are worked through in pieces
  uint32_t mixMode = 0;
  double p = 1.0;        // 10^Strength
  double gate = 0.0;     // linear
  double gateDb = -90.0; // "Prio" gates in dB
  double modAttn = 0.0;
  int moderator = -1;                // the moderator channel, or -1
  const bool* bypass = nullptr;      // [n]
  double* const* levels = nullptr;   // [n][frames]: each channel's level (bank A's envelope 1)
  double* const* soloMute = nullptr; // [n][frames]: each channel's solo/mute gain; a null row is 1 throughout
  GainSmoother* const* smoothers = nullptr; // [n]: the mix smoothers
  double* const* targets = nullptr;         // [n][frames]: working rows
  double* const* gains = nullptr;           // [n][frames]: the result
};

void ComputeMixGains(const MixGainJob& job, ELaneIsa isa = kLaneIsaBest);
} // namespace iplugin
