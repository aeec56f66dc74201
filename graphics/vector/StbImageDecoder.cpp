#include "graphics/vector/StbImageDecoder.h"

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_ONLY_JPEG
// Larger images than any texture this program makes are refused before their pixels are allocated.
#define STBI_MAX_DIMENSIONS 16384
// Decoded pixels and inflate buffers are large blocks, given back whole once the texture has them.
#define STBI_MALLOC(bytes) qorvplatform::LargeAlloc(bytes)
#define STBI_REALLOC(block, bytes) qorvplatform::LargeRealloc(block, bytes)
#define STBI_FREE(block) qorvplatform::LargeFree(block)
#include <QorvPlatform/LargeBlocks.h>
#include <stb_image.h>

static_assert(STBI_MAX_DIMENSIONS == iplugin::igraphics::kMaxDecodedImageSide);

namespace iplugin::igraphics
{
void SetImageFailureReason(const char* reason)
{
  stbi__err(reason, reason);
}
} // namespace iplugin::igraphics
