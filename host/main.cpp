// qorv-host: loads an Audio Unit bundle and drives it only through its exported entry points.
// `qorv-host --help` lists the commands, `qorv-host COMMAND --help` describes one (host/CommandLine.cpp).
#include "host/CommandLine.h"
#include "host/ExitStatus.h"
#include "host/MessageStream.h"
#include "host/MixCommand.h"
#include "host/PluginInfo.h"
#include "host/PresetCommand.h"
#include "host/RenderCommand.h"
#include "host/SignalStop.h"
#include "host/Validator.h"

#include <sys/resource.h>
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
// The product bundle next to the build's bin folder. The program's own file, not argv[0], which a shell
// that found the host on PATH gives as a bare name.
std::string DefaultBundle(const char* argv0)
{
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::path program = fs::read_symlink("/proc/self/exe", ec);
  if (ec) program = fs::weakly_canonical(fs::path(argv0), ec);
  return (program.parent_path().parent_path() / "Qorv.component").string();
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

// The command's own work, on a loaded plug-in.
int RunCommand(PluginEntryPoints& plugin, const CommandLine& o, std::ostream& messages)
{
  switch (o.command)
  {
  case Command::kInfo:
    return RunInfo(plugin, o.shared, o.info, std::cout, messages);
  case Command::kValidate:
    return RunValidate(plugin, o.shared, o.validate, std::cout, messages);
  case Command::kMix:
  {
    MixOptions mix = o.mix;
    // A progress display is for a person watching; in a log its carriage returns are noise.
    mix.progress = o.progress == ProgressDisplay::kAlways ||
                   (o.progress == ProgressDisplay::kWhenTerminal && isatty(STDERR_FILENO));
    return RunMix(plugin, o.shared, mix, std::cout, messages);
  }
  case Command::kPresetExport:
    return RunPresetExport(plugin, o.shared, o.presetExport, std::cout, messages);
  case Command::kRender:
    return RunRender(plugin, o.shared, o.render, std::cout, messages);
  case Command::kEditor:
    return RunEditor(plugin, o.shared, o.editor, std::cout, messages);
  case Command::kNone:
    break;
  }
  return kExitUsage;
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
  if (o.shared.plugin.empty()) o.shared.plugin = DefaultBundle(argv[0]);
  if (o.version) return Version(o.shared.plugin, messages);

  // The commands that write files or hold an editor end on a stop signal when they reach a point where
  // they can (SignalStop.h); the others are ended by it at once, as by default.
  if (o.command == Command::kMix || o.command == Command::kRender || o.command == Command::kEditor ||
      o.command == Command::kPresetExport)
    InstallStopSignals();
  PluginEntryPoints plugin;
  if (!LoadBundle(o.shared.plugin, plugin, messages)) return kExitFailed;
  const int status = RunCommand(plugin, o, messages);
  return status == kExitUsage ? UsageError(o.command, messages) : status;
}
} // namespace

int main(int argc, char** argv)
{
  // Past a file-size limit, or into a pipe whose reader has gone, a write fails with an error the host
  // reports, instead of killing it.
  std::signal(SIGXFSZ, SIG_IGN);
  std::signal(SIGPIPE, SIG_IGN);
  // An output staged until the run's end may keep a descriptor open (its writer's lock), and mix
  // --png-every stages one a frame: the soft limit of descriptors goes up to the hard one.
  rlimit files = {};
  if (getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < files.rlim_max)
  {
    files.rlim_cur = files.rlim_max;
    setrlimit(RLIMIT_NOFILE, &files);
  }
  UseStandardOutput();
  return ExitStatus(Run(argc, argv));
}
