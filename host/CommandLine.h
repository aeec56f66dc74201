// The command line of qorv-host: its commands, their options and their help, all from one table, so that
// the help names every option the parser takes, with its argument and default.
#pragma once

#include "host/EditorCommand.h"
#include "host/ExitStatus.h"
#include "host/MixCommand.h"
#include "host/PluginEntryPoints.h"
#include "host/PluginInfo.h"
#include "host/PresetCommand.h"
#include "host/RenderCommand.h"
#include "host/SharedOptions.h"
#include "host/Validator.h"

#include <string>
#include <vector>

namespace qorvhost
{
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
  ProgressDisplay progress = ProgressDisplay::kWhenTerminal; // mix
  SharedOptions shared; // what more than one command takes (its plugin empty for the default bundle)
  MixOptions mix;       // each command's own
  RenderOptions render;
  EditorOptions editor;
  InfoOptions info;
  PresetExportOptions presetExport;
  ValidateOptions validate;
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
