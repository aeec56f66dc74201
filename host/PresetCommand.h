// The host's preset commands: a factory preset written as a preset file through the plug-in, so users
// can start from it.
#pragma once

#include "host/PluginEntryPoints.h"
#include "host/SharedOptions.h"

#include <ostream>
#include <string>

namespace qorvhost
{
// Selects shared.factoryPreset in a fresh instance and writes the instance's state document to
// shared.output. 0 on success, else 1 with a message on err (2 for a usage error, and when the output is
// a file of the plug-in's bundle), or 128 + N when stop signal N came first.
int RunPresetExport(PluginEntryPoints& plugin, const SharedOptions& shared, std::ostream& out,
                    std::ostream& err);
} // namespace qorvhost
