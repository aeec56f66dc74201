#include "host/PluginInfo.h"

#include "host/CFText.h"
#include "host/CommandRun.h"
#include "host/ExitStatus.h"
#include "host/HostInstance.h"
#include "host/ParameterTable.h"
#include "host/StateFiles.h"

#include <CoreFoundation/CoreFoundation.h>

#include <cstdio>
#include <ostream>

namespace qorvhost
{
namespace
{
// What both listings show, read once.
struct PluginFacts
{
  std::string name, maker, type, subtype, manufacturer, version;
  std::vector<AUChannelInfo> channels;
  Float64 latency = 0.0, tail = 0.0;
  std::vector<ParamDesc> params;
  std::vector<std::string> currentTexts, defaultTexts, minTexts, maxTexts;
  std::vector<std::string> presets;
};

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

bool ReadFacts(PluginEntryPoints& plugin, PluginFacts& f, std::string& error)
{
  std::unique_ptr<HostInstance> au = HostInstance::Open(plugin, Door::kFactory, error);
  if (!au) return false;
  const AudioComponentDescription& d = plugin.description;
  // A component's name is "Maker: Name".
  const size_t colon = plugin.name.find(": ");
  f.name = colon == std::string::npos ? plugin.name : plugin.name.substr(colon + 2);
  f.maker = colon == std::string::npos ? "" : plugin.name.substr(0, colon);
  f.type = FourCC(d.componentType);
  f.subtype = FourCC(d.componentSubType);
  f.manufacturer = FourCC(d.componentManufacturer);
  f.version = VersionText(plugin.version);

  UInt32 size = 0;
  Boolean writable = false;
  if (AudioUnitGetPropertyInfo(au->Unit(), kAudioUnitProperty_SupportedNumChannels, kAudioUnitScope_Global, 0,
                               &size, &writable) == noErr)
  {
    f.channels.resize(size / sizeof(AUChannelInfo));
    if (f.channels.empty() ||
        AudioUnitGetProperty(au->Unit(), kAudioUnitProperty_SupportedNumChannels, kAudioUnitScope_Global, 0,
                             f.channels.data(), &size) != noErr)
      f.channels.clear();
  }
  au->Get(kAudioUnitProperty_Latency, kAudioUnitScope_Global, 0, f.latency);
  au->Get(kAudioUnitProperty_TailTime, kAudioUnitScope_Global, 0, f.tail);
  f.params = DescribeParameters(au->Unit());
  for (const ParamDesc& p : f.params)
  {
    AudioUnitParameterValue value = 0.f;
    AudioUnitGetParameter(au->Unit(), p.id, kAudioUnitScope_Global, 0, &value);
    f.currentTexts.push_back(DisplayText(au->Unit(), p.id, value));
    f.defaultTexts.push_back(DisplayText(au->Unit(), p.id, p.info.defaultValue));
    f.minTexts.push_back(DisplayText(au->Unit(), p.id, p.info.minValue));
    f.maxTexts.push_back(DisplayText(au->Unit(), p.id, p.info.maxValue));
  }
  f.presets = FactoryPresetNames(au->Unit());
  return true;
}

std::string Json(const std::string& text)
{
  std::string s = "\"";
  for (const char c : text)
  {
    if (c == '"' || c == '\\')
      s += std::string("\\") + c;
    else if (static_cast<unsigned char>(c) < 0x20)
    {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", unsigned(c));
      s += buf;
    }
    else
      s += c;
  }
  return s + "\"";
}

std::string JsonList(const std::vector<std::string>& items)
{
  std::string s = "[";
  for (size_t i = 0; i < items.size(); ++i)
    s += (i ? ", " : "") + Json(items[i]);
  return s + "]";
}
} // namespace

std::string VersionText(UInt32 version)
{
  return std::to_string(version >> 16) + "." + std::to_string((version >> 8) & 0xFF) + "." +
         std::to_string(version & 0xFF);
}

bool PrintPluginInfo(PluginEntryPoints& plugin, std::ostream& out, std::string& error)
{
  PluginFacts f;
  if (!ReadFacts(plugin, f, error)) return false;
  out << "name: " << f.name << "\n";
  out << "maker: " << f.maker << "\n";
  out << "type: " << f.type << " " << f.subtype << " " << f.manufacturer << "\n";
  out << "version: " << f.version << "\n";
  out << "channel configurations:";
  for (const AUChannelInfo& c : f.channels)
    out << " " << c.inChannels << "-" << c.outChannels;
  out << "\n";
  out << "latency: " << Number(f.latency) << " s\n";
  out << "tail: " << Number(f.tail) << " s\n";
  out << "parameters: " << f.params.size() << "\n";
  for (size_t i = 0; i < f.params.size(); ++i)
  {
    const ParamDesc& p = f.params[i];
    out << "  " << p.id << "  " << p.name << "  [" << p.unit << "]  min " << Number(p.info.minValue)
        << "  max " << Number(p.info.maxValue) << "  default " << Number(p.info.defaultValue) << "  now "
        << f.currentTexts[i] << "\n";
  }
  if (!f.presets.empty())
  {
    out << "factory presets: " << f.presets.size() << "\n";
    for (size_t i = 0; i < f.presets.size(); ++i)
      out << "  " << i << "  " << f.presets[i] << "\n";
  }
  return true;
}

bool PrintPluginInfoJson(PluginEntryPoints& plugin, std::ostream& out, std::string& error)
{
  PluginFacts f;
  if (!ReadFacts(plugin, f, error)) return false;
  out << "{\n  \"name\": " << Json(f.name) << ",\n  \"maker\": " << Json(f.maker)
      << ",\n  \"type\": " << Json(f.type) << ",\n  \"subtype\": " << Json(f.subtype)
      << ",\n  \"manufacturer\": " << Json(f.manufacturer) << ",\n  \"version\": " << Json(f.version)
      << ",\n  \"channel_configurations\": [";
  for (size_t i = 0; i < f.channels.size(); ++i)
    out << (i ? ", " : "") << "[" << f.channels[i].inChannels << ", " << f.channels[i].outChannels << "]";
  out << "],\n  \"latency_seconds\": " << Number(f.latency) << ",\n  \"tail_seconds\": " << Number(f.tail)
      << ",\n  \"parameters\": [";
  for (size_t i = 0; i < f.params.size(); ++i)
  {
    const ParamDesc& p = f.params[i];
    out << (i ? "," : "") << "\n    {\"index\": " << p.id << ", \"name\": " << Json(p.name)
        << ", \"unit\": " << Json(p.unit) << ", \"min\": " << Number(p.info.minValue)
        << ", \"max\": " << Number(p.info.maxValue) << ", \"default\": " << Number(p.info.defaultValue)
        << ", \"writable\": " << ((p.info.flags & kAudioUnitParameterFlag_IsWritable) ? "true" : "false")
        << ", \"min_text\": " << Json(f.minTexts[i]) << ", \"max_text\": " << Json(f.maxTexts[i])
        << ", \"default_text\": " << Json(f.defaultTexts[i])
        << ", \"value_texts\": " << JsonList(p.valueStrings) << "}";
  }
  out << "\n  ],\n  \"factory_presets\": " << JsonList(f.presets) << "\n}\n";
  return true;
}

namespace
{
// One run of the command, step by step (CommandRun.h).
class InfoRun : public CommandRun<InfoOptions>
{
public:
  using CommandRun::CommandRun;

  int Run() { return RunSteps<InfoRun>({&InfoRun::PrintListing}); }

private:
  int PrintListing()
  {
    if (o.json ? PrintPluginInfoJson(mPlugin, mOut, mError) : PrintPluginInfo(mPlugin, mOut, mError))
      return kExitDone;
    mError = f.plugin + ": " + mError;
    return Fail(kExitFailed);
  }
};
} // namespace

int RunInfo(PluginEntryPoints& plugin, const SharedOptions& shared, const InfoOptions& options,
            std::ostream& out, std::ostream& err)
{
  return InfoRun(plugin, shared, options, out, err).Run();
}
} // namespace qorvhost
