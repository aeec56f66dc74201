#include "host/RenderCommand.h"

#include "host/AudioFile.h"
#include "host/ExitStatus.h"
#include "host/HostInstance.h"
#include "host/OutputCheck.h"
#include "host/PlaceOutputs.h"
#include "host/SignalStop.h"

#include <algorithm>
#include <memory>

namespace qorvhost
{
namespace
{
// The instance opened, configured for the input and initialised; null with a message.
std::unique_ptr<HostInstance> OpenRenderer(PluginEntryPoints& plugin, const SharedOptions& shared,
                                           const RenderOptions& o, const AudioFile& in, std::ostream& err)
{
  std::string error;
  std::unique_ptr<HostInstance> au = HostInstance::Open(plugin, o.door, error);
  if (!au)
  {
    err << error << "\n";
    return nullptr;
  }
  OSStatus status = au->Configure(in.sampleRate, in.NChannels(), in.NChannels(), shared.block);
  if (status == noErr && o.bypass)
    status = au->Set(kAudioUnitProperty_BypassEffect, kAudioUnitScope_Global, 0, UInt32(1));
  if (status == noErr) status = au->Initialize();
  if (status == noErr) return au;
  err << shared.inputs[0] << ": the plug-in does not take " << in.NChannels() << " channels at "
      << in.sampleRate << " Hz (status " << status << ")\n";
  return nullptr;
}
} // namespace

int RunRender(PluginEntryPoints& plugin, const SharedOptions& shared, const RenderOptions& o,
              std::ostream& out, std::ostream& err)
{
  const std::string& input = shared.inputs.at(0);
  std::string error;
  if (const int status =
          CheckOutputs({{{"an input", input}}, {{"-o", shared.output}}, shared.plugin, ""}, error))
  {
    err << error << "\n";
    return status;
  }
  AudioFile in;
  std::string warning;
  if (!ReadAudioFile(input, in, error, &warning) || StopSignal())
  {
    if (StopSignal()) return kExitStopped;
    err << error << "\n";
    return 1;
  }
  if (!warning.empty()) err << warning << "; rendering the frames it holds\n";
  std::unique_ptr<HostInstance> au = OpenRenderer(plugin, shared, o, in, err);
  if (!au) return 1;
  // Longer blocks go in slices of what the plug-in takes.
  UInt32 slice = shared.block;
  au->Get(kAudioUnitProperty_MaximumFramesPerSlice, kAudioUnitScope_Global, 0, slice);
  AudioFile rendered;
  rendered.sampleRate = in.sampleRate;
  rendered.format = in.format;
  const OSStatus status =
      au->RenderAll(in.channels, rendered.channels,
                    std::min<UInt32>(shared.block, std::max<UInt32>(slice, 1)), StopRequested);
  if (StopSignal()) return kExitStopped;
  if (status != noErr)
  {
    err << input << ": render failed (status " << status << ")\n";
    return 1;
  }
  AudioFileWriter writer;
  const bool written = WriteAudioFrames(writer, shared.output, rendered, error) && writer.Complete(error);
  const int placed = written ? PlaceOutputs({{&writer.File(), shared.output}}, error) : 1;
  if (StopSignal()) return kExitStopped;
  if (placed != 0)
  {
    err << error << "\n";
    return 1;
  }
  out << "rendered " << in.NFrames() << " frames, " << in.NChannels()
      << (in.NChannels() == 1 ? " channel at " : " channels at ") << in.sampleRate << " Hz"
      << (o.bypass ? " (bypassed)" : "") << " to " << shared.output << "\n";
  return 0;
}
} // namespace qorvhost
