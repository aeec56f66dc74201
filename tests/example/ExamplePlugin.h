// A small pass-through plug-in that exercises the framework: a handful of parameters of each kind and
// two factory presets. It is a test subject, not a product.
#pragma once

#include "framework/IPluginAPIBase.h"
#include "framework/IPluginProcessor.h"

#include <vector>

namespace qorvexample
{
enum EParams
{
  kGain = 0, // double, dB
  kMix,      // double, percent
  kCutoff,   // double, exponential frequency
  kDrive,    // double, power curve
  kTime,     // double, milliseconds
  kVoices,   // int
  kMode,     // enum
  kBypass,   // bool
  kNumParams
};

// The parameters and the two factory presets, shared by every form of the example.
void DeclareExampleParameters(iplugin::IPluginBase& plug);

class ExamplePlugin : public iplugin::IPluginAPIBase, public iplugin::IPluginProcessor
{
public:
  static iplugin::PluginConfig MakeConfig();

  ExamplePlugin();

  bool SendMidiMsg(const iplugin::IMidiMsg& msg) override;
  void OnIdleTick() override { ++mIdleTicks; }

  int mIdleTicks = 0;
  std::vector<iplugin::IMidiMsg> mMidiOut;
};
} // namespace qorvexample
