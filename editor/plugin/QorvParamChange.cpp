// The parameter-change handler and the editor's message tags.
#include "framework/Hosts.h"
#include "graphics/interface/IGraphicsInterface.h"
#include "editor/plugin/Qorv.h"

#include <cstring>

namespace iplugin
{
void Qorv::HandleParamChange(int paramIdx, EParamSource source, int sampleOffset)
{
  if (source == kHost)
  {
    const IParam* p = GetParam(paramIdx);
    if (!p || !p->GetCanAutomate()) return;
  }
  else if (source != kReset && source != kPresetRecall && source != kUI)
    return;

  if (paramIdx >= kParamFirstChannel && paramIdx < kParamFirstOutput)
  {
    const int rel = paramIdx - kParamFirstChannel;
    HandleChannelParam(paramIdx, rel / kParamsPerChannel, rel % kParamsPerChannel,
                       GetParam(paramIdx)->Value());
  }
  else if (paramIdx >= 0 && paramIdx < kNumParams)
    HandleGlobalParam(paramIdx, GetParam(paramIdx)->Value());
  else if (paramIdx >= kNumParams)
    HandleTag(paramIdx);
  else
    return;
  UpdateLatencyAfterChange();
}

void Qorv::HandleChannelParam(int paramIdx, int c, int k, double v)
{
  ChannelParamState& r = mEngine->mChannels[c];
  switch (k)
  {
  case kChannelMod:
  case kChannelSolo:
  {
    Relaxed<uint32_t>& field = k == kChannelMod ? r.mModerator : r.mSolo;
    const uint32_t m = uint32_t(int(v));
    if (m == field) return;
    field = m;
    if (k == kChannelMod) mEngine->mModeratorIndex = 0;
    if (m == 1)
    {
      if (k == kChannelMod) mEngine->mModeratorIndex = uint32_t(c + 1);
      MakeExclusive(c, k);
    }
    break;
  }
  case kChannelMono:
    r.mMono = uint32_t(int(v));
    break;
  case kChannelMute:
    r.mMute = uint32_t(int(v));
    break;
  case kChannelPreGain:
    r.mPreGainDb = v;
    break;
  case kChannelPan:
    r.mPan = v;
    break;
  case kChannelBypass:
    r.mBypass = uint32_t(int(v));
    break;
  case kChannelWeight:
    r.mWeightDb = v;
    break;
  default:
    break;
  }
}

// Only one channel holds Mod. (or Solo): every other one that is on is switched off, host and editor told.
void Qorv::MakeExclusive(int c, int k)
{
  for (int j = 0; j < kNumParamChannels; ++j)
  {
    if (j == c) continue;
    ChannelParamState& other = mEngine->mChannels[j];
    Relaxed<uint32_t>& field = k == kChannelMod ? other.mModerator : other.mSolo;
    field = 0;
    const int idx = ChannelParamIdx(j, k);
    IParam* p = GetParam(idx);
    if (p->Value() != 0.0)
    {
      SetParameterValueNormalized(idx, p->ToNormalizedClamped(0.0), false);
      SendParameterValueFromDelegate(idx, 0.0, false);
    }
    field = uint32_t(int(p->Value()));
  }
}

void Qorv::HandleGlobalParam(int paramIdx, double v)
{
  MixerEngine& e = *mEngine;
  const uint32_t i = uint32_t(int(v));
  auto Changed = [](auto& mirror, auto value)
  {
    if (mirror == value) return false;
    mirror = value;
    return true;
  };
  switch (paramIdx)
  {
  case kParamGuiScale:
    if (Changed(e.mGuiScale, v)) mGuiRescaleRequested = 1;
    break;
  case kParamToggleTooltips:
    // The editor's tooltips follow through the idle tick's visibility pass, on the main thread.
    if (Changed(e.mToggleTooltips, i)) RequestControlVisibility();
    break;
  case kParamPluginMode:
    if (Changed(e.mPluginMode, i)) RequestControlVisibility();
    break;
  case kParamChannelCount:
    e.mChannelCount = i;
    break;
  case kParamGroupNumber:
    if (Changed(e.mGroupNumber, i)) RequestControlVisibility();
    break;
  case kParamSpeechPreFilter:
    e.mSpeechPreFilter = i;
    break;
  case kParamPreDelay:
    if (Changed(e.mPreDelay, i)) e.UpdateEnvelopeCoefficients();
    break;
  case kParamNoiseGate:
    if (Changed(e.mNoiseGate, v)) e.UpdateEnvelopeCoefficients();
    break;
  case kParamMixMode:
    e.mMixMode = i;
    break;
  case kParamModAttn:
    e.mModAttn = v;
    break;
  case kParamAttack:
    if (Changed(e.mAttack, v)) e.UpdateEnvelopeCoefficients();
    break;
  case kParamHold:
    if (Changed(e.mHold, v)) e.UpdateEnvelopeCoefficients();
    break;
  case kParamRelease:
    if (Changed(e.mRelease, v)) e.UpdateEnvelopeCoefficients();
    break;
  case kParamStrength:
    e.mStrength = v;
    break;
  case kParamWriteAutomation:
    if (Changed(e.mWriteAutomation, i) && GetHost() != kHostReason && i <= 1)
    {
      for (int n = 0; n < mOutputParams.GetSize(); ++n)
      {
        if (i == 1)
          NotifyHostGestureBegin(mOutputParams.Get()[n]);
        else
          NotifyHostGestureEnd(mOutputParams.Get()[n]);
      }
    }
    break;
  case kParamMainVolume:
    e.mMainVolume = v;
    break;
  case kParamMultiChannelOutput:
    Changed(e.mMultiChannelOutput, i);
    break;
  case kParamOnlineUpdateCheck:
    // The check follows the parameter's value.
    e.mOnlineUpdateCheck = i;
    mOnlineUpdateCheckState = int(i);
    break;
  case kParamPropagateSenderGain:
    Changed(e.mPropagateSenderGain, i);
    break;
  case kParamDawSync:
    Changed(e.mDawSync, i);
    break;
  case kParamReverseMixing:
    if (Changed(e.mReverseMixing, i)) RequestControlVisibility();
    break;
  default:
    break; // the output parameters are written by the plug-in itself
  }
}

bool Qorv::WithEditor() const
{
  return IsEditorOpen() && GetUI();
}

void Qorv::SetGuiScaleFromTag(double scale, bool requestRescale)
{
  mEngine->mGuiScale = scale;
  SetParamValueFromUI(kParamGuiScale, false, scale);
  if (requestRescale) mGuiRescaleRequested = 1;
}

void Qorv::HandleTag(int tag)
{
  switch (tag)
  {
  case kTagAbout:
    if (WithEditor() && !mAboutRequested) mAboutRequested = 1;
    break;
  case kTagUpdatePage:
    if (WithEditor() && !mUpdatePageRequested) mUpdatePageRequested = 1;
    break;
  case kTagResetSendSlots:
    if (mEngine->mPluginMode <= kPluginModeExtMixer) mEngine->mResetRequest = 1;
    break;
  case kTagLoadPreset:
    if (WithEditor()) LoadPresetFromPath(mPresetMenuPath.Get());
    break;
  case kTagSavePreset:
    // No path: the user cancelled the save dialog, and nothing is to be done.
    if (WithEditor() && *mPresetMenuPath.Get() && !SavePresetToPath(mPresetMenuPath.Get()))
      ReportSaveFailure(mPresetMenuPath.Get());
    break;
  case kTagSaveDefaultPreset:
    if (WithEditor() && !SaveDefaultPreset(*this, AUFolder()))
    {
      StringBuf path;
      PresetFilePath(path, AUFolder(), "default");
      ReportSaveFailure(path.Get());
    }
    break;
  case kTagRebuildUserPresets:
    if (WithEditor()) RebuildUserPresets();
    break;
  case kTagGuiScaleFromEditor:
    // The editor already has this scale: no rescale.
    if (WithEditor()) SetGuiScaleFromTag(GetUI()->GetDrawScale(), false);
    break;
  case kTagGuiScaleReset:
    SetGuiScaleFromTag(1.0, true);
    break;
  case kTagGuiScaleMinimum:
    SetGuiScaleFromTag(GetParam(kParamGuiScale)->GetMin(), true);
    break;
  case kTagFixedGuiScale:
    if (const IParam* fixed = FixedGuiScaleParam())
      SetGuiScaleFromTag(GuiScaleForChoice(*GetParam(kParamGuiScale), fixed->Int()), true);
    break;
  default:
    break;
  }
}

void Qorv::UpdateLatencyAfterChange()
{
  const uint32_t latency = mEngine->ComputeLatency();
  mEngine->mWantedLatency = latency;
  mPDCLatency = latency;
  switch (GetHost())
  {
  case kHostFL:
  case kHostLogic:
  case kHostGarageBand:
  case kHostStudioOne:
  case kHostWaveform:
  case kHostSadie:
    if (GetLatency() != int(latency)) UpdateHostLatency(*this, int(latency));
    break;
  default:
    break;
  }
}

void Qorv::SetParamValueFromUI(int paramIdx, bool normalized, double value)
{
  IParam* p = GetParam(paramIdx);
  if (!p) return;
  if (normalized)
  {
    if (p->GetNormalized() == value) return;
    const double n = value < 0.0 ? 0.0 : (value > 1.0 ? 1.0 : value);
    SetParameterValueNormalized(paramIdx, n, false);
    SendParameterValueFromDelegate(paramIdx, n, true);
    return;
  }
  if (p->Value() == value) return;
  SetParameterValueNormalized(paramIdx, p->ToNormalizedClamped(value), false);
  SendParameterValueFromDelegate(paramIdx, value, false);
}

bool Qorv::LoadPresetFromPath(const char* path)
{
  return path && *path && LoadPresetFileAndApply(*this, path);
}

void Qorv::PresetNameFromPath(const char* path, StringBuf& name)
{
  const char* slash = path ? std::strrchr(path, '/') : nullptr;
  const char* start = slash ? slash + 1 : (path ? path : "");
  const char* dot = std::strrchr(start, '.');
  const size_t len = dot && dot > start ? size_t(dot - start) : std::strlen(start);
  name.SetFormatted(1024, "%.*s", int(len > 1023 ? 1023 : len), start);
}

bool Qorv::SavePresetToPath(const char* path)
{
  if (!path || !*path) return false;
  StringBuf name;
  PresetNameFromPath(path, name);
  return WritePresetFile(*this, path, name.Get());
}

void Qorv::ReportSaveFailure(const char* path)
{
  StringBuf text;
  text.SetFormatted(1200, "The preset could not be saved to %s. The file that was there is unchanged.",
                    path && *path ? path : "(no file chosen)");
  RequestMessageBox(text.Get(), "Qorv");
}

void Qorv::RebuildUserPresets()
{
  mPresetLists.RebuildUserPresetList(*this, *this, DataFolder(), mStateFilterOn);
}
} // namespace iplugin
