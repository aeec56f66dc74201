// The editor's graphics context in the product's bundle: the platform graphics class at the editor's
// size of 875 x 580 points and 60 frames per second, at the plug-in's "GUI Scale".
#include "editor/plugin/QorvEditorGraphics.h"
#include "framework/IGEditorDelegate.h"
#include "graphics/mac/IGraphicsMac.h"

namespace iplugin::igraphics
{
IGraphicsInterface* MakeQorvEditorGraphics(IGEditorDelegate& dlg, float scale)
{
  return MakeQorvGraphics(dlg, 875, 580, 60, scale);
}
} // namespace iplugin::igraphics
