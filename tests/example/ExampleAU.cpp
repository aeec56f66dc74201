#include "tests/example/ExampleAU.h"

using namespace iplugin;

namespace qorvexample
{
ExampleAU::ExampleAU(const InstanceInfo& info) : IPluginAU(info, ExamplePlugin::MakeConfig())
{
  DeclareExampleParameters(*this);
}

void ExampleAU::HandleParamChange(int paramIdx, EParamSource source, int sampleOffset)
{
  mParamChanges.push_back(ParamChange{paramIdx, source, sampleOffset});
}

int ExampleAU::UnserializeState(const ByteChunk& chunk, int startPos)
{
  if (mStatesToRefuse > 0)
  {
    --mStatesToRefuse;
    // A plug-in that fails half way: something changed before it noticed.
    GetParam(kGain)->Set(GetParam(kGain)->GetMin());
    return -1;
  }
  return IPluginAU::UnserializeState(chunk, startPos);
}
} // namespace qorvexample
