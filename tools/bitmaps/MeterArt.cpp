// Level meters, the priority lamp and the overlays laid over the strips.
#include <cstdio>

#include "graphics/vector/VGtext.h"
#include "tools/bitmaps/Art.h"
#include "tools/bitmaps/ArtGeometry.h"

using namespace iplugin::igraphics;

namespace qorvart
{
namespace
{
// Green below -18 dB, yellow to -6 dB, red above.
VGcolor SegmentColour(int i)
{
  if (i >= kMeterRedFrom) return vgRGB(240, 72, 60);
  if (i >= kMeterYellowFrom) return vgRGB(242, 197, 61);
  return vgRGB(61, 220, 106);
}

void Segment(VGcontext* vg, int i, VGcolor c)
{
  FillRect(vg, (float)kMeterSegmentLeft, (float)MeterSegmentTop(i),
           (float)(kMeterSegmentRight - kMeterSegmentLeft), (float)kMeterSegmentHeight, c);
}
} // namespace

void DrawMeterBar(const Art& art, int frame)
{
  VGcontext* vg = art.vg;
  FillRoundRect(vg, 0, 0, 16, (float)kMeterHeight, 2, vgRGB(8, 9, 11));
  for (int i = 0; i < kMeterSegments; ++i)
  {
    const VGcolor c = SegmentColour(i);
    Segment(vg, i, i < frame ? c : vgLerpRGBA(vgRGB(14, 16, 18), c, 0.14f));
  }
}

void DrawMeterPeak(const Art& art, int frame)
{
  if (frame == 0) return;
  Segment(art.vg, frame - 1, vgLerpRGBA(SegmentColour(frame - 1), vgRGB(255, 255, 255), 0.3f));
}

void DrawMeterMark(const Art& art, int frame)
{
  FillRect(art.vg, 0, (float)MeterMarkRow(frame), 16, 1, vgRGB(120, 220, 255));
}

void DrawPriorityLamp(const Art& art, int frame, int frames)
{
  VGcontext* vg = art.vg;
  const float b = (float)frame / (float)(frames - 1);
  const float cx = kLampCentreX, cy = kLampCentreY, w = 22, h = 8;
  const VGcolor lit = colours::Accent();
  if (b > 0)
  {
    vgBeginPath(vg);
    vgRect(vg, 0, 0, 32, 16);
    vgFillPaint(vg, vgBoxGradient(cx - w / 2, cy - h / 2, w, h, h / 2, 7, vgTransRGBAf(lit, 0.55f * b),
                                  vgTransRGBAf(lit, 0)));
    vgFill(vg);
  }
  FillRoundRect(vg, cx - w / 2 - 1, cy - h / 2 - 1, w + 2, h + 2, h / 2 + 1, vgRGB(6, 7, 8));
  vgBeginPath(vg);
  vgRoundedRect(vg, cx - w / 2, cy - h / 2, w, h, h / 2);
  const VGcolor lens = vgLerpRGBA(vgRGB(44, 34, 22), lit, b);
  vgFillPaint(vg, vgLinearGradient(0, cy - h / 2, 0, cy + h / 2,
                                   vgLerpRGBA(lens, vgRGB(255, 255, 255), 0.2f * b), lens));
  vgFill(vg);
  // Glint along the top of the lens.
  FillRoundRect(vg, cx - w / 2 + 3, cy - h / 2 + 1, w - 6, 1.5f, 0.75f,
                vgRGBA(255, 255, 255, (unsigned char)(40 + 60 * b)));
}

void DrawInactiveOverlay(const Art& art, float w, float h)
{
  FillRoundRect(art.vg, 0, 0, w, h, 6, vgRGBA(30, 32, 36, 170));
}

void DrawGroupOverlay(const Art& art, int group)
{
  // One channel-number plate on each of the eight strips.
  for (int s = 0; s < 8; ++s)
  {
    const float x = 97.0f * s, w = 28, h = 31;
    DisplayWell(art.vg, x, 0, w, h - 1, 3);
    Text(art, x + w / 2, 8.5f, 7, kVGAlignCenter | kVGAlignMiddle, colours::Caption(), "CH");
    char number[12];
    std::snprintf(number, sizeof number, "%d", 8 * group + s + 1);
    Text(art, x + w / 2, 20.5f, 12, kVGAlignCenter | kVGAlignMiddle, colours::Accent(), number);
  }
}
} // namespace qorvart
