#include <cstring>

#include "editor/EditorBitmaps.h"
#include "graphics/vector/VGtext.h"
#include "tools/bitmaps/Art.h"

using namespace iplugin::igraphics;

namespace qorvart
{
namespace colours
{
VGcolor PanelTop()
{
  return vgRGB(40, 43, 49);
}
VGcolor PanelBottom()
{
  return vgRGB(26, 28, 32);
}
VGcolor Plate()
{
  return vgRGB(33, 36, 41);
}
VGcolor PlateEdge()
{
  return vgRGB(15, 16, 19);
}
VGcolor Recess()
{
  return vgRGB(19, 22, 26);
}
VGcolor Caption()
{
  return vgRGB(139, 145, 154);
}
VGcolor ValueText()
{
  return vgRGB(197, 198, 199);
}
VGcolor Accent()
{
  return vgRGB(245, 166, 35);
}
VGcolor Icon()
{
  return vgRGB(140, 147, 156);
}
VGcolor IconHover()
{
  return vgRGB(240, 242, 245);
}
} // namespace colours

void FillRect(VGcontext* vg, float x, float y, float w, float h, VGcolor c)
{
  vgBeginPath(vg);
  vgRect(vg, x, y, w, h);
  vgFillColor(vg, c);
  vgFill(vg);
}

void FillRoundRect(VGcontext* vg, float x, float y, float w, float h, float r, VGcolor c)
{
  vgBeginPath(vg);
  vgRoundedRect(vg, x, y, w, h, r);
  vgFillColor(vg, c);
  vgFill(vg);
}

void Text(const Art& art, float x, float y, float size, int align, VGcolor c, const char* text)
{
  vgFontFaceId(art.vg, art.font);
  vgFontSize(art.vg, size);
  vgTextAlign(art.vg, align);
  vgFillColor(art.vg, c);
  vgText(art.vg, x, y, text, nullptr);
}

void ButtonFace(VGcontext* vg, float x, float y, float w, float h, VGcolor lit)
{
  const float r = 3;
  // Outline, then the face inset by one point, then a light top edge that reads as a bevel.
  FillRoundRect(vg, x, y, w, h, r, colours::PlateEdge());
  vgBeginPath(vg);
  vgRoundedRect(vg, x + 1, y + 1, w - 2, h - 2, r - 1);
  if (lit.a > 0)
    vgFillPaint(vg, vgLinearGradient(0, y, 0, y + h, vgLerpRGBA(lit, vgRGB(255, 255, 255), 0.25f),
                                     vgLerpRGBA(lit, vgRGB(0, 0, 0), 0.18f)));
  else
    vgFillPaint(vg, vgLinearGradient(0, y, 0, y + h, vgRGB(62, 67, 75), vgRGB(42, 46, 52)));
  vgFill(vg);
  FillRect(vg, x + 2, y + 1, w - 4, 1, vgRGBA(255, 255, 255, lit.a > 0 ? 90 : 30));
}

void DisplayWell(VGcontext* vg, float x, float y, float w, float h, float r)
{
  FillRoundRect(vg, x, y, w, h, r, vgRGB(7, 8, 10));
  FillRoundRect(vg, x + 1, y + 1, w - 2, h - 2, r - 1 > 0 ? r - 1 : 0, colours::Recess());
  // Inner shadow along the top, light catching the bottom lip.
  vgBeginPath(vg);
  vgRoundedRect(vg, x + 1, y + 1, w - 2, h - 2, r - 1 > 0 ? r - 1 : 0);
  vgFillPaint(vg, vgLinearGradient(0, y + 1, 0, y + 5, vgRGBA(0, 0, 0, 110), vgRGBA(0, 0, 0, 0)));
  vgFill(vg);
  FillRect(vg, x + r, y + h, w - 2 * r, 1, vgRGBA(255, 255, 255, 22));
}

void Plate(VGcontext* vg, float x, float y, float w, float h, float r)
{
  // Soft shadow below, the outline, the plate with a faint top light.
  vgBeginPath(vg);
  vgRect(vg, x - 6, y - 4, w + 12, h + 12);
  vgFillPaint(vg, vgBoxGradient(x, y + 2, w, h, r, 8, vgRGBA(0, 0, 0, 90), vgRGBA(0, 0, 0, 0)));
  vgFill(vg);
  FillRoundRect(vg, x, y, w, h, r, colours::PlateEdge());
  vgBeginPath(vg);
  vgRoundedRect(vg, x + 1, y + 1, w - 2, h - 2, r - 1);
  vgFillPaint(vg, vgLinearGradient(0, y, 0, y + 60, vgRGB(39, 42, 48), colours::Plate()));
  vgFill(vg);
  FillRect(vg, x + r, y + 1, w - 2 * r, 1, vgRGBA(255, 255, 255, 18));
}

bool DrawFrame(const Art& art, const char* name, int frame)
{
  const iplugin::EditorBitmap* b = iplugin::FindEditorBitmap(name);
  if (!b) return false;
  const float w = (float)b->frameWidth, h = (float)b->frameHeight;
  const bool second = frame == 1;
  switch ((int)(b - iplugin::kEditorBitmaps))
  {
  case iplugin::kBitmapBackground:
    DrawMixerBackground(art);
    return true;
  case iplugin::kBitmapSendBackground:
    DrawSendBackground(art);
    return true;
  case iplugin::kBitmapResizer:
    DrawResizer(art, second);
    return true;
  case iplugin::kBitmapPluginMode:
  case iplugin::kBitmapChannelCount:
  case iplugin::kBitmapGroupNumber:
  case iplugin::kBitmapPreDelay:
  case iplugin::kBitmapMixMode:
    DrawSelector(art, w, h, frame);
    return true;
  case iplugin::kBitmapSpeech:
    DrawSpeechSwitch(art, second);
    return true;
  case iplugin::kBitmapAutomation:
    DrawIconSwitch(art, true, second);
    return true;
  case iplugin::kBitmapMultiChannel:
    DrawIconSwitch(art, false, second);
    return true;
  case iplugin::kBitmapKnobLarge:
    DrawKnob(art, true, frame, b->frames);
    return true;
  case iplugin::kBitmapKnobSmall:
    DrawKnob(art, false, frame, b->frames);
    return true;
  case iplugin::kBitmapGroupOverlay:
    DrawGroupOverlay(art, frame);
    return true;
  case iplugin::kBitmapMeterBar:
    DrawMeterBar(art, frame);
    return true;
  case iplugin::kBitmapMeterPeak:
    DrawMeterPeak(art, frame);
    return true;
  case iplugin::kBitmapMeterMark:
    DrawMeterMark(art, frame);
    return true;
  case iplugin::kBitmapMod:
    DrawChannelButton(art, w, h, "MOD", colours::Accent(), second);
    return true;
  case iplugin::kBitmapMono:
    DrawChannelButton(art, w, h, "MONO", vgRGB(74, 168, 232), second);
    return true;
  case iplugin::kBitmapMute:
    DrawChannelButton(art, w, h, "MUTE", vgRGB(229, 72, 63), second);
    return true;
  case iplugin::kBitmapSolo:
    DrawChannelButton(art, w, h, "SOLO", vgRGB(242, 200, 59), second);
    return true;
  case iplugin::kBitmapBypass:
    DrawChannelButton(art, w, h, "BYP", vgRGB(207, 214, 223), second);
    return true;
  case iplugin::kBitmapPriorityLamp:
    DrawPriorityLamp(art, frame, b->frames);
    return true;
  case iplugin::kBitmapInactiveOverlay:
    DrawInactiveOverlay(art, w, h);
    return true;
  case iplugin::kBitmapPrevious:
    DrawStepButton(art, false, second);
    return true;
  case iplugin::kBitmapNext:
    DrawStepButton(art, true, second);
    return true;
  case iplugin::kBitmapPluginMenu:
    DrawMenuIcon(art, second);
    return true;
  case iplugin::kBitmapUpdate:
    DrawUpdateIcon(art, second);
    return true;
  }
  return false;
}
} // namespace qorvart
