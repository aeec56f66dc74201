// The vector controls' page of the gallery: every vector-drawn control twice, once in the default style
// and once in a style with every option changed, and the frame-time display in two of its kinds below, on one
// 560 x 420 context. Built on any context opened through the delegate, so the same page can be driven with
// input and drawn to pixels.
#pragma once

#include "controls/IFPSDisplayControl.h"
#include "controls/IVButtonControl.h"
#include "controls/IVColorSwatchControl.h"
#include "controls/IVDisplayControls.h"
#include "controls/IVKnobControl.h"
#include "controls/IVSliderControl.h"
#include "controls/IVSwitchControls.h"
#include "controls/IVTrackControlBase.h"
#include "controls/IVXYPadControl.h"
#include "framework/IGEditorDelegate.h"

namespace qorvtest
{
constexpr int kVectorGalleryWidth = 560;
constexpr int kVectorGalleryHeight = 420;

enum EVectorGalleryParam
{
  kVGainParam = 0, // 0..100 %
  kVRangeLoParam,  // 0..1
  kVRangeHiParam,  // 0..1
  kVPadXParam,     // 0..1
  kVPadYParam,     // 0..1
  kNumVectorGalleryParams
};

void InitVectorGalleryParams(iplugin::igraphics::IGEditorDelegate& dlg);

// The style with every option changed from the default.
iplugin::igraphics::IVStyle ChangedVectorStyle();

// Attaches both rows, default style on top; text in "Roboto-Regular", loaded from fontPath unless empty.
void AttachVectorGallery(iplugin::igraphics::IGraphics& g, const char* fontPath);
} // namespace qorvtest
