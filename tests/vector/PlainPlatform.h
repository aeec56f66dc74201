// The platform half of a graphics context for tests, answered plainly: no window, no clipboard, no
// prompts, fonts read from files by path. Base is the graphics class that draws.
#pragma once

#include "graphics/IGraphics.h"

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
  const std::string& Path() const { return mPath; }

private:
  std::string mPath;
  int mFaceIdx;
};

template <class Base>
class PlainPlatform : public Base
{
public:
  using Base::Base;

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
