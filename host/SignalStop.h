// Ending a run from the terminal. SIGINT, SIGTERM and SIGHUP only note the signal (and wake a run loop
// through StopDescriptor); the long parts of a command (the mix's blocks, the render's slices, the
// editor's script and run loop) look at StopSignal and end the command as a failure, discarding what it
// was writing so that the old files stay whole. A second signal ends the process at once, after removing
// every new file of the run however many it staged (iplugin::RemoveOpenTemporaryFiles).
//
// Once a command begins to put its outputs in place (BeginPlacingOutputs), a signal no longer stops it:
// it finishes what it began, and the signal is noted as late (LateStopSignal) for main to tell with what
// became of the outputs (HowPlacingEnded). So an exit status of 128 + N always means that every old output
// is as it was, and 0 that every new one is in place. A second signal after the outputs are in place ends
// the process at once with status 0; after a placing that failed it waits as one while they are put in
// place does: all that is left is telling the failure, and the run ends with its status (1).
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
// How putting the outputs in place ended.
enum class PlacingEnd
{
  kNotEnded,     // not begun, or going on
  kPlaced,       // every output in place
  kPutBack,      // failed: every old output as it was
  kNotAllPutBack // failed, and some old outputs could not be put back (the failure's message names them)
};
// Putting the outputs in place has ended so: when every output is in place, a second signal from here
// ends the process at once.
void EndPlacingOutputs(PlacingEnd end);
PlacingEnd HowPlacingEnded();
// A signal that came after BeginPlacingOutputs, or 0.
int LateStopSignal();

// For tests: with QORV_TEST_PAUSE_AT=K in the environment (or K,L,... for several), the K-th call stops
// the process (SIGSTOP), so that a test can send a signal at exactly that point of a run's end, or change
// its files there, and then let it go on.
void PausePoint();
} // namespace qorvhost
