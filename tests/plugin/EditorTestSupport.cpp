#include "tests/plugin/EditorTestSupport.h"

#include "controls/PopupPanel.h"
#include "tests/support/TestPaths.h"

#include <algorithm>

namespace mixtest
{
using namespace iplugin::igraphics;

double EditorTest::sNow = 0.0;

namespace
{
std::string TestName()
{
  return testing::UnitTest::GetInstance()->current_test_info()->name();
}
} // namespace

EditorTest::EditorTest() : home("editor_" + TestName())
{
  sNow = 1000.0;
  IControl::SetClock([] { return sNow; });
  qorvplatform::RegisterBundle((qorvtest::BinaryDir() + "/Qorv.component").c_str());
}

EditorTest::~EditorTest()
{
  plug.CloseWindow();
  IControl::SetClock(nullptr);
}

BundleGraphics& EditorTest::Open(float screenScale, bool ready, const std::string& missing)
{
  plug.mMakeGraphicsFunc = [this, screenScale, ready, missing]() -> IGraphicsInterface*
  {
    auto* g = new BundleGraphics(plug, 875, 580, 60, float(plug.Engine().mGuiScale.Load()));
    g->mContextReady = ready;
    g->mMissing = missing;
    if (screenScale != 1.f) g->SetScreenScale(screenScale);
    g->SetSharedResourcesSubPath("Qorv");
    return g;
  };
  plug.OpenWindow(nullptr);
  plug.OnEditorOpened();
  return UI();
}

void EditorTest::Press(float x, float y, const IMouseMod& mod)
{
  UI().OnMouseDown({qorvtest::MouseAt(x, y, mod)});
}

void EditorTest::Release(float x, float y, const IMouseMod& mod)
{
  UI().OnMouseUp({qorvtest::MouseAt(x, y, mod)});
}

void EditorTest::DragBy(float x, float y, float dY, const IMouseMod& mod)
{
  UI().OnMouseDrag({qorvtest::MouseAt(x, y + dY, mod, 0.f, dY)});
}

void EditorTest::Wheel(float x, float y, float d, const IMouseMod& mod)
{
  UI().OnMouseWheel(x, y, mod, d);
}

bool EditorTest::Key(const char* text, int vk, bool cmd)
{
  return UI().OnKeyDown(0.f, 0.f, iplugin::IKeyPress(text, vk, false, cmd, false));
}

void EditorTest::Advance(double ms)
{
  const double end = sNow + ms;
  double nextIdle = sNow + 20.0;
  while (sNow < end)
  {
    sNow = std::min(sNow + 16.0, end);
    IRECTList rects;
    if (UI().IsDirty(rects)) UI().DrawDirtyRects(rects);
    if (sNow >= nextIdle)
    {
      Idle();
      nextIdle += 20.0;
    }
  }
}

IPopupMenuControl& EditorTest::Popup()
{
  return *static_cast<IPopupMenuControl*>(UI().GetPopupMenuControl());
}

std::string EditorTest::CellText(int i, int p)
{
  const IPopupMenu::Item* item = Popup().GetPanel(p)->ItemOfCell(i);
  return item ? item->GetText() : "";
}

void EditorTest::ClickCell(int i, int p)
{
  Advance(250);
  const IRECT& r = Popup().GetPanel(p)->cellRects.at(size_t(i));
  Hover(r.MW(), r.MH());
  Advance(50);
  Click(r.MW(), r.MH());
  // Chosen, fading out, closing: 100 ms each.
  Advance(400);
}

void EditorTest::ChooseItem(const std::string& text, int p)
{
  Advance(250);
  for (int guard = 0; guard < 100; ++guard)
  {
    ASSERT_LT(p, Popup().NPanels()) << "no menu open for " << text;
    PopupPanel& panel = *Popup().GetPanel(p);
    for (size_t i = 0; i < panel.cellRects.size(); ++i)
      if (!panel.IsArrowCell(int(i)) && CellText(int(i), p) == text)
      {
        ClickCell(int(i), p);
        return;
      }
    // Hovering the down arrow scrolls the panel.
    bool scrolled = false;
    for (size_t i = 0; i < panel.cellRects.size(); ++i)
      if (panel.IsDownArrowCell(int(i)))
      {
        Hover(panel.cellRects[i].MW(), panel.cellRects[i].MH());
        Advance(200);
        scrolled = true;
        break;
      }
    ASSERT_TRUE(scrolled) << "no item " << text;
  }
}

void EditorTest::Mix(double seconds)
{
  MixTone(plug, seconds);
}
} // namespace mixtest
