// Where every control of the mixer's editor goes: the global section, one channel strip (repeated for
// the 32 channels, eight strips side by side, the four groups on top of each other) and the positions
// in the control list that the layout records. Points at scale 1; (x, y) is a control's top-left
// corner, its size one frame of its bitmap.
#pragma once

#include "editor/EditorBitmaps.h"

namespace iplugin
{
enum class EEditorControl
{
  kBitmap, // IBBitmapControlLK: backgrounds, meter layers, overlays, lamps
  kSwitch, // IBSwitchControlLK
  kPopup,  // IBPopupMenuLK, wheel off
  kPopupWheel,
  kKnob, // IBKnobMultiControlLK
};

// What the layout keeps of a control's position in the control list.
enum EEditorIndex
{
  kIdxNone = -1,
  kIdxSendBackground,
  kIdxBackground,
  kIdxPresetMenu,
  kIdxGroupOverlay,
  kIdxMainLeftBar,
  kIdxMainLeftPeak,
  kIdxMainRightBar,
  kIdxMainRightPeak,
  kIdxUpdateIcon,
  kNumEditorIndices
};

// The eight kept indices of each strip, in the order of the channel record.
enum EStripIndex
{
  kStripNone = -1,
  kStripInactiveOverlay,
  kStripInputBar,
  kStripInputPeak,
  kStripInputMark,
  kStripOutputBar,
  kStripOutputPeak,
  kStripOutputMark,
  kStripPriorityLamp,
  kNumStripIndices
};

struct EditorControlPlace
{
  EEditorControl kind;
  EEditorBitmap bitmap;
  int x, y;
  int param;           // global: the parameter; strip: k of 17 + 8c + k; -1: none
  int labelChars;      // knobs: label width in characters
  const char* tooltip; // null: none
  int keep;            // global: EEditorIndex; strip: EStripIndex
};

inline constexpr int kEditorChannels = 32;
inline constexpr int kStripWidth = 97;

// The parameters without a visible control, in attach order: 0, 1, 305 to 308, then 273 to 304.
inline constexpr int kNumHiddenParamControls = 38;
constexpr int HiddenParamControlParam(int i)
{
  constexpr int kFirst[6] = {0, 1, 305, 306, 307, 308};
  return i < 6 ? kFirst[i] : 273 + (i - 6);
}

inline constexpr EditorControlPlace kGlobalControls[] = {
    {EEditorControl::kBitmap, kBitmapBackground, 0, 0, -1, 0, nullptr, kIdxBackground},
    {EEditorControl::kBitmap, kBitmapSendBackground, 0, 0, -1, 0, nullptr, kIdxSendBackground},
    {EEditorControl::kPopupWheel, kBitmapPluginMode, 18, 33, 2, 0,
     "Internal mixer, external mixer, send 1-16", kIdxNone},
    {EEditorControl::kSwitch, kBitmapSpeech, 124, 86, 5, 0, "Channel CCITT/ITU-T pre-filter, off/on",
     kIdxNone},
    {EEditorControl::kPopupWheel, kBitmapChannelCount, 802, 182, 3, 0, "Max active channels", kIdxNone},
    {EEditorControl::kPopup, kBitmapGroupNumber, 790, 228, 4, 0, "Display mix group 1-8/9-16", kIdxNone},
    {EEditorControl::kPopup, kBitmapPreDelay, 115, 33, 6, 0, "Mix predelay, off/on", kIdxNone},
    {EEditorControl::kKnob, kBitmapKnobLarge, 320, 61, 7, 6, "Channel noise gate, dbFS", kIdxNone},
    {EEditorControl::kPopup, kBitmapMixMode, 18, 80, 8, 0, "Mix mode: off/auto/auto balanced/priority",
     kIdxNone},
    {EEditorControl::kKnob, kBitmapKnobLarge, 418, 61, 9, 6, "Moderator attenuation, dB", kIdxNone},
    {EEditorControl::kKnob, kBitmapKnobLarge, 561, 61, 10, 6, "Mix envelope attack time, ms", kIdxNone},
    {EEditorControl::kKnob, kBitmapKnobLarge, 660, 61, 11, 6, "Mix envelope hold time, ms", kIdxNone},
    {EEditorControl::kKnob, kBitmapKnobLarge, 758, 61, 12, 6, "Mix envelope release time, ms", kIdxNone},
    {EEditorControl::kKnob, kBitmapKnobSmall, 221, 61, 13, 4, "Mixing balance strength, weak/normal/strong",
     kIdxNone},
    {EEditorControl::kSwitch, kBitmapAutomation, 796, 126, 14, 0, "Toggle automation data, off/on", kIdxNone},
    {EEditorControl::kSwitch, kBitmapMultiChannel, 828, 126, 16, 0, "Toggle multichannel output, off/on",
     kIdxNone},
    {EEditorControl::kKnob, kBitmapKnobSmall, 803, 271, 15, 5, "Main volume, dB", kIdxNone},
    {EEditorControl::kBitmap, kBitmapGroupOverlay, 67, 430, -1, 0, nullptr, kIdxGroupOverlay},
    {EEditorControl::kBitmap, kBitmapMeterBar, 809, 355, -1, 0, nullptr, kIdxMainLeftBar},
    {EEditorControl::kBitmap, kBitmapMeterPeak, 809, 355, -1, 0, "Main output meter", kIdxMainLeftPeak},
    {EEditorControl::kBitmap, kBitmapMeterBar, 828, 355, -1, 0, nullptr, kIdxMainRightBar},
    {EEditorControl::kBitmap, kBitmapMeterPeak, 828, 355, -1, 0, "Main output meter", kIdxMainRightPeak},
};
inline constexpr int kNumGlobalControls = int(sizeof kGlobalControls / sizeof kGlobalControls[0]);

// One strip at x0 = 0; channel c adds (c mod 8) x 97 to x and 17 + 8c to the parameter.
inline constexpr EditorControlPlace kStripControls[] = {
    {EEditorControl::kSwitch, kBitmapMod, 14, 297, 0, 0, "Channel moderator mode, off/on", kStripNone},
    {EEditorControl::kSwitch, kBitmapMono, 67, 483, 1, 0, "Channel mono signal, off/on", kStripNone},
    {EEditorControl::kSwitch, kBitmapMute, 67, 355, 2, 0, "Channel mute, off/on", kStripNone},
    {EEditorControl::kSwitch, kBitmapSolo, 67, 386, 3, 0, "Channel solo, off/on", kStripNone},
    {EEditorControl::kSwitch, kBitmapBypass, 67, 513, 6, 0, "Channel bypass, off/on", kStripNone},
    {EEditorControl::kKnob, kBitmapKnobSmall, 27, 127, 4, 6, "Channel pre gain, dB", kStripNone},
    {EEditorControl::kKnob, kBitmapKnobSmall, 27, 183, 7, 6, "Channel weight, dB", kStripNone},
    {EEditorControl::kKnob, kBitmapKnobSmall, 27, 237, 5, 5, "Channel pan position, L/C/R", kStripNone},
    {EEditorControl::kBitmap, kBitmapMeterBar, 23, 355, -1, 0, nullptr, kStripInputBar},
    {EEditorControl::kBitmap, kBitmapMeterPeak, 23, 355, -1, 0, nullptr, kStripInputPeak},
    {EEditorControl::kBitmap, kBitmapMeterMark, 23, 355, -1, 0, "Channel input meter", kStripInputMark},
    {EEditorControl::kBitmap, kBitmapMeterBar, 42, 355, -1, 0, nullptr, kStripOutputBar},
    {EEditorControl::kBitmap, kBitmapMeterPeak, 42, 355, -1, 0, nullptr, kStripOutputPeak},
    {EEditorControl::kBitmap, kBitmapMeterMark, 42, 355, -1, 0, "Channel output meter", kStripOutputMark},
    {EEditorControl::kBitmap, kBitmapPriorityLamp, 64, 300, -1, 0, "Channel priority", kStripPriorityLamp},
    {EEditorControl::kBitmap, kBitmapInactiveOverlay, 4, 117, -1, 0, nullptr, kStripInactiveOverlay},
};
inline constexpr int kNumStripControls = int(sizeof kStripControls / sizeof kStripControls[0]);

// The top row after the strips: preset menu, reset area, plug-in menu button, update icon.
inline constexpr int kNumTopRowControls = 4;
inline constexpr int kFirstStripControl = kNumHiddenParamControls + kNumGlobalControls;
inline constexpr int kFirstTopRowControl = kFirstStripControl + kEditorChannels * kNumStripControls;
inline constexpr int kNumEditorControls = kFirstTopRowControl + kNumTopRowControls;

// The control-list position of strip control i of channel c.
constexpr int StripControlIndex(int channel, int i)
{
  return kFirstStripControl + kNumStripControls * channel + i;
}
} // namespace iplugin
