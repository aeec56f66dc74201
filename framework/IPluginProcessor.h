// The audio side of the plug-in object: the accepted channel layouts, one record per channel, the
// host's sample buffers attached for each block and converted between 32-bit floats (host) and doubles
// (plug-in), and the block processing. Also holds sample rate, block size, latency, tail, bypass and the
// host's transport.
//
// Threads: AttachBuffers, ProcessBuffers and PassThroughBuffers run on the host's audio thread and
// never allocate; SetBlockSize, SetLatency and the configuration calls run on the thread that sets the
// host properties.
#pragma once

#include "framework/ChannelIOConfig.h"
#include "framework/ChannelState.h"
#include "framework/IMidiMsg.h"
#include "framework/PluginConfig.h"
#include "framework/SysExData.h"
#include "framework/TransportInfo.h"

#include <cstdint>

namespace iplugin
{
constexpr uint32_t FourCC(const char (&code)[5])
{
  return uint32_t(uint8_t(code[0])) << 24 | uint32_t(uint8_t(code[1])) << 16 |
         uint32_t(uint8_t(code[2])) << 8 | uint32_t(uint8_t(code[3]));
}

class IPluginProcessor
{
public:
  explicit IPluginProcessor(const PluginConfig& config);
  virtual ~IPluginProcessor();
  IPluginProcessor(const IPluginProcessor&) = delete;
  IPluginProcessor& operator=(const IPluginProcessor&) = delete;

  // Audio thread. The default copies input i to output i and zeroes the other outputs.
  virtual void ProcessBlock(double** inputs, double** outputs, int nFrames);
  virtual void ProcessMidiMsg(const IMidiMsg& msg) { SendMidiMsg(msg); }
  virtual void ProcessSysEx(const SysExView& msg) {}
  virtual void OnProcessingReset() {}
  virtual void OnActivationChanged(bool active) {}
  virtual bool SendMidiMsg(const IMidiMsg& msg) = 0;
  // True only when every message was sent; true for none.
  virtual bool SendMidiMsgs(const IMidiMsg* msgs, int count);
  virtual bool SendSysEx(const SysExView& msg) { return false; }
  virtual void GetBusName(ERoute direction, int busIdx, int nBuses, StringBuf& str) const;
  virtual void SetLatency(int samples) { mLatency = samples; }

  // Parses a channel-I/O text ("1-1 2-2": layouts separated by blanks, inputs-outputs, buses by '.',
  // '*' for any count) into configs; returns their number and the largest totals and bus counts.
  static int ParseChannelIOStr(const char* str, PtrList<ChannelIOConfig>& configs, int& totalNInChans,
                               int& totalNOutChans, int& totalNInBuses, int& totalNOutBuses);
  // Whether a layout takes nIn inputs and nOut outputs; a negative count matches any.
  bool LegalIO(int nIn, int nOut) const;
  int MaxNBuses(ERoute direction, int* pConfigIdx = nullptr) const;
  int MaxNChannelsForBus(ERoute direction, int busIdx) const;
  int NChannelsConnected(ERoute direction) const;
  int MaxNChannels(ERoute direction) const { return mChannelData[direction].Count(); }
  int NIOConfigs() const { return mIOConfigs.Count(); }
  const ChannelIOConfig* GetIOConfig(int idx) const { return mIOConfigs.Get(idx); }
  const ChannelState* GetChannel(ERoute direction, int chIdx) const
  {
    return mChannelData[direction].Get(chIdx);
  }

  // Per block, in this order: connections, buffers, then ProcessBuffers or (bypassed) PassThroughBuffers.
  void SetChannelConnections(ERoute direction, int chIdx, int n, bool connected);
  void AttachBuffers(ERoute direction, int chIdx, int n, float** ppData, int nFrames);
  // Both refuse (false, nothing done) a frame count above the block size.
  bool ProcessBuffers(int nFrames);
  bool PassThroughBuffers(int nFrames);

  // Resizes and zeroes every channel's scratch buffer; nothing when the size is unchanged.
  void SetBlockSize(int blockSize);
  void SetSampleRate(double sampleRate) { mSampleRate = sampleRate; }
  void SetBypassed(bool bypassed) { mBypassed = bypassed; }
  void SetRenderingOffline(bool offline) { mRenderingOffline = offline; }

  uint32_t GetAUPluginType() const;
  double GetSamplesPerBeat() const;
  double GetSampleRate() const { return mSampleRate; }
  int GetBlockSize() const { return mBlockSize; }
  int GetMaxBlockSize() const { return mMaxBlockSize; }
  int GetLatency() const { return mLatency; }
  int GetTailSize() const { return mTailSize; }
  bool GetBypassed() const { return mBypassed; }
  bool GetRenderingOffline() const { return mRenderingOffline; }
  int GetPluginType() const { return mPlugType; }
  bool DoesMIDIIn() const { return mDoesMIDIIn; }
  const TransportInfo& GetTransportInfo() const { return mTransportInfo; }

protected:
  // Converts every connected output's scratch into its host buffer.
  void OutputToHost(int nFrames);
  // An input that is not connected reads as silence, never as what its scratch held from an earlier block.
  void SilenceUnconnectedInputs(int nFrames);

  // Set by a plug-in whose ProcessBlock never writes into its inputs: the scratch of an input that is not
  // connected then stays silent once zeroed and is not zeroed again at every block.
  bool mInputsReadOnly = false;
  int mPlugType;
  bool mDoesMIDIIn;
  int mLatency;
  double mSampleRate = 44100.0;
  int mBlockSize = 0;
  int mMaxBlockSize;
  int mTailSize = 0;
  bool mBypassed = false;
  bool mRenderingOffline = false;
  PtrList<ChannelIOConfig> mIOConfigs{4096};
  TypedBuf<double*> mScratchData[2] = {TypedBuf<double*>(4096), TypedBuf<double*>(4096)};
  PtrList<ChannelState> mChannelData[2] = {PtrList<ChannelState>(4096), PtrList<ChannelState>(4096)};
  TransportInfo mTransportInfo;
};
} // namespace iplugin
