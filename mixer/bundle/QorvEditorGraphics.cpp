// The editor's graphics context in the product's bundle: the platform graphics class at the editor's
// size of 875 x 580 points and 60 frames per second.
#include "framework/IGEditorDelegate.h"
#include "graphics/mac/IGraphicsMac.h"

namespace iplugin::igraphics
{
IGraphicsInterface* MakeQorvEditorGraphics(IGEditorDelegate& dlg)
{
  return MakeQorvGraphics(dlg, 875, 580, 60);
}
} // namespace iplugin::igraphics
