#include "host/CommandLine.h"

#include "host/NameMatch.h"

#include <algorithm>
#include <cmath>
#include <charconv>

namespace qorvhost
{
namespace
{
constexpr const char* kProgram = "qorv-host";
constexpr unsigned kMaxBlock = 65536;
constexpr size_t kMaxInputs = 32; // the mixer's send slots
constexpr size_t kWidth = 80;     // the help's line width

constexpr unsigned Bit(Command c)
{
  return 1u << unsigned(c);
}
constexpr unsigned kEveryCommand = ~0u;

enum class Opt
{
  kOutput,
  kSet,
  kInternal,
  kTracks,
  kGains,
  kFactory,
  kFactoryPreset,
  kPreset,
  kStateIn,
  kStateOut,
  kAutomation,
  kClock,
  kBlock,
  kBypass,
  kDoor,
  kJson,
  kProgress,
  kQuiet,
  kPlugin,
  kHelp,
  kVersion,
  kPng,
  kWindowPng,
  kScript,
  kScreenScale,
  kSeconds,
  kEditor,
  kPngEvery,
};

struct OptionRow
{
  Opt id;
  const char* shortName; // "-o", or null
  const char* longName;  // "--block", or null
  const char* argument;  // "N"; null for a switch
  unsigned commands;     // the commands that take it
  const char* text;      // what it does, with its default
};

constexpr unsigned kMix = Bit(Command::kMix), kRender = Bit(Command::kRender), kInfo = Bit(Command::kInfo),
                   kPreset = Bit(Command::kPresetExport), kNone = Bit(Command::kNone),
                   kEditor = Bit(Command::kEditor);

// In the order the help lists them.
const OptionRow kOptions[] = {
    {Opt::kOutput, "-o", nullptr, "OUT.wav", kMix, "the mixed stereo file to write, 32-bit float (required)"},
    {Opt::kOutput, "-o", nullptr, "OUT.wav", kRender, "the file to write, in the input's format (required)"},
    {Opt::kFactory, nullptr, "--factory", "NAME", kPreset,
     "the factory preset to write, as `qorv-host info` names it (required)"},
    {Opt::kOutput, "-o", nullptr, "FILE.qxs", kPreset, "the preset file to write (required)"},
    {Opt::kPng, nullptr, "--png", "OUT.png", kEditor, "write the editor's last frame"},
    {Opt::kWindowPng, nullptr, "--window-png", "OUT.png", kEditor,
     "write the window's pixels as the X server shows them (only with a display)"},
    {Opt::kScript, nullptr, "--script", "FILE", kEditor,
     "replay events and clock steps, one a line: move X Y, down|up|click X Y [right], wheel X Y DELTA, "
     "key CODE [CHARS], key NAME (return, enter, tab, space, delete, escape, forwarddelete, home, end, "
     "pageup, pagedown, left, right, down, up, help, f1 to f12), drop X Y PATH, focus-out, "
     "wait SECONDS (an hour in all at most); X and Y in window points from the top left; shift, cmd, alt "
     "or ctrl at the end adds a modifier"},
    {Opt::kScreenScale, nullptr, "--screen-scale", "1|2", kEditor,
     "the screen's backing scale (default: QORV_SCREEN_SCALE, else 1)"},
    {Opt::kSeconds, nullptr, "--seconds", "N", kEditor,
     "with a display, close the window after N seconds (default: when the window is closed)"},
    {Opt::kPreset, nullptr, "--preset", "FILE.qxs", kEditor, "load a preset file before the editor opens"},
    {Opt::kSet, nullptr, "--set", "NAME=VALUE", kEditor, "set a plug-in parameter before the editor opens"},
    {Opt::kSet, nullptr, "--set", "NAME=VALUE", kMix,
     "set a mixer parameter; NAME as `qorv-host info` lists it, in any case, and with or without the "
     "Off/On ending of switch names, or its index; VALUE a number in the parameter's units or one of its "
     "display texts; "
     "may be given many times"},
    {Opt::kInternal, nullptr, "--internal", nullptr, kMix,
     "mix the one input file in a single \"Int. Mixer\" instance instead"},
    {Opt::kTracks, nullptr, "--tracks", nullptr, kMix,
     "write the sum of the senders' own outputs instead of the mixer's"},
    {Opt::kGains, nullptr, "--gains", "FILE.csv", kMix, "write each channel's gain in dB for every block"},
    {Opt::kFactoryPreset, nullptr, "--factory-preset", "NAME", kMix,
     "start from a factory preset, as `qorv-host info` names it"},
    {Opt::kPreset, nullptr, "--preset", "FILE.qxs", kMix, "load a preset file, after the factory preset"},
    {Opt::kStateIn, nullptr, "--state-in", "FILE.aupreset", kMix,
     "restore a mixer state saved by --state-out, after the presets"},
    {Opt::kStateOut, nullptr, "--state-out", "FILE.aupreset", kMix, "save the mixer's state after the mix"},
    {Opt::kAutomation, nullptr, "--automation", "FILE.csv", kMix,
     "write every channel strength that the mixer publishes as automation (time, parameter, value)"},
    {Opt::kClock, nullptr, "--clock", "real|audio", kMix,
     "the clock of the plug-ins' idle timers: one that follows the audio, so that the same run gives "
     "the same summary and gains, or the system's, as in a host (default: audio)"},
    {Opt::kEditor, nullptr, "--editor", nullptr, kMix,
     "keep the mixer's editor open in a window while mixing, paced at real time"},
    {Opt::kPngEvery, nullptr, "--png-every", "SECONDS DIR", kMix,
     "write the mixer's editor frame every SECONDS of audio and at the end into DIR (frame-0001.png, "
     "...), headless; they replace the old frames of those names with the other outputs, at the end, and "
     "older frames past the last are left as they were"},
    {Opt::kBlock, nullptr, "--block", "N", kMix,
     "frames a block, 1 to 65536; the plug-ins get at most 8192 at a time (default: 512)"},
    {Opt::kBypass, nullptr, "--bypass", nullptr, kRender, "switch the instance to bypass before rendering"},
    {Opt::kDoor, nullptr, "--door", "entry|factory", kRender,
     "open the instance through the bundle's entry function or its factory function (default: factory)"},
    {Opt::kBlock, nullptr, "--block", "N", kRender, "frames a block, 1 to 65536 (default: 512)"},
    {Opt::kJson, nullptr, "--json", nullptr, kInfo,
     "the same as JSON, for scripts: every parameter with its range, default and display texts"},
    {Opt::kProgress, nullptr, "--progress", nullptr, kMix,
     "show the progress even when standard error is no terminal (by default only on a terminal)"},
    {Opt::kQuiet, "-q", "--quiet", nullptr, kMix, "show no progress"},
    {Opt::kPlugin, nullptr, "--plugin", "BUNDLE", kEveryCommand,
     "the plug-in bundle (default: Qorv.component in the build folder that holds the host's bin folder)"},
    {Opt::kHelp, "-h", "--help", nullptr, kEveryCommand, "show this help"},
    {Opt::kVersion, nullptr, "--version", nullptr, kEveryCommand,
     "show the versions of the host and the plug-in"},
};

struct CommandSpec
{
  Command id;
  const char* name;
  const char* usage;   // after "qorv-host NAME"
  const char* summary; // one line in the program's help
  const char* description;
  std::vector<const char*> examples;
};

const CommandSpec kCommands[] = {
    {Command::kMix,
     "mix",
     "[OPTIONS] -o OUT.wav IN1.wav [IN2.wav ...]",
     "mix one audio file a microphone into one stereo file",
     "Mixes a multi-microphone recording, one mono or stereo audio file a microphone (at most 32, at one "
     "sample rate), into one stereo file. Each file gets a \"Send CH n\" instance of the plug-in and one "
     "\"Ext. Mixer\" instance mixes them, as a session in one host process would. The summary (each "
     "channel's open time and mean gain) goes to standard output; messages and the progress go to "
     "standard error. With --png-every the summary also counts the frames written (\"editor frames: N in "
     "DIR\"), and "
     "with --editor or --png-every the frames the editor drew (\"editor frames drawn: N\"): one at each "
     "of its display ticks at which something in it had changed, while it was shown, in its window or "
     "headless.",
     {"qorv-host mix -o mix.wav mic1.wav mic2.wav mic3.wav",
      "qorv-host mix --set \"Mix Mode=Prio\" --set attack=0.1 --gains gains.csv -o mix.wav mic*.wav",
      "qorv-host mix --factory-preset \"Auto Mixing\" --state-out session.aupreset -q -o mix.wav mic*.wav"}},
    {Command::kRender,
     "render",
     "[OPTIONS] -o OUT.wav IN.wav",
     "run one plug-in instance over one audio file",
     "Runs one instance of the plug-in over one audio file, as an insert effect in a host, and writes its "
     "output.",
     {"qorv-host render -o render.wav mic1.wav",
      "qorv-host render --plugin ../QorvExample.component --door entry -o pass-through.wav mic1.wav"}},
    {Command::kInfo,
     "info",
     "[OPTIONS]",
     "show the plug-in's identity, parameters and factory presets",
     "Lists the plug-in's name, maker, type, version, channel configurations, latency and tail, every "
     "parameter (index, name, unit, range, default and current value) and the factory presets.",
     {"qorv-host info", "qorv-host info --json > parameters.json"}},
    {Command::kValidate,
     "validate",
     "[OPTIONS]",
     "check a bundle from the host's side",
     "Checks the bundle as an Audio Unit host would, through both of its doors (the entry function and the "
     "factory function), and prints one line a check. Fails when any check fails.",
     {"qorv-host validate", "qorv-host validate --plugin ../QorvExample.component"}},
    {Command::kPresetExport,
     "preset export",
     "[OPTIONS] --factory NAME -o FILE.qxs",
     "write a factory preset as a preset file",
     "Writes a factory preset as a preset file to start your own from; `qorv-host mix --preset` loads it.",
     {"qorv-host preset export --factory \"Prio Mixing\" -o prio.qxs"}},
    {Command::kEditor,
     "editor",
     "[OPTIONS]",
     "open the plug-in's editor in a window",
     "Opens the plug-in's editor as a host opens a plug-in's window, through the view factory that the "
     "plug-in names. While a display is there (DISPLAY set, QORV_HEADLESS unset) whose screen offers a "
     "TrueColor visual it is a real X11 window until it is closed; otherwise it is headless (on a display "
     "without one it says so), where it needs --png or --script (it shows nobody anything), and --script's "
     "events and clock steps are replayed on a virtual clock. The plug-in's message boxes (title, text and "
     "the button pressed) and the pages and files it opens are told on standard error; with a display, xdg-open shows the pages and files. "
     "QORV_LOG_EVENTS=1 writes every event the window hands to the editor to standard error. In the X11 "
     "window Ctrl is the Mac's Control key for the mouse and the wheel (Ctrl-click resets a knob, "
     "Ctrl+wheel steps coarser) and its Command key for keys (Ctrl+A, C, X, V and Z select all, copy, cut, "
     "paste and undo in a typed value); Alt is Option and Super is Command. The window takes the editor's "
     "size, which its corner handle and the plug-in menu's scale items change.",
     {"qorv-host editor", "qorv-host editor --screen-scale 2 --script editor-clicks.txt --png clicks.png"}},
};

const CommandSpec* FindCommand(Command id)
{
  for (const CommandSpec& c : kCommands)
    if (c.id == id) return &c;
  return nullptr;
}

std::string OptionName(const OptionRow& o)
{
  return o.longName ? o.longName : o.shortName;
}

// The option's column in the help: "-q, --quiet", "--block N".
std::string OptionColumn(const OptionRow& o)
{
  std::string column = o.shortName ? o.shortName : "";
  if (o.shortName && o.longName) column += ", ";
  if (o.longName) column += o.longName;
  if (o.argument) column += std::string(" ") + o.argument;
  return column;
}

const OptionRow* FindOption(const std::string& name, unsigned commands)
{
  for (const OptionRow& o : kOptions)
    if ((o.commands & commands) &&
        ((o.shortName && name == o.shortName) || (o.longName && name == o.longName)))
      return &o;
  return nullptr;
}

// `text` broken into lines of at most kWidth, the first after `lead`, the others indented by `indent`.
std::string Wrap(const std::string& lead, const std::string& text, size_t indent)
{
  std::string result = lead;
  size_t column = lead.size();
  bool space = !lead.empty() && lead.back() != ' ';
  for (size_t start = 0; start < text.size();)
  {
    size_t end = text.find(' ', start);
    if (end == std::string::npos) end = text.size();
    const std::string word = text.substr(start, end - start);
    if (column > indent && column + (space ? 1 : 0) + word.size() > kWidth)
    {
      result.append(1, '\n').append(indent, ' ');
      column = indent;
      space = false;
    }
    if (space) result += ' ';
    result += word;
    column += word.size() + (space ? 1 : 0);
    space = true;
    start = end + 1;
  }
  return result + "\n";
}

const char* kExitStatus =
    "Exit status: 0 done, every output in place; 1 the run failed (an unreadable input, an "
    "output that cannot be written there, a refused preset or state, a write error), every "
    "old output left as it was but one the message names as not put back; 2 a usage error, "
    "with a message that names what is wrong; "
    "128 + N stopped by signal N (Ctrl-C, SIGTERM, SIGHUP), its outputs left as they were; "
    "a signal that comes once the outputs are being put in place lets the run end as "
    "it began, and says so.";

// Where a command's examples run as written: beside the demo's files.
const char* kExamplesWhere = "Examples, run in build/release/demo, which `make demo` fills (mic1.wav to mic5.wav, "
                             "editor-clicks.txt), the host being ../bin/qorv-host there:";

std::string OptionsHelp(unsigned commands)
{
  size_t width = 0;
  for (const OptionRow& o : kOptions)
    if (o.commands & commands) width = std::max(width, OptionColumn(o).size());
  std::string text = "Options:\n";
  for (const OptionRow& o : kOptions)
    if (o.commands & commands)
    {
      std::string column = "  " + OptionColumn(o);
      column.resize(width + 4, ' ');
      text += Wrap(column, o.text, width + 4);
    }
  return text;
}

bool ParseBlock(const std::string& text, unsigned& block)
{
  unsigned n = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
  if (ec != std::errc() || end != text.data() + text.size() || n < 1 || n > kMaxBlock) return false;
  block = n;
  return true;
}

bool Apply(const OptionRow& row, const std::string& value, CommandLine& line, std::string& error)
{
  const std::string name = OptionName(row);
  switch (row.id)
  {
  case Opt::kOutput:
    line.shared.output = value;
    break;
  case Opt::kSet:
    line.shared.sets.push_back(value);
    break;
  case Opt::kInternal:
    line.mix.internal = true;
    break;
  case Opt::kTracks:
    line.mix.tracks = true;
    break;
  case Opt::kGains:
    line.mix.gainsCsv = value;
    break;
  case Opt::kFactory:
    line.presetExport.factory = value;
    break;
  case Opt::kFactoryPreset:
    line.mix.factoryPreset = value;
    break;
  case Opt::kPreset:
    line.shared.presetFile = value;
    break;
  case Opt::kStateIn:
    line.mix.stateIn = value;
    break;
  case Opt::kStateOut:
    line.mix.stateOut = value;
    break;
  case Opt::kAutomation:
    line.mix.automationCsv = value;
    break;
  case Opt::kBypass:
    line.render.bypass = true;
    break;
  case Opt::kJson:
    line.info.json = true;
    break;
  case Opt::kProgress:
    line.progress = ProgressDisplay::kAlways;
    break;
  case Opt::kQuiet:
    line.progress = ProgressDisplay::kNever;
    break;
  case Opt::kPlugin:
    line.shared.plugin = value;
    break;
  case Opt::kHelp:
    line.help = true;
    break;
  case Opt::kVersion:
    line.version = true;
    break;
  case Opt::kClock:
    if (value != "real" && value != "audio")
    {
      error = name + " needs real or audio, not \"" + value + "\"";
      return false;
    }
    line.mix.realTimeIdle = value == "real";
    break;
  case Opt::kDoor:
    if (value != "entry" && value != "factory")
    {
      error = name + " needs entry or factory, not \"" + value + "\"";
      return false;
    }
    line.render.door = value == "entry" ? Door::kEntry : Door::kFactory;
    break;
  case Opt::kPng:
    line.editor.png = value;
    break;
  case Opt::kWindowPng:
    line.editor.windowPng = value;
    break;
  case Opt::kScript:
    line.editor.script = value;
    break;
  case Opt::kScreenScale:
    if (value != "1" && value != "2")
    {
      error = name + " needs 1 or 2, not \"" + value + "\"";
      return false;
    }
    line.editor.screenScale = value == "2" ? 2.0 : 1.0;
    break;
  case Opt::kSeconds:
  {
    char* end = nullptr;
    const double seconds = std::strtod(value.c_str(), &end);
    if (value.empty() || *end || !(seconds >= 0))
    {
      error = name + " needs a number of seconds, not \"" + value + "\"";
      return false;
    }
    line.editor.seconds = seconds;
    break;
  }
  case Opt::kEditor:
    line.mix.editor = true;
    break;
  case Opt::kPngEvery:
  {
    // value is "SECONDS DIR": the parser hands both words of this option in one.
    const size_t space = value.find(' ');
    char* end = nullptr;
    const std::string secondsText = value.substr(0, space);
    const double seconds = std::strtod(secondsText.c_str(), &end);
    if (space == std::string::npos || secondsText.empty() || *end || !(seconds > 0) ||
        !std::isfinite(seconds))
    {
      error = name + " needs a number of seconds above 0 and a folder, not \"" + value + "\"";
      return false;
    }
    line.mix.pngEvery = seconds;
    line.mix.pngDir = value.substr(space + 1);
    break;
  }
  case Opt::kBlock:
    if (!ParseBlock(value, line.shared.block))
    {
      error =
          name + " needs a whole number from 1 to " + std::to_string(kMaxBlock) + ", not \"" + value + "\"";
      return false;
    }
    break;
  }
  return true;
}

std::string UnknownOption(const std::string& name, Command command)
{
  const std::string where = command == Command::kNone ? "" : CommandName(command) + " ";
  for (const OptionRow& o : kOptions)
    if ((o.shortName && name == o.shortName) || (o.longName && name == o.longName))
      return command == Command::kNone ? name + " goes after a command"
                                       : where + "takes no " + name + " option";
  std::vector<std::string> names;
  for (const OptionRow& o : kOptions)
    if (o.commands & Bit(command))
    {
      if (o.longName) names.push_back(o.longName);
      if (o.shortName) names.push_back(o.shortName);
    }
  return "unknown " + where + "option " + name + DidYouMean(name, names, false);
}

bool ParseCommand(const std::vector<std::string>& args, size_t& i, CommandLine& line, std::string& error)
{
  const std::string& word = args[i];
  if (word == "preset")
  {
    const bool helpFollows = i + 1 < args.size() && (args[i + 1] == "-h" || args[i + 1] == "--help");
    if (i + 1 < args.size() && args[i + 1] == "export")
      ++i;
    else if (!helpFollows)
    {
      error = "preset needs a subcommand: preset export";
      return false;
    }
    line.command = Command::kPresetExport;
    return true;
  }
  std::vector<std::string> names;
  for (const CommandSpec& c : kCommands)
  {
    if (word == c.name)
    {
      line.command = c.id;
      return true;
    }
    names.push_back(c.name);
  }
  error = "unknown command \"" + word + "\"" + DidYouMean(word, names);
  return false;
}

// Every command's name, as a question lists them: "mix, render, ... or editor".
std::string CommandNames()
{
  std::string names;
  for (const CommandSpec& c : kCommands)
    names += std::string(names.empty() ? "" : &c == std::end(kCommands) - 1 ? " or " : ", ") + c.name;
  return names;
}

bool CheckOperands(const CommandLine& line, std::string& error)
{
  const std::string name = CommandName(line.command);
  const size_t n = line.shared.inputs.size();
  const bool takesFiles = line.command == Command::kMix || line.command == Command::kRender;
  if (!takesFiles && n > 0)
    error = "unexpected argument \"" + line.shared.inputs[0] + "\": " + name + " takes no files";
  else if (line.command == Command::kPresetExport && line.presetExport.factory.empty())
    error = name + " needs --factory NAME, the factory preset to write";
  else if ((takesFiles || line.command == Command::kPresetExport) && line.shared.output.empty())
    error = name + " needs -o " + (takesFiles ? "OUT.wav" : "FILE.qxs") + ", the file to write";
  else if (takesFiles && n == 0)
    error = name + " needs an input file";
  else if (line.command == Command::kRender && n > 1)
    error = "render takes one input file, not " + std::to_string(n);
  else if (line.command == Command::kMix && n > kMaxInputs)
    error = "mix takes at most " + std::to_string(kMaxInputs) + " input files, not " + std::to_string(n);
  else if (line.command == Command::kMix && line.mix.internal && n != 1)
    error = "--internal mixes exactly one file, not " + std::to_string(n);
  return error.empty();
}
} // namespace

bool ParseCommandLine(const std::vector<std::string>& args, CommandLine& line, std::string& error)
{
  bool optionsEnded = false;
  for (size_t i = 0; i < args.size(); ++i)
  {
    const std::string& a = args[i];
    if (!optionsEnded && a == "--")
    {
      optionsEnded = true;
      continue;
    }
    if (optionsEnded || a.size() < 2 || a[0] != '-')
    {
      if (line.command == Command::kNone)
      {
        if (a == "help" && !line.help)
          line.help = true;
        else if (!ParseCommand(args, i, line, error))
          return false;
      }
      else
        line.shared.inputs.push_back(a);
      continue;
    }
    // "--name=value" or "--name value"; a short option takes the next argument.
    std::string name = a, value;
    const size_t eq = a.find('=');
    const bool attached = a.rfind("--", 0) == 0 && eq != std::string::npos;
    if (attached)
    {
      name = a.substr(0, eq);
      value = a.substr(eq + 1);
    }
    const OptionRow* row = FindOption(name, Bit(line.command));
    if (!row)
    {
      error = UnknownOption(name, line.command);
      return false;
    }
    if (row->argument && !attached)
    {
      if (i + 1 >= args.size())
      {
        error = name + " needs " + row->argument;
        return false;
      }
      value = args[++i];
      // The one option of two words takes the next argument as well.
      if (row->id == Opt::kPngEvery)
      {
        if (i + 1 >= args.size())
        {
          error = name + " needs " + row->argument;
          return false;
        }
        value += " " + args[++i];
      }
    }
    else if (!row->argument && attached)
    {
      error = name + " takes no value";
      return false;
    }
    if (!Apply(*row, value, line, error)) return false;
  }
  if (line.help || line.version) return true;
  if (line.command == Command::kNone)
  {
    error = "which command? " + CommandNames();
    return false;
  }
  return CheckOperands(line, error);
}

std::string CommandName(Command command)
{
  const CommandSpec* c = FindCommand(command);
  return c ? c->name : kProgram;
}

std::string HelpText(Command command)
{
  const std::string program = kProgram;
  const CommandSpec* c = FindCommand(command);
  if (!c)
  {
    std::string text = "usage: " + program + " COMMAND [OPTIONS] [FILES]\n" + "       " + program +
                       " COMMAND --help\n" + "       " + program + " --version\n\n";
    text += Wrap("",
                 program + " loads the plug-in's Audio Unit bundle and drives it only through its exported "
                           "entry points, as an Audio Unit host would.",
                 0);
    text += "\nCommands:\n";
    for (const CommandSpec& s : kCommands)
    {
      std::string column = std::string("  ") + s.name;
      column.resize(17, ' ');
      text += Wrap(column, s.summary, 17);
    }
    text += "\n" + OptionsHelp(kNone) + "\n" + Wrap("", kExitStatus, 0);
    return text;
  }
  std::string text = Wrap("usage: " + program + " " + c->name, c->usage, 8) + "\n";
  text += Wrap("", c->description, 0) + "\n" + OptionsHelp(Bit(command)) + "\n" + Wrap("", kExamplesWhere, 0);
  for (const char* example : c->examples)
    text += std::string("  ") + example + "\n";
  text += '\n';
  text += Wrap("", kExitStatus, 0);
  return text;
}

std::string TryHelp(Command command)
{
  std::string text = std::string("Try '") + kProgram;
  if (command != Command::kNone) text.append(1, ' ').append(CommandName(command));
  return text + " --help'.";
}
} // namespace qorvhost
