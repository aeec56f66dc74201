// Ending a run from the terminal. SIGINT, SIGTERM and SIGHUP only note the signal (and wake a run loop
// through StopDescriptor); the long parts of a command (the mix's blocks, the render's slices, the
// editor's script and run loop) look at StopSignal and end the command as a failure, discarding what it
// was writing so that the old files stay whole. A second signal ends the process at once, after removing
// the new files of the writes still open.
#pragma once

namespace qorvhost
{
// Installs the handlers; once, first thing in main.
void InstallStopSignals();
// The signal that asked the run to stop, or 0. Any thread.
int StopSignal();
// Whether a stop signal has arrived (a function to hand to the loops that poll it).
inline bool StopRequested()
{
  return StopSignal() != 0;
}
// The exit status of a run ended by that signal: 128 + its number.
int StopStatus();
// Readable once a stop signal has arrived; -1 before InstallStopSignals.
int StopDescriptor();
} // namespace qorvhost
