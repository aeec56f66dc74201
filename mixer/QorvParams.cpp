#include "mixer/QorvParams.h"

#include "mixer/MixerEngine.h"

#include <cstdio>

namespace iplugin
{
namespace
{
constexpr int kCannotAutomate = IParam::kFlagCannotAutomate;
constexpr int kMeta = IParam::kFlagMeta;

void InitOffOn(IParam& p, const char* name, int defaultValue, int flags, const char* group)
{
  p.InitEnum(name, defaultValue, 2, "", flags, group, "Off", "On");
}

void InitDb(IParam& p, const char* name, double defaultValue, double minVal, double maxVal, double step,
            const char* label, const char* group)
{
  p.InitDouble(name, defaultValue, minVal, maxVal, step, label, 0, group);
}
} // namespace

void DeclareParameterTable(IEditorDelegate& plug, const MixerEngine& m, TypedBuf<int32_t>& outputParams)
{
  auto P = [&plug](int idx) -> IParam& { return *plug.GetParam(idx); };

  // Globals, in the order the table is declared.
  P(kParamGuiScale).InitDouble("GUI Scale", m.mGuiScale, 0.5, 3.0, 0.01, "", kCannotAutomate, "GUI");
  InitOffOn(P(kParamToggleTooltips), "Toggle Tooltips", int(m.mToggleTooltips), kCannotAutomate, "GUI");
  InitOffOn(P(kParamOnlineUpdateCheck), "Online Update Check", int(m.mOnlineUpdateCheck), kCannotAutomate,
            "GUI");

  IParam& mode = P(kParamPluginMode);
  mode.InitEnum("Plugin Mode", int(m.mPluginMode), 34, "", 0, "Processing");
  mode.SetDisplayText(0, "Int. Mixer");
  mode.SetDisplayText(1, "Ext. Mixer");
  char text[32];
  for (int i = 0; i < 32; ++i)
  {
    std::snprintf(text, sizeof text, "Send CH %d", i + 1);
    mode.SetDisplayText(i + 2, text);
  }

  IParam& count = P(kParamChannelCount);
  count.InitEnum("Channel Count", int(m.mChannelCount), 32, "", 0, "Processing");
  for (int i = 0; i < 32; ++i)
  {
    std::snprintf(text, sizeof text, "%d", i + 1);
    count.SetDisplayText(i, text);
  }

  P(kParamGroupNumber)
      .InitEnum("Group Number", int(m.mGroupNumber), 4, "", 0, "GUI", "1 - 8", "9 - 16", "17 - 24",
                "25 - 32");
  InitOffOn(P(kParamSpeechPreFilter), "Speech PreFilter Off/On", int(m.mSpeechPreFilter), 0, "Processing");
  P(kParamPreDelay).InitEnum("PreDelay", int(m.mPreDelay), 3, "", 0, "Processing", "Off", "Short", "Long");
  P(kParamStrength).InitDouble("Strength", m.mStrength, -1.0, 1.0, 0.1, "", 0, "Processing");
  InitDb(P(kParamNoiseGate), "NoiseGate", m.mNoiseGate, -90.0, 0.0, 0.1, "dBFS", "Processing");
  P(kParamNoiseGate).SetDisplayText(-90.0, "-INF");
  P(kParamMixMode)
      .InitEnum("Mix Mode", int(m.mMixMode), 4, "", 0, "Processing", "Off", "Auto", "Auto Bal.", "Prio");
  InitDb(P(kParamModAttn), "Mod. Attn.", m.mModAttn, -24.0, 0.0, 0.1, "dB", "Processing");
  P(kParamModAttn).SetDisplayText(-24.0, "-INF");
  P(kParamAttack).InitDouble("Attack", m.mAttack, 0.0, 3.0, 0.001, "s", 0, "Processing");
  P(kParamHold).InitDouble("Hold", m.mHold, 0.0, 3.0, 0.001, "s", 0, "Processing");
  P(kParamRelease).InitDouble("Release", m.mRelease, 0.0, 3.0, 0.001, "s", 0, "Processing");
  InitOffOn(P(kParamWriteAutomation), "Write Automation Off/On", int(m.mWriteAutomation), 0, "Automation");
  InitOffOn(P(kParamMultiChannelOutput), "Multi Channel Output Off/On", int(m.mMultiChannelOutput), 0,
            "Processing");
  InitDb(P(kParamMainVolume), "Main Volume", m.mMainVolume, -24.0, 24.0, 0.1, "dB", "Processing");
  InitOffOn(P(kParamPropagateSenderGain), "Propagate sender gain Off/On", int(m.mPropagateSenderGain), 0,
            "Processing");
  InitOffOn(P(kParamDawSync), "Enable DAW Sync Off/On", int(m.mDawSync), 0, "Processing");
  InitOffOn(P(kParamReverseMixing), "Reverse Mixing Off/On", int(m.mReverseMixing), 0, "Processing");

  // Channel strips.
  char group[32], name[IParam::kTextLen];
  for (int c = 0; c < kNumParamChannels; ++c)
  {
    const ChannelParamState& r = m.mChannels[c];
    const int n = c + 1;
    std::snprintf(group, sizeof group, "Channel %d", n);
    auto Name = [&](const char* fmt)
    {
      std::snprintf(name, sizeof name, fmt, n);
      return name;
    };
    InitOffOn(P(ChannelParamIdx(c, kChannelMod)), Name("Mod. Ch%d"), int(r.mModerator), kMeta, group);
    InitOffOn(P(ChannelParamIdx(c, kChannelMono)), Name("Mono Ch%d"), int(r.mMono), 0, group);
    InitOffOn(P(ChannelParamIdx(c, kChannelMute)), Name("Mute Ch%d"), int(r.mMute), 0, group);
    InitOffOn(P(ChannelParamIdx(c, kChannelSolo)), Name("Solo Ch%d"), int(r.mSolo), kMeta, group);
    InitDb(P(ChannelParamIdx(c, kChannelPreGain)), Name("PreGain Ch%d"), r.mPreGainDb, -24.0, 24.0, 0.1, "dB",
           group);
    IParam& pan = P(ChannelParamIdx(c, kChannelPan));
    pan.InitDouble(Name("Pan Ch%d"), r.mPan, -100.0, 100.0, 1.0, "%", 0, group);
    pan.SetDisplayText(-100.0, "L");
    pan.SetDisplayText(0.0, "C");
    pan.SetDisplayText(100.0, "R");
    InitOffOn(P(ChannelParamIdx(c, kChannelBypass)), Name("Bypass Ch%d"), int(r.mBypass), 0, group);
    InitDb(P(ChannelParamIdx(c, kChannelWeight)), Name("Weight Ch%d"), r.mWeightDb, -24.0, 24.0, 0.1, "dB",
           group);
  }

  // Output parameters, which carry each channel's gain to the host as automation.
  for (int i = 0; i < kNumOutputParams; ++i)
  {
    const int idx = kParamFirstOutput + i;
    std::snprintf(name, sizeof name, "OUT:Ch%02d Strength", i + 1);
    P(idx).InitDouble(name, -144.0, -144.0, 0.0, 0.1, "dB", 0, "Automation");
    const int n = outputParams.GetSize();
    if (int32_t* list = outputParams.Resize(n + 1); list && outputParams.GetSize() == n + 1) list[n] = idx;
  }
}

void InitFixedGuiScaleParam(IParam& param)
{
  param.InitEnum("Fixed GUI Scale", kFixedGuiScaleDefault, kFixedGuiScaleChoices, "", 0, "", "50%", "75%",
                 "100%", "125%", "150%", "175%", "200%", "225%", "250%", "275%", "300%");
}

int MixingPresetPairs(int mixMode, double strength, NamedParamValue* pairs, int capacity)
{
  if (!pairs || capacity < kMixingPresetPairs) return 0;
  int n = 0;
  auto Add = [&](int idx, double value) { pairs[n++] = {idx, value}; };
  Add(kParamSpeechPreFilter, 1);
  Add(kParamPreDelay, 0);
  Add(kParamNoiseGate, -48.0);
  Add(kParamMixMode, mixMode);
  Add(kParamModAttn, -12.0);
  Add(kParamAttack, 0.3);
  Add(kParamHold, 0.0);
  Add(kParamRelease, 0.3);
  Add(kParamStrength, strength);
  Add(kParamMainVolume, 0.0);
  for (int idx = ChannelParamIdx(0, 0); idx < ChannelParamIdx(16, 0); ++idx)
    Add(idx, 0);
  return n;
}

double GuiScaleForChoice(const IParam& guiScale, int choice)
{
  if (choice == 0) return guiScale.GetMin();
  if (choice == kFixedGuiScaleChoices - 1) return guiScale.GetMax();
  if (choice > 0 && choice < kFixedGuiScaleChoices - 1) return 0.5 + 0.25 * choice;
  return guiScale.GetDefault();
}
} // namespace iplugin
