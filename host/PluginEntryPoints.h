// What a host knows of one Audio Unit plug-in before it opens it: its description and its two doors
// (the Component Manager entry and the Audio Component factory), each registered with the platform's
// component runtime as a component of its own.
#pragma once

#include <AudioUnit/AudioUnit.h>
#include <QorvPlatform/Components.h>

#include <string>

namespace qorvhost
{
enum class Door
{
  kEntry,   // Component Manager entry function
  kFactory, // Audio Component factory and its method table
};

const char* DoorName(Door door);

using EntryFunction = OSStatus (*)(ComponentParameters* params, void* storage);

struct PluginEntryPoints
{
  AudioComponentDescription description = {};
  std::string name; // "Maker: Name"
  UInt32 version = 0;
  // For a plug-in linked into the host: its two exported functions.
  EntryFunction entry = nullptr;
  AudioComponentFactoryFunction factory = nullptr;
  // The registered components, one per door (made on first use).
  AudioComponent entryComponent = nullptr;
  AudioComponent factoryComponent = nullptr;

  AudioComponent ComponentFor(Door door) const
  {
    return door == Door::kEntry ? entryComponent : factoryComponent;
  }
};

// Loads the bundle folder <Name>.component once for each door (Info.plist's "AudioComponents" names
// the entry and factory functions). False with a message on any failure.
bool LoadPluginBundle(const std::string& path, PluginEntryPoints& plugin, std::string& error);

// Registers a linked-in plug-in's two functions with the platform's component runtime (once).
bool RegisterDoors(PluginEntryPoints& plugin, std::string& error);
} // namespace qorvhost
