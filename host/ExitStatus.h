// The exit status of qorv-host, decided in one place from what the command answered, the stop signals
// that came (SignalStop.h) and what became of the standard streams.
#pragma once

namespace qorvhost
{
constexpr int kExitDone = 0;
constexpr int kExitFailed = 1; // the run failed: an unreadable input, a refused preset, a write error
constexpr int kExitUsage = 2;  // the command line is wrong, or an output would overwrite a file of the run
// What a command answers when a stop signal ended it before its outputs were put in place (all
// discarded); the process exits with 128 + the signal's number.
constexpr int kExitStopped = 128;

// The process's status for a command that answered `status`: 128 + N when stop signal N ended the run
// (its outputs left as they were), whatever the command's last step made of it; else a failure when a
// summary or a message could not be written (told on standard error when standard output failed:
// full, closed by its reader); else the command's. A signal that came once the outputs were being put
// in place is told. Main thread, once, at the end.
int ExitStatus(int status);
} // namespace qorvhost
