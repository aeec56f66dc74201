// The mixer's engine: the parameter mirrors, the 32 channel records and all DSP state of one plug-in
// instance, the per-block mixing of "Int. Mixer" and "Ext. Mixer", the "Send CH n" path and Reverse
// Mixing on both sides, the sample-rate preparation and the latency the instance wants.
//
// The plug-in class owns one engine (it is large: allocate it with the instance, never on the audio
// thread's stack) and calls it:
// - ProcessBlock from its own ProcessBlock on the audio thread (for host id 2 the class pushes
//   WantedLatency() to the host first);
// - PrepareDsp from its constructor and ProcessingReset from OnProcessingReset, under its mutex, then
//   hands WantedLatency() to the host;
// - the parameter-change handler writes the mirrors and channel records (each field whole) and calls
//   UpdateEnvelopeCoefficients after "PreDelay", "NoiseGate", "Attack", "Hold" or "Release" change;
// - the idle tick reads and clears mMetersDue and mAutomationDue and publishes MixGain(c);
// - the editor reads the detectors' Level and Peak, MixGain, the channels' mActive flags and the
//   mirrors, from the main thread without a lock.
// The audio thread never allocates, locks or does I/O here.
#pragma once

#include "mixer/GainSmoother.h"
#include "mixer/LaneIsa.h"
#include "mixer/LevelDetector.h"
#include "mixer/PanLaw.h"
#include "mixer/PeriodCounter.h"
#include "mixer/PreDelayLine.h"
#include "mixer/Relaxed.h"
#include "mixer/SendSlot.h"
#include "mixer/SenderMeter.h"

#include <algorithm>
#include <cstdint>

namespace iplugin
{
constexpr int kMixerChannels = 32;
constexpr int kMixerChannelPointers = 64; // two per channel

// "Plugin Mode": 0 "Int. Mixer", 1 "Ext. Mixer", 2..33 "Send CH 1".."Send CH 32".
enum EPluginMode : uint32_t
{
  kPluginModeIntMixer = 0,
  kPluginModeExtMixer = 1,
  kPluginModeSendFirst = 2,
  kPluginModeSendLast = 33
};

// "Mix Mode".
enum EMixMode : uint32_t
{
  kMixModeOff = 0,
  kMixModeAuto = 1,
  kMixModeAutoBal = 2,
  kMixModePrio = 3
};

// "PreDelay": the delay is the value x 512 samples.
enum EPreDelay : uint32_t
{
  kPreDelayOff = 0,
  kPreDelayShort = 1,
  kPreDelayLong = 2
};
constexpr uint32_t kPreDelayStepSamples = 512;

// One channel's parameters ("Mono Ch%d" ... "Weight Ch%d"), written by the parameter-change handler,
// read by the audio thread; plus what the audio thread derives and reports per block.
struct ChannelParamState
{
  Relaxed<uint32_t> mMono{0};
  Relaxed<double> mPreGainDb{0.0}; // -24..24
  Relaxed<uint32_t> mBypass{0};
  Relaxed<uint32_t> mModerator{0};
  Relaxed<double> mWeightDb{0.0}; // -24..24
  Relaxed<uint32_t> mMute{0};
  Relaxed<uint32_t> mSolo{0};
  Relaxed<double> mPan{0.0};   // -100..100
  double mPreGainLinear = 1.0; // audio thread, from mPreGainDb at each block start
  double mWeightLinear = 1.0;  // audio thread, from mWeightDb at each block start
  // Input arrived in the last block (a connected input, a popped slot block or, in Reverse Mixing, a
  // sender's report); 0 for channels past "Channel Count". Audio thread -> editor and meters.
  Relaxed<uint32_t> mActive{0};
  // The editor's controls of the strip (inactive overlay, input bar, input peak, input mark, output bar,
  // output peak, output mark, priority lamp); written by the layout, never read by the engine.
  int32_t mStripControlTags[8] = {-1, -1, -1, -1, -1, -1, -1, -1};
};

// What a sender's block works with: unity processing unless its mixer runs Reverse Mixing.
struct SenderSettings
{
  double target = 1.0; // |the gain the mixer hands back|
  double preGain = 1.0;
  double weight = 1.0;
  double pan = 0.0;
  bool mono = false;
  bool preFilter = false;
  bool newTimes = false; // the mixer's attack, hold and release below differ from the cached ones
  double attack = 0.3, hold = 0.0, release = 0.3;
};

// What TakeSenderSettings does with new envelope times: sets them on the sender detectors, only takes
// them into the cache (the caller hands them over with the block), or leaves them for a later block.
enum class ESenderTimes
{
  kApply,
  kTake,
  kLeave
};

// The sender's follower of the gain its mixer hands back: one coefficient for rising, one for falling.
struct SenderGainSmoother
{
  Relaxed<double> mAttack{0.0};
  Relaxed<double> mRelease{0.0};
  Relaxed<double> mValue{1.0};
};

class MixerEngine
{
public:
  // Mirrors at their defaults and the DSP prepared for 44,100 Hz and 512-frame blocks.
  MixerEngine();
  MixerEngine(const MixerEngine&) = delete;
  MixerEngine& operator=(const MixerEngine&) = delete;

  // --- Parameter mirrors: one per global parameter, initial values the parameters' defaults. ---
  Relaxed<double> mGuiScale{1.0};
  Relaxed<uint32_t> mToggleTooltips{1};
  Relaxed<uint32_t> mOnlineUpdateCheck{1};
  Relaxed<uint32_t> mPluginMode{kPluginModeIntMixer};
  Relaxed<uint32_t> mSpeechPreFilter{1};
  Relaxed<uint32_t> mPreDelay{kPreDelayOff};
  Relaxed<double> mNoiseGate{-90.0}; // dBFS, -90..0
  Relaxed<uint32_t> mMixMode{kMixModeAutoBal};
  Relaxed<double> mModAttn{-12.0}; // dB, -24..0
  Relaxed<double> mAttack{0.3};    // seconds, 0..3
  Relaxed<double> mHold{0.0};
  Relaxed<double> mRelease{0.3};
  Relaxed<double> mStrength{0.0};     // -1..1
  Relaxed<uint32_t> mChannelCount{7}; // parameter value; the mixer uses min(value + 1, 32) channels
  Relaxed<uint32_t> mGroupNumber{0};  // 0..3
  Relaxed<uint32_t> mWriteAutomation{0};
  Relaxed<double> mMainVolume{0.0}; // dB, -24..24
  Relaxed<uint32_t> mMultiChannelOutput{0};
  Relaxed<uint32_t> mPropagateSenderGain{0};
  Relaxed<uint32_t> mDawSync{1};
  Relaxed<uint32_t> mReverseMixing{0};
  Relaxed<uint32_t> mModeratorIndex{0}; // 0 = none, else the moderator channel + 1

  ChannelParamState mChannels[kMixerChannels];

  // --- Requests between threads. ---
  Relaxed<uint8_t> mMetersDue{0};     // set by the audio thread every 50 ms, cleared by the idle tick
  Relaxed<uint8_t> mAutomationDue{0}; // likewise, while "Write Automation" is on
  Relaxed<uint8_t> mResetRequest{
      0}; // send-slot reset asked by the editor; the next "Ext. Mixer" block serves it
  Relaxed<uint32_t> mInternalBufferCount{
      0};                              // deepest slot queue seen by the "Ext. Mixer" since the last reset
  Relaxed<uint32_t> mWantedLatency{0}; // samples; see ComputeLatency

  // --- Preparation, reset and latency. Not on the audio thread. ---

  // Rebuilds every detector, smoother, pre-delay line and period for the rate (no allocation), then
  // UpdateEnvelopeCoefficients. A rate that is not a positive finite number is refused (false).
  bool PrepareDsp(double sampleRate);

  // Coefficients, hold lengths and pre-delay lengths from the mirrors, and the wanted latency; returns 0.
  // May run while the audio thread runs.
  int UpdateEnvelopeCoefficients();

  // 0 with "Reverse Mixing" on, else "PreDelay" x 512 samples.
  uint32_t ComputeLatency() const;
  uint32_t WantedLatency() const { return mWantedLatency.Load(); }

  // The processing reset: re-prepares when the rate or the largest block differs from what the DSP was
  // prepared for (true then), and in "Ext. Mixer" resets the send table. The caller holds its mutex and
  // hands the wanted latency to the host after a re-preparation.
  bool ProcessingReset(double sampleRate, uint32_t maxBlockFrames);

  double DspSampleRate() const { return mDspSampleRate; }
  uint32_t DspBlockSize() const { return mDspBlockSize; }

  // --- Audio thread. ---

  // One block: ProcessMix, then the two 50 ms periods. Channel pointers of 64-bit samples; inputs and
  // outputs may be the same buffers. Does nothing when either connected count is 0.
  void ProcessBlock(const double* const* inputs, double* const* outputs, int nFrames, int connectedInputs,
                    int connectedOutputs, bool transportRunning);

  // The block for every "Plugin Mode"; transportRunning is the host's transport-running flag of this block.
  void ProcessMix(const double* const* inputs, double* const* outputs, int nFrames, int connectedInputs,
                  int connectedOutputs, bool transportRunning);

  // A sender block's settings from its slot; new envelope times from the mixer reach the sender
  // detectors here. Audio thread.
  SenderSettings TakeSenderSettings(const SendSlot& slot, ESenderTimes times = ESenderTimes::kApply);

  // --- What the editor and the idle tick read. ---
  double MixGain(int channel) const { return mMixSmoothers[channel].Value(); }

  // Channels the mixer works on: min("Channel Count" + 1, 32).
  int ChannelsInUse() const
  {
    return static_cast<int>(std::min<uint32_t>(mChannelCount.Load(), kMixerChannels - 1)) + 1;
  }

  // "Int. Mixer" or "Ext. Mixer".
  bool IsMixerMode() const { return mPluginMode.Load() <= kPluginModeExtMixer; }

  // --- DSP state. ---
  LevelDetector mBankA[kMixerChannels]; // input level of each channel
  LevelDetector mBankB[kMixerChannels]; // output level, after gain and pre-delay
  LevelDetector mSenderDetectors[2];    // the sender's level before and after its gain
  SenderMeter mSenderMeter{mSenderDetectors};
  LevelDetector mMasterDetectors[2]; // left and right sum
  GainSmoother mMixSmoothers[kMixerChannels];
  GainSmoother mSoloMuteSmoothers[kMixerChannels]; // 0.1 s attack and release, no hold
  PreDelayLine mPreDelayLeft[kMixerChannels];
  PreDelayLine mPreDelayRight[kMixerChannels];
  SenderGainSmoother mSenderGain;
  Relaxed<double> mSenderAttack{0.3}; // the attack, hold and release last taken from the slot
  Relaxed<double> mSenderHold{0.0};
  Relaxed<double> mSenderRelease{0.3};
  PeriodCounter mMeterPeriod;
  PeriodCounter mAutomationPeriod;
  // The instruction set of the side-by-side code (detector banks, gains); tests set each one in turn.
  ELaneIsa mLaneIsa = kLaneIsaBest;

  // Frames the mixing loop works on at a time; its working arrays hold this many frames per channel.
  static constexpr int kChunkFrames = 128;
  // Rows of the per-channel working arrays: one cache line longer than a chunk, so that the same frame of
  // the 32 channels does not fall into the same few cache sets.
  static constexpr int kChunkRow = kChunkFrames + 8;

private:
  void SetUpBlock(const double* const* inputs, double* const* outputs, int nFrames, int connectedInputs,
                  int connectedOutputs, bool transportRunning);
  void MixChunk(int offset, int frames);
  void ComputeGains(int frames);
  void WriteOutputs(int offset, int frames);
  void MeterMaster(const double* left, const double* right, int frames);
  void FinishBlock();
  void ProcessSender(const double* const* inputs, double* const* outputs, int nFrames, int connectedInputs,
                     int connectedOutputs);

  Relaxed<double> mDspSampleRate{0.0}; // read by the parameter-change path
  Relaxed<uint32_t> mDspBlockSize{0};
  bool mPreviousTransportRunning = false;

  // What a block reads once from the mirrors and channel records (audio thread).
  struct BlockSettings
  {
    int channels = 0; // n
    uint32_t mixMode = kMixModeAutoBal;
    bool preFilter = true;
    bool reverseMixing = false;
    bool extMixer = false;
    bool multiChannelOutput = false;
    double p = 1.0; // 10^Strength
    double gate = 0.0;
    double gateDb = -90.0;
    double modAttn = 0.0;
    double main = 1.0;
    int moderator = -1; // channel, or -1
    bool anySolo = false;
    bool bypass[kMixerChannels] = {};
    bool mono[kMixerChannels] = {};
    double soloMuteTarget[kMixerChannels] = {};
    PanFactors pan[kMixerChannels];
    double reportedLevel[kMixerChannels] = {}; // Reverse Mixing: the senders' levels
    double reportedLevel2[kMixerChannels] = {};
  };

  BlockSettings mBlock;
  SendSlot::Block mPopped[kMixerChannels];
  const double* mIn[kMixerChannelPointers] = {};
  double* mOut[kMixerChannelPointers] = {};
  int mConnectedOutputs = 0;
  int mLastChunkFrames = 0;
  int mInFrames[kMixerChannels] = {}; // frames readable from a channel's inputs; past them, silence

  // Working arrays, one chunk per channel.
  alignas(64) double mWorkLeft[kMixerChannels][kChunkRow];
  alignas(64) double mWorkRight[kMixerChannels][kChunkRow];
  alignas(64) double mLevel[kMixerChannels][kChunkRow];
  alignas(64) double mSoloMute[kMixerChannels][kChunkRow];
  double* mSoloMuteRow[kMixerChannels] = {}; // mSoloMute[c], or null while settled on 1
  alignas(64) double mGainTarget[kMixerChannels][kChunkRow];
  alignas(64) double mGain[kMixerChannels][kChunkRow];
  // The sender's chunk: its samples (left and right), the weight and its gain per frame.
  static constexpr int kSenderChunkFrames = 512;
  alignas(64) double mSenderWork[4][kSenderChunkFrames];
  const double* mChunkRight[kMixerChannels] = {}; // a channel's right side in this chunk: its own or its left
  alignas(64) double mSumLeft[kChunkFrames];
  alignas(64) double mSumRight[kChunkFrames];
};
} // namespace iplugin
