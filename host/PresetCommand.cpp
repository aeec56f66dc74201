#include "host/PresetCommand.h"

#include "host/HostInstance.h"
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
  std::string error;
  std::unique_ptr<HostInstance> au = HostInstance::Open(plugin, Door::kFactory, error);
  if (!au || !SelectFactoryPreset(au->Unit(), factory, error) || StopSignal() ||
      !WritePresetFileFromState(au->Unit(), output, error))
  {
    // A write that a stop signal cut short ends the run quietly.
    if (StopSignal()) return StopStatus();
    err << error << "\n";
    return 1;
  }
  out << "factory preset \"" << factory << "\" written to " << output << "\n";
  return 0;
}
} // namespace qorvhost
