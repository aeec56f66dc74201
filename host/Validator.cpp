#include "host/Validator.h"

#include "host/CommandRun.h"
#include "host/ExitStatus.h"
#include "host/HostInstance.h"

#include <CoreFoundation/CoreFoundation.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <ostream>
#include <set>

namespace qorvhost
{
namespace
{
class Run
{
public:
  Run(PluginEntryPoints& plugin, Door door) : mPlugin(plugin), mDoor(door) {}

  std::vector<CheckResult> All();

private:
  using Body = std::function<std::string(HostInstance&)>; // "" when the check passed

  // Runs body on a freshly opened instance.
  void Check(const std::string& name, const Body& body);
  void Add(const std::string& name, const std::string& failure)
  {
    mResults.push_back(
        CheckResult{std::string("[") + DoorName(mDoor) + "] " + name, failure.empty(), failure});
  }

  std::string OpenClose();
  std::string Properties(HostInstance& au);
  std::string DefaultFormats(HostInstance& au);
  std::string ChannelMatrix(HostInstance& au);
  std::string ParameterInfo(HostInstance& au);
  std::string KeptAcrossReset(HostInstance& au);
  std::string RenderAt(HostInstance& au, double rate, UInt32 maxFrames, UInt32 slice);
  std::string TooManyFrames(HostInstance& au);
  std::string InputError(HostInstance& au);
  std::string ClassInfoRoundTrip(HostInstance& au);
  std::string FactoryPresets(HostInstance& au);

  // The declared channel configurations, with -1 for "any".
  std::vector<AUChannelInfo> ChannelInfos(HostInstance& au);
  std::vector<AudioUnitParameterID> ParameterIDs(HostInstance& au);

  PluginEntryPoints& mPlugin;
  Door mDoor;
  std::vector<CheckResult> mResults;
};

std::string Status(const char* what, OSStatus status)
{
  return std::string(what) + " answered " + std::to_string(status);
}

// The property list as XML bytes (empty when it cannot be written).
std::vector<UInt8> XmlBytes(CFPropertyListRef plist)
{
  std::vector<UInt8> bytes;
  CFDataRef data =
      CFPropertyListCreateData(kCFAllocatorDefault, plist, kCFPropertyListXMLFormat_v1_0, 0, nullptr);
  if (data)
  {
    const UInt8* p = CFDataGetBytePtr(data);
    bytes.assign(p, p + CFDataGetLength(data));
    CFRelease(data);
  }
  return bytes;
}

std::vector<std::vector<float>> TestSignal(int nChannels, size_t frames)
{
  std::vector<std::vector<float>> signal(size_t(nChannels), std::vector<float>(frames, 0.f));
  UInt32 seed = 12345;
  for (auto& channel : signal)
    for (float& x : channel)
    {
      seed = seed * 1664525u + 1013904223u;
      x = float(int32_t(seed) / 2147483648.0 * 0.5);
    }
  return signal;
}

// A channel count that a declared configuration offers for one side (the first one, or 2 for "any").
int PreferredChannels(const std::vector<AUChannelInfo>& infos, bool input)
{
  for (const AUChannelInfo& c : infos)
  {
    const int n = input ? c.inChannels : c.outChannels;
    if (n != 0) return n < 0 ? 2 : n;
  }
  return 0;
}
} // namespace

void Run::Check(const std::string& name, const Body& body)
{
  std::string error;
  std::unique_ptr<HostInstance> au = HostInstance::Open(mPlugin, mDoor, error);
  if (!au)
  {
    Add(name, error);
    return;
  }
  Add(name, body(*au));
}

std::vector<AUChannelInfo> Run::ChannelInfos(HostInstance& au)
{
  UInt32 size = 0;
  Boolean writable = false;
  if (AudioUnitGetPropertyInfo(au.Unit(), kAudioUnitProperty_SupportedNumChannels, kAudioUnitScope_Global, 0,
                               &size, &writable) != noErr)
    return {};
  std::vector<AUChannelInfo> infos(size / sizeof(AUChannelInfo));
  size = UInt32(infos.size() * sizeof(AUChannelInfo));
  if (infos.empty() || AudioUnitGetProperty(au.Unit(), kAudioUnitProperty_SupportedNumChannels,
                                            kAudioUnitScope_Global, 0, infos.data(), &size) != noErr)
    return {};
  return infos;
}

std::vector<AudioUnitParameterID> Run::ParameterIDs(HostInstance& au)
{
  UInt32 size = 0;
  Boolean writable = false;
  if (AudioUnitGetPropertyInfo(au.Unit(), kAudioUnitProperty_ParameterList, kAudioUnitScope_Global, 0, &size,
                               &writable) != noErr)
    return {};
  std::vector<AudioUnitParameterID> ids(size / sizeof(AudioUnitParameterID));
  if (!ids.empty() && AudioUnitGetProperty(au.Unit(), kAudioUnitProperty_ParameterList,
                                           kAudioUnitScope_Global, 0, ids.data(), &size) != noErr)
    return {};
  return ids;
}

std::string Run::OpenClose()
{
  for (Door door : {Door::kEntry, Door::kFactory})
  {
    for (int i = 0; i < 2; ++i)
    {
      std::string error;
      if (!HostInstance::Open(mPlugin, door, error)) return error;
    }
  }
  return "";
}

std::string Run::Properties(HostInstance& au)
{
  struct Prop
  {
    AudioUnitPropertyID id;
    AudioUnitScope scope;
    const char* name;
    bool cfResult; // the property hands over a Core Foundation object to release
  };
  static const Prop props[] = {
      {kAudioUnitProperty_SampleRate, kAudioUnitScope_Global, "SampleRate", false},
      {kAudioUnitProperty_ParameterList, kAudioUnitScope_Global, "ParameterList", false},
      {kAudioUnitProperty_StreamFormat, kAudioUnitScope_Output, "StreamFormat", false},
      {kAudioUnitProperty_ElementCount, kAudioUnitScope_Output, "ElementCount", false},
      {kAudioUnitProperty_Latency, kAudioUnitScope_Global, "Latency", false},
      {kAudioUnitProperty_SupportedNumChannels, kAudioUnitScope_Global, "SupportedNumChannels", false},
      {kAudioUnitProperty_MaximumFramesPerSlice, kAudioUnitScope_Global, "MaximumFramesPerSlice", false},
      {kAudioUnitProperty_TailTime, kAudioUnitScope_Global, "TailTime", false},
      {kAudioUnitProperty_BypassEffect, kAudioUnitScope_Global, "BypassEffect", false},
      {kAudioUnitProperty_LastRenderError, kAudioUnitScope_Global, "LastRenderError", false},
      {kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, "ClassInfo", true},
      {kAudioUnitProperty_FactoryPresets, kAudioUnitScope_Global, "FactoryPresets", true},
      {kAudioUnitProperty_OfflineRender, kAudioUnitScope_Global, "OfflineRender", false},
  };
  for (const Prop& p : props)
  {
    UInt32 infoSize = 0;
    Boolean writable = false;
    OSStatus status = AudioUnitGetPropertyInfo(au.Unit(), p.id, p.scope, 0, &infoSize, &writable);
    if (status != noErr) return std::string(p.name) + ": " + Status("GetPropertyInfo", status);
    std::vector<UInt8> data(infoSize + 16);
    UInt32 size = infoSize;
    status = AudioUnitGetProperty(au.Unit(), p.id, p.scope, 0, data.data(), &size);
    if (status != noErr) return std::string(p.name) + ": " + Status("GetProperty", status);
    if (size != infoSize)
      return std::string(p.name) + ": GetPropertyInfo size " + std::to_string(infoSize) +
             ", GetProperty size " + std::to_string(size);
    if (p.cfResult)
    {
      CFTypeRef object = nullptr;
      std::memcpy(&object, data.data(), sizeof object);
      if (!object) return std::string(p.name) + ": no object";
      CFRelease(object);
    }
  }
  // Presets hand over a name the caller releases.
  AUPreset preset = {};
  if (OSStatus status = au.Get(kAudioUnitProperty_PresentPreset, kAudioUnitScope_Global, 0, preset))
    return Status("PresentPreset", status);
  if (preset.presetName) CFRelease(preset.presetName);
  return "";
}

std::string Run::DefaultFormats(HostInstance& au)
{
  for (AudioUnitScope scope : {kAudioUnitScope_Input, kAudioUnitScope_Output})
  {
    UInt32 nBuses = 0;
    au.Get(kAudioUnitProperty_ElementCount, scope, 0, nBuses);
    for (UInt32 bus = 0; bus < nBuses; ++bus)
    {
      AudioStreamBasicDescription d = {};
      if (OSStatus status = au.Get(kAudioUnitProperty_StreamFormat, scope, bus, d))
        return Status("StreamFormat", status);
      const bool ok = d.mFormatID == kAudioFormatLinearPCM && (d.mFormatFlags & kAudioFormatFlagIsFloat) &&
                      (d.mFormatFlags & kAudioFormatFlagIsNonInterleaved) && d.mBitsPerChannel == 32 &&
                      d.mChannelsPerFrame > 0 && d.mSampleRate > 0.0;
      if (!ok)
        return std::string(scope == kAudioUnitScope_Input ? "input" : "output") + " bus " +
               std::to_string(bus) + " is not 32-bit float, non-interleaved";
    }
  }
  return "";
}

std::string Run::ChannelMatrix(HostInstance& au)
{
  const std::vector<AUChannelInfo> infos = ChannelInfos(au);
  if (infos.empty()) return "no channel configurations";
  UInt32 nInBuses = 0;
  au.Get(kAudioUnitProperty_ElementCount, kAudioUnitScope_Input, 0, nInBuses);
  auto declared = [&](int in, int out)
  {
    for (const AUChannelInfo& c : infos)
      if ((c.inChannels < 0 || c.inChannels == in) && (c.outChannels < 0 || c.outChannels == out))
        return true;
    return false;
  };
  for (int in = nInBuses ? 1 : 0; in <= (nInBuses ? 8 : 0); ++in)
  {
    for (int out = 1; out <= 8; ++out)
    {
      std::string error;
      std::unique_ptr<HostInstance> fresh = HostInstance::Open(mPlugin, mDoor, error);
      if (!fresh) return error;
      OSStatus status = fresh->Configure(44100.0, in, out, 512);
      if (status == noErr) status = fresh->Initialize();
      if ((status == noErr) != declared(in, out))
        return std::to_string(in) + " in, " + std::to_string(out) + " out: " + Status("set-up", status) +
               (declared(in, out) ? " although declared" : " although not declared");
    }
  }
  return "";
}

std::string Run::ParameterInfo(HostInstance& au)
{
  for (AudioUnitParameterID id : ParameterIDs(au))
  {
    const std::string name = "parameter " + std::to_string(id);
    AudioUnitParameterInfo info;
    if (OSStatus status = au.GetParameterInfo(id, info)) return name + ": " + Status("ParameterInfo", status);
    if (!(info.minValue <= info.defaultValue && info.defaultValue <= info.maxValue))
      return name + ": default outside minimum and maximum";
    if (info.unit == kAudioUnitParameterUnit_Indexed &&
        (info.flags & kAudioUnitParameterFlag_ValuesHaveStrings))
    {
      CFArrayRef strings = nullptr;
      if (OSStatus status =
              au.Get(kAudioUnitProperty_ParameterValueStrings, kAudioUnitScope_Global, id, strings))
        return name + ": " + Status("ParameterValueStrings", status);
      const CFIndex n = CFArrayGetCount(strings);
      CFRelease(strings);
      if (n != CFIndex(info.maxValue - info.minValue + 1))
        return name + ": value strings do not cover the range";
    }
    for (AudioUnitParameterValue v : {info.minValue, info.defaultValue, info.maxValue})
    {
      if (OSStatus status = AudioUnitSetParameter(au.Unit(), id, kAudioUnitScope_Global, 0, v, 0))
        return name + ": " + Status("SetParameter", status);
      AudioUnitParameterValue back = 0.f;
      if (OSStatus status = AudioUnitGetParameter(au.Unit(), id, kAudioUnitScope_Global, 0, &back))
        return name + ": " + Status("GetParameter", status);
      if (std::fabs(back - v) > 1e-4f * std::max(1.f, std::fabs(v)))
        return name + ": set " + std::to_string(v) + ", read back " + std::to_string(back);
    }
  }
  return "";
}

std::string Run::KeptAcrossReset(HostInstance& au)
{
  const std::vector<AudioUnitParameterID> ids = ParameterIDs(au);
  au.Configure(44100.0, PreferredChannels(ChannelInfos(au), true), PreferredChannels(ChannelInfos(au), false),
               512);
  if (OSStatus status = au.Initialize()) return Status("Initialize", status);
  std::vector<AudioUnitParameterValue> set;
  for (AudioUnitParameterID id : ids)
  {
    AudioUnitParameterInfo info;
    au.GetParameterInfo(id, info);
    AudioUnitSetParameter(au.Unit(), id, kAudioUnitScope_Global, 0, info.maxValue, 0);
  }
  // Read back only after all are set: a parameter may switch others off (one soloed channel).
  for (AudioUnitParameterID id : ids)
  {
    AudioUnitParameterValue v = 0.f;
    AudioUnitGetParameter(au.Unit(), id, kAudioUnitScope_Global, 0, &v);
    set.push_back(v);
  }
  if (OSStatus status = AudioUnitReset(au.Unit(), kAudioUnitScope_Global, 0)) return Status("Reset", status);
  au.Uninitialize();
  if (OSStatus status = au.Initialize()) return Status("Initialize again", status);
  for (size_t i = 0; i < ids.size(); ++i)
  {
    AudioUnitParameterValue v = 0.f;
    AudioUnitGetParameter(au.Unit(), ids[i], kAudioUnitScope_Global, 0, &v);
    if (v != set[i]) return "parameter " + std::to_string(ids[i]) + " changed";
  }
  return "";
}

std::string Run::RenderAt(HostInstance& au, double rate, UInt32 maxFrames, UInt32 slice)
{
  const std::vector<AUChannelInfo> infos = ChannelInfos(au);
  const int nIn = PreferredChannels(infos, true), nOut = PreferredChannels(infos, false);
  if (OSStatus status = au.Configure(rate, nIn, nOut, maxFrames)) return Status("Configure", status);
  if (OSStatus status = au.Initialize()) return Status("Initialize", status);
  const auto input = TestSignal(nIn, size_t(maxFrames) * 4 + 17);
  std::vector<std::vector<float>> output;
  if (OSStatus status = au.RenderAll(input, output, slice)) return Status("Render", status);
  for (const auto& channel : output)
    for (float x : channel)
      if (!std::isfinite(x)) return "output not finite";
  return "";
}

std::string Run::TooManyFrames(HostInstance& au)
{
  const std::vector<AUChannelInfo> infos = ChannelInfos(au);
  au.Configure(44100.0, PreferredChannels(infos, true), PreferredChannels(infos, false), 512);
  if (OSStatus status = au.Initialize()) return Status("Initialize", status);
  const auto input = TestSignal(au.NInputs(), 513);
  std::vector<std::vector<float>> output;
  return au.RenderAll(input, output, 513) != noErr ? ""
                                                   : "rendering 513 frames with a maximum of 512 succeeded";
}

std::string Run::InputError(HostInstance& au)
{
  const std::vector<AUChannelInfo> infos = ChannelInfos(au);
  if (PreferredChannels(infos, true) == 0) return "";
  au.Configure(44100.0, PreferredChannels(infos, true), PreferredChannels(infos, false), 512);
  if (OSStatus status = au.Initialize()) return Status("Initialize", status);
  constexpr OSStatus kError = -12345;
  au.SetInputError(kError);
  const auto input = TestSignal(au.NInputs(), 256);
  std::vector<std::vector<float>> output;
  const OSStatus status = au.RenderAll(input, output, 256);
  return status == kError ? ""
                          : Status("Render", status) + " instead of the input's " + std::to_string(kError);
}

std::string Run::ClassInfoRoundTrip(HostInstance& au)
{
  CFPropertyListRef saved = nullptr;
  if (OSStatus status = au.Get(kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0, saved))
    return Status("ClassInfo", status);
  const std::vector<UInt8> before = XmlBytes(saved);
  for (AudioUnitParameterID id : ParameterIDs(au))
  {
    AudioUnitParameterInfo info;
    au.GetParameterInfo(id, info);
    AudioUnitSetParameter(au.Unit(), id, kAudioUnitScope_Global, 0, info.maxValue, 0);
  }
  const OSStatus status = au.Set(kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0, saved);
  CFRelease(saved);
  if (status != noErr) return Status("ClassInfo restore", status);
  CFPropertyListRef again = nullptr;
  if (OSStatus s = au.Get(kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0, again))
    return Status("ClassInfo after restore", s);
  const std::vector<UInt8> after = XmlBytes(again);
  CFRelease(again);
  if (before.empty()) return "ClassInfo cannot be written as a property list";
  return before == after ? "" : "ClassInfo after restore differs from the saved one";
}

std::string Run::FactoryPresets(HostInstance& au)
{
  CFArrayRef presets = nullptr;
  if (OSStatus status = au.Get(kAudioUnitProperty_FactoryPresets, kAudioUnitScope_Global, 0, presets))
    return Status("FactoryPresets", status);
  std::string failure;
  const CFIndex n = CFArrayGetCount(presets);
  for (CFIndex i = 0; i < n && failure.empty(); ++i)
  {
    const auto* preset = static_cast<const AUPreset*>(CFArrayGetValueAtIndex(presets, i));
    if (OSStatus status = au.Set(kAudioUnitProperty_PresentPreset, kAudioUnitScope_Global, 0, *preset))
    {
      failure = "preset " + std::to_string(preset->presetNumber) + ": " + Status("PresentPreset", status);
      break;
    }
    AUPreset now = {};
    au.Get(kAudioUnitProperty_PresentPreset, kAudioUnitScope_Global, 0, now);
    if (now.presetName) CFRelease(now.presetName);
    if (now.presetNumber != preset->presetNumber)
      failure = "preset " + std::to_string(preset->presetNumber) + " was not selected";
  }
  CFRelease(presets);
  return failure;
}

std::vector<CheckResult> Run::All()
{
  Add("open and close through both doors", OpenClose());
  Check("required properties agree with their info", [this](HostInstance& au) { return Properties(au); });
  Check("default formats are 32-bit float, non-interleaved",
        [this](HostInstance& au) { return DefaultFormats(au); });
  Check("only declared channel configurations initialise",
        [this](HostInstance& au) { return ChannelMatrix(au); });
  Check("parameter info, value strings and read-back",
        [this](HostInstance& au) { return ParameterInfo(au); });
  Check("values kept across Reset and re-initialisation",
        [this](HostInstance& au) { return KeptAcrossReset(au); });
  Check("render 512-frame blocks at 44100 Hz",
        [this](HostInstance& au) { return RenderAt(au, 44100.0, 512, 512); });
  Check("render in slices of 64 frames", [this](HostInstance& au) { return RenderAt(au, 44100.0, 512, 64); });
  struct RateCase
  {
    UInt32 frames;
    double rate;
  };
  for (RateCase c : {RateCase{64, 22050.0},
                     {137, 96000.0},
                     {4096, 48000.0},
                     {4096, 192000.0},
                     {4096, 11025.0},
                     {512, 44100.0}})
  {
    const std::string name =
        "render " + std::to_string(c.frames) + " frames at " + std::to_string(int(c.rate)) + " Hz";
    Check(name, [this, c](HostInstance& au) { return RenderAt(au, c.rate, c.frames, c.frames); });
  }
  Check("more frames than the maximum fail", [this](HostInstance& au) { return TooManyFrames(au); });
  Check("an input callback error reaches the caller", [this](HostInstance& au) { return InputError(au); });
  Check("ClassInfo save, change, restore, save", [this](HostInstance& au) { return ClassInfoRoundTrip(au); });
  Check("factory presets listed and selectable", [this](HostInstance& au) { return FactoryPresets(au); });
  return mResults;
}

std::vector<CheckResult> Validate(PluginEntryPoints& plugin, Door door)
{
  return Run(plugin, door).All();
}

int PrintResults(const std::vector<CheckResult>& results, std::ostream& out)
{
  int failed = 0;
  for (const CheckResult& r : results)
  {
    if (r.passed)
      out << "PASS " << r.name << "\n";
    else
    {
      ++failed;
      out << "FAIL " << r.name << ": " << r.detail << "\n";
    }
  }
  out << int(results.size()) - failed << " passed, " << failed << " failed\n";
  return failed;
}

namespace
{
// One run of the command, step by step (CommandRun.h).
class ValidateRun : public CommandRun<ValidateOptions>
{
public:
  using CommandRun::CommandRun;

  int Run()
  {
    return RunSteps<ValidateRun>(
        {&ValidateRun::CheckEntryDoor, &ValidateRun::CheckFactoryDoor, &ValidateRun::PrintReport});
  }

private:
  int CheckEntryDoor() { return CheckDoor(Door::kEntry); }
  int CheckFactoryDoor() { return CheckDoor(Door::kFactory); }
  int CheckDoor(Door door)
  {
    for (CheckResult& r : Validate(mPlugin, door))
      mResults.push_back(std::move(r));
    return kExitDone;
  }

  int PrintReport()
  {
    const int failed = PrintResults(mResults, mOut);
    if (failed == 0) return kExitDone;
    mError = f.plugin + ": " + std::to_string(failed) + " of " + std::to_string(mResults.size()) +
             " checks failed";
    return Fail(kExitFailed);
  }

  std::vector<CheckResult> mResults;
};
} // namespace

int RunValidate(PluginEntryPoints& plugin, const SharedOptions& shared, const ValidateOptions& options,
                std::ostream& out, std::ostream& err)
{
  return ValidateRun(plugin, shared, options, out, err).Run();
}
} // namespace qorvhost
