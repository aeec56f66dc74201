// The options of the draw whose shaders the calling thread runs, for the calls a shader makes back into the
// GPU (QorvSampleTexture, QorvShaderSimd): a shader is handed no options, so the rasteriser sets its draw's
// for the thread (QorvOptionsScope) while the draw's shaders run. Only those calls read them; everything
// else reads its draw's options or is handed what it uses.
#pragma once

#include <QorvPlatform/MetalOptions.h>

// The options of the innermost QorvOptionsScope on the calling thread, else the defaults.
const QorvGpuOptions& QorvShaderOptions();
