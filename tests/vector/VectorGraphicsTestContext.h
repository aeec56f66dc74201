// The drawing back end as the tests use it until the view exists: a graphics context over the vector
// back end whose platform calls answer plainly, given a stand-in CAMetalLayer directly. Fonts load from
// files by path; frames are read back from the main framebuffer or the layer's presented image.
#pragma once

#include "graphics/vector/IGraphicsVector.h"
#include "tests/support/GoldenImage.h"
#include "tests/support/RecordingGraphics.h"
#include "tests/vector/PlainPlatform.h"

#include <QorvPlatform/Metal.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <string>

namespace qorvtest
{
class VectorGraphics : public PlainPlatform<iplugin::igraphics::IGraphicsVector>
{
public:
  VectorGraphics(iplugin::igraphics::IGEditorDelegate& dlg, int w, int h, float scale = 1.f)
      : PlainPlatform(dlg, w, h, 60, scale)
  {
  }
  ~VectorGraphics() override { OnViewDestroyed(); }

  // Makes the vector context on a layer of the frame's pixel size and the main framebuffer.
  void Open(float screenScale = 1.f)
  {
    mLayer->device = MTLCreateSystemDefaultDevice();
    mLayer->drawableSize = CGSizeMake(WindowWidth() * screenScale, WindowHeight() * screenScale);
    OnViewInitialized(&mLayer);
    SetScreenScale(screenScale);
    DrawResize();
  }
  // Starts a frame the way the display timer does, with the transform and clip reset.
  void Begin()
  {
    BeginFrame();
    mClipRECT = GetBounds();
    PathTransformReset(true);
    PathClipRegion(GetBounds());
    PathClear();
  }
  // Ends the frame and answers what the drawable shows.
  RgbaImage End()
  {
    EndFrame();
    RgbaImage image;
    QorvMetalLayerCopyPresentedImage(*mLayer, image.rgba, image.width, image.height);
    return image;
  }
  // What the main framebuffer holds (premultiplied RGBA).
  RgbaImage MainFrame()
  {
    RgbaImage image;
    const iplugin::igraphics::MVGframebuffer* fb = MainFramebuffer();
    int w = 0, h = 0;
    if (!fb) return image;
    iplugin::igraphics::vgImageSize(VG(), fb->image, &w, &h);
    image.width = w, image.height = h;
    image.rgba.resize((size_t)w * h * 4);
    iplugin::igraphics::MvgReadPixels(VG(), fb->image, 0, 0, w, h, image.rgba.data());
    return image;
  }
  // Draws into a layer the frame's size within one frame and answers its pixels as they are
  // (premultiplied RGBA); Open first.
  RgbaImage DrawnInLayer(const std::function<void()>& draw)
  {
    Begin();
    StartLayer(nullptr, GetBounds());
    draw();
    iplugin::igraphics::ILayerPtr layer = EndLayer();
    iplugin::TypedBuf<uint8_t> pixels;
    GetLayerBitmapData(layer, pixels);
    EndFrame();
    RgbaImage image;
    image.width = int(GetBounds().W()), image.height = int(GetBounds().H());
    image.rgba.assign(pixels.Get(), pixels.Get() + pixels.GetSize());
    return image;
  }
  bool LoadFontFile(const char* fontID, const std::string& path, int faceIdx = 0)
  {
    return LoadAPIFont(fontID, std::make_unique<FileFont>(path, faceIdx));
  }
  iplugin::igraphics::VGcontext* VG() { return static_cast<iplugin::igraphics::VGcontext*>(GetDrawContext()); }
  std::shared_ptr<CAMetalLayer> mLayer = CAMetalLayer::layer();
};
} // namespace qorvtest
