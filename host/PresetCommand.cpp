#include "host/PresetCommand.h"

#include "host/ExitStatus.h"
#include "host/HostInstance.h"
#include "host/OutputCheck.h"
#include "host/SignalStop.h"
#include "host/StageOutputs.h"
#include "host/StateFiles.h"

namespace qorvhost
{
int RunPresetExport(PluginEntryPoints& plugin, const SharedOptions& shared, std::ostream& out,
                    std::ostream& err)
{
  const std::string &factory = shared.factoryPreset, &output = shared.output;
  std::string error, document;
  int checked = 2;
  if (factory.empty() || output.empty())
    error = "preset export needs --factory NAME and -o FILE.qxs";
  else
    checked = CheckOutputs({{}, {{"-o", output}}, shared.plugin, ""}, error);
  if (!error.empty())
  {
    err << error << "\n";
    return checked;
  }
  iplugin::AtomicFile file;
  std::unique_ptr<HostInstance> au = HostInstance::Open(plugin, Door::kFactory, error);
  const bool made = au && SelectFactoryPreset(au->Unit(), factory, error) &&
                    PresetDocumentFromState(au->Unit(), document, error) && !StopSignal() &&
                    StageOutput(file, output, document.data(), document.size(), error);
  const int status = made ? PlaceOutputs({{&file, output}}, error) : 1;
  // A write that a stop signal cut short ends the run quietly.
  if (StopSignal()) return kExitStopped;
  if (status != 0)
  {
    err << error << "\n";
    return status;
  }
  out << "factory preset \"" << factory << "\" written to " << output << "\n";
  return 0;
}
} // namespace qorvhost
