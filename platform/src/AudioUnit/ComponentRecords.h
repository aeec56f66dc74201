// The stand-in runtime's records behind AudioComponent and ComponentInstance handles.
#pragma once

#include <AudioUnit/AudioComponent.h>
#include <QorvPlatform/Components.h>

#include <string>

struct OpaqueAudioComponent
{
  AudioComponentDescription desc{};
  std::string name;
  UInt32 version = 0;
  qorvplatform::ComponentDoor door = qorvplatform::ComponentDoor::EntryFunction;
  ComponentRoutineProcPtr entry = nullptr;
  AudioComponentFactoryFunction factory = nullptr;
  bool registered = true; // unregistered components stay allocated for instances still holding them
};

struct ComponentInstanceRecord
{
  static constexpr UInt32 kMagic = 0x51434931; // 'QCI1'
  static constexpr int kMethodSlots = 32;      // Audio Unit selectors 0 ... 31
  static constexpr int kMusicSlots = 16;       // music-device selectors 0x100 ... 0x10F

  UInt32 magic = kMagic;
  OpaqueAudioComponent* component = nullptr;
  Handle storage = nullptr;
  bool storageSet = false;
  AudioComponentPlugInInterface* plugin = nullptr;
  // The factory door's methods, looked up once at open so that render calls do not ask again.
  AudioComponentMethod methods[kMethodSlots]{};
  AudioComponentMethod musicMethods[kMusicSlots]{};
};

namespace qorvcomponent
{
inline bool IsValid(ComponentInstance ci)
{
  return ci && ci->magic == ComponentInstanceRecord::kMagic;
}

// The factory door's method for the selector; null when the component offers none.
inline AudioComponentMethod MethodFor(ComponentInstance ci, SInt16 selector)
{
  if (selector >= 0 && selector < ComponentInstanceRecord::kMethodSlots) return ci->methods[selector];
  if (selector >= 0x100 && selector < 0x100 + ComponentInstanceRecord::kMusicSlots)
    return ci->musicMethods[selector - 0x100];
  return nullptr;
}
} // namespace qorvcomponent
