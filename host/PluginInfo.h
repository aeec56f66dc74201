// The `info` listing of the command-line host: identity, channel configurations, latency, tail, one
// line per parameter and the factory presets, all read through the plug-in's properties.
#pragma once

#include "host/PluginEntryPoints.h"

#include <iosfwd>

namespace qorvhost
{
// False (with the reason written to out) when the instance cannot be opened.
bool PrintPluginInfo(PluginEntryPoints& plugin, std::ostream& out);
} // namespace qorvhost
