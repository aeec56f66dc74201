// The mixer's preset files (".qxs") as its own loader reads them, for a host that can hand the mixer
// only a state: the file is checked as the loader checks it and merged into the mixer's present state
// document, so that restoring that state gives what loading the file gives.
#pragma once

#include <string>
#include <vector>

namespace qorvhost
{
// state: the mixer's present state document; defaults: every parameter's default, by index. Checks
// file as the loader does (the plug-in's vendor; its name or its short name; a "Preset" with a name;
// a "Parameter" list of "Param" elements). Then merged = state with the preset parameters at their
// defaults, the file's values applied by name in order, and the file's preset name. False with the
// reason when the file is no preset of this plug-in.
bool MergePresetIntoState(const std::string& file, const std::string& state,
                          const std::vector<double>& defaults, std::string& merged, std::string& why);
} // namespace qorvhost
