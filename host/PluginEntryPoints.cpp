#include "host/PluginEntryPoints.h"

#include <CoreFoundation/CoreFoundation.h>

namespace qorvhost
{
const char* DoorName(Door door)
{
  return door == Door::kEntry ? "entry" : "factory";
}

bool LoadPluginBundle(const std::string& path, PluginEntryPoints& plugin, std::string& error)
{
  plugin.entryComponent =
      qorvplatform::LoadComponentBundle(path.c_str(), qorvplatform::ComponentDoor::EntryFunction, &error);
  if (!plugin.entryComponent) return false;
  plugin.factoryComponent =
      qorvplatform::LoadComponentBundle(path.c_str(), qorvplatform::ComponentDoor::Factory, &error);
  if (!plugin.factoryComponent) return false;

  AudioComponentGetDescription(plugin.factoryComponent, &plugin.description);
  AudioComponentGetVersion(plugin.factoryComponent, &plugin.version);
  CFStringRef name = nullptr;
  if (AudioComponentCopyName(plugin.factoryComponent, &name) == noErr && name)
  {
    char buf[512] = "";
    CFStringGetCString(name, buf, sizeof buf, kCFStringEncodingUTF8);
    plugin.name = buf;
    CFRelease(name);
  }
  return true;
}

bool RegisterDoors(PluginEntryPoints& plugin, std::string& error)
{
  if (plugin.entryComponent && plugin.factoryComponent) return true;
  if (!plugin.entry || !plugin.factory)
  {
    error = "the plug-in has no entry points";
    return false;
  }
  if (!plugin.entryComponent)
    plugin.entryComponent =
        qorvplatform::RegisterComponentEntry(plugin.description, plugin.name.c_str(), plugin.version,
                                             reinterpret_cast<ComponentRoutineProcPtr>(plugin.entry));
  if (!plugin.factoryComponent)
  {
    CFStringRef name =
        CFStringCreateWithCString(kCFAllocatorDefault, plugin.name.c_str(), kCFStringEncodingUTF8);
    plugin.factoryComponent =
        AudioComponentRegister(&plugin.description, name, plugin.version,
                               reinterpret_cast<AudioComponentFactoryFunction>(plugin.factory));
    if (name) CFRelease(name);
  }
  if (!plugin.entryComponent || !plugin.factoryComponent)
  {
    error = "the platform refused to register the plug-in";
    return false;
  }
  return true;
}
} // namespace qorvhost
