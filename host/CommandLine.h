// The command line of qorv-host: its commands, their options and their help, all from one table, so that
// the help names every option the parser takes, with its argument and default.
#pragma once

#include "host/EditorCommand.h"
#include "host/MixCommand.h"
#include "host/PluginEntryPoints.h"

#include <string>
#include <vector>

namespace qorvhost
{
// The exit status of qorv-host.
constexpr int kExitDone = 0;
constexpr int kExitFailed = 1; // the run failed: an unreadable input, a refused preset, a write error
constexpr int kExitUsage = 2;  // the command line is wrong

enum class Command
{
  kNone,
  kMix,
  kRender,
  kInfo,
  kValidate,
  kPresetExport,
  kEditor,
};

enum class ProgressDisplay
{
  kWhenTerminal, // when standard error is a terminal
  kAlways,       // --progress
  kNever,        // -q, --quiet
};

struct CommandLine
{
  Command command = Command::kNone;
  bool help = false;    // -h, --help: the command's help (the program's without a command)
  bool version = false; // --version
  std::string plugin;   // --plugin; empty for the default bundle
  bool json = false;    // info --json
  bool bypass = false;  // render
  Door door = Door::kFactory;
  ProgressDisplay progress = ProgressDisplay::kWhenTerminal;
  std::string factoryPreset; // mix --factory-preset, preset export --factory
  // The files (-o and the inputs), the block size and mix's own options; render and preset export take
  // their files from here too.
  MixOptions mix;
  EditorOptions editor; // editor's own options (its --set values are in mix.sets)
};

// Parses the arguments after the program's name. False with a message that names what is wrong.
bool ParseCommandLine(const std::vector<std::string>& args, CommandLine& line, std::string& error);

// The command's name as typed ("preset export").
std::string CommandName(Command command);
// The help of a command, or of the program for Command::kNone.
std::string HelpText(Command command);
// The line after a usage error that points to the help.
std::string TryHelp(Command command);
} // namespace qorvhost
