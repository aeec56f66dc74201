// The example plug-in behind the Audio Unit binding: the same parameters and presets as
// ExamplePlugin, a pass-through process, and a record of what the binding told it, for the tests.
#pragma once

#include "framework/au/IPluginAU.h"
#include "tests/example/ExamplePlugin.h"

#include <vector>

namespace qorvexample
{
class ExampleAU : public iplugin::IPluginAU
{
public:
  struct ParamChange
  {
    int paramIdx;
    iplugin::EParamSource source;
    int sampleOffset;
  };

  explicit ExampleAU(const iplugin::InstanceInfo& info);

  void HandleParamChange(int paramIdx, iplugin::EParamSource source, int sampleOffset) override;
  void OnProcessingReset() override { ++mResets; }
  void OnActivationChanged(bool active) override { mActivations.push_back(active); }
  int UnserializeState(const iplugin::ByteChunk& chunk, int startPos) override;

  // What the host's side queued for the editor, oldest first.
  bool PopEditorParamChange(iplugin::ParamTuple& change) { return mParamChangeFromProcessor.Pop(change); }

  std::vector<ParamChange> mParamChanges;
  std::vector<bool> mActivations;
  int mResets = 0;
  int mStatesToRefuse = 0; // this many UnserializeState calls fail (after changing a parameter)
};
} // namespace qorvexample
