#include "host/PresetCommand.h"

#include "host/HostInstance.h"
#include "host/PlaceOutputs.h"
#include "host/SignalStop.h"
#include "host/StateFiles.h"

namespace qorvhost
{
int RunPresetExport(PluginEntryPoints& plugin, const std::string& factory, const std::string& output,
                    std::ostream& out, std::ostream& err)
{
  if (factory.empty() || output.empty())
  {
    err << "preset export needs --factory NAME and -o FILE.qxs\n";
    return 2;
  }
  std::string error, document;
  iplugin::AtomicFile file;
  std::unique_ptr<HostInstance> au = HostInstance::Open(plugin, Door::kFactory, error);
  const bool made = au && SelectFactoryPreset(au->Unit(), factory, error) &&
                    PresetDocumentFromState(au->Unit(), document, error) && !StopSignal() &&
                    StageOutput(file, output, document.data(), document.size(), error);
  const int status = made ? PlaceOutputs({{&file, output}}, error) : 1;
  // A write that a stop signal cut short ends the run quietly.
  if (StopSignal()) return StopStatus();
  if (status != 0)
  {
    err << error << "\n";
    return status;
  }
  out << "factory preset \"" << factory << "\" written to " << output << "\n";
  return 0;
}
} // namespace qorvhost
