// The two backgrounds: the mixer view (global section, eight strips, master column) and the plainer send
// view. Positions follow the editor's layout; the strip pitch is 97 points.
#include <cstdio>

#include "editor/EditorBitmaps.h"
#include "graphics/vector/VGtext.h"
#include "tools/bitmaps/Art.h"
#include "tools/bitmaps/ArtGeometry.h"

using namespace iplugin::igraphics;

namespace qorvart
{
namespace
{
constexpr int kStripPitch = 97;
constexpr float kStripsTop = 117;
constexpr float kMeterTop = 355;
constexpr int kCaptionAlign = kVGAlignCenter | kVGAlignMiddle;

void Caption(const Art& art, float x, float y, const char* text, int align = kCaptionAlign, float size = 8)
{
  vgTextLetterSpacing(art.vg, 0.6f);
  Text(art, x, y, size, align, colours::Caption(), text);
  vgTextLetterSpacing(art.vg, 0);
}

void Panel(const Art& art)
{
  VGcontext* vg = art.vg;
  vgBeginPath(vg);
  vgRect(vg, 0, 0, iplugin::kEditorWidth, iplugin::kEditorHeight);
  vgFillPaint(vg,
              vgLinearGradient(0, 0, 0, iplugin::kEditorHeight, colours::PanelTop(), colours::PanelBottom()));
  vgFill(vg);
}

// The top plate with the row of menus: plug-in menu, logo (the reset area), update icon.
void TopPlate(const Art& art)
{
  Plate(art.vg, 8, 6, 859, 106, 6);
  vgTextLetterSpacing(art.vg, 3);
  Text(art, 272, 26.5f, 17, kCaptionAlign, colours::ValueText(), "QORV");
  vgTextLetterSpacing(art.vg, 0);
  Caption(art, 18, 25, "PLUGIN MODE", kVGAlignLeft | kVGAlignMiddle);
  Caption(art, 859, 25, "SPEECH AUTOMATIC MIXER", kVGAlignRight | kVGAlignMiddle);
}

void VerticalRule(VGcontext* vg, float x, float y0, float y1)
{
  FillRect(vg, x, y0, 1, y1 - y0, vgRGBA(0, 0, 0, 120));
  FillRect(vg, x + 1, y0, 1, y1 - y0, vgRGBA(255, 255, 255, 14));
}

void MeterWell(const Art& art, float x, const char* left, const char* right, float pitch)
{
  VGcontext* vg = art.vg;
  DisplayWell(vg, x - 2, kMeterTop - 2, 16 + pitch + 4, qorvart::kMeterHeight + 4, 3);
  Caption(art, x + 8, kMeterTop + kMeterHeight + 8, left, kCaptionAlign, 7);
  Caption(art, x + pitch + 8, kMeterTop + kMeterHeight + 8, right, kCaptionAlign, 7);
}

// dB ticks right-aligned at x beside a meter column.
void MeterScale(const Art& art, float x)
{
  const int marks[] = {0, 12, 24, 36, 48, 60};
  for (int db : marks)
  {
    const float y = kMeterTop + (float)MeterMarkRow(kMeterSegments - db) + 0.5f;
    FillRect(art.vg, x - 2, y - 0.5f, 2, 1, colours::Caption());
    char text[8];
    std::snprintf(text, sizeof text, db ? "-%d" : "%d", db);
    Text(art, x - 3.5f, y + 0.5f, 6.5f, kVGAlignRight | kVGAlignMiddle, colours::Caption(), text);
  }
}

void Strip(const Art& art, float x0)
{
  const iplugin::EditorBitmap& overlay = iplugin::kEditorBitmaps[iplugin::kBitmapInactiveOverlay];
  Plate(art.vg, x0 + 4, kStripsTop, (float)overlay.frameWidth, (float)overlay.frameHeight, 6);
  const float knobX = x0 + 27 + kKnobCentre;
  Caption(art, knobX, 173, "GAIN");
  Caption(art, knobX, 229, "WEIGHT");
  Caption(art, knobX, 283, "PAN");
  Caption(art, x0 + 81, 326, "PRIO", kCaptionAlign, 7);
  MeterWell(art, x0 + 23, "IN", "OUT", 19);
  MeterScale(art, x0 + 20);
}

void MasterColumn(const Art& art)
{
  Plate(art.vg, 784, kStripsTop, 83, 431, 6);
  Caption(art, 810, 157, "WRITE", kCaptionAlign, 7);
  Caption(art, 842, 157, "MULTI", kCaptionAlign, 7);
  Caption(art, 826, 173, "CHANNELS");
  Caption(art, 826, 220, "GROUP");
  Caption(art, 823, 318, "MAIN");
  MeterWell(art, 809, "L", "R", 19);
  MeterScale(art, 806);
}
} // namespace

void DrawMixerBackground(const Art& art)
{
  VGcontext* vg = art.vg;
  Panel(art);
  Caption(art, 14, 564, "LUMENKRAFT", kVGAlignLeft | kVGAlignMiddle, 7);
  TopPlate(art);
  Caption(art, 115, 25, "PREDELAY", kVGAlignLeft | kVGAlignMiddle);
  Caption(art, 18, 73, "MIX MODE", kVGAlignLeft | kVGAlignMiddle);
  Caption(art, 151, 79, "SPEECH FILTER");
  DisplayWell(vg, 395, 14, 182, 22, 3);
  VerticalRule(vg, 203, 44, 106);
  VerticalRule(vg, 511, 44, 106);
  struct
  {
    float x;
    const char* text;
  } knobs[] = {{221, "STRENGTH"}, {320, "GATE"}, {418, "MOD. ATTN."},
               {561, "ATTACK"},   {660, "HOLD"}, {758, "RELEASE"}};
  for (const auto& k : knobs)
    Caption(art, k.x + kKnobCentre, 51, k.text);
  for (int s = 0; s < 8; ++s)
    Strip(art, (float)(kStripPitch * s));
  MasterColumn(art);
}

void DrawSendBackground(const Art& art)
{
  VGcontext* vg = art.vg;
  Panel(art);
  Caption(art, 14, 564, "LUMENKRAFT", kVGAlignLeft | kVGAlignMiddle, 7);
  TopPlate(art);
  Plate(vg, 8, kStripsTop, 859, 431, 6);
  vgTextLetterSpacing(vg, 8);
  Text(art, 437.5f, 300, 44, kCaptionAlign, vgRGB(58, 62, 70), "SEND");
  vgTextLetterSpacing(vg, 0);
  Caption(art, 437.5f, 350, "THIS TRACK'S AUDIO GOES TO THE EXT. MIXER, ON THE CHANNEL CHOSEN ABOVE",
          kCaptionAlign, 9);
}
} // namespace qorvart
