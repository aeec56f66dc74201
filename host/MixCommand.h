// The host's main job: mixing a multi-microphone recording as a session in one process would, with one
// "Send CH n" instance per input track and one "Ext. Mixer" instance (or a single "Int. Mixer"), every
// instance reached only through the bundle's exported doors.
#pragma once

#include "host/ParameterTable.h"
#include "host/PluginEntryPoints.h"
#include "host/SharedOptions.h"

#include <ostream>
#include <string>
#include <vector>

namespace qorvhost
{
// Mix's own options; the files, the block size (rendered in slices of what the plug-in takes) and the
// settings are the shared ones. The factory preset, the preset file and then stateIn are applied to the
// mixer before rendering, in this order, before the command's own settings and --set.
struct MixOptions
{
  std::string factoryPreset; // --factory-preset: a name as `qorv-host info` lists it
  std::string gainsCsv;
  bool internal = false;
  bool tracks = false;
  bool progress = true;      // a progress bar on err
  std::string stateIn;       // a saved ClassInfo property list (".aupreset")
  std::string stateOut;      // the mixer's ClassInfo after the mix
  std::string automationCsv; // every channel strength the mixer publishes: time, parameter, value
  // The idle timer runs on the system clock while rendering, as a host's main thread would; otherwise
  // on a virtual clock that advances with the audio (repeatable, for tests).
  bool realTimeIdle = false;
  // The mixer's editor open while mixing: in a window paced at real time (--editor), or headless with a
  // frame written every pngEvery seconds of audio and at the end into pngDir as "frame-NNNN.png"
  // (--png-every). Headless, the editor draws only just before each frame, unless --editor is given too:
  // then it draws at every display tick, as in a window shown throughout.
  bool editor = false;
  double pngEvery = 0.0;
  std::string pngDir;
};

// Mixes shared.inputs into shared.output; kExitDone, else kExitFailed with a message on err (kExitUsage
// for a usage error, and when an output is a file the run reads or another output), or kExitStopped when
// a stop signal came first (ExitStatus.h).
int RunMix(PluginEntryPoints& plugin, const SharedOptions& shared, const MixOptions& options,
           std::ostream& out, std::ostream& err);
} // namespace qorvhost
