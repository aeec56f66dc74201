#include "host/EditorReport.h"

#include <string>

namespace qorvhost
{
EditorReport::EditorReport(AudioUnit unit, const OwnedParameters& ignored) : mUnit(unit)
{
  for (ParamDesc& p : DescribeParameters(unit))
  {
    if (ignored.count(p.id)) continue;
    AudioUnitParameterValue v = 0;
    AudioUnitGetParameter(unit, p.id, kAudioUnitScope_Global, 0, &v);
    mParams.push_back(std::move(p));
    mBefore.push_back(v);
  }
}

void EditorReport::Print(std::ostream& out) const
{
  for (size_t i = 0; i < mParams.size(); ++i)
  {
    AudioUnitParameterValue v = 0;
    AudioUnitGetParameter(mUnit, mParams[i].id, kAudioUnitScope_Global, 0, &v);
    if (v == mBefore[i]) continue;
    const std::string text = DisplayText(mUnit, mParams[i].id, v);
    out << "changed " << mParams[i].name << " = " << (text.empty() ? std::to_string(v) : text) << "\n";
  }
  out.flush();
}
} // namespace qorvhost
