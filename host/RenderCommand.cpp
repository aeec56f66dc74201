#include "host/RenderCommand.h"

#include "host/AudioFile.h"
#include "host/CommandRun.h"
#include "host/HostInstance.h"

#include <algorithm>
#include <memory>
#include <sstream>

namespace qorvhost
{
namespace
{
// One run of the command, step by step (CommandRun.h).
class RenderRun : public CommandRun<RenderOptions>
{
public:
  using CommandRun::CommandRun;

  int Run()
  {
    const int status =
        RunSteps<RenderRun>({&RenderRun::CheckOptions, &RenderRun::ReadInput, &RenderRun::OpenInstance,
                             &RenderRun::Render, &RenderRun::Commit});
    if (status == kExitDone) PrintSummary();
    return status;
  }

private:
  int CheckOptions()
  {
    if (f.output.empty() || f.inputs.size() != 1)
    {
      mError = "render needs -o OUT.wav and one input";
      return Fail(kExitUsage);
    }
    return CheckFiles({{{"an input", Input()}}, {{"-o", f.output}}, f.plugin, ""});
  }

  int ReadInput()
  {
    std::string warning;
    if (!ReadAudioFile(Input(), mIn, mError, &warning)) return Fail(kExitFailed);
    if (!warning.empty()) mErr << warning << "; rendering the frames it holds\n";
    return kExitDone;
  }

  // The instance opened, configured for the input and initialised.
  int OpenInstance()
  {
    mInstance = HostInstance::Open(mPlugin, o.door, mError);
    if (!mInstance) return Fail(kExitFailed);
    OSStatus status = mInstance->Configure(mIn.sampleRate, mIn.NChannels(), mIn.NChannels(), f.block);
    if (status == noErr && o.bypass)
      status = mInstance->Set(kAudioUnitProperty_BypassEffect, kAudioUnitScope_Global, 0, UInt32(1));
    if (status == noErr) status = mInstance->Initialize();
    if (status == noErr) return kExitDone;
    std::ostringstream error;
    error << Input() << ": the plug-in does not take " << mIn.NChannels() << " channels at " << mIn.sampleRate
          << " Hz (status " << status << ")";
    mError = error.str();
    return Fail(kExitFailed);
  }

  // Longer blocks go in slices of what the plug-in takes.
  int Render()
  {
    UInt32 slice = f.block;
    mInstance->Get(kAudioUnitProperty_MaximumFramesPerSlice, kAudioUnitScope_Global, 0, slice);
    mRendered.sampleRate = mIn.sampleRate;
    mRendered.format = mIn.format;
    const OSStatus status =
        mInstance->RenderAll(mIn.channels, mRendered.channels,
                             std::min<UInt32>(f.block, std::max<UInt32>(slice, 1)), StopRequested);
    if (StopSignal()) return kExitStopped;
    if (status == noErr) return kExitDone;
    mError = Input() + ": render failed (status " + std::to_string(status) + ")";
    return Fail(kExitFailed);
  }

  int Commit()
  {
    AudioFileWriter writer;
    if (!WriteAudioFrames(writer, f.output, mRendered, mError) || !writer.Complete(mError))
      return Fail(kExitFailed);
    return Place({{&writer.File(), f.output}});
  }

  void PrintSummary()
  {
    mOut << "rendered " << mIn.NFrames() << " frames, " << mIn.NChannels()
         << (mIn.NChannels() == 1 ? " channel at " : " channels at ") << mIn.sampleRate << " Hz"
         << (o.bypass ? " (bypassed)" : "") << " to " << f.output << "\n";
  }

  const std::string& Input() const { return f.inputs[0]; }

  AudioFile mIn, mRendered;
  std::unique_ptr<HostInstance> mInstance;
};
} // namespace

int RunRender(PluginEntryPoints& plugin, const SharedOptions& shared, const RenderOptions& options,
              std::ostream& out, std::ostream& err)
{
  return RenderRun(plugin, shared, options, out, err).Run();
}
} // namespace qorvhost
