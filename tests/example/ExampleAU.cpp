#include "tests/example/ExampleAU.h"

using namespace iplugin;

namespace iplugin::igraphics
{
// The example's bundle defines these (a small editor on the platform graphics class); linked into a test
// binary without them, the example has no editor.
IGraphicsInterface* MakeExampleEditorGraphics(IGEditorDelegate& dlg) __attribute__((weak));
void LayoutExampleEditor(IGraphicsInterface* pGraphics) __attribute__((weak));
} // namespace iplugin::igraphics

namespace qorvexample
{
ExampleAU::ExampleAU(const InstanceInfo& info) : IPluginAU(info, ExamplePlugin::MakeConfig())
{
  DeclareExampleParameters(*this);
  if (igraphics::MakeExampleEditorGraphics && igraphics::LayoutExampleEditor)
  {
    mMakeGraphicsFunc = [this]() { return igraphics::MakeExampleEditorGraphics(*this); };
    mLayoutFunc = [](igraphics::IGraphicsInterface* pGraphics) { igraphics::LayoutExampleEditor(pGraphics); };
  }
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
