// The latency last handed to the host, and the hand-over itself.
#pragma once

#include "framework/au/IPluginAU.h"

#include <cstdint>

namespace iplugin
{
class IExtPDCHandler
{
public:
  // Hands the latency to the host once the host is identified; the binding tells every Latency listener.
  void UpdateHostLatency(IPluginAU& plug, int latency)
  {
    if (plug.GetHost() != kHostUninit) plug.SetLatency(latency);
  }

  uint32_t mPDCLatency = 0;
};
} // namespace iplugin
