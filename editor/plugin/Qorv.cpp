#include "editor/plugin/Qorv.h"

#include <cerrno>
#include <cstring>

#include "framework/Hosts.h"
#include "mixer/SendSlot.h"

namespace iplugin
{
namespace
{
constexpr const char* kAltPluginNames[] = {"Qor", nullptr};
} // namespace

PluginConfig Qorv::MakeConfig()
{
  PluginConfig c;
  c.paramCount = kNumParams;
  c.presetCount = 1;
  c.channelIO = "1-1 2-2";
  c.pluginName = "Qorv";
  c.productName = "Qorv";
  c.makerName = "Lumenkraft";
  c.version = (2 << 16) + (1 << 8) + 2;
  c.uniqueId = int(FourCC("LK54"));
  c.makerId = int(FourCC("Lmkr"));
  c.latency = 0;
  c.maxBlockSize = kSendBlockFrames; // what a send slot carries
  c.midiIn = false;
  c.midiOut = false;
  c.mpe = false;
  c.stateChunks = true;
  c.pluginKind = 0;
  c.hasUI = true;
  c.width = 875;
  c.height = 580;
  c.minWidth = 437;
  c.maxWidth = 1750;
  c.minHeight = 290;
  c.maxHeight = 1160;
  c.hostResize = false;
  c.bundleId = "com.Lumenkraft.audiounit.Qorv";
  return c;
}

Qorv::Qorv(const InstanceInfo& info)
    : IPluginAU(info, MakeConfig()), IMPlugPaths(this), mEngine(std::make_unique<MixerEngine>())
{
  if (!CreatePluginFolders())
  {
    // The instance carries on without its folder; the user learns why presets will not save.
    StringBuf text;
    text.SetFormatted(1200, "Qorv cannot create its data folder %s: %s. Presets cannot be saved there.",
                      AUFolder(), std::strerror(errno));
    RequestMessageBox(text.Get(), "Qorv");
  }

  // The engine only reads its inputs.
  mInputsReadOnly = true;
  mPresetLists.mDynamicPresets = true;
  mStateFilterKeys = PresetParamKeys();
  mFilterKeys = PresetParamKeys();
  mFilterOn = true;
  mAltNames = kAltPluginNames;
  mAltNamesOn = true;

  if (ReadIniInt("GUI", "HasUI", 1) == 0) SetHasUI(false);

  mNInputs = MaxNChannels(ERoute::kInput);
  mNOutputs = MaxNChannels(ERoute::kOutput);
  mAboutRequested = 0;
  mUpdatePageRequested = 0;

  // The engine starts with its mirrors at the parameters' defaults and its channel records cleared.
  mEngine->PrepareDsp(GetSampleRate());
  DeclareParameters();

  LoadDefaultPreset(*this, AUFolder());
  mEngine->mGuiScale = GetParam(kParamGuiScale)->Value();

  InitPlugControls();
}

Qorv::~Qorv()
{
  // No idle tick may reach the parts below while they go.
  StopTimer();
  mFixedGuiScaleParams.Empty(true);
  mPresetLists.DestroyPresetLists();
}

void Qorv::DeclareParameters()
{
  DeclareParameterTable(*this, *mEngine, mOutputParams);
  mPresetLists.MakeFactoryPresets(*this);
  mFixedGuiScaleTag = kTagFixedGuiScale;
  auto* fixed = new IParam;
  InitFixedGuiScaleParam(*fixed);
  mFixedGuiScaleParams.AddOwned(fixed);
}

void Qorv::OnEditorOpened()
{
  for (int i = 0; i < NParams(); ++i)
  {
    const IParam* p = GetParam(i);
    SendParameterValueFromDelegate(i, p->ToNormalizedClamped(p->Value()), true);
  }
  mEditorOpenFlag = true;
}

bool Qorv::WriteStateChunk(ByteChunk& chunk) const
{
  return IXMLParameters::WriteStateChunk(*this, chunk);
}

int Qorv::ReadStateChunk(const ByteChunk& chunk, int startPos)
{
  return IXMLParameters::ReadStateChunk(*this, chunk, startPos, mStateFilterOn, mStateFilterKeys);
}

void Qorv::OnProcessingReset()
{
  MutexLock lock(mMutex);
  if (mEngine->ProcessingReset(GetSampleRate(), uint32_t(GetBlockSize() > 0 ? GetBlockSize() : 0)))
    HandOverWantedLatency();
}

void Qorv::HandOverWantedLatency()
{
  mPDCLatency = mEngine->WantedLatency();
  if (GetLatency() != int(mPDCLatency)) UpdateHostLatency(*this, int(mPDCLatency));
}

void Qorv::RefreshDspAndLatency()
{
  PrepareDsp();
  HandOverWantedLatency();
}

void Qorv::ProcessBlock(double** inputs, double** outputs, int nFrames)
{
  const int nIn = NChannelsConnected(ERoute::kInput);
  const int nOut = NChannelsConnected(ERoute::kOutput);
  if (nIn == 0 || nOut == 0) return;
  // Compared with what the host has, not with the handler's copy: the handler already took the new value.
  if (GetHost() == kHostProTools && GetLatency() != int(mEngine->WantedLatency()))
  {
    mPDCLatency = mEngine->WantedLatency();
    UpdateHostLatency(*this, int(mPDCLatency));
  }
  mEngine->ProcessBlock(inputs, outputs, nFrames, nIn, nOut, GetTransportInfo().mTransportIsRunning);
}

void Qorv::ProcessMix(double** inputs, double** outputs, int nFrames, int connectedInputs,
                      int connectedOutputs)
{
  mEngine->ProcessMix(inputs, outputs, nFrames, connectedInputs, connectedOutputs,
                      GetTransportInfo().mTransportIsRunning);
}
int Qorv::NHostPresets() const
{
  return mPresetLists.mDynamicPresets ? mPresetLists.NFactoryPresets() : IPluginAU::NHostPresets();
}

const char* Qorv::GetHostPresetName(int idx) const
{
  if (!mPresetLists.mDynamicPresets) return IPluginAU::GetHostPresetName(idx);
  const IPreset* preset = mPresetLists.GetFactoryPreset(idx);
  return preset ? preset->mName : "";
}

bool Qorv::RestoreHostPreset(int idx)
{
  if (!mPresetLists.mDynamicPresets) return IPluginAU::RestoreHostPreset(idx);
  const IPreset* preset = mPresetLists.GetFactoryPreset(idx);
  if (!preset || !PresetLists::CopyPresetToSlot(*this, *preset, 0) || !RestorePreset(0)) return false;
  mHostPresetIdx = idx;
  return true;
}

int Qorv::GetHostPresetIdx() const
{
  if (!mPresetLists.mDynamicPresets) return IPluginAU::GetHostPresetIdx();
  const IPreset* chosen = mPresetLists.GetFactoryPreset(mHostPresetIdx);
  return chosen && std::strcmp(chosen->mName, GetPresetName(0)) == 0 ? mHostPresetIdx : 0;
}
} // namespace iplugin
