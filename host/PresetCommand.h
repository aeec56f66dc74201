// The host's preset commands: a factory preset written as a preset file through the plug-in, so users
// can start from it.
#pragma once

#include "host/PluginEntryPoints.h"

#include <ostream>
#include <string>

namespace qorvhost
{
// Selects the factory preset in a fresh instance and writes the instance's state document to output.
// 0 on success, else 1 with a message on err (2 for a usage error).
int RunPresetExport(PluginEntryPoints& plugin, const std::string& factory, const std::string& output,
                    std::ostream& out, std::ostream& err);
} // namespace qorvhost
