// Ending a run from the terminal. SIGINT, SIGTERM and SIGHUP only note the signal (and wake a run loop
// through StopDescriptor); the long parts of a command (the mix's blocks, the render's slices, the
// editor's script and run loop) look at StopSignal and end the command as a failure, discarding what it
// was writing so that the old files stay whole. A second signal ends the process at once, after removing
// every new file of the run however many it staged (iplugin::RemoveOpenTemporaryFiles).
//
// Once a command begins to put its outputs in place (BeginPlacingOutputs), a signal no longer stops it:
// it finishes what it began, and the signal is noted as late (LateStopSignal) for main to tell. So an
// exit status of 128 + N always means that every old output is as it was. A second signal after the
// outputs are in place ends the process at once with status 0.
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

// False when a stop signal came first: then nothing may be put in place. Main thread.
bool BeginPlacingOutputs();
// The outputs are in place (or a rename failed): a second signal from here ends the process at once.
void EndPlacingOutputs();
// A signal that came after BeginPlacingOutputs, or 0.
int LateStopSignal();

// For tests: with QORV_TEST_PAUSE_AT=K in the environment, the K-th call stops the process (SIGSTOP),
// so that a test can send a signal at exactly that point of a run's end and then let it go on.
void PausePoint();
} // namespace qorvhost
