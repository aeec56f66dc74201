#include "platform/src/CoreFoundation/CFRuntime.h"

#include <CoreText/CoreText.h>

#include <fontconfig/fontconfig.h>

#include <string>

const CFStringRef kCTFontFamilyNameAttribute = CFSTR("NSFontFamilyAttribute");
const CFStringRef kCTFontStyleNameAttribute = CFSTR("NSFontFaceAttribute");
const CFStringRef kCTFontURLAttribute = CFSTR("NSCTFontFileURLAttribute");

struct __CTFontDescriptor : qorvcf::Object
{
  static constexpr CFTypeID kTypeID = qorvcf::kTypeFontDescriptor;
  __CTFontDescriptor() : Object(kTypeID, false) {}
  std::string family, style, path; // path empty: no file found
};

struct __CTFont : qorvcf::Object
{
  static constexpr CFTypeID kTypeID = qorvcf::kTypeFont;
  __CTFont() : Object(kTypeID, false) {}
  std::string path;
};

namespace
{
std::string StringValue(CFDictionaryRef attributes, CFStringRef key)
{
  const void* v = attributes ? CFDictionaryGetValue(attributes, key) : nullptr;
  return v && CFGetTypeID(v) == CFStringGetTypeID() ? qorvcf::Utf8(v) : "";
}

// The installed file of exactly this family and style; empty when there is none (fontconfig would
// otherwise substitute its default font, which the platform does not).
std::string FindInstalledFont(const std::string& family, const std::string& style)
{
  if (family.empty()) return "";
  // A configuration of its own, destroyed afterwards: the library's default one is never freed.
  FcConfig* config = FcInitLoadConfigAndFonts();
  if (!config) return "";
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  if (!style.empty()) FcPatternAddString(pattern, FC_STYLE, reinterpret_cast<const FcChar8*>(style.c_str()));
  FcObjectSet* objects = FcObjectSetBuild(FC_FILE, FC_FAMILY, FC_STYLE, nullptr);
  FcFontSet* fonts = FcFontList(config, pattern, objects);
  // A face lists several styles ("Thin", "Regular"): one whose first style is the wanted one comes first.
  std::string path, fallback;
  for (int i = 0; fonts && i < fonts->nfont && path.empty(); ++i)
  {
    FcChar8* file = nullptr;
    FcChar8* firstStyle = nullptr;
    if (FcPatternGetString(fonts->fonts[i], FC_FILE, 0, &file) != FcResultMatch || !file) continue;
    const bool exact =
        style.empty() || (FcPatternGetString(fonts->fonts[i], FC_STYLE, 0, &firstStyle) == FcResultMatch &&
                          style == reinterpret_cast<const char*>(firstStyle));
    (exact ? path : fallback) = reinterpret_cast<const char*>(file);
  }
  if (path.empty()) path = fallback;
  if (fonts) FcFontSetDestroy(fonts);
  FcObjectSetDestroy(objects);
  FcPatternDestroy(pattern);
  FcConfigDestroy(config);
  return path;
}
} // namespace

CTFontDescriptorRef CTFontDescriptorCreateWithAttributes(CFDictionaryRef attributes)
{
  auto* d = new __CTFontDescriptor;
  d->family = StringValue(attributes, kCTFontFamilyNameAttribute);
  d->style = StringValue(attributes, kCTFontStyleNameAttribute);
  d->path = FindInstalledFont(d->family, d->style);
  return d;
}

CFTypeRef CTFontDescriptorCopyAttribute(CTFontDescriptorRef descriptor, CFStringRef attribute)
{
  const auto* d = qorvcf::As<__CTFontDescriptor>(descriptor);
  if (!d || !attribute) return nullptr;
  const std::string key = qorvcf::Utf8(attribute);
  auto text = [](const std::string& s) -> CFTypeRef
  { return s.empty() ? nullptr : CFStringCreateWithCString(nullptr, s.c_str(), kCFStringEncodingUTF8); };
  if (key == qorvcf::Utf8(kCTFontFamilyNameAttribute)) return text(d->family);
  if (key == qorvcf::Utf8(kCTFontStyleNameAttribute)) return text(d->style);
  if (key != qorvcf::Utf8(kCTFontURLAttribute) || d->path.empty()) return nullptr;
  CFStringRef path = CFStringCreateWithCString(nullptr, d->path.c_str(), kCFStringEncodingUTF8);
  CFURLRef url = CFURLCreateWithFileSystemPath(nullptr, path, kCFURLPOSIXPathStyle, false);
  CFRelease(path);
  return url;
}

CTFontRef CTFontCreateWithGraphicsFont(CGFontRef graphicsFont, CGFloat, const CGAffineTransform*,
                                       CTFontDescriptorRef)
{
  return graphicsFont ? new __CTFont : nullptr;
}

CTFontDescriptorRef CTFontCopyFontDescriptor(CTFontRef font)
{
  return qorvcf::As<__CTFont>(font) ? new __CTFontDescriptor : nullptr;
}
