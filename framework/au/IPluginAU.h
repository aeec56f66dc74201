// The Audio Unit (version 2) binding of the plug-in core. The host reaches an instance through one of
// two doors (the Component Manager entry or the Audio Component factory's method table, see
// AUComponentInterface.h); both end in the members below. Property, parameter and listener calls run
// on the host's main or parameter thread, Render on its audio thread; no selector takes a lock.
// Every value the host hands in (scope, element, parameter id, size, pointer) is checked first and
// answered with the platform's status code.
#pragma once

#include "framework/IPluginAPIBase.h"
#include "framework/IPluginProcessor.h"
#include "framework/PtrList.h"
#include "framework/SnapshotList.h"
#include "framework/StringBuf.h"
#include "framework/TypedBuf.h"

#include <AudioToolbox/AudioToolbox.h>
#include <AudioUnit/AudioUnit.h>
#include <CoreFoundation/CoreFoundation.h>
#include <CoreMIDI/CoreMIDI.h>

#include <atomic>

namespace iplugin
{
struct PropertyReply;

// What the factory hands to every new instance: the class name of its Cocoa view factory.
struct InstanceInfo
{
  StringBuf mCocoaViewFactoryClassName;
};

// Private property through which the view factory finds the plug-in object behind a unit.
constexpr AudioUnitPropertyID kIPluginAUPropertyPlugObject = AudioUnitPropertyID(-101);

class IPluginAU : public IPluginAPIBase, public IPluginProcessor
{
public:
  // One bus of one direction.
  struct BusChannels
  {
    bool mConnected = false;
    int mNHostChannels = -1; // agreed through StreamFormat; -1 while not set
    int mNPlugChannels = 0;  // the most the channel-I/O configurations allow on this bus
    int mPlugChannelStartIdx = 0;
  };

  enum EConnectionType
  {
    kNotConnected = 0,
    kDirectFastProc,
    kDirectNoFastProc,
    kRenderCallback
  };

  // How one input bus gets its audio.
  struct InputBusConnection
  {
    void* mUpstreamObj = nullptr;
    AudioUnit mUpstreamUnit = nullptr;
    int mUpstreamBusIdx = 0;
    AudioUnitRenderProc mUpstreamRenderProc = nullptr;
    AURenderCallbackStruct mUpstreamRenderCallback = {};
    int mInputType = kNotConnected;
  };

  struct PropertyListener
  {
    AudioUnitPropertyID mPropID = 0;
    AudioUnitPropertyListenerProc mListenerProc = nullptr;
    void* mProcArgs = nullptr;
  };

  IPluginAU(const InstanceInfo& info, const PluginConfig& config);
  ~IPluginAU() override;

  // Makes a plug-in object in memory, or allocates it when memory is null; null on failure.
  using CreateFunc = IPluginAU* (*)(void* memory);

  // Component Manager door: the selector's parameters and the instance storage (null for Open, which
  // makes the object through create).
  static OSStatus DispatchComponentSelector(ComponentParameters* params, IPluginAU* plug, CreateFunc create);
  // Audio Component door: each method receives the interface record first.
  static OSStatus MethodInitialize(void* self);
  static OSStatus MethodUninitialize(void* self);
  static OSStatus MethodGetPropertyInfo(void* self, AudioUnitPropertyID prop, AudioUnitScope scope,
                                        AudioUnitElement elem, UInt32* outDataSize, Boolean* outWritable);
  static OSStatus MethodGetProperty(void* self, AudioUnitPropertyID inID, AudioUnitScope inScope,
                                    AudioUnitElement inElement, void* outData, UInt32* ioDataSize);
  static OSStatus MethodSetProperty(void* self, AudioUnitPropertyID inID, AudioUnitScope inScope,
                                    AudioUnitElement inElement, const void* inData, UInt32 inDataSize);
  static OSStatus MethodGetParameter(void* self, AudioUnitParameterID param, AudioUnitScope scope,
                                     AudioUnitElement elem, AudioUnitParameterValue* value);
  static OSStatus MethodSetParameter(void* self, AudioUnitParameterID param, AudioUnitScope scope,
                                     AudioUnitElement elem, AudioUnitParameterValue value,
                                     UInt32 bufferOffset);
  static OSStatus MethodReset(void* self, AudioUnitScope scope, AudioUnitElement elem);
  static OSStatus MethodAddPropertyListener(void* self, AudioUnitPropertyID prop,
                                            AudioUnitPropertyListenerProc proc, void* userData);
  static OSStatus MethodRemovePropertyListener(void* self, AudioUnitPropertyID prop,
                                               AudioUnitPropertyListenerProc proc);
  static OSStatus MethodRemovePropertyListenerWithUserData(void* self, AudioUnitPropertyID prop,
                                                           AudioUnitPropertyListenerProc proc,
                                                           void* userData);
  static OSStatus MethodRender(void* self, AudioUnitRenderActionFlags* ioActionFlags,
                               const AudioTimeStamp* inTimeStamp, UInt32 inOutputBusNumber,
                               UInt32 inNumberFrames, AudioBufferList* ioData);
  static OSStatus MethodAddRenderNotify(void* self, AURenderCallback proc, void* userData);
  static OSStatus MethodRemoveRenderNotify(void* self, AURenderCallback proc, void* userData);
  static OSStatus MethodScheduleParameters(void* self, const AudioUnitParameterEvent* events,
                                           UInt32 numEvents);

  // The CanDo answer: 1 for every selector that is handled.
  static OSStatus CanDo(SInt16 selector, const IPluginAU* plug);
  // The text for diagnostics of a connection kind.
  static const char* InputTypeName(int type);

  // Lifecycle (main thread).
  OSStatus Initialize();
  OSStatus Uninitialize();
  // Forgets the bus agreements and connections; the Component Manager door's Close does it first.
  void ResetBusesForClose();
  void SetComponentInstance(AudioComponentInstance ci) { mCI = ci; }

  // Properties. GetProperty without a data pointer is GetPropertyInfo: only size and writable.
  OSStatus GetProperty(AudioUnitPropertyID propID, AudioUnitScope scope, AudioUnitElement element,
                       UInt32* pDataSize, Boolean* pWriteable, void* pData);
  OSStatus SetProperty(AudioUnitPropertyID propID, AudioUnitScope scope, AudioUnitElement element,
                       UInt32* pDataSize, const void* pData);

  // Parameters.
  OSStatus GetParamProc(AudioUnitParameterID paramID, AudioUnitScope scope, AudioUnitElement element,
                        AudioUnitParameterValue* pValue);
  OSStatus SetParamProc(AudioUnitParameterID paramID, AudioUnitScope scope, AudioUnitElement element,
                        AudioUnitParameterValue value, UInt32 offsetFrames);
  OSStatus ScheduleParameters(const AudioUnitParameterEvent* events, UInt32 nEvents);

  // Listeners and render notifications (main thread). A null procedure is refused with -50, a
  // registration that cannot be stored with -108; Render and the notifications read the lists without
  // a lock.
  OSStatus Reset();
  OSStatus AddPropertyListener(AudioUnitPropertyID propID, AudioUnitPropertyListenerProc proc,
                               void* userData);
  OSStatus RemovePropertyListener(AudioUnitPropertyID propID, AudioUnitPropertyListenerProc proc);
  OSStatus RemovePropertyListenerWithUserData(AudioUnitPropertyID propID, AudioUnitPropertyListenerProc proc,
                                              void* userData);
  OSStatus AddRenderNotify(AURenderCallback proc, void* refCon);
  OSStatus RemoveRenderNotify(AURenderCallback proc, void* refCon);

  // Music device selectors (only for plug-ins that take MIDI input).
  OSStatus MIDIEvent(UInt32 status, UInt32 data1, UInt32 data2, UInt32 offsetSampleFrame);
  OSStatus SysEx(const UInt8* data, UInt32 length);

  // Audio thread: one block of one output bus.
  OSStatus Render(AudioUnitRenderActionFlags* pFlags, const AudioTimeStamp* pTimestamp, UInt32 outputBusIdx,
                  UInt32 nFrames, AudioBufferList* pOutBufList);
  // Recomputes every input connection kind and the processor's input channel connections.
  void AssessInputConnections();
  // Fills the processor's transport information from the host callbacks.
  void ReadHostTimeInfo();

  // Host notifications of the plug-in chain.
  void NotifyParameterListChanged() override;
  void NotifyPresentPresetChanged() override;
  void NotifyHostGestureBegin(int paramIdx) override;
  void NotifyHostGestureEnd(int paramIdx) override;
  void NotifyHostParamValue(int paramIdx, double normalizedValue) override;

  // MIDI and system-exclusive output to the host's MIDI output callback; false without one.
  bool SendMidiMsg(const IMidiMsg& msg) override;
  bool SendMidiMsgs(const IMidiMsg* msgs, int count) override;
  bool SendSysEx(const SysExView& msg) override;
  // Stores the latency, then tells every Latency listener.
  void SetLatency(int samples) override;

  // The ClassInfo state (a dictionary the caller owns) and its restore.
  virtual OSStatus SaveStateToClassInfo(CFPropertyListRef* ppPropList);
  virtual OSStatus RestoreStateFromClassInfo(CFPropertyListRef pPropList);

  // ClassInfo helpers.
  static void SetClassInfoString(CFMutableDictionaryRef dict, const char* key, const char* value);
  // Copies at most size - 1 bytes (whole UTF-8 characters) of the string under key into dest.
  static bool GetClassInfoName(CFDictionaryRef dict, const char* key, char* dest, int size);
  static bool GetClassInfoData(CFDictionaryRef dict, const char* key, ByteChunk& chunk);

  // The factory presets as a new array of AUPreset records (null when it cannot be made).
  CFMutableArrayRef CreateFactoryPresetArray() const;

  // The presets a host lists and chooses as factory presets. By default the preset records; a plug-in
  // that keeps its factory presets in a list of its own answers from that list instead.
  virtual int NHostPresets() const { return NPresets(); }
  virtual const char* GetHostPresetName(int idx) const { return GetPresetName(idx); }
  virtual bool RestoreHostPreset(int idx) { return RestorePreset(idx); }
  // The number the PresentPreset property answers.
  virtual int GetHostPresetIdx() const { return GetCurrentPresetIdx(); }

  // Read access for tests and the view factory.
  int NInputBuses() const { return mInBuses.Count(); }
  int NOutputBuses() const { return mOutBuses.Count(); }
  const BusChannels* GetBus(AudioUnitScope scope, int busIdx) const;
  const InputBusConnection* GetInputConnection(int busIdx) const { return mInBusConnections.Get(busIdx); }
  int NPropertyListeners() const { return mPropertyListeners.Count(); }
  int NRenderNotifies() const { return mRenderNotify.Count(); }
  double GetLastRenderSampleTime() const { return mLastRenderSampleTime.load(std::memory_order_relaxed); }
  const AudioTimeStamp& GetLastRenderTimeStamp() const { return mLastRenderTimeStamp; }
  const char* GetCocoaViewClassName() const { return mCocoaViewFactoryClassName.Get(); }

protected:
  // The parameter group (clump) list that ParameterInfo fills in order of first use.
  int NParamGroups() const { return mParamGroups.Count(); }
  const char* GetParamGroupName(int idx) const;
  int AddParamGroup(const char* name);

private:
  int NHostChannelsConnected(const PtrList<BusChannels>& buses, int excludeIdx = -1) const;
  bool CheckLegalIO(AudioUnitScope scope, int busIdx, int nChannels) const;
  void InformListeners(AudioUnitPropertyID propID, AudioUnitScope scope);
  void SendAUEvent(AudioUnitEventType type, int paramIdx);
  void ResizeScratchBuffers();
  void ClearLastRenderTime() { mLastRenderSampleTime.store(-1.0, std::memory_order_relaxed); }

  // Property helpers (GetProperty / SetProperty split by subject). GetProperty hands each group the
  // properties it answers.
  OSStatus GetUnitProperty(AudioUnitPropertyID propID, const PropertyReply& reply);
  OSStatus GetFormatProperty(AudioUnitPropertyID propID, const PropertyReply& reply);
  OSStatus GetProcessingProperty(AudioUnitPropertyID propID, const PropertyReply& reply);
  OSStatus GetConnectionProperty(AudioUnitPropertyID propID, const PropertyReply& reply);
  OSStatus GetParameterProperty(AudioUnitPropertyID propID, const PropertyReply& reply);
  OSStatus GetParamInfo(AudioUnitScope scope, AudioUnitElement element, UInt32* pDataSize, void* pData);
  OSStatus GetParamValueStrings(AudioUnitScope scope, AudioUnitElement element, UInt32* pDataSize,
                                void* pData);
  OSStatus GetChannelLayoutTags(AudioUnitScope scope, AudioUnitElement element, UInt32* pDataSize,
                                Boolean* pWriteable, void* pData);
  // The four parameter text records (string from value, name, clump name, value from string).
  OSStatus GetParamTextProperty(AudioUnitPropertyID propID, bool global, UInt32* pDataSize, void* pData);
  OSStatus GetCocoaViewInfo(AudioUnitCocoaViewInfo& info) const;
  OSStatus SetStreamFormat(AudioUnitScope scope, AudioUnitElement element,
                           const AudioStreamBasicDescription& asbd);
  OSStatus MakeConnection(AudioUnitScope scope, const AudioUnitConnection& conn);
  OSStatus SetRenderCallback(AudioUnitScope scope, AudioUnitElement element,
                             const AURenderCallbackStruct& cb);
  OSStatus SetHostIdentifier(const AUHostIdentifier& id);
  OSStatus SetPresetFromHost(SInt32 presetNumber);
  void IdentifyHostFromMainBundle();
  // Applies a host value to one parameter: stepped, clamped, queued for the editor, then handled.
  void ApplyHostParamValue(int paramIdx, double value, int sampleOffset);
  bool ValidParamIdx(AudioUnitParameterID paramID) const { return paramID < UInt32(NParams()); }
  OSStatus PullInputs(const AudioTimeStamp* pTimestamp, UInt32 nFrames);
  void SendSysExFromQueue();

  bool mActive = false;
  // Written by Render, cleared by Reset and Initialize on the main thread.
  std::atomic<double> mLastRenderSampleTime{-1.0};
  StringBuf mCocoaViewFactoryClassName;
  AudioComponentInstance mCI = nullptr;
  HostCallbackInfo mHostCallbacks = {};
  PtrList<BusChannels> mInBuses{4096};
  PtrList<BusChannels> mOutBuses{4096};
  PtrList<InputBusConnection> mInBusConnections{4096};
  // Read by notifications on any thread (the latency one may come from the audio thread).
  SnapshotList<PropertyListener> mPropertyListeners;
  TypedBuf<Float32> mInScratchBuf{4096};
  TypedBuf<Float32> mOutScratchBuf{4096};
  // Read by Render on the audio thread.
  SnapshotList<AURenderCallbackStruct> mRenderNotify;
  AUMIDIOutputCallbackStruct mMidiCallback = {};
  AudioTimeStamp mLastRenderTimeStamp = {};
  PtrList<StringBuf> mParamGroups{4096};
};
} // namespace iplugin
