// Platform fonts through Core Text: a font descriptor plus a data provider over the whole font file,
// loaded from a bundle resource, an installed family and style, or bytes in memory. The graphics
// context hands their data to the renderer and then caches each descriptor with its em ratio in the
// process-wide descriptor cache, which native text fields read. Main thread only; the cache has its
// own mutex because editors of several instances share it.
#pragma once

#include "framework/StringBuf.h"
#include "graphics/IGraphicsStructs.h"
#include "graphics/PlatformFont.h"
#include "graphics/mac/FontDescriptorCache.h"
#include "graphics/mac/FontFaceReader.h"

#include <CoreGraphics/CGDataProvider.h>
#include <CoreText/CoreText.h>

#include <memory>

namespace iplugin::igraphics
{
class CoreTextFont : public PlatformFont
{
public:
  // Takes over one reference to each.
  CoreTextFont(CTFontDescriptorRef descriptor, CGDataProviderRef provider, const char* styleName,
               bool isSystem);
  ~CoreTextFont() override;
  CoreTextFont(const CoreTextFont&) = delete;
  CoreTextFont& operator=(const CoreTextFont&) = delete;

  CTFontDescriptorRef GetDescriptor() const { return mDescriptor; }
  bool IsSystem() const { return mSystem; }
  const char* GetStyle() const { return mStyle.Get(); }
  // The whole file and the face to use: face 0, or the face of the style for a system font.
  FontDataPtr GetFontData() const override;
  // The face's record with a copy of the bytes.
  std::unique_ptr<FontFaceRecord> GetFaceRecord() const;

private:
  bool mSystem;
  CTFontDescriptorRef mDescriptor;
  CGDataProviderRef mProvider;
  StringBuf mStyle;
};

// Null when the resource cannot be found or read as a font.
std::unique_ptr<CoreTextFont> LoadCoreTextFontFromFile(const char* fontID, const char* fileNameOrResID,
                                                       const char* bundleID,
                                                       const char* sharedResourcesSubPath);
// style 1 "Bold", 2 "Italic", else "Regular"; null when the family has no installed file.
std::unique_ptr<CoreTextFont> LoadCoreTextFontFromSystem(const char* fontID, const char* fontName, int style);
// The bytes are copied; null when they hold no font.
std::unique_ptr<CoreTextFont> LoadCoreTextFontFromMemory(const char* fontID, const void* pData, int dataSize);

// Keeps the font's descriptor and em ratio under fontID unless an entry is there already.
void CacheCoreTextFont(const char* fontID, const PlatformFont* font);
// The entry for the text's font; null when that font was never cached. Hold the cache's mutex while
// the entry is used.
const CoreTextFontDescriptor* GetCachedDescriptor(const IText& text);
} // namespace iplugin::igraphics
