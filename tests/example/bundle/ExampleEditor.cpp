// The example's editor in its bundle: the platform graphics class at 400 x 300 points with a grey
// background and one blue panel that writes every input call it gets to standard error as
// "context CALL X Y [L] [R] [S]" (editor points), so that a test sees what reached the graphics context.
// With QORV_EXAMPLE_FRAME_TIME=1 the frame-time display is shown over it, to measure real frames.
#include "framework/IGEditorDelegate.h"
#include "graphics/mac/IGraphicsMac.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace iplugin::igraphics
{
namespace
{
class FillControl : public IControl
{
public:
  FillControl(const IRECT& r, const IColor& c) : IControl(r), mColor(c) {}
  void Draw(IGraphics& g) override { g.FillRect(mColor, mRECT); }

private:
  IColor mColor;
};

class LoggingPanel : public FillControl
{
public:
  using FillControl::FillControl;
  void OnMouseDown(float x, float y, const IMouseMod& m) override { Log("down", x, y, m); }
  void OnMouseUp(float x, float y, const IMouseMod& m) override { Log("up", x, y, m); }
  void OnMouseDblClick(float x, float y, const IMouseMod& m) override { Log("dbl", x, y, m); }
  void OnMouseWheel(float x, float y, const IMouseMod& m, float d) override
  {
    std::fprintf(stderr, "context wheel %g\n", double(d));
  }
  bool OnKeyDown(float x, float y, const IKeyPress& key) override
  {
    std::fprintf(stderr, "context key %d%s\n", key.VK, key.S ? " S" : "");
    return true;
  }
  void OnDrop(const char* path) override { std::fprintf(stderr, "context drop %s\n", path); }

private:
  static void Log(const char* what, float x, float y, const IMouseMod& m)
  {
    std::fprintf(stderr, "context %s %g %g%s%s%s\n", what, double(x), double(y), m.L ? " L" : "",
                 m.R ? " R" : "", m.S ? " S" : "");
  }
};
} // namespace

IGraphicsInterface* MakeExampleEditorGraphics(IGEditorDelegate& dlg)
{
  auto* pGraphics = new IGraphicsMac(dlg, 400, 300, 60, 1.f);
  pGraphics->SetBundleID("com.qorv.tests.example");
  return pGraphics;
}

void LayoutExampleEditor(IGraphicsInterface* pInterface)
{
  auto* g = static_cast<IGraphics*>(pInterface);
  g->AttachControl(new FillControl(g->GetBounds(), IColor(255, 96, 96, 96)));
  g->AttachControl(new LoggingPanel(IRECT(20, 20, 380, 280), IColor(255, 40, 80, 160)));
  if (const char* show = std::getenv("QORV_EXAMPLE_FRAME_TIME"); show && std::strcmp(show, "1") == 0)
  {
    g->LoadFont(kDefaultFont, "/usr/share/fonts/truetype/roboto/unhinted/RobotoTTF/Roboto-Regular.ttf");
    g->ShowFPSDisplay(true);
  }
}
} // namespace iplugin::igraphics
