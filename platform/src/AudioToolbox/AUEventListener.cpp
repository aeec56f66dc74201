#include <AudioToolbox/AudioUnitUtilities.h>

#include <algorithm>
#include <mutex>
#include <vector>

struct AUListenerBase
{
  struct Registration
  {
    void* object;
    AudioUnitEvent event;
  };
  AUEventListenerProc proc = nullptr;
  void* refCon = nullptr;
  std::vector<Registration> registrations;
};

namespace
{
struct Listeners
{
  std::mutex mutex;
  std::vector<AUListenerBase*> all; // in order of creation
};

Listeners& TheListeners()
{
  static Listeners* listeners = new Listeners;
  return *listeners;
}

bool IsParameterEvent(AudioUnitEventType type)
{
  return type <= kAudioUnitEvent_EndParameterChangeGesture;
}

bool Matches(const AudioUnitEvent& registered, const AudioUnitEvent& event)
{
  const AudioUnitParameter& r = registered.mArgument.mParameter;
  const AudioUnitParameter& e = event.mArgument.mParameter;
  return registered.mEventType == event.mEventType && r.mAudioUnit == e.mAudioUnit && r.mScope == e.mScope &&
         r.mElement == e.mElement &&
         (r.mParameterID == kAUParameterListener_AnyParameter || r.mParameterID == e.mParameterID);
}

bool Alive(Listeners& listeners, AUListenerBase* listener)
{
  return std::find(listeners.all.begin(), listeners.all.end(), listener) != listeners.all.end();
}
} // namespace

OSStatus AUEventListenerCreate(AUEventListenerProc inProc, void* inCallbackRefCon, CFRunLoopRef, CFStringRef,
                               Float32, Float32, AUEventListenerRef* outListener)
{
  if (!inProc || !outListener) return kAudio_ParamError;
  auto* listener = new AUListenerBase;
  listener->proc = inProc;
  listener->refCon = inCallbackRefCon;
  Listeners& listeners = TheListeners();
  std::lock_guard<std::mutex> lock(listeners.mutex);
  listeners.all.push_back(listener);
  *outListener = listener;
  return noErr;
}

OSStatus AUEventListenerAddEventType(AUEventListenerRef inListener, void* inObject,
                                     const AudioUnitEvent* inEvent)
{
  if (!inEvent || !IsParameterEvent(inEvent->mEventType)) return kAudio_ParamError;
  Listeners& listeners = TheListeners();
  std::lock_guard<std::mutex> lock(listeners.mutex);
  if (!Alive(listeners, inListener)) return kAudio_ParamError;
  inListener->registrations.push_back({inObject, *inEvent});
  return noErr;
}

OSStatus AUListenerDispose(AUEventListenerRef inListener)
{
  Listeners& listeners = TheListeners();
  {
    std::lock_guard<std::mutex> lock(listeners.mutex);
    auto it = std::find(listeners.all.begin(), listeners.all.end(), inListener);
    if (it == listeners.all.end()) return kAudio_ParamError;
    listeners.all.erase(it);
  }
  delete inListener;
  return noErr;
}

OSStatus AUEventListenerNotify(AUEventListenerRef inSendingListener, void* inSendingObject,
                               const AudioUnitEvent* inEvent)
{
  if (!inEvent || !IsParameterEvent(inEvent->mEventType)) return kAudio_ParamError;
  struct Delivery
  {
    AUListenerBase* listener;
    AUEventListenerProc proc;
    void* refCon;
    void* object;
  };
  std::vector<Delivery> deliveries;
  Listeners& listeners = TheListeners();
  {
    std::lock_guard<std::mutex> lock(listeners.mutex);
    for (AUListenerBase* l : listeners.all)
    {
      if (l == inSendingListener) continue;
      for (const auto& r : l->registrations)
        if ((!inSendingObject || r.object != inSendingObject) && Matches(r.event, *inEvent))
          deliveries.push_back({l, l->proc, l->refCon, r.object});
    }
  }
  const AudioUnitParameter& p = inEvent->mArgument.mParameter;
  AudioUnitParameterValue value = 0;
  if (inEvent->mEventType == kAudioUnitEvent_ParameterValueChange)
    AudioUnitGetParameter(p.mAudioUnit, p.mParameterID, p.mScope, p.mElement, &value);
  UInt64 hostTime = static_cast<UInt64>(std::max(0.0, CFAbsoluteTimeGetCurrent()) * 1e9);
  for (const Delivery& d : deliveries)
  {
    {
      // A listener disposed by an earlier delivery hears nothing more.
      std::lock_guard<std::mutex> lock(listeners.mutex);
      if (!Alive(listeners, d.listener)) continue;
    }
    d.proc(d.refCon, d.object, inEvent, hostTime, value);
  }
  return noErr;
}
