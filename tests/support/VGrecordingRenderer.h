// A renderer that records what the vector context hands it, in memory: the shared recording of
// MVGrecorder plus a texture table with pixel storage. Used by tests and benchmarks, and wherever
// geometry is wanted without a GPU. Main thread only.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "graphics/vector/MVGrecording.h"
#include "graphics/vector/VGcontext.h"

namespace iplugin::igraphics
{
struct VGrecordedTexture
{
  int id = 0; // 0 = free record
  int type = 0;
  int flags = 0;
  int width = 0;
  int height = 0;
  std::vector<unsigned char> pixels;
};

// A copy of one flushed frame's recording.
struct VGrecordedFrame
{
  float width = 0.0f;
  float height = 0.0f;
  float devicePixelRatio = 0.0f;
  std::vector<MVGcall> calls;
  std::vector<VGvertex> verts;
  std::vector<uint32_t> indexes;
  std::vector<unsigned char> uniforms;

  const MVGfragUniforms& Uniforms(int offset) const
  {
    return *reinterpret_cast<const MVGfragUniforms*>(uniforms.data() + offset);
  }
};

class VGrecordingRenderer final : public MVGrecorder
{
public:
  // The renderer is owned by the context it is given to: renderDelete deletes it.
  static VGrecordingRenderer* Create(int flags);
  // A context on a new recording renderer; *renderer (may be null) receives it. Null on failure.
  static VGcontext* CreateContext(int flags, VGrecordingRenderer** renderer = nullptr);

  ~VGrecordingRenderer() override;

  VGrenderParams Params();

  // The frame being recorded.
  MVGrecording recording;
  const MVGfragUniforms& Uniforms(int offset) const
  {
    return *reinterpret_cast<const MVGfragUniforms*>(recording.uniforms + offset);
  }
  // The last flushed frame, and how many frames were flushed or cancelled.
  VGrecordedFrame lastFrame;
  int flushCount = 0;
  int cancelCount = 0;
  bool inFrame = false;
  float viewWidth = 0.0f;
  float viewHeight = 0.0f;
  float devicePixelRatio = 0.0f;
  unsigned viewportPixelWidth = 0;
  unsigned viewportPixelHeight = 0;

  std::vector<VGrecordedTexture> textures;
  int textureId = 0; // last id handed out
  const VGrecordedTexture* FindTexture(int image) const;

  // Every callback made, in order ("renderCreate", "renderCreateTexture", ...); shared so that it
  // outlives the renderer.
  std::shared_ptr<std::vector<std::string>> log = std::make_shared<std::vector<std::string>>();

  // Failure injection.
  bool failCreate = false;
  bool failTextures = false;
  int vertexLimit = -1; // vertex storage may not grow beyond this capacity (-1: unlimited)

protected:
  bool resizeVerts(int capacity) override;
  bool textureTypeAndFlags(int image, int* type, int* imageFlags) const override;

private:
  explicit VGrecordingRenderer(int flags);
  VGrecordedTexture* findTexture(int image);

  static int RenderCreate(void* uptr);
  static int RenderCreateTexture(void* uptr, int type, int w, int h, int imageFlags,
                                 const unsigned char* data);
  static int RenderDeleteTexture(void* uptr, int image);
  static int RenderUpdateTexture(void* uptr, int image, int x, int y, int w, int h,
                                 const unsigned char* data);
  static int RenderGetTextureSize(void* uptr, int image, int* w, int* h);
  static void RenderViewport(void* uptr, float width, float height, float devicePixelRatio);
  static void RenderCancel(void* uptr);
  static void RenderFlush(void* uptr);
  static void RenderDelete(void* uptr);
};
} // namespace iplugin::igraphics
