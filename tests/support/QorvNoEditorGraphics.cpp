// The plug-in's editor graphics in test binaries that construct the plug-in without its bundle: none.
// A test that opens the editor installs its own make-graphics function; any other opening gets no
// graphics context.
#include "editor/plugin/QorvEditorGraphics.h"

namespace iplugin::igraphics
{
IGraphicsInterface* MakeQorvEditorGraphics(IGEditorDelegate& dlg, float scale)
{
  return nullptr;
}
} // namespace iplugin::igraphics
