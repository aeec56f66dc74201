// What an editor changed, told when it closes as a host's automation lane would show it: each parameter
// whose value differs from the one it had when the editor opened, as "changed NAME = VALUE".
#pragma once

#include "host/ParameterTable.h"

#include <ostream>
#include <vector>

namespace qorvhost
{
class EditorReport
{
public:
  // Notes every parameter's value now; those in ignored (the ones the host or the engine itself moves)
  // are never told.
  explicit EditorReport(AudioUnit unit, const OwnedParameters& ignored = {});
  void Print(std::ostream& out) const;

private:
  AudioUnit mUnit;
  std::vector<ParamDesc> mParams;
  std::vector<AudioUnitParameterValue> mBefore;
};
} // namespace qorvhost
