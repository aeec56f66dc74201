// A validation run in the spirit of the platform's own validator: lifecycle through both doors,
// properties, formats, channel configurations, parameters, rendering at many rates and slice sizes,
// error paths, the ClassInfo state and the factory presets. Main thread; each check is independent.
#pragma once

#include "host/PluginEntryPoints.h"
#include "host/SharedOptions.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace qorvhost
{
struct CheckResult
{
  std::string name;
  bool passed = false;
  std::string detail; // why it failed
};

// Runs every check through the given door.
std::vector<CheckResult> Validate(PluginEntryPoints& plugin, Door door);

// One line per check, then "N passed, M failed"; returns the number of failures.
int PrintResults(const std::vector<CheckResult>& results, std::ostream& out);

// validate takes no options of its own; the record keeps its run shaped as every command's.
struct ValidateOptions
{
};

// Every check through both doors, the entry function's first, printed on out: kExitDone when all pass,
// else kExitFailed with the number that failed on err (ExitStatus.h).
int RunValidate(PluginEntryPoints& plugin, const SharedOptions& shared, const ValidateOptions& options,
                std::ostream& out, std::ostream& err);
} // namespace qorvhost
