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
} // namespace iplugin::igraphics
