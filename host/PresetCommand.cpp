#include "host/PresetCommand.h"

#include "host/CommandRun.h"
#include "host/HostInstance.h"
#include "host/StageOutputs.h"
#include "host/StateFiles.h"

#include <memory>

namespace qorvhost
{
namespace
{
// One run of the command, step by step (CommandRun.h).
class PresetExportRun : public CommandRun<PresetExportOptions>
{
public:
  using CommandRun::CommandRun;

  int Run()
  {
    const int status = RunSteps<PresetExportRun>(
        {&PresetExportRun::CheckOptions, &PresetExportRun::MakeDocument, &PresetExportRun::PlaceDocument});
    if (status == kExitDone) mOut << "factory preset \"" << o.factory << "\" written to " << f.output << "\n";
    return status;
  }

private:
  int CheckOptions()
  {
    if (o.factory.empty() || f.output.empty())
    {
      mError = "preset export needs --factory NAME and -o FILE.qxs";
      return Fail(kExitUsage);
    }
    return CheckFiles({{}, {{"-o", f.output}}, f.plugin, ""});
  }

  // The document of a fresh instance with the factory preset selected.
  int MakeDocument()
  {
    std::unique_ptr<HostInstance> au = HostInstance::Open(mPlugin, Door::kFactory, mError);
    if (au && SelectFactoryPreset(au->Unit(), o.factory, mError) &&
        PresetDocumentFromState(au->Unit(), mDocument, mError))
      return kExitDone;
    return Fail(kExitFailed);
  }

  int PlaceDocument()
  {
    iplugin::AtomicFile file;
    if (!StageOutput(file, f.output, mDocument.data(), mDocument.size(), mError)) return Fail(kExitFailed);
    return Place({{&file, f.output}});
  }

  std::string mDocument;
};
} // namespace

int RunPresetExport(PluginEntryPoints& plugin, const SharedOptions& shared,
                    const PresetExportOptions& options, std::ostream& out, std::ostream& err)
{
  return PresetExportRun(plugin, shared, options, out, err).Run();
}
} // namespace qorvhost
