// The host's preset commands: a factory preset written as a preset file through the plug-in, so users
// can start from it.
#pragma once

#include "host/PluginEntryPoints.h"
#include "host/SharedOptions.h"

#include <ostream>
#include <string>

namespace qorvhost
{
struct PresetExportOptions
{
  std::string factory; // --factory: the factory preset's name, as `qorv-host info` lists it
};

// Selects options.factory in a fresh instance and writes the instance's state document to shared.output.
// kExitDone, else kExitFailed with a message on err (kExitUsage for a usage error, and when the output is
// a file of the plug-in's bundle), or kExitStopped when a stop signal came first (ExitStatus.h).
int RunPresetExport(PluginEntryPoints& plugin, const SharedOptions& shared,
                    const PresetExportOptions& options, std::ostream& out, std::ostream& err);
} // namespace qorvhost
