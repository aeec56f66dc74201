// Stand-in for the Audio Unit event listeners of Audio Toolbox. Parameter events (value change, gesture
// begin and end) reach every listener registered for them, synchronously on the notifying thread, in
// the order of registration; a value-change event carries the parameter's current value.
#pragma once

#include <AudioUnit/AudioUnitProperties.h>
#include <CoreFoundation/CFRunLoop.h>

typedef UInt32 AudioUnitEventType;
enum : AudioUnitEventType
{
  kAudioUnitEvent_ParameterValueChange = 0,
  kAudioUnitEvent_BeginParameterChangeGesture = 1,
  kAudioUnitEvent_EndParameterChangeGesture = 2,
  kAudioUnitEvent_PropertyChange = 3
};

// As a parameter ID in a registration: every parameter of the unit.
constexpr AudioUnitParameterID kAUParameterListener_AnyParameter = 0xFFFFFFFF;

struct AudioUnitEvent
{
  AudioUnitEventType mEventType;
  union
  {
    AudioUnitParameter mParameter;
    AudioUnitProperty mProperty;
  } mArgument;
};

typedef struct AUListenerBase* AUEventListenerRef;
typedef AUEventListenerRef AUParameterListenerRef;

typedef void (*AUEventListenerProc)(void* inCallbackRefCon, void* inObject, const AudioUnitEvent* inEvent,
                                    UInt64 inEventHostTime, AudioUnitParameterValue inParameterValue);

// The run loop, mode, interval and granularity are accepted and not used: delivery is immediate.
OSStatus AUEventListenerCreate(AUEventListenerProc inProc, void* inCallbackRefCon, CFRunLoopRef inRunLoop,
                               CFStringRef inRunLoopMode, Float32 inNotificationInterval,
                               Float32 inValueChangeGranularity, AUEventListenerRef* outListener);
// Property-change events are refused with kAudio_ParamError: a host listens to properties with
// AudioUnitAddPropertyListener.
OSStatus AUEventListenerAddEventType(AUEventListenerRef inListener, void* inObject,
                                     const AudioUnitEvent* inEvent);
OSStatus AUListenerDispose(AUEventListenerRef inListener);
// Tells every registration that matches the event (same type, unit, scope and element, and the same
// parameter or any), except those of the sending listener and those made with the sending object.
OSStatus AUEventListenerNotify(AUEventListenerRef inSendingListener, void* inSendingObject,
                               const AudioUnitEvent* inEvent);
