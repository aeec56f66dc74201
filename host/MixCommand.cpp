#include "host/MixCommand.h"

#include "framework/AtomicFile.h"
#include "host/AudioFile.h"
#include "host/AutomationRecorder.h"
#include "host/EditorCommand.h"
#include "host/EditorPictures.h"
#include "host/HostInstance.h"
#include "host/MixOutputs.h"
#include "host/StateFiles.h"

#include <AppKit/NSView.h>
#include <CoreFoundation/CoreFoundation.h>
#include <QorvPlatform/Events.h>
#include <QorvPlatform/Metal.h>
#include <QorvPlatform/RunLoopClock.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <functional>
#include <map>
#include <memory>

namespace qorvhost
{
namespace
{
// The mixer's parameters this command sets itself.
constexpr AudioUnitParameterID kPluginModeParam = 2;
constexpr AudioUnitParameterID kChannelCountParam = 3;
constexpr AudioUnitParameterID kWriteAutomationParam = 14;
constexpr AudioUnitParameterID kFirstGainParam = 273; // "OUT:Ch01 Strength", the gain in dB
constexpr float kModeIntMixer = 0.f, kModeExtMixer = 1.f, kModeFirstSender = 2.f;
constexpr int kMaxTracks = 32;
// A send slot carries at most this many frames a block: the instances never get longer slices.
constexpr unsigned kMaxSliceFrames = 8192;
constexpr double kOpenGainDb = -6.0; // a channel counts as open from here up
// A hidden editor is shown this long before each frame is written: its display ticks from then on draw
// as in a window shown throughout, the last one before the frame included (at 20 frames a second or more).
constexpr double kFrameLeadSeconds = 0.05;

std::string Seconds(double s)
{
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.1f s", s);
  return buf;
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

// What the command sets up itself and --set may not change.
OwnedParameters HostOwnedParameters()
{
  OwnedParameters owned = {{kPluginModeParam,
                            "the host gives each file a \"Send CH n\" instance and mixes them in one \"Ext. "
                            "Mixer\" (--internal mixes one file in an \"Int. Mixer\")"},
                           {kChannelCountParam, "the host sets it to the number of input files"}};
  for (int t = 0; t < kMaxTracks; ++t)
    owned[kFirstGainParam + AudioUnitParameterID(t)] = "the mixer writes each channel's gain there itself";
  return owned;
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

std::string AutomationText(const AutomationRecorder& automation)
{
  std::ostringstream text;
  automation.WriteCsv(text);
  return text.str();
}
} // namespace

int RunMix(PluginEntryPoints& plugin, const MixOptions& options, std::ostream& out, std::ostream& err)
{
  // Longer blocks are rendered in slices that the send slots carry whole.
  MixOptions o = options;
  o.block = std::min(o.block, kMaxSliceFrames);
  if (o.output.empty() || o.inputs.empty() || o.block < 1)
  {
    err << "mix needs -o OUT.wav and at least one input\n";
    return 2;
  }
  if (o.internal && o.inputs.size() != 1)
  {
    err << "--internal mixes exactly one mono or stereo file\n";
    return 2;
  }
  if (o.inputs.size() > size_t(kMaxTracks))
  {
    err << "at most " << kMaxTracks << " tracks\n";
    return 2;
  }
  std::string error;
  if (!CheckOutputPaths(o, error))
  {
    err << error << "\n";
    return 2;
  }

  // All inputs first: their rate, channels and the longest length.
  std::vector<std::unique_ptr<AudioFileReader>> tracks;
  long frames = 0;
  for (const std::string& path : o.inputs)
  {
    tracks.push_back(std::make_unique<AudioFileReader>());
    AudioFileReader& track = *tracks.back();
    if (!track.Open(path, error))
    {
      err << error << "\n";
      return 1;
    }
    if (track.NChannels() < 1 || track.NChannels() > 2)
    {
      err << path << ": " << track.NChannels() << " channels; tracks are mono or stereo\n";
      return 1;
    }
    if (track.SampleRate() != tracks[0]->SampleRate())
    {
      err << path << ": " << track.SampleRate() << " Hz, but " << o.inputs[0] << " has "
          << tracks[0]->SampleRate() << " Hz\n";
      return 1;
    }
    if (!track.Truncation().empty()) err << track.Truncation() << "; mixing the frames it holds\n";
    frames = std::max(frames, track.NFrames());
  }
  const double rate = tracks[0]->SampleRate();
  const int nTracks = int(tracks.size());

  // The settings, checked against the mixer before anything runs.
  std::vector<ParamSetting> settings;
  {
    std::unique_ptr<HostInstance> probe = HostInstance::Open(plugin, Door::kFactory, error);
    if (!probe)
    {
      err << error << "\n";
      return 1;
    }
    if (!ResolveSettings(probe->Unit(), o.sets, settings, error, HostOwnedParameters()))
    {
      err << error << "\n";
      return 2;
    }
  }
  std::vector<ParamSetting> mixerSettings = {
      {kPluginModeParam, o.internal ? kModeIntMixer : kModeExtMixer},
      {kChannelCountParam, float(nTracks - 1)},
      {kWriteAutomationParam, 1.f}, // publishes the gains that --gains and the summary read
  };
  for (const ParamSetting& s : settings)
  {
    auto same = std::find_if(mixerSettings.begin(), mixerSettings.end(),
                             [&](const ParamSetting& m) { return m.id == s.id; });
    if (same != mixerSettings.end())
      same->value = s.value;
    else
      mixerSettings.push_back(s);
  }

  // Every output is created (as a new file beside its name) before anything renders; the old files are
  // replaced only when the whole mix has succeeded.
  AudioFileWriter result;
  iplugin::AtomicFile gainsFile, stateFile, automationFile;
  if (!result.Open(o.output, rate, 2, 0, error) || !OpenOutput(gainsFile, o.gainsCsv, error) ||
      !OpenOutput(stateFile, o.stateOut, error) || !OpenOutput(automationFile, o.automationCsv, error))
  {
    err << error << "\n";
    return 1;
  }

  // Frames are written headless; a window is paced at real time, so its timers run on the system clock.
  if (o.pngEvery > 0) setenv("QORV_HEADLESS", "1", 1);
  const bool realTime = o.realTimeIdle || (o.editor && o.pngEvery <= 0);
  if (o.pngEvery > 0)
  {
    std::error_code ec;
    std::filesystem::create_directories(o.pngDir, ec);
    if (ec)
    {
      err << "cannot make the folder " << o.pngDir << ": " << ec.message() << "\n";
      return 1;
    }
  }
  // The idle timers of the instances run on the clock chosen before any instance starts one.
  if (realTime)
    qorvplatform::UseRealClock();
  else
    qorvplatform::UseVirtualClock(0.0);

  // Presets and a saved state reach the mixer before the settings above.
  const PrepareFunc restore = [&o](AudioUnit unit, std::string& message)
  {
    return (o.factoryPreset.empty() || SelectFactoryPreset(unit, o.factoryPreset, message)) &&
           (o.presetFile.empty() || ApplyPresetFile(unit, o.presetFile, message)) &&
           (o.stateIn.empty() || RestoreStateFile(unit, o.stateIn, message));
  };

  // The instances: the mixer first (it resets the send slots), then one sender per track.
  const int mixerIn = o.internal ? tracks[0]->NChannels() : 2;
  const int mixerOut = mixerIn;
  std::unique_ptr<HostInstance> mixer =
      OpenInstance(plugin, rate, mixerIn, mixerOut, o.block, mixerSettings, error, restore);
  if (!mixer)
  {
    err << error << "\n";
    return 1;
  }
  std::vector<std::unique_ptr<HostInstance>> senders;
  for (int t = 0; !o.internal && t < nTracks; ++t)
  {
    const int ch = tracks[size_t(t)]->NChannels();
    senders.push_back(OpenInstance(plugin, rate, ch, ch, o.block,
                                   {{kPluginModeParam, kModeFirstSender + float(t)}}, error));
    if (!senders.back())
    {
      err << error << "\n";
      return 1;
    }
  }

  // The mixer's editor, as a host shows it while the session plays.
  std::unique_ptr<EditorWindow> editor;
  if (o.editor || o.pngEvery > 0)
  {
    editor = EditorWindow::Open(mixer->Unit(), "Qorv", error);
    if (!editor)
    {
      err << error << "\n";
      return 1;
    }
  }
  double nextFrame = o.pngEvery;
  int framesWritten = 0;
  // Headless frames are drawn only around the times they are written; --editor keeps the window shown.
  const bool showForFramesOnly = editor && o.pngEvery > 0 && !o.editor;
  const double endSeconds = double(frames) / rate;
  const auto writeFrame = [&]()
  {
    char name[32];
    std::snprintf(name, sizeof name, "frame-%04d.png", ++framesWritten);
    const std::string path = (std::filesystem::path(o.pngDir) / name).string();
    std::string why;
    if (WriteEditorFramePng(editor->View(), path, why)) return true;
    err << why << "\n";
    return false;
  };
  const auto wallStart = std::chrono::steady_clock::now();

  // The gains are what the mixer publishes; with "Write Automation" off it publishes none.
  AudioUnitParameterValue writeAutomation = 0.f;
  AudioUnitGetParameter(mixer->Unit(), kWriteAutomationParam, kAudioUnitScope_Global, 0, &writeAutomation);
  const bool gainsPublished = writeAutomation >= 0.5f;
  if (!gainsPublished && !o.gainsCsv.empty())
  {
    err << "--gains: the mixer publishes no gains while \"Write Automation\" is off\n";
    return 2;
  }

  FILE* gains = o.gainsCsv.empty() ? nullptr : gainsFile.Stream();
  if (gains)
  {
    std::string header = "time";
    for (int t = 0; t < nTracks; ++t)
      header += ",ch" + std::to_string(t + 1) + "_db";
    std::fputs((header + "\n").c_str(), gains);
  }

  // The automation the mixer writes, stamped with the song position at which the host receives it.
  double songSeconds = 0.0;
  AutomationRecorder automation([&songSeconds] { return songSeconds; });
  if (!o.automationCsv.empty())
  {
    if (OSStatus status = automation.Listen(mixer->Unit(), kFirstGainParam, kMaxTracks))
    {
      err << "cannot listen to the mixer's automation (status " << status << ")\n";
      return 1;
    }
  }

  std::vector<double> openSeconds(size_t(nTracks), 0.0), gainSum(size_t(nTracks), 0.0);
  long blocks = 0;
  const bool showProgress = o.progress;
  auto buffers = [&o](int n)
  { return std::vector<std::vector<float>>(size_t(n), std::vector<float>(o.block, 0.f)); };
  std::vector<std::vector<float>> scratchOut = buffers(2), silence = buffers(2), mixed = buffers(2);
  // Each track's block is read just before it is rendered, into one set of buffers that stays in the cache
  // (the first track has its own).
  std::vector<std::vector<float>> firstIn = buffers(2), nextIn = buffers(2);
  // Track t's next block (silence past its end) into in; false with the message on a read error.
  const auto readTrack = [&](int t, std::vector<std::vector<float>>& in, UInt32 n)
  {
    const int ch = tracks[size_t(t)]->NChannels();
    float* dest[2] = {in[0].data(), in[size_t(ch - 1)].data()};
    const long got = tracks[size_t(t)]->Read(dest, long(n), error);
    if (got < 0)
    {
      err << error << "\n";
      return false;
    }
    for (int c = 0; c < ch; ++c)
      std::fill(in[size_t(c)].begin() + got, in[size_t(c)].begin() + n, 0.f);
    return true;
  };
  std::ostringstream line;

  for (long pos = 0; pos < frames; pos += long(o.block))
  {
    const UInt32 n = UInt32(std::min<long>(long(o.block), frames - pos));
    for (auto& channel : mixed)
      std::fill(channel.begin(), channel.end(), 0.f);
    // Every sender with its track's next block, then the mixer.
    for (int t = 0; t < int(senders.size()); ++t)
    {
      auto& in = t == 0 ? firstIn : nextIn;
      if (!readTrack(t, in, n)) return 1;
      const int ch = tracks[size_t(t)]->NChannels();
      const float* ins[2] = {in[0].data(), in[size_t(ch - 1)].data()};
      float* outs[2] = {scratchOut[0].data(), scratchOut[1].data()};
      if (OSStatus status = senders[size_t(t)]->Render(ins, outs, n))
      {
        err << "render of track " << (t + 1) << " failed (status " << status << ")\n";
        return 1;
      }
      if (o.tracks)
        for (int c = 0; c < 2; ++c)
          for (UInt32 i = 0; i < n; ++i)
            mixed[size_t(c)][i] += scratchOut[size_t(std::min(c, ch - 1))][i];
    }
    const float* ins[2];
    if (o.internal)
    {
      if (!readTrack(0, firstIn, n)) return 1;
      ins[0] = firstIn[0].data();
      ins[1] = firstIn[size_t(tracks[0]->NChannels() - 1)].data();
    }
    else
    {
      ins[0] = silence[0].data();
      ins[1] = silence[1].data();
    }
    float* outs[2] = {scratchOut[0].data(), scratchOut[1].data()};
    if (OSStatus status = mixer->Render(ins, outs, n))
    {
      err << "render of the mixer failed (status " << status << ")\n";
      return 1;
    }
    if (!o.tracks)
      for (int c = 0; c < 2; ++c)
        std::copy_n(scratchOut[size_t(std::min(c, mixerOut - 1))].begin(), n, mixed[size_t(c)].begin());
    const float* block[2] = {mixed[0].data(), mixed[1].data()};
    if (!result.Write(block, long(n), error))
    {
      err << error << "\n";
      return 1;
    }

    // The main thread's turn: its idle timers fire when due, by the system clock or by the audio's.
    songSeconds = double(pos + long(n)) / rate;
    if (showForFramesOnly)
      ShowWindow(editor->Window(), songSeconds >= std::min(nextFrame, endSeconds) - kFrameLeadSeconds);
    if (editor && realTime)
    {
      // Paced at real time: the window's run loop turns until the wall clock reaches the song.
      while (std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count() <
             songSeconds)
        CFRunLoopRunInMode(kCFRunLoopDefaultMode, 0.005, false);
    }
    else if (realTime)
      qorvplatform::FireDueTimers();
    else
      qorvplatform::AdvanceClock(double(n) / rate);
    const bool last = pos + long(n) >= frames;
    if (editor && o.pngEvery > 0 && (songSeconds >= nextFrame || last))
    {
      if (!writeFrame()) return 1;
      nextFrame += o.pngEvery;
    }
    ++blocks;
    if (gains)
    {
      line.str("");
      line << double(pos) / rate;
    }
    for (int t = 0; t < nTracks && gainsPublished; ++t)
    {
      AudioUnitParameterValue db = -144.f;
      AudioUnitGetParameter(mixer->Unit(), kFirstGainParam + AudioUnitParameterID(t), kAudioUnitScope_Global,
                            0, &db);
      if (gains) line << "," << db;
      if (db >= kOpenGainDb) openSeconds[size_t(t)] += double(n) / rate;
      gainSum[size_t(t)] += std::pow(10.0, double(db) / 20.0);
    }
    if (gains)
    {
      line << "\n";
      std::fputs(line.str().c_str(), gains);
    }
    if (showProgress && (blocks % 64 == 0)) Progress(err, double(pos + n) / double(frames));
  }
  if (showProgress)
  {
    Progress(err, 1.0);
    err << "\n";
  }

  std::string state;
  const std::string automationText = o.automationCsv.empty() ? std::string() : AutomationText(automation);
  if ((!o.stateOut.empty() && !StateFileBytes(mixer->Unit(), state, error)) ||
      !WriteOutput(stateFile, o.stateOut, state, error) ||
      !WriteOutput(automationFile, o.automationCsv, automationText, error) ||
      (gains && !CommitOutput(gainsFile, o.gainsCsv, error)) || !result.Commit(error))
  {
    err << error << "\n";
    return 1;
  }
  out << (o.internal ? std::string("mixed 1 file")
                     : "mixed " + std::to_string(nTracks) + (nTracks == 1 ? " track" : " tracks"))
      << ", " << Seconds(double(frames) / rate) << " at " << rate << " Hz"
      << (o.tracks ? " (the senders' own outputs)" : "") << " to " << o.output << "\n";
  if (o.pngEvery > 0)
  {
    const std::shared_ptr<CAMetalLayer>& layer = editor->View().layer();
    out << "editor frames: " << framesWritten << " in " << o.pngDir << "\n"
        << "editor frames drawn: " << (layer ? QorvMetalLayerPresentCount(*layer) : 0) << "\n";
  }
  if (gainsPublished)
  {
    out << "channel  open      mean gain\n";
    for (int t = 0; t < nTracks; ++t)
    {
      const double mean = blocks ? gainSum[size_t(t)] / double(blocks) : 0.0;
      char text[96];
      std::snprintf(
          text, sizeof text, "%7d  %-8s  %6.1f dB  %s\n", t + 1, Seconds(openSeconds[size_t(t)]).c_str(),
          mean > 1e-7 ? 20.0 * std::log10(mean) : -144.0,
          o.internal ? "" : o.inputs[size_t(t)].substr(o.inputs[size_t(t)].find_last_of('/') + 1).c_str());
      out << text;
    }
  }
  else
    out << "channel gains: not published (\"Write Automation\" is off)\n";
  if (!o.gainsCsv.empty()) out << "gains per block: " << o.gainsCsv << "\n";
  if (!o.automationCsv.empty())
    out << "automation: " << automation.Entries().size() << " values to " << o.automationCsv << "\n";
  if (!o.stateOut.empty()) out << "state: " << o.stateOut << "\n";
  return 0;
}
} // namespace qorvhost
