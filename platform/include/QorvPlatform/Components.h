// Registration of Audio Unit components with the stand-in runtime (no platform counterpart: there
// the system finds installed components). A component is opened through one door, fixed when it is
// registered: its Component Manager entry function, or its factory with the plug-in interface.
#pragma once

#include <AudioUnit/AudioComponent.h>

#include <string>

namespace qorvplatform
{
enum class ComponentDoor
{
  EntryFunction,
  Factory
};

AudioComponent RegisterComponentEntry(const AudioComponentDescription& desc, const char* name, UInt32 version,
                                      ComponentRoutineProcPtr entry);

// Loads the shared library (it stays loaded) and registers the component through the exported function
// with the given name. Null, with the reason in *error when given, when the library or the name cannot
// be found.
AudioComponent LoadComponentLibrary(const char* libraryPath, const char* functionName, ComponentDoor door,
                                    const AudioComponentDescription& desc, const char* name, UInt32 version,
                                    std::string* error = nullptr);

// Loads a component bundle: the first entry of Info.plist's "AudioComponents" gives "type", "subtype"
// and "manufacturer" (four-character texts), "name", "version" (integer) and the names of the exported
// functions: "factoryFunction" for the factory door, "entryFunction" for the entry door. The binary is
// the bundle's executable. The bundle becomes known to CFBundleGetBundleWithIdentifier.
AudioComponent LoadComponentBundle(const char* bundlePath, ComponentDoor door, std::string* error = nullptr);

ComponentDoor GetComponentDoor(AudioComponent component);

// Forgets the component; its instances must have been disposed.
void UnregisterComponent(AudioComponent component);

// The four-character code of a text such as "aufx"; 0 unless the text has exactly four characters.
OSType FourCharCodeFromString(const char* text);
} // namespace qorvplatform
