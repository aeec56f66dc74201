#include "tests/example/ExamplePlugin.h"

using namespace iplugin;

namespace qorvexample
{
PluginConfig ExamplePlugin::MakeConfig()
{
  PluginConfig config;
  config.paramCount = kNumParams;
  config.presetCount = 2;
  config.channelIO = "1-1 2-2";
  config.pluginName = "Example";
  config.productName = "Example Pass-Through";
  config.makerName = "Qorv Tests";
  config.version = (1 << 16) + (2 << 8) + 3;
  config.uniqueId = int(FourCC("ExPt"));
  config.makerId = int(FourCC("QoTs"));
  config.hasUI = true;
  config.width = 400;
  config.height = 300;
  config.minWidth = 800;
  config.maxWidth = 200;
  config.minHeight = 150;
  config.maxHeight = 600;
  config.bundleId = "com.qorv.tests.example";
  return config;
}

void DeclareExampleParameters(IPluginBase& plug)
{
  plug.GetParam(kGain)->InitGain("Gain", 0.0, -70.0, 12.0, 0.1);
  plug.GetParam(kMix)->InitPercentage("Mix", 100.0);
  plug.GetParam(kCutoff)->InitFrequency("Cutoff", 1000.0, 20.0, 20000.0, 1.0);
  plug.GetParam(kDrive)->InitDouble("Drive", 0.0, 0.0, 10.0, 0.01, "", 0, "Tone", IParam::ShapePowCurve(2.0));
  plug.GetParam(kTime)->InitMilliseconds("Time", 10.0, 0.0, 500.0);
  plug.GetParam(kVoices)->InitInt("Voices", 2, 1, 8);
  plug.GetParam(kMode)->InitEnum("Mode", 1, 3, "", 0, "", "Off", "Auto", "Prio");
  plug.GetParam(kBypass)->InitBool("Bypass", false, "", IParam::kFlagCannotAutomate);

  plug.MakeDefaultPreset("Default");
  plug.MakePreset("Loud", 6.0, 100.0, 2000.0, 5.0, 20.0, 4, 2, false);
}

ExamplePlugin::ExamplePlugin() : IPluginAPIBase(MakeConfig(), kAPIAU), IPluginProcessor(MakeConfig())
{
  DeclareExampleParameters(*this);
  SetBlockSize(512);
}

bool ExamplePlugin::SendMidiMsg(const IMidiMsg& msg)
{
  mMidiOut.push_back(msg);
  return true;
}
} // namespace qorvexample
