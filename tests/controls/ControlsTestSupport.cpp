#include "tests/controls/ControlsTestSupport.h"

#include "tests/support/TestPaths.h"

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

namespace qorvtest
{
using namespace iplugin::igraphics;

std::string WritePng(const std::string& folder, const std::string& name, int w, int h)
{
  std::vector<uint8_t> rgba(size_t(w) * size_t(h) * 4, 0x80);
  const std::string path = folder + "/" + name;
  EXPECT_TRUE(stbi_write_png(path.c_str(), w, h, 4, rgba.data(), w * 4));
  return path;
}

ControlsTest::ControlsTest() : dlg(kNumParams), g(dlg.Open(300, 200))
{
  dlg.GetParam(kGain)->InitDouble("Gain", 0.5, 0.0, 1.0, 0.01);
  dlg.GetParam(kMode)->InitEnum("Mode", 0, 5);
  dlg.GetParam(kPercent)->InitDouble("Percent", 0.0, 0.0, 100.0, 1.0, "%", iplugin::IParam::kFlagStepped);
  dlg.GetParam(kLevel)->InitDouble("Level", 0.0, -60.0, 0.0, 1.0, "dB", iplugin::IParam::kFlagStepped);
  dlg.GetParam(kCount)->InitDouble("Count", 0.0, 0.0, 10.0, 1.0, "", iplugin::IParam::kFlagStepped);
  mFolder = ScratchDir(::testing::UnitTest::GetInstance()->current_test_info()->name());
}

std::vector<std::string> ControlsTest::DrawnBitmaps(IControl& control)
{
  g.TakeLog();
  control.Draw(g);
  return g.TakeLog({"bitmap"});
}

void ControlsTest::Press(float x, float y, const IMouseMod& mod)
{
  g.OnMouseDown({MouseAt(x, y, mod)});
}

void ControlsTest::Release(float x, float y, const IMouseMod& mod)
{
  g.OnMouseUp({MouseAt(x, y, mod)});
}

void ControlsTest::Click(float x, float y, const IMouseMod& mod)
{
  Press(x, y, mod);
  Release(x, y, mod);
}

void ControlsTest::DoubleClick(float x, float y, const IMouseMod& mod)
{
  g.OnMouseDblClick(x, y, mod);
  Release(x, y, mod);
}

void ControlsTest::Drag(float x, float y, float dX, float dY, const IMouseMod& mod)
{
  g.OnMouseDrag({MouseAt(x, y, mod, dX, dY)});
}

void ControlsTest::Wheel(float x, float y, float d, const IMouseMod& mod)
{
  g.OnMouseWheel(x, y, mod, d);
}
} // namespace qorvtest
