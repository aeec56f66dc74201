// qorv-host: loads an Audio Unit bundle and drives it only through its exported entry points.
// `qorv-host --help` lists the commands, `qorv-host COMMAND --help` describes one (host/CommandLine.cpp).
#include "host/AudioFile.h"
#include "host/CommandLine.h"
#include "host/HostInstance.h"
#include "host/MessageStream.h"
#include "host/MixCommand.h"
#include "host/PlaceOutputs.h"
#include "host/PluginInfo.h"
#include "host/PresetCommand.h"
#include "host/SignalStop.h"
#include "host/Validator.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <csignal>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

using namespace qorvhost;

namespace
{
// The product bundle next to the build's bin folder.
std::string DefaultBundle(const char* argv0)
{
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::path build = fs::weakly_canonical(fs::path(argv0), ec).parent_path().parent_path();
  return (build / "Qorv.component").string();
}

// After the message that names what is wrong, the pointer to the help.
int UsageError(Command command, std::ostream& messages)
{
  messages.flush();
  std::cerr << TryHelp(command) << "\n";
  return kExitUsage;
}

bool LoadBundle(const std::string& path, PluginEntryPoints& plugin, std::ostream& messages)
{
  std::string error;
  if (LoadPluginBundle(path, plugin, error)) return true;
  std::error_code ec;
  if (!std::filesystem::exists(path, ec))
    messages << path << ": no such plug-in bundle (--plugin names one)\n";
  else
    messages << path << ": cannot load the plug-in (" << error << ")\n";
  return false;
}

int Version(const std::string& bundle, std::ostream& messages)
{
  std::cout << "qorv-host " << QORV_HOST_VERSION << "\n";
  PluginEntryPoints plugin;
  if (!LoadBundle(bundle, plugin, messages)) return kExitFailed;
  std::cout << "plug-in: " << plugin.name << " " << VersionText(plugin.version) << " (" << bundle << ")\n";
  return kExitDone;
}

int Render(PluginEntryPoints& plugin, const CommandLine& o, std::ostream& messages)
{
  std::string error;
  AudioFile in;
  std::string warning;
  if (!ReadAudioFile(o.mix.inputs[0], in, error, &warning) || StopSignal())
  {
    if (StopSignal()) return StopStatus();
    messages << error << "\n";
    return kExitFailed;
  }
  if (!warning.empty()) messages << warning << "; rendering the frames it holds\n";
  std::unique_ptr<HostInstance> au = HostInstance::Open(plugin, o.door, error);
  if (!au)
  {
    messages << error << "\n";
    return kExitFailed;
  }
  OSStatus status = au->Configure(in.sampleRate, in.NChannels(), in.NChannels(), o.mix.block);
  if (status == noErr && o.bypass)
    status = au->Set(kAudioUnitProperty_BypassEffect, kAudioUnitScope_Global, 0, UInt32(1));
  if (status == noErr) status = au->Initialize();
  if (status != noErr)
  {
    messages << o.mix.inputs[0] << ": the plug-in does not take " << in.NChannels() << " channels at "
             << in.sampleRate << " Hz (status " << status << ")\n";
    return kExitFailed;
  }
  // Longer blocks go in slices of what the plug-in takes.
  UInt32 slice = o.mix.block;
  au->Get(kAudioUnitProperty_MaximumFramesPerSlice, kAudioUnitScope_Global, 0, slice);
  AudioFile out;
  out.sampleRate = in.sampleRate;
  out.format = in.format;
  status = au->RenderAll(in.channels, out.channels, std::min<UInt32>(o.mix.block, std::max<UInt32>(slice, 1)),
                         StopRequested);
  if (StopSignal()) return StopStatus();
  if (status != noErr)
  {
    messages << o.mix.inputs[0] << ": render failed (status " << status << ")\n";
    return kExitFailed;
  }
  AudioFileWriter writer;
  const bool written = WriteAudioFrames(writer, o.mix.output, out, error) && writer.Complete(error);
  const int placed = written ? PlaceOutputs({{&writer.File(), o.mix.output}}, error) : kExitFailed;
  if (StopSignal()) return StopStatus();
  if (placed != kExitDone)
  {
    messages << error << "\n";
    return kExitFailed;
  }
  std::cout << "rendered " << in.NFrames() << " frames, " << in.NChannels()
            << (in.NChannels() == 1 ? " channel at " : " channels at ") << in.sampleRate << " Hz"
            << (o.bypass ? " (bypassed)" : "") << " to " << o.mix.output << "\n";
  return kExitDone;
}

int Mix(PluginEntryPoints& plugin, const CommandLine& o, std::ostream& messages)
{
  MixOptions mix = o.mix;
  // A progress display is for a person watching; in a log its carriage returns are noise.
  mix.progress = o.progress == ProgressDisplay::kAlways ||
                 (o.progress == ProgressDisplay::kWhenTerminal && isatty(STDERR_FILENO));
  return RunMix(plugin, mix, std::cout, messages);
}

int Run(int argc, char** argv)
{
  MessageStream messages(std::cerr, "qorv-host");
  CommandLine o;
  std::string error;
  if (!ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc), o, error))
  {
    messages << error << "\n";
    return UsageError(o.command, messages);
  }
  if (o.help)
  {
    std::cout << HelpText(o.command);
    return kExitDone;
  }
  const std::string bundle = o.plugin.empty() ? DefaultBundle(argv[0]) : o.plugin;
  if (o.version) return Version(bundle, messages);

  // The commands that write files or hold an editor end on a stop signal when they reach a point where
  // they can (SignalStop.h); the others are ended by it at once, as by default.
  if (o.command == Command::kMix || o.command == Command::kRender || o.command == Command::kEditor ||
      o.command == Command::kPresetExport)
    InstallStopSignals();
  PluginEntryPoints plugin;
  if (!LoadBundle(bundle, plugin, messages)) return kExitFailed;
  switch (o.command)
  {
  case Command::kInfo:
    if (o.json ? PrintPluginInfoJson(plugin, std::cout, error) : PrintPluginInfo(plugin, std::cout, error))
      return kExitDone;
    messages << bundle << ": " << error << "\n";
    return kExitFailed;
  case Command::kValidate:
  {
    std::vector<CheckResult> all = Validate(plugin, Door::kEntry);
    for (CheckResult& r : Validate(plugin, Door::kFactory))
      all.push_back(std::move(r));
    return PrintResults(all, std::cout) == 0 ? kExitDone : kExitFailed;
  }
  case Command::kMix:
  {
    const int status = Mix(plugin, o, messages);
    return status == kExitUsage ? UsageError(o.command, messages) : status;
  }
  case Command::kPresetExport:
    return RunPresetExport(plugin, o.factoryPreset, o.mix.output, std::cout, messages);
  case Command::kRender:
    return Render(plugin, o, messages);
  case Command::kEditor:
  {
    EditorOptions editor = o.editor;
    editor.sets = o.mix.sets;
    editor.presetFile = o.mix.presetFile;
    const int status = RunEditor(plugin, bundle, editor, std::cout, messages);
    return status == kExitUsage ? UsageError(o.command, messages) : status;
  }
  case Command::kNone:
    break;
  }
  return kExitUsage;
}

// The name of a stop signal, for the line that tells of a late one.
const char* SignalName(int signal)
{
  switch (signal)
  {
  case SIGINT:
    return "SIGINT";
  case SIGTERM:
    return "SIGTERM";
  case SIGHUP:
    return "SIGHUP";
  default:
    return "a signal";
  }
}

// What became of the standard streams decides the status too: a summary or a message that could not be
// written is a failure of the run (told on standard error when standard output failed).
int CheckStandardStreams(int status)
{
  const int outError = StandardOutputError();
  const bool errFailed = std::fflush(stderr) != 0 || std::ferror(stderr) || !std::cerr;
  if (outError)
  {
    MessageStream messages(std::cerr, "qorv-host");
    messages << "standard output: " << SystemReason(outError) << "\n";
  }
  return status == kExitDone && (outError || errFailed) ? kExitFailed : status;
}
} // namespace

int main(int argc, char** argv)
{
  // Past a file-size limit a write fails with an error the host reports, instead of killing it.
  std::signal(SIGXFSZ, SIG_IGN);
  UseStandardOutput();
  int status = Run(argc, argv);
  PausePoint();
  // A run stopped by a signal is a failure, whatever its last step made of the stop: a stop honoured is
  // one that came before the outputs were put in place, so its old files are all as they were.
  if (StopSignal()) status = StopStatus();
  if (const int late = LateStopSignal())
  {
    MessageStream messages(std::cerr, "qorv-host");
    messages << SignalName(late) << " came after the outputs were written: the run went on to its end\n";
  }
  return CheckStandardStreams(status);
}
