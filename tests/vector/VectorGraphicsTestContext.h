// The drawing back end as the tests use it until the view exists: a graphics context over the vector
// back end whose platform calls answer plainly, given a stand-in CAMetalLayer directly. Fonts load from
// files by path; frames are read back from the main framebuffer or the layer's presented image.
#pragma once

#include "graphics/vector/IGraphicsVector.h"
#include "tests/support/GoldenImage.h"
#include "tests/support/RecordingGraphics.h"

#include <QorvPlatform/Metal.h>

#include <fstream>
#include <iterator>
#include <string>

namespace qorvtest
{
// A platform font read from a file; its bytes are handed over as they are.
class FileFont : public iplugin::igraphics::PlatformFont
{
public:
  explicit FileFont(std::string path, int faceIdx = 0) : mPath(std::move(path)), mFaceIdx(faceIdx) {}
  iplugin::igraphics::FontDataPtr GetFontData() const override
  {
    std::ifstream in(mPath, std::ios::binary);
    std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return std::make_unique<iplugin::igraphics::FontData>(std::move(bytes), mFaceIdx);
  }

private:
  std::string mPath;
  int mFaceIdx;
};

class VectorGraphics : public iplugin::igraphics::IGraphicsVector
{
public:
  VectorGraphics(iplugin::igraphics::IGEditorDelegate& dlg, int w, int h, float scale = 1.f)
      : IGraphicsVector(dlg, w, h, 60, scale)
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
  bool LoadFontFile(const char* fontID, const std::string& path, int faceIdx = 0)
  {
    return LoadAPIFont(fontID, std::make_unique<FileFont>(path, faceIdx));
  }
  iplugin::igraphics::VGcontext* VG() { return static_cast<iplugin::igraphics::VGcontext*>(GetDrawContext()); }
  std::shared_ptr<CAMetalLayer> mLayer = CAMetalLayer::layer();

  // --- The platform, answered plainly ---
  bool IsPopupMenuShowing() const override { return false; }
  void* OpenWindow(void* pParent) override { return nullptr; }
  void CloseWindow() override {}
  void GetMouseLocation(float& x, float& y) const override { x = y = 0.f; }
  bool OnKeyDown(float x, float y, const iplugin::IKeyPress& key) override { return false; }
  bool OnKeyUp(float x, float y, const iplugin::IKeyPress& key) override { return false; }
  iplugin::igraphics::EMsgBoxResult ShowMessageBox(const char*, const char*, iplugin::igraphics::EMsgBoxType,
                                                   iplugin::igraphics::IMsgBoxCompletionHandlerFunc) override
  {
    return iplugin::igraphics::kNoResult;
  }
  bool OpenURL(const char* url) override { return false; }
  void HideMouseCursor(bool hide, bool lock) override {}
  void MoveMouseCursor(float x, float y) override {}
  void* GetWindow() override { return nullptr; }
  bool GetTextFromClipboard(iplugin::StringBuf& str) override { return false; }
  bool SetTextInClipboard(const char* str) override { return false; }
  void UpdateTooltips() override {}
  void PromptForFile(iplugin::StringBuf&, iplugin::StringBuf&, iplugin::igraphics::EFileAction, const char*) override {}
  void PromptForDirectory(iplugin::StringBuf& dir) override {}
  bool PromptForColor(iplugin::igraphics::IColor&, const char*, iplugin::igraphics::IColorPickerHandlerFunc) override
  {
    return false;
  }
  iplugin::igraphics::PlatformFontPtr LoadPlatformFont(const char* fontID, const char* fileNameOrResID) override
  {
    return std::make_unique<FileFont>(fileNameOrResID ? fileNameOrResID : "");
  }
  iplugin::igraphics::PlatformFontPtr LoadPlatformFontFromMemory(const char*, const void*, int) override
  {
    return nullptr;
  }
  iplugin::igraphics::PlatformFontPtr LoadPlatformFontFromSystem(const char*, const char*, int) override
  {
    return nullptr;
  }
  void CachePlatformFont(const char* fontID, const iplugin::igraphics::PlatformFontPtr& font) override {}
  void CreatePlatformTextEntry(int, const iplugin::igraphics::IText&, const iplugin::igraphics::IRECT&, int,
                               const char*) override
  {
  }
  iplugin::igraphics::IPopupMenu* CreatePlatformPopupMenu(iplugin::igraphics::IPopupMenu&,
                                                          const iplugin::igraphics::IRECT&, bool&) override
  {
    return nullptr;
  }
  void PromptUserInput(iplugin::igraphics::IControl&, const iplugin::igraphics::IRECT&, int) override {}
};
} // namespace qorvtest
