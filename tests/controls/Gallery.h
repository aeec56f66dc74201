// The gallery: one instance of every control of the library's bitmap, SVG, text, button, slider,
// panel and bubble families on one 320 x 260 context, with the parameters they are bound to, bitmaps
// drawn here and SVG pictures from tests/data/controls. Built on any graphics context opened through
// the delegate, so the same layout can be driven with input and rendered to pixels.
#pragma once

#include "controls/IBButtonControl.h"
#include "controls/IBKnobRotaterControl.h"
#include "controls/IBSliderControl.h"
#include "controls/IBTextControl.h"
#include "controls/IBitmapControl.h"
#include "controls/IBubbleControl.h"
#include "controls/ICaptionControl.h"
#include "controls/ISVGButtonControl.h"
#include "controls/ISVGControl.h"
#include "controls/ISVGKnobControl.h"
#include "controls/ISVGSliderControl.h"
#include "controls/ISVGSwitchControl.h"
#include "controls/ITextToggleControl.h"
#include "controls/IURLControl.h"
#include "controls/PlaceHolder.h"
#include "framework/IGEditorDelegate.h"

#include <string>

namespace qorvtest
{
constexpr int kGalleryWidth = 320;
constexpr int kGalleryHeight = 260;

// The parameters of the gallery, one a control that has one.
enum EGalleryParam
{
  kLampParam = 0,  // bool
  kHandleParam,    // bitmap slider, 0..1
  kRotaterParam,   // 0..1
  kDialParam,      // SVG knob, 0..1
  kPositionParam,  // SVG switch, enum of 3
  kFaderParam,     // SVG slider, -60..6 dB
  kBypassParam,    // text toggle, bool
  kCurveParam,     // caption, enum "Soft", "Medium", "Hard"
  kThresholdParam, // caption, -60..0 dB in steps of 0.5
  kNumGalleryParams
};

// Sets up the parameters of a delegate made with kNumGalleryParams.
void InitGalleryParams(iplugin::igraphics::IGEditorDelegate& dlg);

struct Gallery
{
  iplugin::igraphics::IBitmapControl* lamp;
  iplugin::igraphics::IBButtonControl* bitmapButton;
  iplugin::igraphics::IBKnobRotaterControl* rotater;
  iplugin::igraphics::IBSliderControl* bitmapSlider;
  iplugin::igraphics::IBTextControl* bitmapText;
  iplugin::igraphics::ISVGSwitchControl* svgSwitch;
  iplugin::igraphics::ISVGButtonControl* svgButton;
  iplugin::igraphics::ISVGKnobControl* svgKnob;
  iplugin::igraphics::ISVGControl* picture;
  iplugin::igraphics::IURLControl* link;
  iplugin::igraphics::ITextToggleControl* toggle;
  iplugin::igraphics::ICaptionControl* enumCaption;
  iplugin::igraphics::ICaptionControl* valueCaption;
  iplugin::igraphics::PlaceHolder* placeHolder;
  iplugin::igraphics::ISVGSliderControl* svgSlider;
  iplugin::igraphics::IBubbleControl* bubble;
};

// Attaches the gallery; the bitmaps are written into folder. Text uses the font "Roboto-Regular",
// loaded from fontPath unless that is empty.
Gallery AttachGallery(iplugin::igraphics::IGraphics& g, const std::string& folder,
                      const std::string& fontPath);
} // namespace qorvtest
