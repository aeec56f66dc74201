// The `info` listing of the command-line host: identity, channel configurations, latency, tail, one
// line per parameter and the factory presets, all read through the plug-in's properties; as text for
// people or as JSON for scripts.
#pragma once

#include "host/PluginEntryPoints.h"

#include <iosfwd>
#include <string>

namespace qorvhost
{
// False with the reason in error when the instance cannot be opened.
bool PrintPluginInfo(PluginEntryPoints& plugin, std::ostream& out, std::string& error);
bool PrintPluginInfoJson(PluginEntryPoints& plugin, std::ostream& out, std::string& error);

// "2.1.2" from the component's version number.
std::string VersionText(UInt32 version);
} // namespace qorvhost
