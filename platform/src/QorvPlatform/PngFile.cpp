#include "platform/src/QorvPlatform/PngFile.h"

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

namespace qorvplatform
{
bool EncodePng(int width, int height, const std::vector<uint8_t>& rgba, std::vector<unsigned char>& png)
{
  png.clear();
  if (width <= 0 || height <= 0 || rgba.size() < size_t(width) * size_t(height) * 4) return false;
  auto append = [](void* context, void* data, int size)
  {
    const auto* bytes = static_cast<const unsigned char*>(data);
    auto& out = *static_cast<std::vector<unsigned char>*>(context);
    out.insert(out.end(), bytes, bytes + size);
  };
  return stbi_write_png_to_func(append, &png, width, height, 4, rgba.data(), width * 4) != 0 && !png.empty();
}
} // namespace qorvplatform
