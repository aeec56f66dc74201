// The host's main job: mixing a multi-microphone recording as a session in one process would, with one
// "Send CH n" instance per input track and one "Ext. Mixer" instance (or a single "Int. Mixer"), every
// instance reached only through the bundle's exported doors.
#pragma once

#include "host/PluginEntryPoints.h"

#include <ostream>
#include <string>
#include <vector>

namespace qorvhost
{
struct MixOptions
{
  std::string output;
  std::vector<std::string> inputs;
  std::vector<std::string> sets; // "NAME=VALUE", NAME a parameter name or index
  std::string gainsCsv;
  bool internal = false;
  bool tracks = false;
  unsigned block = 512;
  bool progress = true; // a progress bar on err for inputs longer than a few seconds
  // Applied to the mixer before rendering, in this order, before the command's own settings and --set.
  std::string factoryPreset; // a factory preset's name
  std::string presetFile;    // a preset file (".qxs")
  std::string stateIn;       // a saved ClassInfo property list (".aupreset")
  std::string stateOut;      // the mixer's ClassInfo after the mix
  std::string automationCsv; // every channel strength the mixer publishes: time, parameter, value
  // The idle timer runs on the system clock while rendering, as a host's main thread would; otherwise
  // on a virtual clock that advances with the audio (repeatable, for tests).
  bool realTimeIdle = false;
};

// One parsed --set: the parameter and its value in the parameter's units.
struct ParamSetting
{
  AudioUnitParameterID id;
  float value;
};

// Resolves every "NAME=VALUE" against the instance's parameters: an enum's display text or a number in
// the parameter's units within its range. False with a message for the first that does not resolve.
bool ResolveSettings(AudioUnit unit, const std::vector<std::string>& sets, std::vector<ParamSetting>& out,
                     std::string& error);

// Runs the mix; 0 on success, else 1 with a message on err (2 for a usage error).
int RunMix(PluginEntryPoints& plugin, const MixOptions& options, std::ostream& out, std::ostream& err);
} // namespace qorvhost
