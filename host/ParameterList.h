// The ids an instance lists in its ParameterList property, in its order; empty when it lists none.
#pragma once

#include <AudioUnit/AudioUnit.h>

#include <vector>

namespace qorvhost
{
std::vector<AudioUnitParameterID> ParameterIds(AudioUnit unit);
} // namespace qorvhost
