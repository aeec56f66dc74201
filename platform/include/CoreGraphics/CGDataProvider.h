// Stand-in for Core Graphics data providers and fonts: a provider reads all of a file or holds bytes
// it was given; a graphics font is made only from bytes that hold a TrueType or OpenType font.
#pragma once

#include <CoreFoundation/CFData.h>
#include <CoreFoundation/CFURL.h>

#include <cstddef>

typedef struct CGDataProvider* CGDataProviderRef;
typedef struct CGFont* CGFontRef;
typedef void (*CGDataProviderReleaseDataCallback)(void* info, const void* data, size_t size);

// Null when the URL names no readable file.
CGDataProviderRef CGDataProviderCreateWithURL(CFURLRef url);
// The bytes stay the caller's until the release callback is called (when the last reference goes).
CGDataProviderRef CGDataProviderCreateWithData(void* info, const void* data, size_t size,
                                               CGDataProviderReleaseDataCallback releaseData);
// A new data object with the provider's bytes.
CFDataRef CGDataProviderCopyData(CGDataProviderRef provider);
CGDataProviderRef CGDataProviderRetain(CGDataProviderRef provider);
void CGDataProviderRelease(CGDataProviderRef provider);

// Null when the bytes are no font (their first four bytes are not a known font signature).
CGFontRef CGFontCreateWithDataProvider(CGDataProviderRef provider);
void CGFontRelease(CGFontRef font);
