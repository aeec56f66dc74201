// The shape every command of qorv-host has: a run of named steps over its own options record and the
// shared one, each step answering kExitDone to go on, or else the command's exit status (ExitStatus.h)
// after its message on err. The outputs are checked by the first step, before any work, and put in place
// together by the last (PlaceOutputs.h). A stop signal ends the run before its next step, as kExitStopped.
// Main thread.
#pragma once

#include "host/ExitStatus.h"
#include "host/OutputCheck.h"
#include "host/PlaceOutputs.h"
#include "host/PluginEntryPoints.h"
#include "host/SharedOptions.h"
#include "host/SignalStop.h"

#include <initializer_list>
#include <ostream>
#include <string>
#include <vector>

namespace qorvhost
{
template <class Options> class CommandRun
{
public:
  CommandRun(PluginEntryPoints& plugin, const SharedOptions& shared, const Options& options,
             std::ostream& out, std::ostream& err)
      : mPlugin(plugin), f(shared), o(options), mOut(out), mErr(err)
  {
  }

protected:
  // Runs the steps in order until one answers other than kExitDone; kExitStopped when a stop signal came
  // first or while the step that failed ran (what failed may be the stop's doing).
  template <class Run> int RunSteps(std::initializer_list<int (Run::*)()> steps)
  {
    for (int (Run::*step)() : steps)
    {
      const int status = StopSignal() ? kExitStopped : (static_cast<Run*>(this)->*step)();
      if (status != kExitDone) return StopSignal() ? kExitStopped : status;
    }
    return kExitDone;
  }

  // The first step's check of the run's files (OutputCheck.h): kExitDone, else its status after its
  // message.
  int CheckFiles(const RunFiles& files)
  {
    const int status = CheckOutputs(files, mError);
    return status == kExitDone ? kExitDone : Fail(status);
  }

  // The last step's placing of the outputs (PlaceOutputs.h), its failure told as any step's.
  int Place(const std::vector<NewOutput>& outputs)
  {
    const int status = PlaceOutputs(outputs, mError);
    return status == kExitFailed ? Fail(status) : status;
  }

  // The one way a step fails: its message in mError, then `return Fail(status);`. The message goes to
  // err, but not once a stop signal has come: what failed may be the stop's doing, and the stop is told
  // by the exit status alone.
  int Fail(int status)
  {
    if (!StopSignal()) mErr << mError << "\n";
    return status;
  }

  PluginEntryPoints& mPlugin;
  SharedOptions f; // the run's own copies, which its steps may settle (mix's block size)
  Options o;
  std::ostream& mOut;
  std::ostream& mErr;
  std::string mError;
};
} // namespace qorvhost
