// The editor's bitmaps: resource name, frame count, frame orientation and the size of one frame in
// points. The layout loads them by name and frame count; tools/bitmaps draws them at these sizes into
// the bundle's Resources, at screen scale 1 and, twice as large, as "name@2x.png" for scale 2.
//
// Each size fits the control's place in the layout: neighbours in the same row or column bound it, and
// a 101-frame strip at scale 2 must stay within 8,192 pixels, which caps the knobs at 40 points.
#pragma once

#include <cstring>
#include <string>

namespace iplugin
{
struct EditorBitmap
{
  const char* name;
  int frames;
  bool horizontal; // frames side by side; otherwise stacked top to bottom
  int frameWidth;  // points
  int frameHeight; // points

  constexpr int Width() const { return horizontal ? frameWidth * frames : frameWidth; }
  constexpr int Height() const { return horizontal ? frameHeight : frameHeight * frames; }
};

inline constexpr int kEditorWidth = 875;
inline constexpr int kEditorHeight = 580;
// The largest image side the renderer is asked to load.
inline constexpr int kMaxBitmapSide = 8192;

enum EEditorBitmap
{
  kBitmapBackground,
  kBitmapSendBackground,
  kBitmapResizer,
  kBitmapPluginMode,
  kBitmapChannelCount,
  kBitmapGroupNumber,
  kBitmapPreDelay,
  kBitmapMixMode,
  kBitmapSpeech,
  kBitmapAutomation,
  kBitmapMultiChannel,
  kBitmapKnobLarge,
  kBitmapKnobSmall,
  kBitmapGroupOverlay,
  kBitmapMeterBar,
  kBitmapMeterPeak,
  kBitmapMeterMark,
  kBitmapMod,
  kBitmapMono,
  kBitmapMute,
  kBitmapSolo,
  kBitmapBypass,
  kBitmapPriorityLamp,
  kBitmapInactiveOverlay,
  kBitmapPrevious,
  kBitmapNext,
  kBitmapPluginMenu,
  kBitmapUpdate,
  kNumEditorBitmaps
};

// In EEditorBitmap order.
inline constexpr EditorBitmap kEditorBitmaps[kNumEditorBitmaps] = {
    {"background.png", 1, false, kEditorWidth, kEditorHeight},
    {"background1.png", 1, false, kEditorWidth, kEditorHeight},
    // Square, as wide as the image: the resizer takes the bitmap's width as its size.
    {"button_resize.png", 2, false, 16, 16},
    // (18, 33): "PreDelay" starts at x 115 in the same row, "Mix Mode" at y 80 below.
    {"pluginmode.png", 34, false, 92, 30},
    // (802, 182) above "Group Number" at y 228; centred on the master column (x 826).
    {"channelnr.png", 32, false, 48, 30},
    // (790, 228) above the main volume knob at y 271; centred on the master column.
    {"group0.png", 4, false, 72, 30},
    // (115, 33): ends before the plug-in menu button at x 195.
    {"predelay.png", 3, false, 72, 30},
    {"mixermode.png", 4, false, 92, 30},
    // (124, 86): centred under "PreDelay" and level with "Mix Mode" (y 80 + 30 / 2 = 86 + 18 / 2).
    {"speech.png", 2, false, 54, 18},
    // (796, 126) and (828, 126): 32 points apart.
    {"automation.png", 2, false, 28, 24},
    {"multichannelbutton.png", 2, false, 28, 24},
    // Channel knobs are 54 to 56 points apart; 101 frames of 80 pixels make 8,080 at scale 2.
    {"KnobCntrl2.png", 101, false, 40, 40},
    {"KnobCntrl3.png", 101, false, 40, 40},
    // (67, 430): the channel-number plate of all eight strips (97 apart) between "Solo" and "Mono".
    {"groupnumber_ovl.png", 4, false, 7 * 97 + 28, 31},
    // Input and output meters 19 points apart; 60 segments of 3 points from "Mute" to the bottom of
    // "Bypass" (355 to 535).
    {"led_meter_0-60db.png", 61, true, 16, 180},
    {"led_meter_0-60db_max.png", 61, true, 16, 180},
    {"led_meter_0-60db_set.png", 61, true, 16, 180},
    // (x0 + 14, 297), left of the priority lamp at x0 + 64.
    {"button_mod.png", 2, false, 44, 22},
    // The strip's button column at x0 + 67; rows 30 and 31 points apart.
    {"button_mono.png", 2, false, 28, 22},
    {"button_mute.png", 2, false, 28, 22},
    {"button_solo.png", 2, false, 28, 22},
    {"button_bypass.png", 2, false, 28, 22},
    // (x0 + 64, 300): level with the moderator button; its lens is centred on the button column.
    {"led_small_prio.png", 101, false, 32, 16},
    // (x0 + 4, 117): the whole strip, leaving 3 points to the next one.
    {"chactiveovl.png", 1, false, 94, 431},
    {"button_previous.png", 2, false, 22, 22},
    {"button_next.png", 2, false, 22, 22},
    // (195, 14): ends where the reset area starts at x 216.
    {"pluginmenu.png", 2, false, 21, 22},
    // (331, 13): ends at the preset menu's previous button (x 351), centred on the top row (14 to 36).
    {"iconupdateavailable.png", 2, false, 20, 24},
};

constexpr bool EditorBitmapsFitTheRenderer()
{
  for (const EditorBitmap& b : kEditorBitmaps)
    if (2 * b.Width() > kMaxBitmapSide || 2 * b.Height() > kMaxBitmapSide) return false;
  return true;
}
static_assert(EditorBitmapsFitTheRenderer(), "an @2x bitmap would exceed the renderer's largest side");

// The file of a bitmap at a screen scale: the name itself at 1, "name@2x.png" at 2.
inline std::string EditorBitmapFile(const EditorBitmap& b, int scale)
{
  const std::string name(b.name);
  if (scale == 1) return name;
  return name.substr(0, name.rfind('.')) + "@" + std::to_string(scale) + "x" + name.substr(name.rfind('.'));
}

// The table entry of a resource name, or null.
inline const EditorBitmap* FindEditorBitmap(const char* name)
{
  for (const EditorBitmap& b : kEditorBitmaps)
    if (std::strcmp(b.name, name) == 0) return &b;
  return nullptr;
}
} // namespace iplugin
