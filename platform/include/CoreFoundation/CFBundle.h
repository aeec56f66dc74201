// Stand-in for Core Foundation bundles. A bundle is a folder laid out as on macOS:
// <Name>.<extension>/Contents/ with Info.plist, the binary (in MacOS/, or directly in Contents/) and
// Resources/. Bundles live as long as the process; CFRelease of one does nothing.
#pragma once

#include <CoreFoundation/CFBase.h>
#include <CoreFoundation/CFDictionary.h>
#include <CoreFoundation/CFURL.h>

typedef struct __CFBundle* CFBundleRef;

extern const CFStringRef kCFBundleInfoDictionaryVersionKey;
extern const CFStringRef kCFBundleExecutableKey;
extern const CFStringRef kCFBundleIdentifierKey;
extern const CFStringRef kCFBundleVersionKey;
extern const CFStringRef kCFBundleNameKey;

// The host's own bundle, as set with qorvplatform::SetMainBundle; null when it has none.
CFBundleRef CFBundleGetMainBundle();
// Among the bundles made so far (qorvplatform::RegisterBundle, loaded components) whose
// folders still exist; of several with the identifier, the one opened last.
CFBundleRef CFBundleGetBundleWithIdentifier(CFStringRef bundleID);

// Null when Info.plist gives no identifier.
CFStringRef CFBundleGetIdentifier(CFBundleRef bundle);
CFDictionaryRef CFBundleGetInfoDictionary(CFBundleRef bundle);
// Owned by the bundle; null when the key is absent.
CFTypeRef CFBundleGetValueForInfoDictionaryKey(CFBundleRef bundle, CFStringRef key);
CFURLRef CFBundleCopyBundleURL(CFBundleRef bundle);
CFURLRef CFBundleCopyResourcesDirectoryURL(CFBundleRef bundle);
CFURLRef CFBundleCopyExecutableURL(CFBundleRef bundle);
// Loads the bundle's binary (once: a loaded one stays), which puts its classes on the runtime's class
// list (Foundation/NSObjCRuntime.h); false when it cannot be loaded.
Boolean CFBundleLoadExecutable(CFBundleRef bundle);
