// The editor's look: one palette and the drawing pieces that the bitmaps share (button faces, value
// displays, captions), and the drawing of each bitmap's frames. Everything is in points; the canvas
// scales it to the screen scale.
#pragma once

#include <string>
#include <vector>

#include "graphics/vector/VGcontext.h"

namespace qorvart
{
using iplugin::igraphics::VGcolor;
using iplugin::igraphics::VGcontext;

// Palette: a dark graphite panel, light grey text, amber for values and lit lamps.
namespace colours
{
VGcolor PanelTop();
VGcolor PanelBottom();
VGcolor Plate();     // sections and strips
VGcolor PlateEdge(); // their outline
VGcolor Recess();    // wells: displays, meter troughs
VGcolor Caption();   // section captions
VGcolor ValueText(); // text in displays ("#c5c6c7", as the knob labels)
VGcolor Accent();    // amber
VGcolor Icon();      // icons at rest
VGcolor IconHover(); // icons under the mouse
} // namespace colours

// What the frames are drawn with: the context, the editor's bold font and, for selectors, the texts.
struct Art
{
  VGcontext* vg;
  int font;                              // "Verdana Bold"
  const std::vector<std::string>* texts; // one a frame, for value displays; else null
};

// Shared pieces.
void FillRect(VGcontext* vg, float x, float y, float w, float h, VGcolor c);
void FillRoundRect(VGcontext* vg, float x, float y, float w, float h, float r, VGcolor c);
// Text at a size; align: the context's EVGalign bits.
void Text(const Art& art, float x, float y, float size, int align, VGcolor c, const char* text);
// A raised button face; lit with a colour when on (alpha 0 means dark).
void ButtonFace(VGcontext* vg, float x, float y, float w, float h, VGcolor lit);
// A recessed display well.
void DisplayWell(VGcontext* vg, float x, float y, float w, float h, float r);
// A plate for a group of controls.
void Plate(VGcontext* vg, float x, float y, float w, float h, float r);

// Draws frame `frame` (0-based) of the bitmap named in the table into (0, 0, frame width, frame height).
// False for a name that has no drawing.
bool DrawFrame(const Art& art, const char* name, int frame);

// The drawings behind DrawFrame, by family.
void DrawKnob(const Art& art, bool large, int frame, int frames);
void DrawSelector(const Art& art, float w, float h, int frame);
void DrawChannelButton(const Art& art, float w, float h, const char* label, VGcolor lit, bool on);
void DrawSpeechSwitch(const Art& art, bool on);
void DrawIconSwitch(const Art& art, bool automation, bool on);
void DrawStepButton(const Art& art, bool next, bool hover);
void DrawMenuIcon(const Art& art, bool hover);
void DrawUpdateIcon(const Art& art, bool hover);
void DrawResizer(const Art& art, bool hover);
void DrawMeterBar(const Art& art, int frame);
void DrawMeterPeak(const Art& art, int frame);
void DrawMeterMark(const Art& art, int frame);
void DrawPriorityLamp(const Art& art, int frame, int frames);
void DrawInactiveOverlay(const Art& art, float w, float h);
void DrawGroupOverlay(const Art& art, int group);
void DrawMixerBackground(const Art& art);
void DrawSendBackground(const Art& art);
} // namespace qorvart
