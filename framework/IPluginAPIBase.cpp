#include "framework/IPluginAPIBase.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace iplugin
{
namespace
{
constexpr int kNameLimit = 128;

// The real value for a normalised value from the editor: shaped, stepped, clamped, stepped and clamped.
double RealFromNormalized(const IParam& param, double normalizedValue)
{
  double value = param.FromNormalized(normalizedValue);
  if (param.GetStepped() && param.GetStep() > 0.0)
    value = std::round(value / param.GetStep()) * param.GetStep();
  return param.Constrain(std::clamp(value, param.GetMin(), param.GetMax()));
}
} // namespace

IPluginAPIBase::IPluginAPIBase(const PluginConfig& config, EAPI plugAPI)
    : IPluginBase(config.paramCount, config.presetCount)
{
  mUniqueID = config.uniqueId;
  mMfrID = config.makerId;
  mVersion = config.version;
  mPluginName.Set(config.pluginName, kNameLimit);
  mProductName.Set(config.productName, kNameLimit);
  mMfrName.Set(config.makerName, kNameLimit);
  mHasUI = config.hasUI;
  mStateChunks = config.stateChunks;
  SetEditorSize(config.width, config.height);
  SetSizeConstraints(std::min(config.minWidth, config.maxWidth), std::max(config.minWidth, config.maxWidth),
                     std::min(config.minHeight, config.maxHeight),
                     std::max(config.minHeight, config.maxHeight));
  mAPI = plugAPI;
  mBundleID.Set(config.bundleId);
  mHostName.Set("Unknown");
}

IPluginAPIBase::~IPluginAPIBase()
{
  StopTimer();
}

void IPluginAPIBase::CreateTimer()
{
  mTimer = Timer::Create([this](Timer& timer) { OnTimer(timer); }, kIdleIntervalMs);
}

void IPluginAPIBase::StopTimer()
{
  if (mTimer)
  {
    mTimer->Stop();
    mTimer.reset();
  }
}

void IPluginAPIBase::OnTimer(Timer& timer)
{
  if (mHasUI)
  {
    ParamTuple p;
    while (mParamChangeFromProcessor.Pop(p))
      SendParameterValueFromDelegate(p.idx, p.value, false);

    IMidiMsg msg;
    while (mMidiMsgsFromProcessor.Pop(msg))
      SendMidiMsgFromDelegate(msg);

    SysExData data;
    while (mSysExDataFromProcessor.Pop(data))
    {
      SendSysexMsgFromDelegate(SysExView(data));
      data = SysExData();
    }
  }
  // Last: the tick may close the instance.
  OnIdleTick();
}

void IPluginAPIBase::SetHost(const char* host, int version)
{
  if (host)
  {
    mHostName.Set(host);
    mHost = LookUpHost(host);
  }
  else
    mHost = kHostUnknown;
  mHostVersion = version;
  HostSpecificInit();
  OnHostIdentified();
}

void IPluginAPIBase::SetParameterValueNormalized(int paramIdx, double normalizedValue, bool callHandler)
{
  IParam* param = GetParam(paramIdx);
  if (!param) return;
  param->Set(RealFromNormalized(*param, normalizedValue));
  NotifyHostParamValue(paramIdx, normalizedValue);
  if (callHandler) HandleParamChange(paramIdx, kUI, -1);
}

void IPluginAPIBase::SetParamNormalizedFromUI(int paramIdx, double normalizedValue, bool callHandler)
{
  IParam* param = GetParam(paramIdx);
  if (!param) return;
  SetParameterValueNormalized(paramIdx, normalizedValue, callHandler);
  param->Set(RealFromNormalized(*param, normalizedValue));
  HandleParamChangeUI(paramIdx, kUI);
}

bool IPluginAPIBase::EditorResizeFromUI(int viewWidth, int viewHeight, bool needsPlatformResize)
{
  return needsPlatformResize ? ResizeEditorWindow(viewWidth, viewHeight) : true;
}

void IPluginAPIBase::QueueSysexMsgFromUI(const SysExView& msg)
{
  if (msg.mSize < 0 || msg.mSize > SysExData::kMaxBytes) return;
  SysExData data;
  data.mOffset = msg.mOffset;
  data.mSize = msg.mSize;
  if (msg.mData && msg.mSize > 0) std::memcpy(data.mData, msg.mData, size_t(msg.mSize));
  mSysExDataFromEditor.Push(data);
}

void IPluginAPIBase::InformHostOfAllParams()
{
  for (int i = 0; i < NParams(); ++i)
    NotifyHostParamValue(i, GetParam(i)->GetNormalized());
}

bool IPluginAPIBase::CompareParamValues(const double* values, int startIdx) const
{
  for (int i = 0; i < NParams(); ++i)
  {
    const float a = float(GetParam(i)->Value());
    const float b = float(values[startIdx + i]);
    if (!(std::fabs(a - b) < 1e-5f)) return false;
  }
  return true;
}

int IPluginAPIBase::SerializeParamIndices(int nParams, ByteChunk& chunk)
{
  if (nParams < 1 || nParams >= NParams()) return NParams();
  for (int32_t i = 0; i < nParams; ++i)
    chunk.Put(&i);
  return nParams;
}

void IPluginAPIBase::SendParameterValueFromAPI(int paramIdx, double value, bool normalized)
{
  const IParam* param = GetParam(paramIdx);
  if (!param) return;
  if (normalized) value = param->Constrain(param->FromNormalized(value));
  mParamChangeFromProcessor.Push(ParamTuple{paramIdx, value});
}
} // namespace iplugin
