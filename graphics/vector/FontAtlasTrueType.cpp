// stb_truetype's implementation, compiled once here. Its allocations go to the glyph cache's scratch buffer;
// everything it reads has been checked by FontValidator first.
#include "graphics/vector/FontAtlas.h"

#define STBTT_malloc(x, u) iplugin::igraphics::FontAtlasScratchAlloc(x, u)
#define STBTT_free(x, u) iplugin::igraphics::FontAtlasScratchFree(x, u)
// Its asserts check numerical invariants that the rasteriser tolerates (a tiny bit of an edge above the
// first row after rounding); release builds drop them, and so do ours, so that every build treats a font
// alike. Memory safety rests on the font checks, watched by the sanitizers of the tests and fuzzing.
#define STBTT_assert(x) ((void)0)
#define STB_TRUETYPE_IMPLEMENTATION

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#include <stb_truetype.h>
#pragma GCC diagnostic pop
