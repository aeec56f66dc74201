#include "host/ExitStatus.h"

#include "host/MessageStream.h"
#include "host/SignalStop.h"

#include <csignal>
#include <cstdio>
#include <iostream>

namespace qorvhost
{
namespace
{
// The name of a stop signal, for the line that tells of a late one.
const char* SignalName(int signal)
{
  switch (signal)
  {
  case SIGINT:
    return "SIGINT";
  case SIGTERM:
    return "SIGTERM";
  case SIGHUP:
    return "SIGHUP";
  default:
    return "a signal";
  }
}
} // namespace

int ExitStatus(int status)
{
  PausePoint();
  // A stop honoured is one that came before the outputs were put in place, so its old files are all as
  // they were.
  if (StopSignal())
    status = StopStatus();
  else if (status == kExitStopped)
    status = kExitFailed; // never without a signal; a failure all the same
  if (const int late = LateStopSignal())
  {
    MessageStream messages(std::cerr, "qorv-host");
    switch (HowPlacingEnded())
    {
    case PlacingEnd::kPutBack:
      messages << SignalName(late) << " came as the outputs were put in place, which failed: nothing was "
               << "written, every old output is as it was\n";
      break;
    case PlacingEnd::kNotAllPutBack:
      messages << SignalName(late) << " came as the outputs were put in place, which failed: every old "
               << "output is as it was but those named above\n";
      break;
    default:
      messages << SignalName(late) << " came after the outputs were written: the run went on to its end\n";
    }
  }
  const int outError = StandardOutputError();
  const bool errFailed = std::fflush(stderr) != 0 || std::ferror(stderr) || !std::cerr;
  if (outError)
  {
    MessageStream messages(std::cerr, "qorv-host");
    messages << "standard output: " << SystemReason(outError) << "\n";
  }
  return status == kExitDone && (outError || errFailed) ? kExitFailed : status;
}
} // namespace qorvhost
