#include "platform/src/QorvPlatform/PngFile.h"

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

namespace qorvplatform
{
bool WritePngFile(const std::string& path, int width, int height, const std::vector<uint8_t>& rgba)
{
  if (width <= 0 || height <= 0 || rgba.size() < size_t(width) * size_t(height) * 4) return false;
  return stbi_write_png(path.c_str(), width, height, 4, rgba.data(), width * 4) != 0;
}
} // namespace qorvplatform
