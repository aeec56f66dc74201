// `qorv-host editor`: opens the plug-in's editor as a host opens a plug-in's window: reads the CocoaUI
// property, makes the view factory class it names from the bundle and asks it for the view, which goes
// into a window of the host. With a display the window is a real X11 window until it is closed (or for
// the given seconds); without one the script's events are replayed on the virtual clock. --png writes
// the editor's last frame; --window-png the window's pixels as the X server shows them. The whole script
// is read and checked before the editor opens. At the end each parameter whose value the editor changed
// is printed as "changed NAME = VALUE".
#pragma once

#include "host/EditorWindow.h"
#include "host/PluginEntryPoints.h"
#include "host/SharedOptions.h"

#include <QorvPlatform/Events.h>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace qorvhost
{
struct EditorOptions
{
  std::string png, windowPng, script;
  double screenScale = 0; // 0: the environment's
  double seconds = 0;     // with a display: close after this long (0: when the window is closed)
};

// The time a script's events carry, and how long its waits have run the clock in all.
struct EditorScriptClock
{
  double now = 0;
  double waited = 0;
};

// The longest a script's waits may run the virtual clock, in seconds.
inline constexpr double kMaxScriptSeconds = 3600.0;

// One line of a script: "move X Y", "down X Y [right]", "up X Y [right]", "click X Y [right]",
// "wheel X Y DELTA", "key CODE [CHARS]", "key NAME", "drop X Y PATH", "focus-out",
// "wait SECONDS"; X and Y in window points, origin top left; a trailing "shift", "cmd", "alt" or "ctrl"
// adds a modifier. NAME is a key that types no text (qorvplatform::NamedKey: return, escape, tab,
// delete, left, ...): it arrives with the code and characters a Mac keyboard gives. '#' starts a comment.
// While a control locks the cursor (a knob held), the cursor goes back to the press after every event,
// so each "move" is measured from the press. There is no word for resizing: the window takes the size
// of the editor's view, which the editor's own corner and scale menu change, as in a Mac host.
struct EditorScriptStep
{
  std::vector<qorvplatform::InputEvent> events; // posted at the script clock's time
  double wait = 0;                              // seconds the virtual clock then runs
};
// A line read into its step; waited counts the seconds of the script's waits so far. False with a
// message for a line that does not parse, and for a wait that would take the script past
// kMaxScriptSeconds.
bool ReadEditorScriptLine(const std::string& line, double& waited, EditorScriptStep& step,
                          std::string& error);
// Posts the step's events to the window, then runs its wait (cut short by a stop signal).
void RunEditorScriptStep(const EditorScriptStep& step, NSWindow& window, EditorScriptClock& clock);
// Both for one line; false with the message of ReadEditorScriptLine, and then nothing has run.
bool RunEditorScriptLine(const std::string& line, NSWindow& window, EditorScriptClock& clock,
                         std::string& error);

// The editor of the plug-in loaded from shared.plugin, with shared.presetFile loaded and shared.sets set
// before it opens. kExitDone, else kExitFailed with a message on err (kExitUsage when an output would
// overwrite an input or another output, --window-png is asked for without a display, or a setting names
// no parameter or value of it; also without a display, kExitFailed with a display that cannot be opened,
// when neither --png nor --script gives the editor something to do headless), or kExitStopped when a stop signal came first (ExitStatus.h).
int RunEditor(PluginEntryPoints& plugin, const SharedOptions& shared, const EditorOptions& options,
              std::ostream& out, std::ostream& err);
} // namespace qorvhost
