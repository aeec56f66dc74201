// The layer of the plug-in class chain between the plug-in base and a format binding: host
// identification, the lock-free queues between the audio thread and the main thread, the 20 ms idle
// timer that drains them into the editor and then gives the plug-in its idle tick, and the road of
// parameter changes from the editor to the host.
//
// Threads: the idle timer, the editor and host property calls run on the main thread; the host may set
// parameters (SendParameterValueFromAPI) from its main thread and its render thread at once.
#pragma once

#include "framework/IPluginBase.h"
#include "framework/IPluginQueue.h"
#include "framework/ParamTuple.h"
#include "framework/PluginConfig.h"
#include "framework/Timer.h"

#include <memory>

namespace iplugin
{
class IPluginAPIBase : public IPluginBase
{
public:
  static constexpr int kParamQueueSize = 513;
  static constexpr int kMidiQueueSize = 33;
  static constexpr int kSysExQueueSize = 5;
  static constexpr uint32_t kIdleIntervalMs = 20;

  IPluginAPIBase(const PluginConfig& config, EAPI plugAPI);
  ~IPluginAPIBase() override;

  // Starts the 20 ms idle timer, replacing any previous one.
  void CreateTimer();
  // Stops and deletes the idle timer. The owner calls it before it deletes the plug-in, so that no tick
  // reaches a plug-in whose derived parts are already gone; harmless when there is no timer.
  void StopTimer();
  // The idle step: drains the queues towards the editor (when the plug-in has one), then OnIdleTick.
  void OnTimer(Timer& timer);

  // Called by the binding when it identifies the host; a null name keeps the name and gives id 0.
  void SetHost(const char* host, int version);

  // The editor's parameter change towards the host.
  void SetParameterValueNormalized(int paramIdx, double normalizedValue, bool callHandler);

  // Operations of the plug-in class chain.
  virtual void InformHostOfAllParams();
  void BeginInformHostOfParamChangeFromUI(int paramIdx) override { NotifyHostGestureBegin(paramIdx); }
  void SetParamNormalizedFromUI(int paramIdx, double normalizedValue, bool callHandler = true) override;
  void EndInformHostOfParamChangeFromUI(int paramIdx) override { NotifyHostGestureEnd(paramIdx); }
  bool EditorResizeFromUI(int viewWidth, int viewHeight, bool needsPlatformResize) override;
  void SendMidiMsgFromUI(const IMidiMsg& msg) override { QueueMidiMsgFromUI(msg); }
  void SendSysexMsgFromUI(const SysExView& msg) override { QueueSysexMsgFromUI(msg); }
  void SendArbitraryMsgFromUI(int msgTag, int ctrlTag = -1, int dataSize = 0,
                              const void* pData = nullptr) override
  {
    HandleMessage(msgTag, ctrlTag, dataSize, pData);
  }
  // Towards the audio thread; a full queue drops the message. A system-exclusive message longer than a
  // queue record (512 bytes) is dropped rather than cut.
  virtual void QueueMidiMsgFromUI(const IMidiMsg& msg) { mMidiMsgsFromEditor.Push(msg); }
  virtual void QueueSysexMsgFromUI(const SysExView& msg);

  // True when every parameter's value equals values[startIdx + i] as 32-bit floats (within 1e-5).
  virtual bool CompareParamValues(const double* values, int startIdx) const;
  virtual void OnHostIdentified() {}
  virtual int SerializeParamIndices(int nParams, ByteChunk& chunk);
  virtual igraphics::IGraphicsInterface* GetOpenGraphics() const { return IsEditorOpen() ? GetUI() : nullptr; }
  virtual void OnIdleTick() {}
  virtual void LogBuildInfo() {}
  // The host side's way to the editor: {index, real value} into the parameter queue (dropped when full).
  // Safe from several threads at once; never locks or allocates.
  virtual void SendParameterValueFromAPI(int paramIdx, double value, bool normalized);
  virtual void HostSpecificInit() {}
  virtual bool ResizeEditorWindow(int viewWidth, int viewHeight) { return false; }
  virtual void NotifyHostGestureBegin(int paramIdx) {}
  virtual void NotifyHostGestureEnd(int paramIdx) {}
  virtual void NotifyHostParamValue(int paramIdx, double normalizedValue) {}

protected:
  std::unique_ptr<Timer> mTimer;
  IPluginQueue<ParamTuple> mParamChangeFromProcessor{kParamQueueSize};
  IPluginQueue<IMidiMsg> mMidiMsgsFromEditor{kMidiQueueSize};
  IPluginQueue<IMidiMsg> mMidiMsgsFromProcessor{kMidiQueueSize};
  IPluginQueue<SysExData> mSysExDataFromEditor{kSysExQueueSize};
  IPluginQueue<SysExData> mSysExDataFromProcessor{kSysExQueueSize};
  // The binding's render call holds each system-exclusive message from the editor here.
  SysExData mSysexBuf;
};
} // namespace iplugin
