// qorv-host: loads an Audio Unit bundle and drives it only through its exported entry points.
//   qorv-host info [--plugin BUNDLE]
//   qorv-host validate [--plugin BUNDLE]
//   qorv-host render [--plugin BUNDLE] [--bypass] [--door entry|factory] [--block N] -o OUT.wav IN.wav
//   qorv-host mix [--plugin BUNDLE] [--set NAME=VALUE]... [--internal] [--tracks] [--gains FILE.csv]
//                 [--factory-preset NAME] [--preset FILE.qxs] [--state-in FILE.aupreset]
//                 [--state-out FILE.aupreset] [--automation FILE.csv] [--clock real|audio]
//                 [--block N] -o OUT.wav IN1.wav [IN2.wav ...]
//   qorv-host preset export [--plugin BUNDLE] --factory NAME -o FILE.qxs
//   qorv-host editor [--plugin BUNDLE] [--png OUT.png] [--window-png OUT.png] [--script FILE]
//                    [--screen-scale 1|2] [--seconds N] [--set NAME=VALUE]...
#include "host/AudioFile.h"
#include "host/EditorCommand.h"
#include "host/MixCommand.h"
#include "host/HostInstance.h"
#include "host/PluginInfo.h"
#include "host/PresetCommand.h"
#include "host/Validator.h"

#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

using namespace qorvhost;

namespace
{
int Usage()
{
  std::cerr
      << "usage: qorv-host info [--plugin BUNDLE]\n"
         "       qorv-host validate [--plugin BUNDLE]\n"
         "       qorv-host render [--plugin BUNDLE] [--bypass] [--door entry|factory] [--block N] -o OUT.wav "
         "IN.wav\n"
         "       qorv-host mix [--plugin BUNDLE] [--set NAME=VALUE]... [--internal] [--tracks] [--gains "
         "FILE.csv] "
         "[--factory-preset NAME] [--preset FILE.qxs] [--state-in FILE.aupreset] [--state-out FILE.aupreset] "
         "[--automation FILE.csv] [--clock real|audio] [--block N] -o OUT.wav IN1.wav [IN2.wav ...]\n"
         "       qorv-host preset export [--plugin BUNDLE] --factory NAME -o FILE.qxs\n"
         "       qorv-host editor [--plugin BUNDLE] [--png OUT.png] [--window-png OUT.png] [--script FILE] "
         "[--screen-scale 1|2] [--seconds N] [--set NAME=VALUE]...\n";
  return 2;
}

// The product bundle next to the build's bin folder.
std::string DefaultBundle(const char* argv0)
{
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::path build = fs::weakly_canonical(fs::path(argv0), ec).parent_path().parent_path();
  return (build / "Qorv.component").string();
}

struct Options
{
  std::string command, plugin, output, input;
  bool bypass = false;
  Door door = Door::kFactory;
  UInt32 block = 512;
  std::vector<std::string> inputs, sets;
  std::string gains;
  bool internal = false, tracks = false;
  std::string factoryPreset, preset, stateIn, stateOut, automation, subcommand;
  bool realTimeIdle = false; // the audio clock: the same run gives the same summary and gains
  EditorOptions editor;
};

bool Parse(int argc, char** argv, Options& o)
{
  if (argc < 2) return false;
  o.command = argv[1];
  o.plugin = DefaultBundle(argv[0]);
  for (int i = 2; i < argc; ++i)
  {
    const std::string a = argv[i];
    auto next = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
    if (a == "--factory-preset" || a == "--preset" || a == "--state-in" || a == "--state-out" ||
        a == "--automation" || a == "--factory" || a == "--clock")
    {
      const char* v = next();
      if (!v) return false;
      const std::string value = v;
      if (a == "--factory-preset" || a == "--factory")
        o.factoryPreset = value;
      else if (a == "--preset")
        o.preset = value;
      else if (a == "--state-in")
        o.stateIn = value;
      else if (a == "--state-out")
        o.stateOut = value;
      else if (a == "--automation")
        o.automation = value;
      else if (value == "real" || value == "audio")
        o.realTimeIdle = value == "real";
      else
        return false;
    }
    else if (o.command == "preset" && o.subcommand.empty() && a == "export")
      o.subcommand = a;
    else if (o.command == "editor" && (a == "--png" || a == "--window-png" || a == "--script" ||
                                       a == "--screen-scale" || a == "--seconds"))
    {
      const char* v = next();
      if (!v) return false;
      if (a == "--png")
        o.editor.png = v;
      else if (a == "--window-png")
        o.editor.windowPng = v;
      else if (a == "--script")
        o.editor.script = v;
      else if (a == "--seconds")
        o.editor.seconds = std::strtod(v, nullptr);
      else
      {
        const std::string scale = v;
        if (scale != "1" && scale != "2") return false;
        o.editor.screenScale = std::stod(scale);
      }
    }
    else if (a == "--set" || a == "--gains")
    {
      const char* v = next();
      if (!v) return false;
      if (a == "--set")
        o.sets.push_back(v);
      else
        o.gains = v;
    }
    else if (a == "--internal")
      o.internal = true;
    else if (a == "--tracks")
      o.tracks = true;
    else if (a == "--plugin" || a == "-o" || a == "--door" || a == "--block")
    {
      const char* v = next();
      if (!v) return false;
      if (a == "--plugin")
        o.plugin = v;
      else if (a == "-o")
        o.output = v;
      else if (a == "--door")
      {
        if (std::string(v) != "entry" && std::string(v) != "factory") return false;
        o.door = std::string(v) == "entry" ? Door::kEntry : Door::kFactory;
      }
      else
      {
        const long n = std::strtol(v, nullptr, 10);
        if (n < 1 || n > 65536) return false;
        o.block = UInt32(n);
      }
    }
    else if (a == "--bypass")
      o.bypass = true;
    else if (!a.empty() && a[0] != '-' && (o.command == "mix" || o.input.empty()))
    {
      if (o.input.empty()) o.input = a;
      o.inputs.push_back(a);
    }
    else
      return false;
  }
  return true;
}

int Render(PluginEntryPoints& plugin, const Options& o)
{
  if (o.input.empty() || o.output.empty()) return Usage();
  std::string error;
  AudioFile in;
  std::string warning;
  if (!ReadAudioFile(o.input, in, error, &warning))
  {
    std::cerr << error << "\n";
    return 1;
  }
  if (!warning.empty()) std::cerr << "warning: " << warning << "; rendering the frames it holds\n";
  std::unique_ptr<HostInstance> au = HostInstance::Open(plugin, o.door, error);
  if (!au)
  {
    std::cerr << error << "\n";
    return 1;
  }
  OSStatus status = au->Configure(in.sampleRate, in.NChannels(), in.NChannels(), o.block);
  if (status == noErr && o.bypass)
    status = au->Set(kAudioUnitProperty_BypassEffect, kAudioUnitScope_Global, 0, UInt32(1));
  if (status == noErr) status = au->Initialize();
  if (status != noErr)
  {
    std::cerr << "the plug-in does not take " << in.NChannels() << " channels at " << in.sampleRate
              << " Hz (status " << status << ")\n";
    return 1;
  }
  AudioFile out;
  out.sampleRate = in.sampleRate;
  out.format = in.format;
  status = au->RenderAll(in.channels, out.channels, o.block);
  if (status != noErr)
  {
    std::cerr << "render failed (status " << status << ")\n";
    return 1;
  }
  if (!WriteAudioFile(o.output, out, error))
  {
    std::cerr << error << "\n";
    return 1;
  }
  std::cout << "rendered " << in.NFrames() << " frames, " << in.NChannels() << " channels at "
            << in.sampleRate << " Hz" << (o.bypass ? " (bypassed)" : "") << " to " << o.output << "\n";
  return 0;
}
} // namespace

int main(int argc, char** argv)
{
  Options o;
  if (!Parse(argc, argv, o)) return Usage();
  if (o.command != "info" && o.command != "validate" && o.command != "render" && o.command != "mix" &&
      o.command != "editor" && !(o.command == "preset" && o.subcommand == "export"))
    return Usage();

  PluginEntryPoints plugin;
  std::string error;
  if (!LoadPluginBundle(o.plugin, plugin, error))
  {
    std::cerr << error << "\n";
    return 1;
  }
  if (o.command == "info") return PrintPluginInfo(plugin, std::cout) ? 0 : 1;
  if (o.command == "editor")
  {
    o.editor.sets = o.sets;
    return RunEditor(plugin, o.plugin, o.editor, std::cout, std::cerr);
  }
  if (o.command == "validate")
  {
    std::vector<CheckResult> all = Validate(plugin, Door::kEntry);
    for (CheckResult& r : Validate(plugin, Door::kFactory))
      all.push_back(std::move(r));
    return PrintResults(all, std::cout) == 0 ? 0 : 1;
  }
  if (o.command == "mix")
  {
    MixOptions mix;
    mix.output = o.output;
    mix.inputs = o.inputs;
    mix.sets = o.sets;
    mix.gainsCsv = o.gains;
    mix.internal = o.internal;
    mix.tracks = o.tracks;
    mix.block = o.block;
    mix.factoryPreset = o.factoryPreset;
    mix.presetFile = o.preset;
    mix.stateIn = o.stateIn;
    mix.stateOut = o.stateOut;
    mix.automationCsv = o.automation;
    mix.realTimeIdle = o.realTimeIdle;
    const int rc = RunMix(plugin, mix, std::cout, std::cerr);
    return rc;
  }
  if (o.command == "preset")
  {
    if (!o.input.empty()) return Usage();
    return RunPresetExport(plugin, o.factoryPreset, o.output, std::cout, std::cerr);
  }
  return Render(plugin, o);
}
