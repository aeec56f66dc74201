#include "host/MixCommand.h"

#include "framework/AtomicFile.h"
#include "host/AudioFile.h"
#include "host/AutomationRecorder.h"
#include "host/CommandRun.h"
#include "host/EditorCommand.h"
#include "host/EditorPictures.h"
#include "host/EditorReport.h"
#include "host/ExitStatus.h"
#include "host/HostInstance.h"
#include "host/MessageStream.h"
#include "host/OutputCheck.h"
#include "host/SignalStop.h"
#include "host/StageOutputs.h"
#include "host/StateFiles.h"

#include <AppKit/NSView.h>
#include <CoreFoundation/CoreFoundation.h>
#include <QorvPlatform/Events.h>
#include <QorvPlatform/Metal.h>
#include <QorvPlatform/RunLoopClock.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <functional>
#include <map>
#include <memory>
#include <thread>

namespace qorvhost
{
namespace
{
constexpr int kMaxTracks = 32;
constexpr double kOpenGainDb = -6.0; // a channel counts as open from here up
// A hidden editor is shown this long before each frame is written: its display ticks from then on draw
// as in a window shown throughout, the last one before the frame included (at 20 frames a second or more).
constexpr double kFrameLeadSeconds = 0.05;
// How far a mix paced at real time runs ahead of the wall clock before it waits, as a host's buffers of
// 2,400 frames at 48 kHz do.
constexpr double kPacingLead = 0.05;

using Buffers = std::vector<std::vector<float>>;

std::string Seconds(double s)
{
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.1f s", s);
  return buf;
}

// The mixer's parameters that the command sets or reads, found by their names in the mixer's own
// parameter table.
struct MixerParameters
{
  AudioUnitParameterID pluginMode = 0, channelCount = 0, writeAutomation = 0;
  float intMixer = 0.f, extMixer = 0.f;
  std::vector<float> senderModes;          // "Send CH n" for track n
  std::vector<AudioUnitParameterID> gains; // "OUT:ChNN Strength" for track n: its gain in dB
};

// The value whose display text is `text`; false when the parameter has none such.
bool EnumValue(const ParamDesc& param, const std::string& text, float& value)
{
  const auto it = std::find(param.valueStrings.begin(), param.valueStrings.end(), text);
  if (it == param.valueStrings.end()) return false;
  value = param.info.minValue + float(it - param.valueStrings.begin());
  return true;
}

// False with a message naming the first parameter or value that the mixer does not have.
bool FindMixerParameters(AudioUnit unit, MixerParameters& found, std::string& error)
{
  const std::vector<ParamDesc> params = DescribeParameters(unit);
  const auto id = [&](const std::string& name, AudioUnitParameterID& to)
  {
    const ParamDesc* param = FindParameter(params, name);
    if (param)
      to = param->id;
    else
      error = "the plug-in has no parameter \"" + name + "\"";
    return param;
  };
  const ParamDesc* mode = id("Plugin Mode", found.pluginMode);
  if (!mode || !id("Channel Count", found.channelCount) || !id("Write Automation", found.writeAutomation))
    return false;
  const auto modeValue = [&](const std::string& text, float& to)
  {
    if (EnumValue(*mode, text, to)) return true;
    error = "the plug-in's \"Plugin Mode\" has no \"" + text + "\"";
    return false;
  };
  if (!modeValue("Int. Mixer", found.intMixer) || !modeValue("Ext. Mixer", found.extMixer)) return false;
  found.senderModes.assign(kMaxTracks, 0.f);
  found.gains.assign(kMaxTracks, 0);
  char name[32];
  for (size_t t = 0; t < size_t(kMaxTracks); ++t)
  {
    std::snprintf(name, sizeof name, "Send CH %d", int(t + 1));
    if (!modeValue(name, found.senderModes[t])) return false;
    std::snprintf(name, sizeof name, "OUT:Ch%02d Strength", int(t + 1));
    if (!id(name, found.gains[t])) return false;
  }
  return true;
}

// What the command sets up itself and --set may not change.
OwnedParameters HostOwnedParameters(const MixerParameters& mixer)
{
  OwnedParameters owned = {{mixer.pluginMode,
                            "the host gives each file a \"Send CH n\" instance and mixes them in one \"Ext. "
                            "Mixer\" (--internal mixes one file in an \"Int. Mixer\")"},
                           {mixer.channelCount, "the host sets it to the number of input files"}};
  for (AudioUnitParameterID gain : mixer.gains)
    owned[gain] = "the mixer writes each channel's gain there itself";
  return owned;
}

// The frames a block that the plug-in takes of `wanted`, as it answers the maximum frames per slice.
bool SliceFrames(HostInstance& probe, UInt32 wanted, UInt32& frames, std::string& error)
{
  OSStatus status = probe.Set(kAudioUnitProperty_MaximumFramesPerSlice, kAudioUnitScope_Global, 0, wanted);
  if (status == noErr)
    status = probe.Get(kAudioUnitProperty_MaximumFramesPerSlice, kAudioUnitScope_Global, 0, frames);
  if (status == noErr && frames >= 1) return true;
  error = "the plug-in takes no blocks of " + std::to_string(wanted) + " frames (status " +
          std::to_string(status) + ")";
  return false;
}

// What happens to an instance between its configuration and its settings; false with a message.
using PrepareFunc = std::function<bool(AudioUnit, std::string&)>;

// Opens, configures and initialises one instance; null with a message on failure.
std::unique_ptr<HostInstance> OpenInstance(PluginEntryPoints& plugin, double rate, int nIn, int nOut,
                                           UInt32 block, const std::vector<ParamSetting>& settings,
                                           std::string& error, const PrepareFunc& prepare = nullptr)
{
  std::unique_ptr<HostInstance> au = HostInstance::Open(plugin, Door::kFactory, error);
  if (!au) return au;
  OSStatus status = au->Configure(rate, nIn, nOut, block);
  if (status == noErr && prepare && !prepare(au->Unit(), error)) return nullptr;
  for (const ParamSetting& s : settings)
    if (status == noErr)
      status = AudioUnitSetParameter(au->Unit(), s.id, kAudioUnitScope_Global, 0, s.value, 0);
  if (status == noErr) status = au->Initialize();
  if (status != noErr)
  {
    error = "the plug-in does not take " + std::to_string(nIn) + " channels at " + std::to_string(int(rate)) +
            " Hz (status " + std::to_string(status) + ")";
    return nullptr;
  }
  return au;
}

void Progress(std::ostream& err, double fraction)
{
  const int width = 40, filled = int(fraction * width + 0.5);
  err << "\r[" << std::string(size_t(filled), '#') << std::string(size_t(width - filled), ' ') << "] "
      << int(fraction * 100.0 + 0.5) << "%" << std::flush;
}

// Puts the window on the screen or takes it off; off the screen, the editor in it draws nothing.
void ShowWindow(NSWindow& window, bool show)
{
  if (show == window.isVisible()) return;
  if (show)
    window.orderFront(nullptr);
  else
    window.orderOut(nullptr);
}

// One run of the command, step by step (CommandRun.h).
class MixRun : public CommandRun<MixOptions>
{
public:
  using CommandRun::CommandRun;

  int Run()
  {
    const int status =
        RunSteps<MixRun>({&MixRun::CheckOptions, &MixRun::OpenTracks, &MixRun::ResolveMixerSettings,
                          &MixRun::OpenOutputs, &MixRun::ChooseClock, &MixRun::OpenInstances,
                          &MixRun::OpenEditor, &MixRun::StartLogs, &MixRun::Render, &MixRun::Commit});
    if (status != kExitDone)
    {
      // The outputs discarded, the old files whole.
      mEditorFrames.Discard();
      RemoveMadeFolders();
      if (StopSignal()) TellEditorReport();
      return status;
    }
    TellEditorReport();
    PrintSummary();
    return kExitDone;
  }

private:
  int CheckOptions();
  int OpenTracks();
  int ResolveMixerSettings();
  int OpenOutputs();
  int ChooseClock();
  int OpenInstances();
  int OpenEditor();
  int StartLogs();
  int Render();
  int Commit();
  void PrintSummary();

  // Track t's next block (silence past its end) into in; false with the message in mError on a read
  // error.
  bool ReadTrack(int t, Buffers& in, UInt32 n);
  int RenderBlock(UInt32 n);
  // After the n frames that end at mSongSeconds.
  void TurnMainThread(UInt32 n);
  bool WriteEditorFrame(); // false with the message in mError
  void LogGains(long pos, UInt32 n);

  std::vector<std::unique_ptr<AudioFileReader>> mTracks;
  long mFrames = 0; // the longest track's
  double mRate = 0.0;
  int mNTracks = 0;

  MixerParameters mParams;
  std::vector<ParamSetting> mMixerSettings;

  AudioFileWriter mResult;
  iplugin::AtomicFile mGainsFile, mStateFile, mAutomationFile;
  FILE* mGains = nullptr;

  bool mRealTime = false;
  std::unique_ptr<HostInstance> mMixer;
  std::vector<std::unique_ptr<HostInstance>> mSenders;
  int mMixerOut = 2;

  std::unique_ptr<EditorWindow> mEditor;
  // What the editor in a window changed, told once: when its window closes, the run is stopped or the mix
  // ends.
  std::unique_ptr<EditorReport> mReport;
  void TellEditorReport()
  {
    if (mReport) mReport->Print(mOut);
    mReport.reset();
  }
  double mNextFrame = 0.0;
  StagedFiles mEditorFrames;
  // The folders made for the frames, the outermost first: removed again, when empty, unless the run
  // succeeds.
  std::vector<std::filesystem::path> mMadeFolders;
  void RemoveMadeFolders();
  std::chrono::steady_clock::time_point mWallStart;

  bool mGainsPublished = false;
  double mSongSeconds = 0.0;
  // The automation the mixer writes, stamped with the song position at which the host receives it.
  AutomationRecorder mAutomation{[this] { return mSongSeconds; }};

  std::vector<double> mOpenSeconds, mGainSum;
  long mBlocks = 0;
  Buffers mScratchOut, mSilence, mMixed;
  // Each track's block is read just before it is rendered, into one set of buffers that stays in the cache
  // (the first track has its own).
  Buffers mFirstIn, mNextIn;
  std::ostringstream mLine;
};

int MixRun::CheckOptions()
{
  if (f.output.empty() || f.inputs.empty() || f.block < 1)
  {
    mError = "mix needs -o OUT.wav and at least one input";
    return Fail(kExitUsage);
  }
  if (o.internal && f.inputs.size() != 1)
  {
    mError = "--internal mixes exactly one mono or stereo file";
    return Fail(kExitUsage);
  }
  if (f.inputs.size() > size_t(kMaxTracks))
  {
    mError = "at most " + std::to_string(kMaxTracks) + " tracks";
    return Fail(kExitUsage);
  }
  RunFiles files;
  for (const std::string& path : f.inputs)
    files.inputs.push_back({"an input", path});
  files.inputs.push_back({"--preset", f.presetFile});
  files.inputs.push_back({"--state-in", o.stateIn});
  files.outputs = {{"-o", f.output},
                   {"--gains", o.gainsCsv},
                   {"--state-out", o.stateOut},
                   {"--automation", o.automationCsv}};
  files.bundle = f.plugin;
  if (o.pngEvery > 0) files.frameFolder = o.pngDir;
  return CheckFiles(files);
}

// All inputs first: their rate, channels and the longest length.
int MixRun::OpenTracks()
{
  for (const std::string& path : f.inputs)
  {
    mTracks.push_back(std::make_unique<AudioFileReader>());
    AudioFileReader& track = *mTracks.back();
    if (!track.Open(path, mError)) return Fail(kExitFailed);
    if (track.NChannels() < 1 || track.NChannels() > 2)
    {
      mError = path + ": " + std::to_string(track.NChannels()) + " channels; tracks are mono or stereo";
      return Fail(kExitFailed);
    }
    if (track.SampleRate() != mTracks[0]->SampleRate())
    {
      std::ostringstream error;
      error << path << ": " << track.SampleRate() << " Hz, but " << f.inputs[0] << " has "
            << mTracks[0]->SampleRate() << " Hz";
      mError = error.str();
      return Fail(kExitFailed);
    }
    if (!track.Truncation().empty()) mErr << track.Truncation() << "; mixing the frames it holds\n";
    mFrames = std::max(mFrames, track.NFrames());
  }
  mRate = mTracks[0]->SampleRate();
  mNTracks = int(mTracks.size());
  return kExitDone;
}

// The settings, checked against the mixer before anything runs, and the longest block it renders: longer
// blocks are rendered in slices that the send slots carry whole.
int MixRun::ResolveMixerSettings()
{
  std::vector<ParamSetting> settings;
  {
    std::unique_ptr<HostInstance> probe = HostInstance::Open(mPlugin, Door::kFactory, mError);
    if (!probe || !FindMixerParameters(probe->Unit(), mParams, mError)) return Fail(kExitFailed);
    if (!ResolveSettings(probe->Unit(), f.sets, settings, mError, HostOwnedParameters(mParams)))
      return Fail(kExitUsage);
    UInt32 slice = 0;
    if (!SliceFrames(*probe, f.block, slice, mError)) return Fail(kExitFailed);
    f.block = std::min(f.block, unsigned(slice));
  }
  mMixerSettings = {
      {mParams.pluginMode, o.internal ? mParams.intMixer : mParams.extMixer},
      {mParams.channelCount, float(mNTracks - 1)},
      {mParams.writeAutomation, 1.f}, // publishes the gains that --gains and the summary read
  };
  for (const ParamSetting& s : settings)
  {
    auto same = std::find_if(mMixerSettings.begin(), mMixerSettings.end(),
                             [&](const ParamSetting& m) { return m.id == s.id; });
    if (same != mMixerSettings.end())
      same->value = s.value;
    else
      mMixerSettings.push_back(s);
  }
  return kExitDone;
}

// Every output is created (as a new file beside its name) before anything renders; the old files are
// replaced only when the whole mix has succeeded.
int MixRun::OpenOutputs()
{
  if (!mResult.Open(f.output, mRate, 2, 0, mError) || !OpenOutput(mGainsFile, o.gainsCsv, mError) ||
      !OpenOutput(mStateFile, o.stateOut, mError) || !OpenOutput(mAutomationFile, o.automationCsv, mError))
    return Fail(kExitFailed);
  return kExitDone;
}

// Frames are written headless; a window is paced at real time, so its timers run on the system clock.
int MixRun::ChooseClock()
{
  if (o.pngEvery > 0) setenv("QORV_HEADLESS", "1", 1);
  mRealTime = o.realTimeIdle || (o.editor && o.pngEvery <= 0);
  if (o.pngEvery > 0)
  {
    // A link names the folder it leads to, made when missing, as an output's link names its file.
    namespace fs = std::filesystem;
    std::string target;
    std::error_code ec;
    if (iplugin::ResolveLinks(o.pngDir, target))
    {
      for (fs::path folder = fs::absolute(target, ec).lexically_normal(); !ec && !folder.empty();
           folder = folder.parent_path())
      {
        if (fs::exists(folder, ec) || folder == folder.parent_path()) break;
        mMadeFolders.insert(mMadeFolders.begin(), folder);
      }
      fs::create_directories(target, ec);
    }
    else
      ec.assign(errno, std::generic_category());
    if (ec)
    {
      mError = "--png-every " + o.pngDir + ": cannot write (" + SystemReason(ec.value()) + ")";
      return Fail(kExitFailed);
    }
  }
  // The idle timers of the instances run on the clock chosen before any instance starts one.
  if (mRealTime)
    qorvplatform::UseRealClock();
  else
    qorvplatform::UseVirtualClock(0.0);
  return kExitDone;
}

// The instances: the mixer first (it resets the send slots), then one sender per track.
int MixRun::OpenInstances()
{
  // Presets and a saved state reach the mixer before the settings above.
  const PrepareFunc restore = [this](AudioUnit unit, std::string& message)
  {
    return (o.factoryPreset.empty() || SelectFactoryPreset(unit, o.factoryPreset, message)) &&
           (f.presetFile.empty() || ApplyPresetFile(unit, f.presetFile, message)) &&
           (o.stateIn.empty() || RestoreStateFile(unit, o.stateIn, message));
  };
  const int mixerIn = o.internal ? mTracks[0]->NChannels() : 2;
  mMixerOut = mixerIn;
  mMixer = OpenInstance(mPlugin, mRate, mixerIn, mMixerOut, f.block, mMixerSettings, mError, restore);
  if (!mMixer) return Fail(kExitFailed);
  for (int t = 0; !o.internal && t < mNTracks; ++t)
  {
    const int ch = mTracks[size_t(t)]->NChannels();
    mSenders.push_back(OpenInstance(mPlugin, mRate, ch, ch, f.block,
                                    {{mParams.pluginMode, mParams.senderModes[size_t(t)]}}, mError));
    if (!mSenders.back()) return Fail(kExitFailed);
  }
  return kExitDone;
}

// The mixer's editor, as a host shows it while the session plays.
int MixRun::OpenEditor()
{
  if (o.editor || o.pngEvery > 0)
  {
    mEditor = EditorWindow::Open(mMixer->Unit(), "Qorv", mError);
    if (!mEditor) return Fail(kExitFailed);
    if (o.editor && o.pngEvery <= 0 && !mEditor->Window().nativeWindow())
      mErr << "no window for the editor (" << HeadlessReason(mEditor->Window()) << "): it runs headless\n";
    if (o.editor) mReport = std::make_unique<EditorReport>(mMixer->Unit(), HostOwnedParameters(mParams));
  }
  mNextFrame = o.pngEvery;
  mWallStart = std::chrono::steady_clock::now();
  return kExitDone;
}

int MixRun::StartLogs()
{
  // The gains are what the mixer publishes; with "Write Automation" off it publishes none.
  AudioUnitParameterValue writeAutomation = 0.f;
  AudioUnitGetParameter(mMixer->Unit(), mParams.writeAutomation, kAudioUnitScope_Global, 0, &writeAutomation);
  mGainsPublished = writeAutomation >= 0.5f;
  if (!mGainsPublished && !o.gainsCsv.empty())
  {
    mError = "--gains: the mixer publishes no gains while \"Write Automation\" is off";
    return Fail(kExitUsage);
  }

  mGains = o.gainsCsv.empty() ? nullptr : mGainsFile.Stream();
  if (mGains)
  {
    std::string header = "time";
    for (int t = 0; t < mNTracks; ++t)
      header += ",ch" + std::to_string(t + 1) + "_db";
    if (std::fputs((header + "\n").c_str(), mGains) == EOF) mGainsFile.SetFailed(errno);
  }

  if (!o.automationCsv.empty())
    for (AudioUnitParameterID gain : mParams.gains)
      if (OSStatus status = mAutomation.Listen(mMixer->Unit(), gain, 1))
      {
        mError = "cannot listen to the mixer's automation (status " + std::to_string(status) + ")";
        return Fail(kExitFailed);
      }
  return kExitDone;
}

void MixRun::RemoveMadeFolders()
{
  std::error_code ec;
  for (auto folder = mMadeFolders.rbegin(); folder != mMadeFolders.rend(); ++folder)
    std::filesystem::remove(*folder, ec); // only an empty folder goes
  mMadeFolders.clear();
}

bool MixRun::ReadTrack(int t, Buffers& in, UInt32 n)
{
  const int ch = mTracks[size_t(t)]->NChannels();
  float* dest[2] = {in[0].data(), in[size_t(ch - 1)].data()};
  const long got = mTracks[size_t(t)]->Read(dest, long(n), mError);
  if (got < 0) return false;
  for (int c = 0; c < ch; ++c)
    std::fill(in[size_t(c)].begin() + got, in[size_t(c)].begin() + n, 0.f);
  return true;
}

// Every sender with its track's next block, then the mixer; the block's mix into the result.
int MixRun::RenderBlock(UInt32 n)
{
  for (auto& channel : mMixed)
    std::fill(channel.begin(), channel.end(), 0.f);
  for (int t = 0; t < int(mSenders.size()); ++t)
  {
    auto& in = t == 0 ? mFirstIn : mNextIn;
    if (!ReadTrack(t, in, n)) return Fail(kExitFailed);
    const int ch = mTracks[size_t(t)]->NChannels();
    const float* ins[2] = {in[0].data(), in[size_t(ch - 1)].data()};
    float* outs[2] = {mScratchOut[0].data(), mScratchOut[1].data()};
    if (OSStatus status = mSenders[size_t(t)]->Render(ins, outs, n))
    {
      mError = f.inputs[size_t(t)] + ": render failed (status " + std::to_string(status) + ")";
      return Fail(kExitFailed);
    }
    if (o.tracks)
      for (int c = 0; c < 2; ++c)
        for (UInt32 i = 0; i < n; ++i)
          mMixed[size_t(c)][i] += mScratchOut[size_t(std::min(c, ch - 1))][i];
  }
  const float* ins[2];
  if (o.internal)
  {
    if (!ReadTrack(0, mFirstIn, n)) return Fail(kExitFailed);
    ins[0] = mFirstIn[0].data();
    ins[1] = mFirstIn[size_t(mTracks[0]->NChannels() - 1)].data();
  }
  else
  {
    ins[0] = mSilence[0].data();
    ins[1] = mSilence[1].data();
  }
  float* outs[2] = {mScratchOut[0].data(), mScratchOut[1].data()};
  if (OSStatus status = mMixer->Render(ins, outs, n))
  {
    mError = "render of the mixer failed (status " + std::to_string(status) + ")";
    return Fail(kExitFailed);
  }
  if (!o.tracks)
    for (int c = 0; c < 2; ++c)
      std::copy_n(mScratchOut[size_t(std::min(c, mMixerOut - 1))].begin(), n, mMixed[size_t(c)].begin());
  const float* block[2] = {mMixed[0].data(), mMixed[1].data()};
  return mResult.Write(block, long(n), mError) ? kExitDone : Fail(kExitFailed);
}

// The main thread's turn: its idle timers fire when due, by the system clock or by the audio's.
void MixRun::TurnMainThread(UInt32 n)
{
  // Headless frames are drawn only around the times they are written; --editor keeps the window shown.
  if (mEditor && o.pngEvery > 0 && !o.editor)
    ShowWindow(mEditor->Window(),
               mSongSeconds >= std::min(mNextFrame, double(mFrames) / mRate) - kFrameLeadSeconds);
  // Closing the window closes the editor; the mix goes on, no longer paced.
  if (mEditor && o.editor && mEditor->CloseRequested())
  {
    mEditor.reset();
    mErr << (o.progress ? "\n" : "") << "the editor's window was closed: the mix goes on without it\n";
    TellEditorReport();
  }
  if (mEditor && mRealTime)
  {
    // Paced at real time as a host's audio buffers are: the mix runs until it is kPacingLead ahead of the
    // wall clock (what is due meanwhile is done between its blocks), then the window's run loop turns
    // until the wall clock reaches the song, asleep but for its timers, its events and a stop signal. The
    // main thread wakes once for a few blocks, not once for each.
    const auto aheadNow = [this]
    {
      return mSongSeconds -
             std::chrono::duration<double>(std::chrono::steady_clock::now() - mWallStart).count();
    };
    if (aheadNow() < kPacingLead)
    {
      qorvplatform::FireDueTimers();
      return;
    }
    while (!StopSignal())
    {
      const double ahead = aheadNow();
      if (ahead <= 0) break;
      // A loop without timers returns at once: then nothing is due before the song's time.
      if (CFRunLoopRunInMode(kCFRunLoopDefaultMode, ahead, false) == kCFRunLoopRunFinished)
        std::this_thread::sleep_for(std::chrono::duration<double>(std::min(ahead, 0.1)));
    }
  }
  else if (mRealTime)
    qorvplatform::FireDueTimers();
  else
    qorvplatform::AdvanceClock(double(n) / mRate);
}

// Staged as the other outputs are: the folder's old frames stay as they were until the run's end.
bool MixRun::WriteEditorFrame()
{
  char name[32];
  std::snprintf(name, sizeof name, "frame-%04d.png", int(mEditorFrames.Count()) + 1);
  const std::string path = (std::filesystem::path(o.pngDir) / name).string();
  std::vector<unsigned char> png;
  return EditorFramePng(mEditor->View(), path, png, mError) &&
         mEditorFrames.Stage(path, png.data(), png.size(), mError);
}

// The gains the mixer published for the block at pos: a line of the gains file and the summary's sums.
void MixRun::LogGains(long pos, UInt32 n)
{
  if (mGains)
  {
    mLine.str("");
    mLine << double(pos) / mRate;
  }
  for (int t = 0; t < mNTracks && mGainsPublished; ++t)
  {
    AudioUnitParameterValue db = -144.f;
    AudioUnitGetParameter(mMixer->Unit(), mParams.gains[size_t(t)], kAudioUnitScope_Global, 0, &db);
    if (mGains) mLine << "," << db;
    if (db >= kOpenGainDb) mOpenSeconds[size_t(t)] += double(n) / mRate;
    mGainSum[size_t(t)] += std::pow(10.0, double(db) / 20.0);
  }
  if (mGains)
  {
    mLine << "\n";
    if (std::fputs(mLine.str().c_str(), mGains) == EOF) mGainsFile.SetFailed(errno);
  }
}

int MixRun::Render()
{
  mOpenSeconds.assign(size_t(mNTracks), 0.0);
  mGainSum.assign(size_t(mNTracks), 0.0);
  const auto buffers = [this](int n) { return Buffers(size_t(n), std::vector<float>(f.block, 0.f)); };
  mScratchOut = buffers(2);
  mSilence = buffers(2);
  mMixed = buffers(2);
  mFirstIn = buffers(2);
  mNextIn = buffers(2);

  for (long pos = 0; pos < mFrames; pos += long(f.block))
  {
    if (StopSignal())
    {
      if (o.progress) mErr << "\n"; // the prompt after the progress display, not over it
      return kExitStopped;
    }
    const UInt32 n = UInt32(std::min<long>(long(f.block), mFrames - pos));
    if (const int status = RenderBlock(n); status != kExitDone) return status;
    mSongSeconds = double(pos + long(n)) / mRate;
    TurnMainThread(n);
    const bool last = pos + long(n) >= mFrames;
    if (mEditor && o.pngEvery > 0 && (mSongSeconds >= mNextFrame || last))
    {
      if (!WriteEditorFrame()) return Fail(kExitFailed);
      mNextFrame += o.pngEvery;
    }
    ++mBlocks;
    LogGains(pos, n);
    if (o.progress && (mBlocks % 64 == 0)) Progress(mErr, double(pos + n) / double(mFrames));
  }
  if (o.progress)
  {
    Progress(mErr, 1.0);
    mErr << "\n";
  }
  return kExitDone;
}

int MixRun::Commit()
{
  std::string state;
  const std::string automationText = o.automationCsv.empty() ? std::string() : mAutomation.Csv();
  if ((!o.stateOut.empty() && !StateFileBytes(mMixer->Unit(), state, mError)) ||
      !StageOutput(mStateFile, o.stateOut, state.data(), state.size(), mError) ||
      !StageOutput(mAutomationFile, o.automationCsv, automationText.data(), automationText.size(), mError) ||
      !mResult.Complete(mError))
    return Fail(kExitFailed);
  std::vector<NewOutput> outputs = {{&mResult.File(), f.output},
                                    {&mGainsFile, mGains ? o.gainsCsv : std::string()},
                                    {&mStateFile, o.stateOut},
                                    {&mAutomationFile, o.automationCsv}};
  mEditorFrames.AddTo(outputs);
  return Place(outputs);
}

void MixRun::PrintSummary()
{
  mOut << (o.internal ? std::string("mixed 1 file")
                      : "mixed " + std::to_string(mNTracks) + (mNTracks == 1 ? " track" : " tracks"))
       << ", " << Seconds(double(mFrames) / mRate) << " at " << mRate << " Hz"
       << (o.tracks ? " (the senders' own outputs)" : "") << " to " << f.output << "\n";
  if (o.pngEvery > 0) mOut << "editor frames: " << mEditorFrames.Count() << " in " << o.pngDir << "\n";
  // What the editor presented, in a window as headless: how well it kept up (the benchmarks read it).
  if (mEditor)
  {
    const std::shared_ptr<CAMetalLayer>& layer = mEditor->View().layer();
    mOut << "editor frames drawn: " << (layer ? QorvMetalLayerPresentCount(*layer) : 0) << "\n";
  }
  if (mGainsPublished)
  {
    mOut << "channel  open      mean gain\n";
    for (int t = 0; t < mNTracks; ++t)
    {
      const double mean = mBlocks ? mGainSum[size_t(t)] / double(mBlocks) : 0.0;
      char text[96];
      std::snprintf(
          text, sizeof text, "%7d  %-8s  %6.1f dB  %s\n", t + 1, Seconds(mOpenSeconds[size_t(t)]).c_str(),
          mean > 1e-7 ? 20.0 * std::log10(mean) : -144.0,
          o.internal ? "" : f.inputs[size_t(t)].substr(f.inputs[size_t(t)].find_last_of('/') + 1).c_str());
      mOut << text;
    }
  }
  else
    mOut << "channel gains: not published (\"Write Automation\" is off)\n";
  if (!o.gainsCsv.empty()) mOut << "gains per block: " << o.gainsCsv << "\n";
  if (!o.automationCsv.empty())
    mOut << "automation: " << mAutomation.Entries().size() << " values to " << o.automationCsv << "\n";
  if (!o.stateOut.empty()) mOut << "state: " << o.stateOut << "\n";
}
} // namespace

int RunMix(PluginEntryPoints& plugin, const SharedOptions& shared, const MixOptions& options,
           std::ostream& out, std::ostream& err)
{
  return MixRun(plugin, shared, options, out, err).Run();
}
} // namespace qorvhost
