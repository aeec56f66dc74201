// Stand-in for Core Text's fonts and font descriptors. A descriptor is a set of attributes: family
// and style name, and the file's URL. A descriptor made from a family and style finds its file
// through fontconfig among the installed fonts; an unknown family gives no URL, as on the platform.
// Descriptors are Core Foundation objects (CFRetain, CFRelease).
#pragma once

#include <CoreFoundation/CFDictionary.h>
#include <CoreFoundation/CFString.h>
#include <CoreFoundation/CFURL.h>
#include <CoreGraphics/CGDataProvider.h>
#include <CoreGraphics/CGGeometry.h>

typedef const struct __CTFontDescriptor* CTFontDescriptorRef;
typedef const struct __CTFont* CTFontRef;
struct CGAffineTransform;

extern const CFStringRef kCTFontFamilyNameAttribute;
extern const CFStringRef kCTFontStyleNameAttribute;
extern const CFStringRef kCTFontURLAttribute;

// attributes: CFString values under the family and style keys.
CTFontDescriptorRef CTFontDescriptorCreateWithAttributes(CFDictionaryRef attributes);
// A new reference to the attribute's value (a CFString, or a CFURL for the URL), or null.
CFTypeRef CTFontDescriptorCopyAttribute(CTFontDescriptorRef descriptor, CFStringRef attribute);

CTFontRef CTFontCreateWithGraphicsFont(CGFontRef graphicsFont, CGFloat size, const CGAffineTransform* matrix,
                                       CTFontDescriptorRef attributes);
CTFontDescriptorRef CTFontCopyFontDescriptor(CTFontRef font);
