// The mixer's 309 host parameters by index, the editor's message tags above them, and the declaration
// of the parameter table with its factory presets. Declaration runs once, from the plug-in's
// constructor, on the main thread.
#pragma once

#include "framework/IEditorDelegate.h"
#include "framework/IParam.h"
#include "framework/PtrList.h"
#include "framework/TypedBuf.h"

#include <cstdint>

namespace iplugin
{
class MixerEngine;

enum EParams
{
  kParamGuiScale = 0,
  kParamToggleTooltips = 1,
  kParamPluginMode = 2,
  kParamChannelCount = 3,
  kParamGroupNumber = 4,
  kParamSpeechPreFilter = 5,
  kParamPreDelay = 6,
  kParamNoiseGate = 7,
  kParamMixMode = 8,
  kParamModAttn = 9,
  kParamAttack = 10,
  kParamHold = 11,
  kParamRelease = 12,
  kParamStrength = 13,
  kParamWriteAutomation = 14,
  kParamMainVolume = 15,
  kParamMultiChannelOutput = 16,
  kParamFirstChannel = 17, // 17 + 8c + k
  kParamFirstOutput = 273, // 273 + c: "OUT:ChNN Strength"
  kParamOnlineUpdateCheck = 305,
  kParamPropagateSenderGain = 306,
  kParamDawSync = 307,
  kParamReverseMixing = 308,
  kNumParams = 309
};

// k of a channel parameter 17 + 8c + k.
enum EChannelParam
{
  kChannelMod = 0,
  kChannelMono,
  kChannelMute,
  kChannelSolo,
  kChannelPreGain,
  kChannelPan,
  kChannelBypass,
  kChannelWeight,
  kParamsPerChannel
};

constexpr int kNumParamChannels = 32;
constexpr int kNumOutputParams = 32;

constexpr int ChannelParamIdx(int channel, int k)
{
  return kParamFirstChannel + kParamsPerChannel * channel + k;
}

// Message tags the editor sends through the parameter-change handler (source 3).
enum EControlTag
{
  kTagNone = 309,
  kTagAbout = 310,
  kTagUpdatePage = 311,
  kTagResetSendSlots = 312,
  kTagLoadPreset = 313,
  kTagSavePreset = 314,
  kTagSaveDefaultPreset = 315,
  kTagRebuildUserPresets = 316,
  kTagGuiScaleFromEditor = 319,
  kTagGuiScaleReset = 320,
  kTagGuiScaleMinimum = 321,
  kTagFixedGuiScale = 322,
  kTagReserved1 = 323,
  kTagReserved2 = 324
};

// The preset menu control's registration tag in the graphics context.
constexpr int kPresetMenuControlTag = 3;

constexpr int kFixedGuiScaleChoices = 11;
constexpr int kFixedGuiScaleDefault = 2; // "100%"

// Declares all 309 parameters of the table (which must hold 309 uninitialised IParam objects), each
// global's default taken from its mirror and each channel parameter's from its cleared record, and
// appends the indices 273..304 to outputParams.
void DeclareParameterTable(IEditorDelegate& plug, const MixerEngine& mirrors,
                           TypedBuf<int32_t>& outputParams);

// Initialises the "Fixed GUI Scale" choice, which is not a host parameter.
void InitFixedGuiScaleParam(IParam& param);

// One (parameter index, value) pair of a preset made from named parameters.
struct NamedParamValue
{
  int paramIdx;
  double value;
};

// The pairs that the four mixing presets share, with the given "Mix Mode" and "Strength": 138 pairs.
int MixingPresetPairs(int mixMode, double strength, NamedParamValue* pairs, int capacity);
constexpr int kMixingPresetPairs = 138;

// The GUI scale for a "Fixed GUI Scale" choice: 0.5 .. 3.0 in quarters, 1.0 for any other choice.
double GuiScaleForChoice(const IParam& guiScale, int choice);
} // namespace iplugin
