// A plug-in base with the mixer's parameter table, presets and state format, but without the Audio
// Unit binding: enough to test the preset files, the state chunk and the preset records.
#pragma once

#include "framework/IPluginBase.h"
#include "mixer/IXMLParameters.h"
#include "mixer/IXMLPreset.h"
#include "mixer/MixerEngine.h"
#include "mixer/PresetLists.h"
#include "mixer/QorvParams.h"

#include <memory>
#include <vector>

namespace mixtest
{
class PresetTestPlugin : public iplugin::IPluginBase
{
public:
  PresetTestPlugin() : IPluginBase(iplugin::kNumParams, 1)
  {
    mPluginName.Set("Qorv");
    mProductName.Set("Qorv");
    mMfrName.Set("Lumenkraft");
    mVersion = (2 << 16) + (1 << 8) + 2;
    mStateChunks = true;
    mLists.mDynamicPresets = true;
    mXml.mFilterKeys = iplugin::PresetParamKeys();
    mXml.mFilterOn = true;
    mXml.mAltNames = kAltNames;
    mXml.mAltNamesOn = true;
    auto engine = std::make_unique<iplugin::MixerEngine>();
    iplugin::DeclareParameterTable(*this, *engine, mOutputParams);
    mLists.MakeFactoryPresets(*this);
  }

  bool SerializeState(iplugin::ByteChunk& chunk) const override
  {
    return iplugin::IXMLParameters::WriteStateChunk(*this, chunk);
  }
  int UnserializeState(const iplugin::ByteChunk& chunk, int startPos) override
  {
    return iplugin::IXMLParameters::ReadStateChunk(*this, chunk, startPos);
  }
  void HandleParamChange(int paramIdx, iplugin::EParamSource source, int) override
  {
    handled.push_back({paramIdx, source});
  }
  void NotifyPresentPresetChanged() override { ++presetChangedNotes; }

  std::vector<double> Values() const
  {
    std::vector<double> v;
    for (int i = 0; i < NParams(); ++i)
      v.push_back(GetParam(i)->Value());
    return v;
  }

  struct Handled
  {
    int paramIdx;
    iplugin::EParamSource source;
  };
  std::vector<Handled> handled;
  int presetChangedNotes = 0;
  iplugin::TypedBuf<int32_t> mOutputParams{4096};
  iplugin::PresetLists mLists;
  iplugin::IXMLPreset mXml;
  static constexpr const char* kAltNames[] = {"Qor", nullptr};
};
} // namespace mixtest
