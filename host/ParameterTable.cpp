#include "host/ParameterTable.h"

#include "host/CFText.h"
#include "host/NameMatch.h"
#include "host/ParameterList.h"

#include <CoreFoundation/CoreFoundation.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace qorvhost
{
namespace
{
// Switch names end in this; users leave it out.
constexpr std::string_view kSwitchEnding = " Off/On";

const char* UnitName(AudioUnitParameterUnit unit)
{
  static const char* names[] = {
      "generic",     "indexed", "boolean",   "percent",   "seconds",   "samples",         "phase",
      "rate",        "Hz",      "cents",     "semitones", "MIDI note", "MIDI controller", "dB",
      "linear gain", "degrees", "crossfade", "fader",     "pan",       "meters",          "absolute cents",
      "octaves",     "BPM",     "beats",     "ms",        "ratio",     "custom"};
  return unit < sizeof names / sizeof names[0] ? names[unit] : "?";
}

std::string_view WithoutSwitchEnding(std::string_view name)
{
  if (name.size() > kSwitchEnding.size() && name.substr(name.size() - kSwitchEnding.size()) == kSwitchEnding)
    name.remove_suffix(kSwitchEnding.size());
  return name;
}

bool ParseNumber(const std::string& text, double& value)
{
  if (text.empty()) return false;
  char* end = nullptr;
  value = std::strtod(text.c_str(), &end);
  return end && *end == '\0' && std::isfinite(value);
}

std::string Number(double v)
{
  char buf[32];
  std::snprintf(buf, sizeof buf, "%g", v);
  return buf;
}

// What a value may be: the display texts of an enum, else the range.
std::string Choices(const ParamDesc& param)
{
  if (param.valueStrings.empty())
    return "a number from " + Number(param.info.minValue) + " to " + Number(param.info.maxValue);
  std::string choices;
  for (const std::string& s : param.valueStrings)
    choices += (choices.empty() ? "\"" : ", \"") + s + "\"";
  return choices;
}

// The value that `text` gives the parameter: one of its display texts, or a number within its range.
bool ResolveValue(const ParamDesc& param, const std::string& text, double& value)
{
  for (size_t i = 0; i < param.valueStrings.size(); ++i)
    if (SameName(param.valueStrings[i], text))
    {
      value = double(param.info.minValue) + double(i);
      return true;
    }
  return ParseNumber(text, value) && value >= param.info.minValue && value <= param.info.maxValue &&
         (param.info.unit != kAudioUnitParameterUnit_Indexed || value == std::floor(value));
}
} // namespace

std::vector<ParamDesc> DescribeParameters(AudioUnit unit)
{
  std::vector<ParamDesc> params;
  for (AudioUnitParameterID id : ParameterIds(unit))
  {
    ParamDesc d;
    d.id = id;
    UInt32 infoSize = sizeof d.info;
    if (AudioUnitGetProperty(unit, kAudioUnitProperty_ParameterInfo, kAudioUnitScope_Global, id, &d.info,
                             &infoSize) != noErr)
      continue;
    d.name = d.info.cfNameString ? Text(d.info.cfNameString) : d.info.name;
    if (d.info.cfNameString && (d.info.flags & kAudioUnitParameterFlag_CFNameRelease))
      CFRelease(d.info.cfNameString);
    d.unit = UnitName(d.info.unit);
    if (d.info.unitName)
    {
      d.unit = Text(d.info.unitName);
      CFRelease(d.info.unitName);
    }
    d.info.cfNameString = nullptr;
    d.info.unitName = nullptr;
    if (d.info.unit == kAudioUnitParameterUnit_Indexed)
    {
      CFArrayRef strings = nullptr;
      UInt32 arraySize = sizeof strings;
      if (AudioUnitGetProperty(unit, kAudioUnitProperty_ParameterValueStrings, kAudioUnitScope_Global, id,
                               &strings, &arraySize) == noErr &&
          strings)
      {
        for (CFIndex i = 0; i < CFArrayGetCount(strings); ++i)
          d.valueStrings.push_back(Text(static_cast<CFStringRef>(CFArrayGetValueAtIndex(strings, i))));
        CFRelease(strings);
      }
    }
    params.push_back(std::move(d));
  }
  return params;
}

std::string DisplayText(AudioUnit unit, AudioUnitParameterID id, AudioUnitParameterValue value)
{
  AudioUnitParameterStringFromValue sv = {};
  sv.inParamID = id;
  sv.inValue = &value;
  UInt32 size = sizeof sv;
  std::string text;
  if (AudioUnitGetProperty(unit, kAudioUnitProperty_ParameterStringFromValue, kAudioUnitScope_Global, 0, &sv,
                           &size) == noErr &&
      sv.outString)
  {
    text = Text(sv.outString);
    CFRelease(sv.outString);
  }
  return text;
}

const ParamDesc* FindParameter(const std::vector<ParamDesc>& params, std::string_view typed)
{
  for (const ParamDesc& p : params)
    if (p.name == typed) return &p;
  for (const ParamDesc& p : params)
    if (SameName(p.name, typed) || SameName(WithoutSwitchEnding(p.name), typed)) return &p;
  double index = 0.0;
  if (ParseNumber(std::string(typed), index))
    for (const ParamDesc& p : params)
      if (double(p.id) == index) return &p;
  return nullptr;
}

bool ResolveSettings(AudioUnit unit, const std::vector<std::string>& sets, std::vector<ParamSetting>& out,
                     std::string& error, const OwnedParameters& owned)
{
  const std::vector<ParamDesc> params = DescribeParameters(unit);
  for (const std::string& set : sets)
  {
    const std::string quoted = "--set \"" + set + "\": ";
    const size_t eq = set.find('=');
    if (eq == std::string::npos || eq == 0)
    {
      error = quoted + "expected NAME=VALUE";
      return false;
    }
    const std::string name = set.substr(0, eq), valueText = set.substr(eq + 1);
    const ParamDesc* param = FindParameter(params, name);
    if (!param)
    {
      std::vector<std::string> names;
      for (const ParamDesc& p : params)
        names.emplace_back(WithoutSwitchEnding(p.name));
      const std::string suggestion = DidYouMean(name, names);
      error = quoted + "unknown parameter name \"" + name + "\"" +
              (suggestion.empty() ? " (qorv-host info lists them)" : suggestion);
      return false;
    }
    if (const auto it = owned.find(param->id); it != owned.end())
    {
      error = quoted + "\"" + param->name + "\" cannot be set here: " + it->second;
      return false;
    }
    double value = 0.0;
    if (!ResolveValue(*param, valueText, value))
    {
      error = quoted + "\"" + valueText + "\" is not a value of \"" + param->name + "\" (" + Choices(*param) +
              ")";
      return false;
    }
    out.push_back({param->id, float(value)});
  }
  return true;
}
} // namespace qorvhost
