// The gallery's second page, the vector controls, drawn by the vector back end and compared with its
// reviewed golden picture, tightly enough that anti-aliasing off, a half-pixel shift or 85 % alpha
// fail it.
#include "tests/controls/VectorGallery.h"
#include "tests/controls/GalleryFaults.h"

#include <gtest/gtest.h>

using namespace iplugin::igraphics;
using namespace qorvtest;

namespace
{
const char* const kRobotoPath = "/usr/share/fonts/truetype/roboto/unhinted/RobotoTTF/Roboto-Regular.ttf";

RgbaImage DrawVectorGallery(GalleryFault fault)
{
  RecordingDelegate dlg(kNumVectorGalleryParams);
  InitVectorGalleryParams(dlg);
  dlg.mMakeGraphicsFunc = [&dlg]()
  { return new VectorGraphics(dlg, kVectorGalleryWidth, kVectorGalleryHeight); };
  dlg.OpenWindow(nullptr);
  auto& g = *static_cast<VectorGraphics*>(dlg.GetUI());
  g.Open(1.f);
  AttachVectorGallery(g, kRobotoPath);
  for (int i = 0; i < kNumVectorGalleryParams; ++i)
    dlg.SendParameterValueFromDelegate(i, dlg.GetParam(i)->GetDefault(true), true);

  return DrawGalleryFrame(g, fault);
}

TEST(GalleryFrameTest, TheVectorPageMatchesItsReviewedPicture)
{
  ExpectGalleryMatchesOnlyWhenRight(DrawVectorGallery, kVectorGalleryWidth, kVectorGalleryHeight,
                                    "gallery-vector");
}
} // namespace
