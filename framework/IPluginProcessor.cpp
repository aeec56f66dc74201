#include "framework/IPluginProcessor.h"
#include "framework/SampleConversion.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace iplugin
{
IPluginProcessor::IPluginProcessor(const PluginConfig& config)
    : mPlugType(config.pluginKind), mDoesMIDIIn(config.midiIn), mLatency(config.latency),
      mMaxBlockSize(config.maxBlockSize)
{
  int totalIn = 0, totalOut = 0, busesIn = 0, busesOut = 0;
  ParseChannelIOStr(config.channelIO, mIOConfigs, totalIn, totalOut, busesIn, busesOut);

  const int totals[2] = {totalIn, totalOut};
  for (ERoute direction : {kInput, kOutput})
  {
    double** slots = mScratchData[direction].Resize(totals[direction], true);
    for (int i = 0; slots && i < totals[direction]; ++i)
    {
      slots[i] = nullptr;
      auto* channel = new ChannelState;
      channel->mData = &slots[i];
      mChannelData[direction].AddOwned(channel);
    }
  }
}

IPluginProcessor::~IPluginProcessor()
{
  mChannelData[kInput].Empty(true);
  mChannelData[kOutput].Empty(true);
  mIOConfigs.Empty(true);
  mScratchData[kInput].Free();
  mScratchData[kOutput].Free();
}

void IPluginProcessor::ProcessBlock(double** inputs, double** outputs, int nFrames)
{
  const int nIn = MaxNChannels(kInput), nOut = MaxNChannels(kOutput);
  for (int i = 0; outputs && i < nOut; ++i)
  {
    if (!outputs[i]) continue;
    if (inputs && i < nIn && inputs[i])
      std::memmove(outputs[i], inputs[i], sizeof(double) * size_t(nFrames));
    else
      std::memset(outputs[i], 0, sizeof(double) * size_t(nFrames));
  }
}

bool IPluginProcessor::SendMidiMsgs(const IMidiMsg* msgs, int count)
{
  bool ok = true;
  for (int i = 0; msgs && i < count; ++i)
    ok &= SendMidiMsg(msgs[i]);
  return ok;
}

void IPluginProcessor::GetBusName(ERoute direction, int busIdx, int nBuses, StringBuf& str) const
{
  if (direction == kOutput)
  {
    if (nBuses == 1)
      str.Set("Output");
    else
      str.SetFormatted(32, "Output %i", busIdx);
  }
  else if (nBuses == 1)
    str.Set("Input");
  else if (nBuses == 2)
    str.Set(busIdx == 0 ? "Main" : "Aux");
  else
    str.SetFormatted(32, "Input %i", busIdx);
}

// Channel layouts --------------------------------------------------------------------------------------

int IPluginProcessor::ParseChannelIOStr(const char* str, PtrList<ChannelIOConfig>& configs,
                                        int& totalNInChans, int& totalNOutChans, int& totalNInBuses,
                                        int& totalNOutBuses)
{
  totalNInChans = totalNOutChans = totalNInBuses = totalNOutBuses = 0;
  const std::string text = str ? str : "";

  auto split = [](const std::string& s, char sep)
  {
    std::vector<std::string> pieces;
    size_t start = 0;
    while (start <= s.size())
    {
      const size_t end = s.find(sep, start);
      pieces.push_back(s.substr(start, end == std::string::npos ? std::string::npos : end - start));
      if (end == std::string::npos) break;
      start = end + 1;
    }
    return pieces;
  };

  for (const std::string& piece : split(text, ' '))
  {
    if (piece.empty()) continue;
    const size_t dash = piece.find('-');
    const std::string parts[2] = {piece.substr(0, dash),
                                  dash == std::string::npos ? std::string() : piece.substr(dash + 1)};
    auto* config = new ChannelIOConfig;
    int totals[2] = {0, 0};
    for (ERoute direction : {kInput, kOutput})
    {
      if (parts[direction].empty()) continue;
      for (const std::string& bus : split(parts[direction], '.'))
      {
        int n = 0;
        if (bus == "*")
          n = kAnyChannelCount;
        else if (std::sscanf(bus.c_str(), "%d", &n) != 1)
          n = 0;
        if (n != 0) config->AddBus(direction, n);
        totals[direction] += n;
      }
    }
    totalNInChans = std::max(totalNInChans, totals[kInput]);
    totalNOutChans = std::max(totalNOutChans, totals[kOutput]);
    totalNInBuses = std::max(totalNInBuses, config->NBuses(kInput));
    totalNOutBuses = std::max(totalNOutBuses, config->NBuses(kOutput));
    configs.AddOwned(config);
  }
  return configs.Count();
}

bool IPluginProcessor::LegalIO(int nIn, int nOut) const
{
  for (int i = 0; i < NIOConfigs(); ++i)
  {
    const ChannelIOConfig* config = GetIOConfig(i);
    const bool inOK = nIn < 0 || config->GetTotalNChannels(kInput) == nIn;
    const bool outOK = nOut < 0 || config->GetTotalNChannels(kOutput) == nOut;
    if (inOK && outOK) return true;
  }
  return false;
}

int IPluginProcessor::MaxNBuses(ERoute direction, int* pConfigIdx) const
{
  int maxBuses = 0, configIdx = -1;
  for (int i = 0; i < NIOConfigs(); ++i)
  {
    const int n = GetIOConfig(i)->NBuses(direction);
    if (n >= maxBuses)
    {
      maxBuses = n;
      configIdx = i;
    }
  }
  if (pConfigIdx) *pConfigIdx = configIdx;
  return maxBuses;
}

int IPluginProcessor::MaxNChannelsForBus(ERoute direction, int busIdx) const
{
  const ChannelIOConfig* first = GetIOConfig(0);
  if (!first) return 0;
  for (int b = 0; b < first->NBuses(direction); ++b)
    if (first->NChansOnBus(direction, b) < 0) return -1;
  int maxChans = 0;
  for (int i = 0; i < NIOConfigs(); ++i)
    maxChans = std::max(maxChans, GetIOConfig(i)->NChansOnBus(direction, busIdx));
  return maxChans;
}

int IPluginProcessor::NChannelsConnected(ERoute direction) const
{
  int n = 0;
  for (int i = 0; i < MaxNChannels(direction); ++i)
    n += GetChannel(direction, i)->mConnected ? 1 : 0;
  return n;
}

// Per-block path ----------------------------------------------------------------------------------------

void IPluginProcessor::SetChannelConnections(ERoute direction, int chIdx, int n, bool connected)
{
  const int end = std::min(chIdx + n, MaxNChannels(direction));
  for (int i = std::max(chIdx, 0); i < end; ++i)
  {
    ChannelState* channel = mChannelData[direction].Get(i);
    channel->mConnected = connected;
    if (!connected) *channel->mData = channel->mScratchBuf.Get();
  }
}

void IPluginProcessor::AttachBuffers(ERoute direction, int chIdx, int n, float** ppData, int nFrames)
{
  const int end = std::min(chIdx + n, MaxNChannels(direction));
  int next = 0;
  for (int i = std::max(chIdx, 0); i < end && ppData; ++i)
  {
    ChannelState* channel = mChannelData[direction].Get(i);
    if (!channel->mConnected) continue;
    float* host = ppData[next++];
    double* scratch = channel->mScratchBuf.Get();
    *channel->mData = scratch;
    if (direction == kInput)
    {
      const int frames = std::min(nFrames, channel->mScratchBuf.GetSize());
      if (host) FloatsToDoubles(host, scratch, std::max(frames, 0));
      if (host && frames > 0) channel->mSilentFrames = 0;
    }
    else
      channel->mIncomingData = host;
  }
}

void IPluginProcessor::OutputToHost(int nFrames)
{
  if (MaxNChannels(kOutput) < 1 || nFrames < 1) return;
  for (int i = 0; i < MaxNChannels(kOutput); ++i)
  {
    ChannelState* channel = mChannelData[kOutput].Get(i);
    const double* scratch = channel->mScratchBuf.Get();
    if (!channel->mConnected || !channel->mIncomingData || !scratch) continue;
    DoublesToFloats(scratch, channel->mIncomingData, nFrames);
  }
}

void IPluginProcessor::SilenceUnconnectedInputs(int nFrames)
{
  for (int i = 0; i < MaxNChannels(kInput); ++i)
  {
    ChannelState* channel = mChannelData[kInput].Get(i);
    if (channel->mConnected) continue;
    double* scratch = channel->mScratchBuf.Get();
    *channel->mData = scratch;
    const int frames = std::min(nFrames, channel->mScratchBuf.GetSize());
    if (!scratch || (mInputsReadOnly && channel->mSilentFrames >= frames)) continue;
    std::fill_n(scratch, frames, 0.0);
    channel->mSilentFrames = mInputsReadOnly ? frames : 0;
  }
}

bool IPluginProcessor::ProcessBuffers(int nFrames)
{
  if (nFrames < 0 || nFrames > mBlockSize) return false;
  SilenceUnconnectedInputs(nFrames);
  ProcessBlock(MaxNChannels(kInput) ? mScratchData[kInput].Get() : nullptr,
               MaxNChannels(kOutput) ? mScratchData[kOutput].Get() : nullptr, nFrames);
  OutputToHost(nFrames);
  return true;
}

bool IPluginProcessor::PassThroughBuffers(int nFrames)
{
  if (nFrames < 0 || nFrames > mBlockSize) return false;
  SilenceUnconnectedInputs(nFrames);
  const int nIn = MaxNChannels(kInput);
  for (int i = 0; i < MaxNChannels(kOutput); ++i)
  {
    double* out = *mChannelData[kOutput].Get(i)->mData;
    if (!out) continue;
    const double* in = i < nIn ? *mChannelData[kInput].Get(i)->mData : nullptr;
    if (in)
      std::memmove(out, in, sizeof(double) * size_t(nFrames));
    else
      std::memset(out, 0, sizeof(double) * size_t(nFrames));
  }
  OutputToHost(nFrames);
  return true;
}

void IPluginProcessor::SetBlockSize(int blockSize)
{
  if (blockSize == mBlockSize) return;
  for (ERoute direction : {kInput, kOutput})
  {
    for (int i = 0; i < MaxNChannels(direction); ++i)
    {
      ChannelState* channel = mChannelData[direction].Get(i);
      const double* old = channel->mScratchBuf.Get();
      double* scratch = channel->mScratchBuf.Resize(blockSize, true);
      if (scratch) std::memset(scratch, 0, sizeof(double) * size_t(channel->mScratchBuf.GetSize()));
      channel->mSilentFrames = scratch ? channel->mScratchBuf.GetSize() : 0;
      // A slot that pointed at the old scratch follows it.
      if (*channel->mData == old || !channel->mConnected) *channel->mData = scratch;
    }
  }
  mBlockSize = blockSize;
}

uint32_t IPluginProcessor::GetAUPluginType() const
{
  switch (mPlugType)
  {
  case 2:
    return FourCC("aumi");
  case 1:
    return FourCC("aumu");
  case 0:
    return mDoesMIDIIn ? FourCC("aumf") : FourCC("aufx");
  default:
    return FourCC("aufx");
  }
}

double IPluginProcessor::GetSamplesPerBeat() const
{
  const double tempo = mTransportInfo.mTempo;
  return tempo > 0.0 ? mSampleRate * 60.0 / tempo : 0.0;
}
} // namespace iplugin
