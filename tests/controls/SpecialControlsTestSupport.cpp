#include "tests/controls/SpecialControlsTestSupport.h"

namespace qorvtest
{
using namespace iplugin::igraphics;

double SpecialControlsTest::sNow = 0.0;

void PromptingControl::OnMenuChoice(IPopupMenu* pMenu, int valIdx)
{
  if (!pMenu)
    mChoices += "none;";
  else
    mChoices += std::to_string(pMenu->NItems()) + ":" + std::to_string(pMenu->GetChosenItemIdx()) + ";";
  TestControl::OnMenuChoice(pMenu, valIdx);
}

SpecialControlsTest::SpecialControlsTest(int w, int h) : dlg(4), g(dlg.OpenWithClipboard(w, h))
{
  sNow = 1000.0;
  IControl::SetClock([] { return sNow; });
  g.EnableMouseOver(true);
}

SpecialControlsTest::~SpecialControlsTest()
{
  IControl::SetClock(nullptr);
}

void SpecialControlsTest::Frame()
{
  IRECTList rects;
  g.IsDirty(rects);
}

void SpecialControlsTest::Advance(double ms)
{
  const double end = sNow + ms;
  while (sNow + 16.0 < end)
  {
    sNow += 16.0;
    Frame();
  }
  sNow = end;
  Frame();
}

namespace
{
std::vector<IMouseInfo> At(float x, float y, const IMouseMod& mod, float dX = 0.f, float dY = 0.f)
{
  IMouseInfo info;
  info.x = x;
  info.y = y;
  info.dX = dX;
  info.dY = dY;
  info.ms = mod;
  return {info};
}
} // namespace

void SpecialControlsTest::Press(float x, float y, const IMouseMod& mod)
{
  g.OnMouseDown(At(x, y, mod));
}

void SpecialControlsTest::Release(float x, float y, const IMouseMod& mod)
{
  g.OnMouseUp(At(x, y, mod));
}

void SpecialControlsTest::Drag(float x, float y, float dX, float dY)
{
  g.OnMouseDrag(At(x, y, IMouseMod(true), dX, dY));
}

bool SpecialControlsTest::Key(const char* text, int vk, bool shift, bool cmd, bool option)
{
  return g.OnKeyDown(0.f, 0.f, iplugin::IKeyPress(text, vk, shift, cmd, option));
}
} // namespace qorvtest
