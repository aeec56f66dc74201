// The GPU renderer's shader library: the embedded library data ("MTLB", naming "vertexShader",
// "fragmentShader" and "fragmentShaderAA") and the functions' code, which runs on the GPU's thread.
#pragma once

#include <cstddef>

namespace iplugin::igraphics
{
extern const unsigned char kMVGshaderLibrary[];
extern const size_t kMVGshaderLibrarySize;

// Hands the functions' code to the GPU so that the library data can be loaded; safe to call repeatedly.
// This is the renderer's one seam into the stand-in GPU: on the real platform a compiled shader library
// replaces this registration and the code behind it, and nothing else in the renderer changes.
void MvgRegisterShaderCode();
// Whether the fragment functions shade whole spans (the default) or each fragment alone, the reference that
// the span shading is checked against. Contexts made afterwards follow it.
void MvgSetSpanShading(bool spans);
// Whether each call's draws are bounded by a scissor rectangle around its scissor where a transparent source
// changes nothing (the default), or shade the whole target, the reference that the bounds are checked
// against. A row that the bound starts later may get a byte one level apart (see renderFlush).
void MvgSetScissorBounds(bool bounds);
bool MvgScissorBounds();
} // namespace iplugin::igraphics
