// Knobs, switches, value selectors and icons.
#include <cmath>

#include "graphics/vector/VGtext.h"
#include "tools/bitmaps/Art.h"
#include "tools/bitmaps/ArtGeometry.h"

using namespace iplugin::igraphics;

namespace qorvart
{
namespace
{
// Screen angle (radians, x right, y down) of a knob angle in degrees (0 up, clockwise).
float ScreenAngle(float degrees)
{
  return (degrees - 90.0f) * kVGPi / 180.0f;
}

void StrokeLine(VGcontext* vg, float x0, float y0, float x1, float y1, float width, VGcolor c, int cap)
{
  vgBeginPath(vg);
  vgMoveTo(vg, x0, y0);
  vgLineTo(vg, x1, y1);
  vgStrokeWidth(vg, width);
  vgLineCap(vg, cap);
  vgStrokeColor(vg, c);
  vgStroke(vg);
}

void KnobBody(VGcontext* vg, float c, float r)
{
  // Shadow, dark rim, a brushed cap lit from above.
  vgBeginPath(vg);
  vgCircle(vg, c, c + 1.5f, r + 2.5f);
  vgFillPaint(vg, vgRadialGradient(c, c + 1.5f, r - 1, r + 2.5f, vgRGBA(0, 0, 0, 150), vgRGBA(0, 0, 0, 0)));
  vgFill(vg);
  vgBeginPath(vg);
  vgCircle(vg, c, c, r);
  vgFillColor(vg, vgRGB(12, 13, 15));
  vgFill(vg);
  vgBeginPath(vg);
  vgCircle(vg, c, c, r - 1);
  vgFillPaint(vg, vgLinearGradient(0, c - r, 0, c + r, vgRGB(92, 98, 108), vgRGB(38, 41, 46)));
  vgFill(vg);
  vgBeginPath(vg);
  vgCircle(vg, c, c, r - 3);
  vgFillPaint(vg, vgLinearGradient(0, c - r, 0, c + r, vgRGB(52, 56, 63), vgRGB(66, 71, 79)));
  vgFill(vg);
}
} // namespace

void DrawKnob(const Art& art, bool large, int frame, int frames)
{
  VGcontext* vg = art.vg;
  const float c = kKnobCentre;
  const float degrees = KnobDegrees(frame, frames);
  const float a0 = ScreenAngle(kKnobStartDegrees), a = ScreenAngle(degrees);
  if (large)
  {
    // Value arc over a dark track.
    vgBeginPath(vg);
    vgArc(vg, c, c, kKnobArcRadius, a0, ScreenAngle(kKnobStartDegrees + kKnobSweepDegrees), kVGHole);
    vgStrokeWidth(vg, kKnobArcWidth);
    vgLineCap(vg, kVGButt);
    vgStrokeColor(vg, vgRGB(10, 11, 13));
    vgStroke(vg);
    if (frame > 0)
    {
      vgBeginPath(vg);
      vgArc(vg, c, c, kKnobArcRadius, a0, a, kVGHole);
      vgStrokeColor(vg, colours::Accent());
      vgStroke(vg);
    }
    KnobBody(vg, c, 14);
  }
  else
  {
    // Scale ticks, the centre one longer.
    for (int t = 0; t <= 10; ++t)
    {
      const float ta = ScreenAngle(kKnobStartDegrees + kKnobSweepDegrees * t / 10.0f);
      const float r0 = t == 5 ? 16.0f : 16.5f;
      StrokeLine(vg, c + r0 * std::cos(ta), c + r0 * std::sin(ta), c + 19.0f * std::cos(ta),
                 c + 19.0f * std::sin(ta), 1.2f, t == 5 ? vgRGB(150, 156, 165) : vgRGB(96, 102, 111),
                 kVGButt);
    }
    KnobBody(vg, c, 14);
  }
  const float ca = std::cos(a), sa = std::sin(a);
  StrokeLine(vg, c + kKnobPointerInner * ca, c + kKnobPointerInner * sa, c + kKnobPointerOuter * ca,
             c + kKnobPointerOuter * sa, 2.4f, vgRGB(0, 0, 0), kVGRound);
  StrokeLine(vg, c + kKnobPointerInner * ca, c + kKnobPointerInner * sa, c + kKnobPointerOuter * ca,
             c + kKnobPointerOuter * sa, 2.0f, vgRGB(245, 246, 248), kVGRound);
}

void DrawSelector(const Art& art, float w, float h, int frame)
{
  VGcontext* vg = art.vg;
  DisplayWell(vg, 0, 0, w, h - 1, 3);
  const float arrowX = w - 9, mid = (h - 1) / 2;
  // A small down arrow: the click opens a menu.
  vgBeginPath(vg);
  vgMoveTo(vg, arrowX - 3.5f, mid - 2);
  vgLineTo(vg, arrowX + 3.5f, mid - 2);
  vgLineTo(vg, arrowX, mid + 2.5f);
  vgClosePath(vg);
  vgFillColor(vg, colours::Icon());
  vgFill(vg);
  const char* text = art.texts && frame < (int)art.texts->size() ? (*art.texts)[frame].c_str() : "";
  Text(art, (w - 14) / 2 + 2, mid + 0.5f, 12, kVGAlignCenter | kVGAlignMiddle, colours::ValueText(), text);
}

void DrawChannelButton(const Art& art, float w, float h, const char* label, VGcolor lit, bool on)
{
  ButtonFace(art.vg, 0, 0, w, h, on ? lit : vgRGBA(0, 0, 0, 0));
  vgTextLetterSpacing(art.vg, w > 30 ? 0.3f : -0.2f);
  Text(art, w / 2, h / 2 + 0.5f, w > 30 ? 10 : 7.5f, kVGAlignCenter | kVGAlignMiddle,
       on ? vgRGB(24, 22, 20) : vgRGB(170, 176, 184), label);
  vgTextLetterSpacing(art.vg, 0);
}

void DrawSpeechSwitch(const Art& art, bool on)
{
  VGcontext* vg = art.vg;
  const float w = 54, h = 18, lx = 10, ly = 9;
  ButtonFace(vg, 0, 0, w, h, vgRGBA(0, 0, 0, 0));
  if (on)
  {
    vgBeginPath(vg);
    vgCircle(vg, lx, ly, 7);
    vgFillPaint(vg, vgRadialGradient(lx, ly, 2, 7, vgRGBA(90, 230, 120, 150), vgRGBA(90, 230, 120, 0)));
    vgFill(vg);
  }
  vgBeginPath(vg);
  vgCircle(vg, lx, ly, 3.5f);
  vgFillColor(vg, vgRGB(8, 9, 10));
  vgFill(vg);
  vgBeginPath(vg);
  vgCircle(vg, lx, ly, 2.7f);
  vgFillColor(vg, on ? vgRGB(120, 245, 150) : vgRGB(28, 52, 34));
  vgFill(vg);
  Text(art, 32, ly + 0.5f, 9, kVGAlignCenter | kVGAlignMiddle, on ? colours::IconHover() : colours::Icon(),
       on ? "ON" : "OFF");
}

void DrawIconSwitch(const Art& art, bool automation, bool on)
{
  VGcontext* vg = art.vg;
  const float w = 28, h = 24;
  ButtonFace(vg, 0, 0, w, h, on ? colours::Accent() : vgRGBA(0, 0, 0, 0));
  const VGcolor ink = on ? vgRGB(30, 24, 16) : vgRGB(170, 176, 184);
  vgStrokeColor(vg, ink);
  vgStrokeWidth(vg, 1.6f);
  vgLineCap(vg, kVGRound);
  vgLineJoin(vg, kVGRound);
  if (automation)
  {
    // An automation curve through three points.
    const float px[] = {6, 11, 17, 22}, py[] = {16, 9, 14, 7};
    vgBeginPath(vg);
    vgMoveTo(vg, px[0], py[0]);
    for (int i = 1; i < 4; ++i)
      vgLineTo(vg, px[i], py[i]);
    vgStroke(vg);
    for (int i = 0; i < 4; ++i)
    {
      vgBeginPath(vg);
      vgCircle(vg, px[i], py[i], 1.8f);
      vgFillColor(vg, ink);
      vgFill(vg);
    }
  }
  else
  {
    // Three outputs leaving side by side.
    for (int i = 0; i < 3; ++i)
    {
      const float y = 7 + i * 5;
      vgBeginPath(vg);
      vgMoveTo(vg, 7, y);
      vgLineTo(vg, 19, y);
      vgStroke(vg);
      vgBeginPath(vg);
      vgMoveTo(vg, 18, y - 2.5f);
      vgLineTo(vg, 22, y);
      vgLineTo(vg, 18, y + 2.5f);
      vgClosePath(vg);
      vgFillColor(vg, ink);
      vgFill(vg);
    }
  }
}

void DrawStepButton(const Art& art, bool next, bool hover)
{
  VGcontext* vg = art.vg;
  ButtonFace(vg, 0, 0, 22, 22, vgRGBA(0, 0, 0, 0));
  const float d = next ? 1.0f : -1.0f, cx = 11 + d * 0.5f;
  vgBeginPath(vg);
  vgMoveTo(vg, cx + 3.5f * d, 11);
  vgLineTo(vg, cx - 2.5f * d, 6.5f);
  vgLineTo(vg, cx - 2.5f * d, 15.5f);
  vgClosePath(vg);
  vgFillColor(vg, hover ? colours::IconHover() : colours::Icon());
  vgFill(vg);
}

void DrawMenuIcon(const Art& art, bool hover)
{
  VGcontext* vg = art.vg;
  if (hover) FillRoundRect(vg, 0, 0, 21, 22, 3, vgRGBA(255, 255, 255, 24));
  for (int i = 0; i < 3; ++i)
    FillRoundRect(vg, 4.5f, 6 + i * 4.5f, 12, 2, 1, hover ? colours::IconHover() : colours::Icon());
}

void DrawUpdateIcon(const Art& art, bool hover)
{
  VGcontext* vg = art.vg;
  const VGcolor ink = hover ? colours::Accent() : colours::Icon();
  const float cx = 10, cy = 12, r = 6;
  if (hover) FillRoundRect(vg, 0, 1, 20, 22, 3, vgRGBA(255, 255, 255, 24));
  // A circular arrow: "check again".
  vgBeginPath(vg);
  vgArc(vg, cx, cy, r, ScreenAngle(40), ScreenAngle(330), kVGHole);
  vgStrokeWidth(vg, 1.8f);
  vgLineCap(vg, kVGButt);
  vgStrokeColor(vg, ink);
  vgStroke(vg);
  const float ea = ScreenAngle(330), ex = cx + r * std::cos(ea), ey = cy + r * std::sin(ea);
  vgBeginPath(vg);
  vgMoveTo(vg, ex - 3.2f, ey - 2.8f);
  vgLineTo(vg, ex + 2.8f, ey - 3.2f);
  vgLineTo(vg, ex + 0.8f, ey + 2.6f);
  vgClosePath(vg);
  vgFillColor(vg, ink);
  vgFill(vg);
}

void DrawResizer(const Art& art, bool hover)
{
  VGcontext* vg = art.vg;
  const VGcolor ink = hover ? colours::Accent() : vgRGB(96, 102, 111);
  for (int i = 0; i < 3; ++i)
  {
    const float o = 4.0f + i * 4.0f;
    StrokeLine(vg, o, 15, 15, o, 1.4f, ink, kVGRound);
  }
}
} // namespace qorvart
