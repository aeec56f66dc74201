#include "mixer/PresetParamKey.h"

#include "mixer/QorvParams.h"

#include <array>
#include <cstdio>

namespace iplugin
{
namespace
{
struct KeyTable
{
  std::array<PresetParamKey, kNumPresetParamKeys + 1> rows{};
  char channelKeys[kNumParamChannels * kParamsPerChannel][24] = {};

  KeyTable()
  {
    constexpr uint32_t I = PresetParamKey::kTypeInt, D = PresetParamKey::kTypeDouble;
    int n = 0;
    auto Add = [&](const char* key, int idx, uint32_t type) {
      rows[n++] = {key, uint32_t(idx), type, type == I ? "%d" : "%.1lf"};
    };
    Add("kPreFilterActive", kParamSpeechPreFilter, I);
    Add("kPreDelay_mode", kParamPreDelay, I);
    Add("kNoiseGate_db", kParamNoiseGate, D);
    Add("kMixMode", kParamMixMode, I);
    Add("kModeratorAtt_db", kParamModAttn, D);
    Add("kAttack_pct", kParamAttack, D);
    Add("kHold_pct", kParamHold, D);
    Add("kRelease_pct", kParamRelease, D);
    Add("kBalanceStrength", kParamStrength, D);
    Add("kMainVolume_db", kParamMainVolume, D);
    static constexpr struct
    {
      const char* key;
      uint32_t type;
    } kChannel[kParamsPerChannel] = {{"kModMode", I},    {"kMono", I},    {"kMute", I},   {"kSolo", I},
                                     {"kPreGain_db", D}, {"kPan_pct", D}, {"kBypass", I}, {"kWeight", D}};
    for (int c = 0; c < kNumParamChannels; ++c)
      for (int k = 0; k < kParamsPerChannel; ++k)
      {
        char* key = channelKeys[c * kParamsPerChannel + k];
        std::snprintf(key, sizeof channelKeys[0], "%s%d", kChannel[k].key, c);
        Add(key, ChannelParamIdx(c, k), kChannel[k].type);
      }
    rows[n] = {nullptr, PresetParamKey::kEndIdx, 0, nullptr};
  }
};
} // namespace

const PresetParamKey* PresetParamKeys()
{
  static const KeyTable table;
  return table.rows.data();
}

bool PresetParamKeysContain(const PresetParamKey* keys, int paramIdx)
{
  if (!keys || paramIdx < 0) return false;
  for (const PresetParamKey* k = keys; k->mParamIdx != PresetParamKey::kEndIdx; ++k)
    if (k->mParamIdx == uint32_t(paramIdx)) return true;
  return false;
}
} // namespace iplugin
