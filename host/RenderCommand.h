// `qorv-host render`: one instance of the plug-in over one audio file, as an insert effect in a host;
// its output is written in the input's format and put in place at the end (PlaceOutputs.h).
#pragma once

#include "host/PluginEntryPoints.h"
#include "host/SharedOptions.h"

#include <ostream>

namespace qorvhost
{
struct RenderOptions
{
  bool bypass = false;        // --bypass: the instance switched to bypass first
  Door door = Door::kFactory; // --door: the function the instance is opened through
};

// Renders shared.inputs[0] to shared.output in blocks of shared.block frames (in slices of what the
// plug-in takes). kExitDone, else kExitFailed with a message on err (kExitUsage when the output is a file
// the run reads), or kExitStopped when a stop signal came first (ExitStatus.h).
int RunRender(PluginEntryPoints& plugin, const SharedOptions& shared, const RenderOptions& options,
              std::ostream& out, std::ostream& err);
} // namespace qorvhost
