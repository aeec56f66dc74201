// The graphics context the plug-in's editor opens on. Every binary that links the plug-in defines it
// once: the product's bundle with the platform graphics class, a test binary with a context of its own
// or none. A binary without a definition does not link. Main thread.
#pragma once

namespace iplugin::igraphics
{
class IGEditorDelegate;
class IGraphicsInterface;

// A new context at the editor's size for scale ("GUI Scale"), owned by the caller; null when the binary
// has no editor graphics.
IGraphicsInterface* MakeQorvEditorGraphics(IGEditorDelegate& dlg, float scale);
} // namespace iplugin::igraphics
