// The render path of the Audio Unit binding and MIDI output towards the host. Render runs on the
// host's audio thread: it takes no lock and allocates nothing (buffer and packet lists live on the
// stack, scratch buffers are sized when the maximum frames per slice changes).
#include "framework/au/IPluginAU.h"

#include <QorvPlatform/FixedAudioBufferList.h>

#include <algorithm>
#include <cstring>

namespace iplugin
{
namespace
{
// An input bus has at most this many host channels.
constexpr UInt32 kMaxInputChannels = 128;
using InputBufferList = qorvplatform::FixedAudioBufferList<kMaxInputChannels>;

// Packet lists are built on the stack in blocks of this size; what does not fit goes in the next list.
constexpr size_t kPacketListBytes = 1024;
constexpr int kSysExChunk = 256;

bool BufferHolds(const AudioBuffer& b, UInt32 nFrames)
{
  return b.mData && b.mNumberChannels == 1 && b.mDataByteSize >= nFrames * sizeof(Float32);
}
} // namespace

void IPluginAU::AssessInputConnections()
{
  SetChannelConnections(ERoute::kInput, 0, MaxNChannels(ERoute::kInput), false);
  for (int i = 0; i < mInBuses.Count(); ++i)
  {
    BusChannels* bus = mInBuses.Get(i);
    InputBusConnection* conn = mInBusConnections.Get(i);
    if (!conn) continue;
    if (conn->mUpstreamRenderProc && conn->mUpstreamObj)
      conn->mInputType = kDirectFastProc;
    else if (conn->mUpstreamUnit)
      conn->mInputType = kDirectNoFastProc;
    else if (conn->mUpstreamRenderCallback.inputProc)
      conn->mInputType = kRenderCallback;
    else
      conn->mInputType = kNotConnected;

    bus->mConnected = conn->mInputType != kNotConnected;
    if (!bus->mConnected) continue;
    if (bus->mNHostChannels < 0) bus->mNHostChannels = bus->mNPlugChannels;
    const int nConnected = std::min(bus->mNHostChannels, bus->mNPlugChannels);
    SetChannelConnections(ERoute::kInput, bus->mPlugChannelStartIdx, nConnected, true);
    SetChannelConnections(ERoute::kInput, bus->mPlugChannelStartIdx + nConnected,
                          std::max(bus->mNPlugChannels - nConnected, 0), false);
  }
}

OSStatus IPluginAU::PullInputs(const AudioTimeStamp* pTimestamp, UInt32 nFrames)
{
  InputBufferList list;
  for (int i = 0; i < mInBuses.Count(); ++i)
  {
    const BusChannels* bus = mInBuses.Get(i);
    const InputBusConnection* conn = mInBusConnections.Get(i);
    if (!bus->mConnected || !conn) continue;

    const UInt32 nChannels = UInt32(std::min(std::max(bus->mNHostChannels, 0), bus->mNPlugChannels));
    list.mNumberBuffers = std::min(nChannels, kMaxInputChannels);
    for (UInt32 k = 0; k < list.mNumberBuffers; ++k)
      list.mBuffers[k] = AudioBuffer{1, nFrames * UInt32(sizeof(Float32)), nullptr};

    AudioUnitRenderActionFlags flags = 0;
    OSStatus status = noErr;
    switch (conn->mInputType)
    {
    case kDirectFastProc:
      status = conn->mUpstreamRenderProc(conn->mUpstreamObj, &flags, pTimestamp,
                                         UInt32(conn->mUpstreamBusIdx), nFrames, list.Get());
      break;
    case kDirectNoFastProc:
      status = AudioUnitRender(conn->mUpstreamUnit, &flags, pTimestamp, UInt32(conn->mUpstreamBusIdx),
                               nFrames, list.Get());
      break;
    case kRenderCallback:
    {
      Float32* scratch = mInScratchBuf.Get();
      for (UInt32 k = 0; k < list.mNumberBuffers; ++k)
        list.mBuffers[k].mData = scratch + size_t(bus->mPlugChannelStartIdx + int(k)) * nFrames;
      status = conn->mUpstreamRenderCallback.inputProc(conn->mUpstreamRenderCallback.inputProcRefCon, &flags,
                                                       pTimestamp, UInt32(i), nFrames, list.Get());
      break;
    }
    default:
      continue;
    }
    if (status != noErr) return status;

    // The upstream side may hand back its own buffers; they must still hold the whole block.
    if (list.mNumberBuffers < std::min(nChannels, kMaxInputChannels))
      return kAudioUnitErr_InvalidPropertyValue;
    for (UInt32 k = 0; k < list.mNumberBuffers; ++k)
      if (!BufferHolds(list.mBuffers[k], nFrames)) return kAudioUnitErr_InvalidPropertyValue;

    for (UInt32 k = 0; k < list.mNumberBuffers; ++k)
    {
      float* data = static_cast<float*>(list.mBuffers[k].mData);
      AttachBuffers(ERoute::kInput, bus->mPlugChannelStartIdx + int(k), 1, &data, int(nFrames));
    }
  }
  mLastRenderSampleTime.store(pTimestamp->mSampleTime, std::memory_order_relaxed);
  return noErr;
}

OSStatus IPluginAU::Render(AudioUnitRenderActionFlags* pFlags, const AudioTimeStamp* pTimestamp,
                           UInt32 outputBusIdx, UInt32 nFrames, AudioBufferList* pOutBufList)
{
  if (!pTimestamp) return kAudio_ParamError;
  mLastRenderTimeStamp = *pTimestamp;
  if (!(pTimestamp->mFlags & kAudioTimeStampSampleTimeValid) || nFrames > UInt32(GetBlockSize()))
    return kAudioUnitErr_InvalidPropertyValue;

  const bool midiEffect = GetPluginType() == 2;
  BusChannels* outBus = mOutBuses.Get(int(std::min<UInt32>(outputBusIdx, INT32_MAX)));
  if (!midiEffect)
  {
    if (!outBus) return kAudioUnitErr_InvalidElement;
    if (!pOutBufList || pOutBufList->mNumberBuffers > UInt32(outBus->mNPlugChannels))
      return kAudioUnitErr_InvalidPropertyValue;
    for (UInt32 k = 0; k < pOutBufList->mNumberBuffers; ++k)
    {
      const AudioBuffer& b = pOutBufList->mBuffers[k];
      if (b.mNumberChannels != 1 || (b.mData && b.mDataByteSize < nFrames * sizeof(Float32)))
        return kAudioUnitErr_InvalidPropertyValue;
    }
  }

  // One snapshot for the pre- and the post-render calls, whatever the main thread changes meanwhile.
  const SnapshotList<AURenderCallbackStruct>::Reader notify(mRenderNotify);
  for (int i = 0; i < notify.Count(); ++i)
  {
    AudioUnitRenderActionFlags flags = kAudioUnitRenderAction_PreRender;
    notify[i].inputProc(notify[i].inputProcRefCon, &flags, pTimestamp, outputBusIdx, nFrames, pOutBufList);
  }

  bool process = midiEffect;
  if (!midiEffect)
  {
    if (pTimestamp->mSampleTime != mLastRenderSampleTime.load(std::memory_order_relaxed))
    {
      const OSStatus status = PullInputs(pTimestamp, nFrames);
      if (status != noErr) return status;
    }

    // Exactly the channels that get a host buffer in this block count as connected, so none keeps a
    // buffer of an earlier block.
    const int nBuffers = int(pOutBufList->mNumberBuffers);
    SetChannelConnections(ERoute::kOutput, outBus->mPlugChannelStartIdx, nBuffers, true);
    SetChannelConnections(ERoute::kOutput, outBus->mPlugChannelStartIdx + nBuffers,
                          std::max(outBus->mNPlugChannels - nBuffers, 0), false);
    outBus->mConnected = true;
    Float32* scratch = mOutScratchBuf.Get();
    for (int k = 0; k < nBuffers; ++k)
    {
      AudioBuffer& b = pOutBufList->mBuffers[k];
      if (!b.mData)
      {
        b.mData = scratch ? scratch + size_t(outBus->mPlugChannelStartIdx + k) * nFrames : nullptr;
        b.mDataByteSize = nFrames * UInt32(sizeof(Float32));
      }
      float* data = static_cast<float*>(b.mData);
      AttachBuffers(ERoute::kOutput, outBus->mPlugChannelStartIdx + k, 1, &data, int(nFrames));
    }

    int lastConnected = mOutBuses.Count() - 1;
    for (int i = 0; i < mOutBuses.Count(); ++i)
    {
      if (!mOutBuses.Get(i)->mConnected)
      {
        lastConnected = i - 1;
        break;
      }
    }
    process = int(outputBusIdx) == lastConnected;
  }

  if (process)
  {
    const int nOut = mOutBuses.Count();
    if (int(outputBusIdx) + 1 < nOut)
      SetChannelConnections(ERoute::kOutput, 2 * (int(outputBusIdx) + 1), 2 * (nOut - int(outputBusIdx) - 1),
                            false);

    if (GetBypassed())
      PassThroughBuffers(int(nFrames));
    else
    {
      IMidiMsg msg;
      while (mMidiMsgsFromEditor.Pop(msg))
        ProcessMidiMsg(msg);
      ReadHostTimeInfo();
      ProcessBuffers(int(nFrames));
    }
  }

  for (int i = 0; i < notify.Count(); ++i)
  {
    AudioUnitRenderActionFlags flags = kAudioUnitRenderAction_PostRender;
    notify[i].inputProc(notify[i].inputProcRefCon, &flags, pTimestamp, outputBusIdx, nFrames, pOutBufList);
  }

  SendSysExFromQueue();
  return noErr;
}

void IPluginAU::SendSysExFromQueue()
{
  while (mSysExDataFromEditor.Pop(mSysexBuf))
    SendSysEx(SysExView(mSysexBuf.mOffset, mSysexBuf.mData, std::min(mSysexBuf.mSize, SysExData::kMaxBytes)));
}

void IPluginAU::ReadHostTimeInfo()
{
  TransportInfo info;
  const HostCallbackInfo& cb = mHostCallbacks;

  Float64 beat = 0.0, tempo = 0.0;
  if (cb.beatAndTempoProc && cb.beatAndTempoProc(cb.hostUserData, &beat, &tempo) == noErr)
  {
    info.mTempo = tempo > 0.0 ? tempo : 120.0;
    info.mPPQPos = beat;
  }

  Boolean playing = false, changed = false, cycling = false;
  Float64 samplePos = 0.0, cycleStart = 0.0, cycleEnd = 0.0;
  if (cb.transportStateProc && cb.transportStateProc(cb.hostUserData, &playing, &changed, &samplePos,
                                                     &cycling, &cycleStart, &cycleEnd) == noErr)
  {
    info.mSamplePos = samplePos > 0.0 ? samplePos : -1.0;
    info.mCycleStart = cycleStart > 0.0 ? cycleStart : -1.0;
    info.mCycleEnd = cycleEnd > 0.0 ? cycleEnd : -1.0;
    info.mTransportIsRunning = playing;
    info.mTransportLoopEnabled = cycling;
  }

  UInt32 offsetToNextBeat = 0, denominator = 4;
  Float32 numerator = 4.f;
  Float64 downBeat = 0.0;
  if (cb.musicalTimeLocationProc && cb.musicalTimeLocationProc(cb.hostUserData, &offsetToNextBeat, &numerator,
                                                               &denominator, &downBeat) == noErr)
  {
    info.mNumerator = int(numerator);
    info.mDenominator = int(denominator);
    info.mLastBar = downBeat > 0.0 ? downBeat : -1.0;
  }
  mTransportInfo = info;
}

bool IPluginAU::SendMidiMsg(const IMidiMsg& msg)
{
  if (!mMidiCallback.midiOutputCallback) return false;
  MIDIPacketList list;
  list.numPackets = 1;
  list.packet[0].timeStamp = MIDITimeStamp(std::max(msg.mOffset, 0));
  list.packet[0].length = 3;
  list.packet[0].data[0] = msg.mStatus;
  list.packet[0].data[1] = msg.mData1;
  list.packet[0].data[2] = msg.mData2;
  return mMidiCallback.midiOutputCallback(mMidiCallback.userData, &mLastRenderTimeStamp, 0, &list) == noErr;
}

bool IPluginAU::SendMidiMsgs(const IMidiMsg* msgs, int count)
{
  if (!mMidiCallback.midiOutputCallback) return false;
  alignas(MIDIPacketList) Byte buffer[kPacketListBytes];
  auto* list = reinterpret_cast<MIDIPacketList*>(buffer);
  bool ok = true;
  int i = 0;
  if (count > 0 && !msgs) return false;
  while (i < count)
  {
    MIDIPacket* packet = MIDIPacketListInit(list);
    int added = 0;
    for (; i < count; ++i)
    {
      const IMidiMsg* m = &msgs[i];
      const Byte bytes[3] = {m->mStatus, m->mData1, m->mData2};
      const MIDITimeStamp t = MIDITimeStamp(std::max(m->mOffset, 0));
      MIDIPacket* next = packet;
      for (int b = 0; b < 3 && next; ++b)
        next = MIDIPacketListAdd(list, sizeof buffer, next, t, 1, &bytes[b]);
      if (!next) break; // the list is full: send it and start the next one with this message
      packet = next;
      ++added;
    }
    if (!added) return false;
    ok = mMidiCallback.midiOutputCallback(mMidiCallback.userData, &mLastRenderTimeStamp, 0, list) == noErr &&
         ok;
  }
  return ok;
}

bool IPluginAU::SendSysEx(const SysExView& msg)
{
  if (!mMidiCallback.midiOutputCallback) return false;
  if (msg.mSize < 0 || (msg.mSize > 0 && !msg.mData)) return false;
  alignas(MIDIPacketList) Byte buffer[kPacketListBytes];
  auto* list = reinterpret_cast<MIDIPacketList*>(buffer);
  const MIDITimeStamp t = MIDITimeStamp(std::max(msg.mOffset, 0));
  bool ok = true;
  int pos = 0;
  do
  {
    MIDIPacket* packet = MIDIPacketListInit(list);
    int added = 0;
    while (pos < msg.mSize)
    {
      const int n = std::min(kSysExChunk, msg.mSize - pos);
      MIDIPacket* next = MIDIPacketListAdd(list, sizeof buffer, packet, t, ByteCount(n), msg.mData + pos);
      if (!next) break;
      packet = next;
      pos += n;
      ++added;
    }
    if (!added && msg.mSize > 0) return false;
    ok = mMidiCallback.midiOutputCallback(mMidiCallback.userData, &mLastRenderTimeStamp, 0, list) == noErr &&
         ok;
  } while (pos < msg.mSize);
  return ok;
}
} // namespace iplugin
