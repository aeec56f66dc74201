#include "graphics/mac/CoreTextFont.h"

#include "framework/PluginPaths.h"

#include <CoreFoundation/CFString.h>

#include <cstring>

namespace iplugin::igraphics
{
namespace
{
CFURLRef FileURL(const char* path)
{
  CFStringRef s = CFStringCreateWithCString(nullptr, path, kCFStringEncodingUTF8);
  if (!s) return nullptr;
  CFURLRef url = CFURLCreateWithFileSystemPath(nullptr, s, kCFURLPOSIXPathStyle, false);
  CFRelease(s);
  return url;
}

// The descriptor of the font in the provider's bytes; null when they hold no font.
CTFontDescriptorRef DescriptorFromProvider(CGDataProviderRef provider)
{
  CGFontRef cgFont = CGFontCreateWithDataProvider(provider);
  if (!cgFont) return nullptr;
  CTFontRef ctFont = CTFontCreateWithGraphicsFont(cgFont, 0.0, nullptr, nullptr);
  CGFontRelease(cgFont);
  if (!ctFont) return nullptr;
  CTFontDescriptorRef descriptor = CTFontCopyFontDescriptor(ctFont);
  CFRelease(ctFont);
  return descriptor;
}

std::unique_ptr<CoreTextFont> FromProvider(CGDataProviderRef provider)
{
  if (!provider) return nullptr;
  CTFontDescriptorRef descriptor = DescriptorFromProvider(provider);
  if (!descriptor)
  {
    CGDataProviderRelease(provider);
    return nullptr;
  }
  return std::make_unique<CoreTextFont>(descriptor, provider, "", false);
}

void DeleteCopy(void*, const void* data, size_t)
{
  delete[] static_cast<const uint8_t*>(data);
}
} // namespace

CoreTextFont::CoreTextFont(CTFontDescriptorRef descriptor, CGDataProviderRef provider, const char* styleName,
                           bool isSystem)
    : mSystem(isSystem), mDescriptor(descriptor), mProvider(provider), mStyle(styleName ? styleName : "")
{
}

CoreTextFont::~CoreTextFont()
{
  CGDataProviderRelease(mProvider);
  if (mDescriptor) CFRelease(mDescriptor);
}

std::unique_ptr<FontFaceRecord> CoreTextFont::GetFaceRecord() const
{
  auto record = std::make_unique<FontFaceRecord>();
  CFDataRef data = CGDataProviderCopyData(mProvider);
  if (!data) return record;
  const uint8_t* bytes = CFDataGetBytePtr(data);
  const size_t size = size_t(CFDataGetLength(data));
  record->mFaceIdx = *mStyle.Get() ? FindFontFaceIndex(bytes, size, mStyle.Get()) : 0;
  ReadFontFace(bytes, size, record->mFaceIdx, *record);
  if (record->mData)
  {
    // Keep the face's place in the record's own copy.
    const size_t faceStart = size_t(record->mData - bytes);
    record->mBytes.assign(bytes, bytes + size);
    record->mData = record->mBytes.data() + faceStart;
  }
  CFRelease(data);
  return record;
}

FontDataPtr CoreTextFont::GetFontData() const
{
  std::unique_ptr<FontFaceRecord> record = GetFaceRecord();
  if (!record->mData) return std::make_unique<FontData>(FontBytes{}, -1);
  return std::make_unique<FontData>(std::move(record->mBytes), record->mFaceIdx);
}

std::unique_ptr<CoreTextFont> LoadCoreTextFontFromFile(const char* fontID, const char* fileNameOrResID,
                                                       const char* bundleID,
                                                       const char* sharedResourcesSubPath)
{
  StringBuf path;
  if (!LocateResource(fileNameOrResID, "ttf", path, bundleID, sharedResourcesSubPath)) return nullptr;
  CFURLRef url = FileURL(path.Get());
  if (!url) return nullptr;
  CGDataProviderRef provider = CGDataProviderCreateWithURL(url);
  CFRelease(url);
  return FromProvider(provider);
}

std::unique_ptr<CoreTextFont> LoadCoreTextFontFromSystem(const char* fontID, const char* fontName, int style)
{
  const char* styleName = style == 1 ? "Bold" : style == 2 ? "Italic" : "Regular";
  CFStringRef family = CFStringCreateWithCString(nullptr, fontName ? fontName : "", kCFStringEncodingUTF8);
  CFStringRef styleString = CFStringCreateWithCString(nullptr, styleName, kCFStringEncodingUTF8);
  const void* keys[] = {kCTFontFamilyNameAttribute, kCTFontStyleNameAttribute};
  const void* values[] = {family, styleString};
  CFDictionaryRef attributes = CFDictionaryCreate(nullptr, keys, values, 2, &kCFTypeDictionaryKeyCallBacks,
                                                  &kCFTypeDictionaryValueCallBacks);
  CFRelease(family);
  CFRelease(styleString);
  CTFontDescriptorRef descriptor = CTFontDescriptorCreateWithAttributes(attributes);
  CFRelease(attributes);
  if (!descriptor) return nullptr;
  CFURLRef url = static_cast<CFURLRef>(CTFontDescriptorCopyAttribute(descriptor, kCTFontURLAttribute));
  CGDataProviderRef provider = url ? CGDataProviderCreateWithURL(url) : nullptr;
  if (url) CFRelease(url);
  if (!provider)
  {
    CFRelease(descriptor);
    return nullptr;
  }
  return std::make_unique<CoreTextFont>(descriptor, provider, styleName, true);
}

std::unique_ptr<CoreTextFont> LoadCoreTextFontFromMemory(const char* fontID, const void* pData, int dataSize)
{
  if (!pData || dataSize <= 0) return nullptr;
  auto* copy = new uint8_t[size_t(dataSize)];
  std::memcpy(copy, pData, size_t(dataSize));
  CGDataProviderRef provider = CGDataProviderCreateWithData(nullptr, copy, size_t(dataSize), DeleteCopy);
  if (!provider)
  {
    delete[] copy;
    return nullptr;
  }
  return FromProvider(provider);
}

void CacheCoreTextFont(const char* fontID, const PlatformFont* font)
{
  const auto* ctFont = dynamic_cast<const CoreTextFont*>(font);
  if (!ctFont) return;
  StaticStorage<CoreTextFontDescriptor>& cache = FontDescriptorCache();
  MutexLock lock(cache.GetMutex());
  std::unique_ptr<FontFaceRecord> record = ctFont->GetFaceRecord();
  if (cache.Find(fontID, 1.0)) return;
  CFRetain(ctFont->GetDescriptor());
  auto* entry = new CoreTextFontDescriptor;
  entry->mDescriptor.fontName = fontID ? fontID : "";
  entry->mEMRatio = record->EmRatio();
  entry->mCTDescriptor =
      std::shared_ptr<const void>(ctFont->GetDescriptor(), [](const void* d) { CFRelease(d); });
  cache.Add(entry, fontID, 1.0);
}

const CoreTextFontDescriptor* GetCachedDescriptor(const IText& text)
{
  StaticStorage<CoreTextFontDescriptor>& cache = FontDescriptorCache();
  MutexLock lock(cache.GetMutex());
  return cache.Find(text.mFont, 1.0);
}
} // namespace iplugin::igraphics
