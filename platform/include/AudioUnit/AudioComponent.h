// Stand-in for the Audio Component registry: finding components, opening and closing instances. An
// instance is opened through the component's door: its Component Manager entry function or its
// factory's plug-in interface (see QorvPlatform/Components.h for how components are registered).
#pragma once

#include <CoreFoundation/CFString.h>
#include <CoreServices/Components.h>

struct AudioComponentDescription
{
  OSType componentType;
  OSType componentSubType;
  OSType componentManufacturer;
  UInt32 componentFlags;
  UInt32 componentFlagsMask;
};

typedef struct OpaqueAudioComponent* AudioComponent;
// The same handle as the Component Manager's instance: an Audio Unit passes it to both kinds of calls.
typedef ComponentInstance AudioComponentInstance;

typedef OSStatus (*AudioComponentMethod)(void* self, ...);

// The record a factory returns; every method receives the record itself as `self`.
struct AudioComponentPlugInInterface
{
  OSStatus (*Open)(void* self, AudioComponentInstance mInstance);
  OSStatus (*Close)(void* self);
  AudioComponentMethod (*Lookup)(SInt16 selector);
  void* reserved;
};

typedef AudioComponentPlugInInterface* (*AudioComponentFactoryFunction)(
    const AudioComponentDescription* inDesc);

enum : OSStatus
{
  kAudioComponentErr_InstanceTimedOut = -66754,
  kAudioComponentErr_DuplicateDescription = -66752,
  kAudioComponentErr_UnsupportedType = -66751,
  kAudioComponentErr_TooManyInstances = -66750,
  kAudioComponentErr_InstanceInvalidated = -66749,
  kAudioComponentErr_NotPermitted = -66748,
  kAudioComponentErr_InitializationTimedOut = -66747,
  kAudioComponentErr_InvalidFormat = -66746
};

// The next registered component after inComponent (null: the first) whose type, subtype and
// manufacturer match the description's non-zero fields.
AudioComponent AudioComponentFindNext(AudioComponent inComponent, const AudioComponentDescription* inDesc);
OSStatus AudioComponentCopyName(AudioComponent inComponent, CFStringRef* outName);
OSStatus AudioComponentGetDescription(AudioComponent inComponent, AudioComponentDescription* outDesc);
OSStatus AudioComponentGetVersion(AudioComponent inComponent, UInt32* outVersion);
// Opens an instance; the component's own status when its Open fails (then nothing stays open).
OSStatus AudioComponentInstanceNew(AudioComponent inComponent, AudioComponentInstance* outInstance);
// Closes the instance through its door and frees the handle.
OSStatus AudioComponentInstanceDispose(AudioComponentInstance inInstance);
// Registers a component made by a factory in this process.
AudioComponent AudioComponentRegister(const AudioComponentDescription* inDesc, CFStringRef inName,
                                      UInt32 inVersion, AudioComponentFactoryFunction inFactory);
