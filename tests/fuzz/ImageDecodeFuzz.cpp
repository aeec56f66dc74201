// Arbitrary bytes as an encoded image for the vector context: refused by result or decoded into a
// texture of the stated size, never a crash.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "tests/support/VGrecordingRenderer.h"

using namespace iplugin::igraphics;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  static VGrecordingRenderer* renderer = nullptr;
  static VGcontext* ctx = VGrecordingRenderer::CreateContext(kVGAntialias, &renderer);
  std::vector<unsigned char> bytes(data, data + size);
  int image = vgCreateImageMem(ctx, 0, bytes.data(), (int)bytes.size());
  if (image == 0) return 0;
  const VGrecordedTexture* t = renderer->FindTexture(image);
  if (!t || t->pixels.size() != (size_t)t->width * t->height * 4) std::abort();
  vgDeleteImage(ctx, image);
  return 0;
}
