#include "graphics/vector/StbImageDecoder.h"

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_ONLY_JPEG
// Larger images than any texture this program makes are refused before their pixels are allocated.
#define STBI_MAX_DIMENSIONS 16384
#include <stb_image.h>

static_assert(STBI_MAX_DIMENSIONS == iplugin::igraphics::kMaxDecodedImageSide);

namespace iplugin::igraphics
{
void SetImageFailureReason(const char* reason)
{
  stbi__err(reason, reason);
}
} // namespace iplugin::igraphics
