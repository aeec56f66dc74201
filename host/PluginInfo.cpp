#include "host/PluginInfo.h"

#include "host/CFText.h"
#include "host/HostInstance.h"

#include <CoreFoundation/CoreFoundation.h>

#include <cstdio>
#include <ostream>

namespace qorvhost
{
namespace
{
const char* UnitName(AudioUnitParameterUnit unit)
{
  static const char* names[] = {
      "generic",     "indexed", "boolean",   "percent",   "seconds",   "samples",         "phase",
      "rate",        "Hz",      "cents",     "semitones", "MIDI note", "MIDI controller", "dB",
      "linear gain", "degrees", "crossfade", "fader",     "pan",       "meters",          "absolute cents",
      "octaves",     "BPM",     "beats",     "ms",        "ratio",     "custom"};
  return unit < sizeof names / sizeof names[0] ? names[unit] : "?";
}

std::string FourCC(OSType code)
{
  std::string s;
  for (int shift = 24; shift >= 0; shift -= 8)
    s += char((code >> shift) & 0xFF);
  return s;
}

std::string Number(double v)
{
  char buf[64];
  std::snprintf(buf, sizeof buf, "%g", v);
  return buf;
}
} // namespace

bool PrintPluginInfo(PluginEntryPoints& plugin, std::ostream& out)
{
  std::string error;
  std::unique_ptr<HostInstance> au = HostInstance::Open(plugin, Door::kFactory, error);
  if (!au)
  {
    out << error << "\n";
    return false;
  }
  const AudioComponentDescription& d = plugin.description;
  // A component's name is "Maker: Name".
  const size_t colon = plugin.name.find(": ");
  out << "name: " << (colon == std::string::npos ? plugin.name : plugin.name.substr(colon + 2)) << "\n";
  out << "maker: " << (colon == std::string::npos ? "" : plugin.name.substr(0, colon)) << "\n";
  out << "type: " << FourCC(d.componentType) << " " << FourCC(d.componentSubType) << " "
      << FourCC(d.componentManufacturer) << "\n";
  out << "version: " << (plugin.version >> 16) << "." << ((plugin.version >> 8) & 0xFF) << "."
      << (plugin.version & 0xFF) << "\n";

  UInt32 size = 0;
  Boolean writable = false;
  out << "channel configurations:";
  if (AudioUnitGetPropertyInfo(au->Unit(), kAudioUnitProperty_SupportedNumChannels, kAudioUnitScope_Global, 0,
                               &size, &writable) == noErr)
  {
    std::vector<AUChannelInfo> infos(size / sizeof(AUChannelInfo));
    if (!infos.empty() && AudioUnitGetProperty(au->Unit(), kAudioUnitProperty_SupportedNumChannels,
                                               kAudioUnitScope_Global, 0, infos.data(), &size) == noErr)
      for (const AUChannelInfo& c : infos)
        out << " " << c.inChannels << "-" << c.outChannels;
  }
  out << "\n";
  Float64 latency = 0.0, tail = 0.0;
  au->Get(kAudioUnitProperty_Latency, kAudioUnitScope_Global, 0, latency);
  au->Get(kAudioUnitProperty_TailTime, kAudioUnitScope_Global, 0, tail);
  out << "latency: " << Number(latency) << " s\n";
  out << "tail: " << Number(tail) << " s\n";

  size = 0;
  AudioUnitGetPropertyInfo(au->Unit(), kAudioUnitProperty_ParameterList, kAudioUnitScope_Global, 0, &size,
                           &writable);
  std::vector<AudioUnitParameterID> ids(size / sizeof(AudioUnitParameterID));
  if (!ids.empty())
    AudioUnitGetProperty(au->Unit(), kAudioUnitProperty_ParameterList, kAudioUnitScope_Global, 0, ids.data(),
                         &size);
  out << "parameters: " << ids.size() << "\n";
  for (AudioUnitParameterID id : ids)
  {
    AudioUnitParameterInfo info = {};
    if (au->Get(kAudioUnitProperty_ParameterInfo, kAudioUnitScope_Global, id, info) != noErr) continue;
    const std::string name = info.cfNameString ? Text(info.cfNameString) : info.name;
    if (info.cfNameString && (info.flags & kAudioUnitParameterFlag_CFNameRelease))
      CFRelease(info.cfNameString);
    std::string unit = UnitName(info.unit);
    if (info.unitName)
    {
      unit = Text(info.unitName);
      CFRelease(info.unitName);
    }
    AudioUnitParameterValue value = 0.f;
    AudioUnitGetParameter(au->Unit(), id, kAudioUnitScope_Global, 0, &value);
    AudioUnitParameterStringFromValue sv = {};
    sv.inParamID = id;
    sv.inValue = &value;
    std::string display;
    if (au->Get(kAudioUnitProperty_ParameterStringFromValue, kAudioUnitScope_Global, 0, sv) == noErr &&
        sv.outString)
    {
      display = Text(sv.outString);
      CFRelease(sv.outString);
    }
    out << "  " << id << "  " << name << "  [" << unit << "]  min " << Number(info.minValue) << "  max "
        << Number(info.maxValue) << "  default " << Number(info.defaultValue) << "  now " << display << "\n";
  }

  CFArrayRef presets = nullptr;
  if (au->Get(kAudioUnitProperty_FactoryPresets, kAudioUnitScope_Global, 0, presets) == noErr && presets)
  {
    out << "factory presets: " << CFArrayGetCount(presets) << "\n";
    for (CFIndex i = 0; i < CFArrayGetCount(presets); ++i)
    {
      const auto* p = static_cast<const AUPreset*>(CFArrayGetValueAtIndex(presets, i));
      out << "  " << p->presetNumber << "  " << Text(p->presetName) << "\n";
    }
    CFRelease(presets);
  }
  return true;
}
} // namespace qorvhost
