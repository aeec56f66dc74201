// The preset-relevant parameters: key name, parameter index, value type and print format. Only the
// index is used by the preset readers and writers, to restrict which parameters a preset holds.
#pragma once

#include <cstdint>

namespace iplugin
{
struct PresetParamKey
{
  static constexpr uint32_t kTypeInt = 2;
  static constexpr uint32_t kTypeDouble = 4;
  static constexpr uint32_t kEndIdx = 0xFFFFFFFF;

  const char* mKey;
  uint32_t mParamIdx;
  uint32_t mValueType;
  const char* mFormat;
};

constexpr int kNumPresetParamKeys = 266;

// The constant table of 266 rows and the end row (index kEndIdx, null texts).
const PresetParamKey* PresetParamKeys();

// Whether the list (up to its end row) names the parameter.
bool PresetParamKeysContain(const PresetParamKey* keys, int paramIdx);
} // namespace iplugin
