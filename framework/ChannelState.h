// One input or output channel of the processor.
#pragma once

#include "framework/StringBuf.h"
#include "framework/TypedBuf.h"

namespace iplugin
{
struct ChannelState
{
  bool mConnected = false;
  // The channel's slot in the processor's pointer array: the buffer the plug-in reads or writes this block.
  double** mData = nullptr;
  // Output only: the host buffer that receives the converted result.
  float* mIncomingData = nullptr;
  // The channel's own buffer of block-size doubles.
  TypedBuf<double> mScratchBuf{4096};
  // Input only: the leading frames of the scratch known to hold zeros.
  int mSilentFrames = 0;
  StringBuf mLabel;
};
} // namespace iplugin
