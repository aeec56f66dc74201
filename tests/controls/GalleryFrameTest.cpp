// One frame of the gallery drawn by the vector back end and compared with its reviewed golden picture,
// tightly enough that anti-aliasing off, a half-pixel shift or 85 % alpha fail it.
#include "tests/controls/Gallery.h"
#include "tests/controls/ScriptedInput.h"
#include "tests/support/TestPaths.h"
#include "tests/controls/GalleryFaults.h"

#include "framework/IParam.h"

#include <gtest/gtest.h>

using namespace iplugin::igraphics;
using namespace qorvtest;

namespace
{
const char* const kRobotoPath = "/usr/share/fonts/truetype/roboto/unhinted/RobotoTTF/Roboto-Regular.ttf";

// The gallery opened through its delegate on the vector back end, set by input, drawn in one frame.
RgbaImage DrawGallery(GalleryFault fault)
{
  VirtualClock clock;
  RecordingDelegate dlg(kNumGalleryParams);
  InitGalleryParams(dlg);
  dlg.mMakeGraphicsFunc = [&dlg]() { return new VectorGraphics(dlg, kGalleryWidth, kGalleryHeight); };
  dlg.OpenWindow(nullptr);
  auto& g = *static_cast<VectorGraphics*>(dlg.GetUI());
  g.Open(1.f);
  AttachGallery(g, ScratchDir("gallery-frame"), kRobotoPath);

  // The values a host would have pushed, then a click on the toggle and a press on the fader that
  // holds its bubble, faded in.
  for (auto [param, value] : {std::pair{kLampParam, 1.0},
                              {kHandleParam, 0.75},
                              {kRotaterParam, 0.5},
                              {kDialParam, 0.3},
                              {kPositionParam, 0.5},
                              {kCurveParam, 1.0}})
    dlg.SendParameterValueFromDelegate(param, value, true);
  dlg.GetParam(kThresholdParam)->Set(-20.0);
  dlg.GetParam(kFaderParam)->Set(-12.0);
  Click(g, 130, 135);
  Press(g, 185, 250 - 76.5f * 48.f / 66.f);
  Tick(g, 200);
  return DrawGalleryFrame(g, fault);
}

TEST(GalleryFrameTest, TheFrameMatchesItsReviewedPicture)
{
  ExpectGalleryMatchesOnlyWhenRight(DrawGallery, kGalleryWidth, kGalleryHeight, "gallery");
}
} // namespace
