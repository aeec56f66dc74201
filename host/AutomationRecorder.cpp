#include "host/AutomationRecorder.h"

#include <cstdio>

namespace qorvhost
{
AutomationRecorder::~AutomationRecorder()
{
  if (mListener) AUListenerDispose(mListener);
}

OSStatus AutomationRecorder::Listen(AudioUnit unit, AudioUnitParameterID first, int count)
{
  if (!mListener)
  {
    if (OSStatus status = AUEventListenerCreate(OnEvent, this, nullptr, nullptr, 0.f, 0.f, &mListener))
      return status;
  }
  for (int i = 0; i < count; ++i)
  {
    AudioUnitEvent event = {};
    event.mEventType = kAudioUnitEvent_ParameterValueChange;
    event.mArgument.mParameter.mAudioUnit = unit;
    event.mArgument.mParameter.mParameterID = first + AudioUnitParameterID(i);
    event.mArgument.mParameter.mScope = kAudioUnitScope_Global;
    event.mArgument.mParameter.mElement = 0;
    if (OSStatus status = AUEventListenerAddEventType(mListener, this, &event)) return status;
  }
  return noErr;
}

void AutomationRecorder::OnEvent(void* refCon, void* object, const AudioUnitEvent* event, UInt64 hostTime,
                                 AudioUnitParameterValue value)
{
  auto* self = static_cast<AutomationRecorder*>(refCon);
  if (!self || !event || event->mEventType != kAudioUnitEvent_ParameterValueChange) return;
  self->mEntries.push_back(
      {self->mNow ? self->mNow() : 0.0, event->mArgument.mParameter.mParameterID, value});
}

std::string AutomationRecorder::Csv() const
{
  std::string text = "time,parameter,value\n";
  char line[96];
  for (const Entry& e : mEntries)
  {
    std::snprintf(line, sizeof line, "%.6f,%u,%.6g\n", e.time, unsigned(e.param), double(e.value));
    text += line;
  }
  return text;
}
} // namespace qorvhost
