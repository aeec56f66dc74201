// An instance's parameters as the host reads them through the Audio Unit properties, and the names and
// values a user gives for them ("NAME=VALUE") resolved against that table. Main thread.
#pragma once

#include <AudioUnit/AudioUnit.h>

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace qorvhost
{
struct ParamDesc
{
  AudioUnitParameterID id = 0;
  std::string name;
  std::string unit;                      // the label ("dB", "s") or the unit's own name ("indexed")
  AudioUnitParameterInfo info = {};      // the numbers, flags and unit; its strings already released
  std::vector<std::string> valueStrings; // enums: the display text of each value from the minimum up
};

// Every parameter of the instance, in the order of its parameter list.
std::vector<ParamDesc> DescribeParameters(AudioUnit unit);
// The instance's own display text of a value of the parameter (empty when it gives none).
std::string DisplayText(AudioUnit unit, AudioUnitParameterID id, AudioUnitParameterValue value);

// The parameter that `typed` names: its name without case, with or without the " Off/On" ending of
// switch names, or its index. Null when none does.
const ParamDesc* FindParameter(const std::vector<ParamDesc>& params, std::string_view typed);

// One parsed --set: the parameter and its value in the parameter's units.
struct ParamSetting
{
  AudioUnitParameterID id;
  float value;
};

// Parameters that the caller sets up itself, with the reason that --set may not change them.
using OwnedParameters = std::map<AudioUnitParameterID, std::string>;

// Resolves every "NAME=VALUE" against the instance's parameters: an enum's display text (without case)
// or a number in the parameter's units within its range. False with a message for the first that does
// not resolve, naming the closest names for a misspelt one, or the reason an owned parameter is refused.
bool ResolveSettings(AudioUnit unit, const std::vector<std::string>& sets, std::vector<ParamSetting>& out,
                     std::string& error, const OwnedParameters& owned = {});
} // namespace qorvhost
