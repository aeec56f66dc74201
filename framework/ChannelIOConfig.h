// One accepted channel layout: the input buses and the output buses with their channel counts.
#pragma once

#include "framework/PtrList.h"

namespace iplugin
{
enum ERoute
{
  kInput = 0,
  kOutput = 1
};

// Any number of channels; written "*" in a channel-I/O text.
constexpr int kAnyChannelCount = -64;

struct BusChannelCount
{
  ERoute mDirection;
  int mNChans;
};

class ChannelIOConfig
{
public:
  ChannelIOConfig() = default;
  ~ChannelIOConfig()
  {
    mBuses[kInput].Empty(true);
    mBuses[kOutput].Empty(true);
  }
  ChannelIOConfig(const ChannelIOConfig&) = delete;
  ChannelIOConfig& operator=(const ChannelIOConfig&) = delete;

  void AddBus(ERoute direction, int nChans)
  {
    mBuses[direction].AddOwned(new BusChannelCount{direction, nChans});
  }
  int NBuses(ERoute direction) const { return mBuses[direction].Count(); }
  const BusChannelCount* GetBus(ERoute direction, int busIdx) const { return mBuses[direction].Get(busIdx); }
  // The channel count of bus busIdx, 0 when the layout has no such bus.
  int NChansOnBus(ERoute direction, int busIdx) const
  {
    const BusChannelCount* bus = GetBus(direction, busIdx);
    return bus ? bus->mNChans : 0;
  }
  // The sum of the direction's bus channel counts.
  int GetTotalNChannels(ERoute direction) const
  {
    int total = 0;
    for (int i = 0; i < NBuses(direction); ++i)
      total += GetBus(direction, i)->mNChans;
    return total;
  }

private:
  PtrList<BusChannelCount> mBuses[2] = {PtrList<BusChannelCount>(4096), PtrList<BusChannelCount>(4096)};
};
} // namespace iplugin
