// stb_truetype's implementation, compiled once here. Its allocations go to the glyph cache's scratch buffer;
// everything it reads has been checked by FontValidator first.
#include "graphics/vector/FontAtlas.h"

#define STBTT_malloc(x, u) iplugin::igraphics::FontAtlasScratchAlloc(x, u)
#define STBTT_free(x, u) iplugin::igraphics::FontAtlasScratchFree(x, u)
#define STB_TRUETYPE_IMPLEMENTATION

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#include <stb_truetype.h>
#pragma GCC diagnostic pop
