// The `info` listing of the command-line host: identity, channel configurations, latency, tail, one
// line per parameter and the factory presets, all read through the plug-in's properties; as text for
// people or as JSON for scripts.
#pragma once

#include "host/PluginEntryPoints.h"
#include "host/SharedOptions.h"

#include <iosfwd>
#include <string>

namespace qorvhost
{
struct InfoOptions
{
  bool json = false; // --json: the listing as JSON, for scripts
};

// The listing on out: kExitDone, else kExitFailed with the reason on err (ExitStatus.h).
int RunInfo(PluginEntryPoints& plugin, const SharedOptions& shared, const InfoOptions& options,
            std::ostream& out, std::ostream& err);

// False with the reason in error when the instance cannot be opened.
bool PrintPluginInfo(PluginEntryPoints& plugin, std::ostream& out, std::string& error);
bool PrintPluginInfoJson(PluginEntryPoints& plugin, std::ostream& out, std::string& error);

// "2.1.2" from the component's version number.
std::string VersionText(UInt32 version);
} // namespace qorvhost
