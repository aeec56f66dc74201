// Where things are: the plug-in bundle's folders, the user's standard folders and named resources.
// Each function writes its answer into a StringBuf and keeps no state; any thread may call them (the
// product calls them on the main thread).
#pragma once

#include "framework/StringBuf.h"

namespace iplugin
{
// The executable of the bundle with the identifier; unchanged when there is no such bundle.
void BundleExecutablePath(StringBuf& path, const char* bundleID);
// The folder that holds the bundle, followed by "/"; unchanged when there is no such bundle.
void BundleFolderPath(StringBuf& path, const char* bundleID);
// The bundle's resource folder; unchanged when there is no such bundle.
void BundleResourcePath(StringBuf& path, const char* bundleID);
void DesktopPath(StringBuf& path);
void HomePath(StringBuf& path);
// "<Library>/Audio/Presets/<maker>/<plug-in>/" of the user domain, or of the local domain when isSystem.
void UserPresetsPath(StringBuf& path, const char* mfrName, const char* pluginName, bool isSystem);
// The user's Application Support folder followed by "/" and the sub-path.
void AppSupportSubPath(StringBuf& path, const char* subPath);
// The Application Support folder of the user domain, or of the system domain when isSystem.
void AppSupportPath(StringBuf& path, bool isSystem = false);
void MusicPath(StringBuf& path);
// True when the home folder lies in an application container.
bool IsSandboxed();
// Where LocateResource found a resource; converts to false when it found nothing.
enum EResourceLocation
{
  kNotFound = 0,
  kAbsolutePath = 1 // `result` holds a file path
};

// Finds a resource: in the bundle with the identifier, then in the shared resources folder
// <Music>/<sharedResourcesSubPath>/Resources/, then as a path of its own. The name's extension must equal
// the type (ignoring case) for the first two places. kAbsolutePath and the full path in `result` when
// found, else kNotFound.
EResourceLocation LocateResource(const char* name, const char* type, StringBuf& result, const char* bundleID,
                                 const char* sharedResourcesSubPath);
} // namespace iplugin
