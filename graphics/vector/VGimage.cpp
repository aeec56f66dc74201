// Images of the vector context: renderer textures made from pixels or from PNG and JPEG data.
#include <stb_image.h>

#include <climits>
#include <cstdio>
#include <vector>

#include "graphics/vector/VGcontext.h"
#include "graphics/vector/StbImageDecoder.h"
#include "graphics/vector/VGencodedImageCheck.h"

#include <QorvPlatform/LargeBlocks.h>

namespace iplugin::igraphics
{
namespace
{
// The pixel budget of one image: a header of a few bytes can declare pixels that take seconds and
// gigabytes to decode, so the declared size is checked before decoding.
constexpr int kMaxImageSide = kMaxDecodedImageSide;
constexpr long long kMaxImagePixels = 64LL * 1024 * 1024;

bool WithinPixelBudget(const unsigned char* data, int ndata)
{
  int w = 0, h = 0, n = 0;
  // An image whose size cannot be read is left to the decoder, which refuses it.
  if (!stbi_info_from_memory(data, ndata, &w, &h, &n)) return true;
  return w <= kMaxImageSide && h <= kMaxImageSide && (long long)w * h <= kMaxImagePixels;
}

int CreateFromDecoded(VGcontext* ctx, int imageFlags, unsigned char* pixels, int w, int h)
{
  if (!pixels) return 0;
  int image = vgCreateImageRGBA(ctx, w, h, imageFlags, pixels);
  stbi_image_free(pixels);
  return image;
}
} // namespace

int vgCreateImageRGBA(VGcontext* ctx, int w, int h, int imageFlags, const unsigned char* data)
{
  return ctx->params.renderCreateTexture(ctx->params.userPtr, kVGTextureRGBA, w, h, imageFlags, data);
}

int vgCreateImage(VGcontext* ctx, const char* filename, int imageFlags)
{
  // iPhone-format PNG files (BGR, premultiplied) are converted on load, for all later decoding too.
  stbi_set_unpremultiply_on_load(1);
  stbi_convert_iphone_png_to_rgb(1);
  FILE* f = filename ? std::fopen(filename, "rb") : nullptr;
  if (!f)
  {
    SetImageFailureReason("can't fopen");
    return 0;
  }
  // Read whole, so that the bytes can be checked before decoding.
  qorvplatform::LargeVector<unsigned char> data;
  unsigned char chunk[16384];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof(chunk), f)) > 0)
  {
    if (data.size() + n > (size_t)INT_MAX) break;
    data.insert(data.end(), chunk, chunk + n);
  }
  bool complete = std::feof(f) && !std::ferror(f);
  std::fclose(f);
  if (!complete) return 0;
  return vgCreateImageMem(ctx, imageFlags, data.data(), (int)data.size());
}

int vgCreateImageMem(VGcontext* ctx, int imageFlags, unsigned char* data, int ndata)
{
  if (!data || ndata <= 0) return 0;
  if (!vgEncodedImageIsSound(data, ndata))
  {
    SetImageFailureReason("corrupt image");
    return 0;
  }
  if (!WithinPixelBudget(data, ndata))
  {
    SetImageFailureReason("too many pixels");
    return 0;
  }
  int w = 0, h = 0, n = 0;
  unsigned char* pixels = stbi_load_from_memory(data, ndata, &w, &h, &n, 4);
  return CreateFromDecoded(ctx, imageFlags, pixels, w, h);
}

void vgUpdateImage(VGcontext* ctx, int image, const unsigned char* data)
{
  int w = 0, h = 0;
  if (!ctx->params.renderGetTextureSize(ctx->params.userPtr, image, &w, &h)) return;
  ctx->params.renderUpdateTexture(ctx->params.userPtr, image, 0, 0, w, h, data);
}

void vgImageSize(VGcontext* ctx, int image, int* w, int* h)
{
  ctx->params.renderGetTextureSize(ctx->params.userPtr, image, w, h);
}

void vgDeleteImage(VGcontext* ctx, int image)
{
  ctx->params.renderDeleteTexture(ctx->params.userPtr, image);
}
} // namespace iplugin::igraphics
