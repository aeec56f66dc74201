// The latency last handed to the host, and the hand-over itself.
#pragma once

#include "framework/au/IPluginAU.h"
#include "mixer/Relaxed.h"

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

  // Written by the parameter handler, which a host may call on its own thread; read by the idle tick.
  Relaxed<uint32_t> mPDCLatency{0};
};
} // namespace iplugin
