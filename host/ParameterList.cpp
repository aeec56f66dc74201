#include "host/ParameterList.h"

namespace qorvhost
{
std::vector<AudioUnitParameterID> ParameterIds(AudioUnit unit)
{
  UInt32 size = 0;
  Boolean writable = false;
  if (AudioUnitGetPropertyInfo(unit, kAudioUnitProperty_ParameterList, kAudioUnitScope_Global, 0, &size,
                               &writable) != noErr)
    return {};
  std::vector<AudioUnitParameterID> ids(size / sizeof(AudioUnitParameterID));
  if (ids.empty() || AudioUnitGetProperty(unit, kAudioUnitProperty_ParameterList, kAudioUnitScope_Global, 0,
                                          ids.data(), &size) != noErr)
    return {};
  ids.resize(size / sizeof(AudioUnitParameterID));
  return ids;
}
} // namespace qorvhost
