// The host's tempo and transport, filled by the audio binding before each block.
#pragma once

namespace iplugin
{
struct TransportInfo
{
  double mTempo = 120.0;
  double mSamplePos = -1.0;
  double mPPQPos = -1.0; // musical position in quarter notes
  double mLastBar = -1.0;
  double mCycleStart = -1.0;
  double mCycleEnd = -1.0;
  int mNumerator = 4;
  int mDenominator = 4;
  bool mTransportIsRunning = false;
  bool mTransportLoopEnabled = false;
};
} // namespace iplugin
