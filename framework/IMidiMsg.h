// One MIDI message: sample offset within the block and the three bytes.
#pragma once

#include <cstdint>

namespace iplugin
{
struct IMidiMsg
{
  int mOffset = 0;
  uint8_t mStatus = 0;
  uint8_t mData1 = 0;
  uint8_t mData2 = 0;

  IMidiMsg() = default;
  IMidiMsg(int offset, uint8_t status, uint8_t data1, uint8_t data2)
      : mOffset(offset), mStatus(status), mData1(data1), mData2(data2)
  {
  }
};
} // namespace iplugin
