// Records the automation a plug-in writes: every value change of a range of parameters as the host's
// event listener receives it, stamped with the host's song position. Main thread.
#pragma once

#include <AudioToolbox/AudioUnitUtilities.h>

#include <functional>
#include <string>
#include <vector>

namespace qorvhost
{
class AutomationRecorder
{
public:
  struct Entry
  {
    double time; // seconds
    AudioUnitParameterID param;
    AudioUnitParameterValue value;
  };

  // now() gives the time to stamp an event with.
  explicit AutomationRecorder(std::function<double()> now) : mNow(std::move(now)) {}
  ~AutomationRecorder();
  AutomationRecorder(const AutomationRecorder&) = delete;
  AutomationRecorder& operator=(const AutomationRecorder&) = delete;

  // Listens to value changes of count parameters from first on (global scope). Status of the listener.
  OSStatus Listen(AudioUnit unit, AudioUnitParameterID first, int count);

  const std::vector<Entry>& Entries() const { return mEntries; }
  // The bytes of the --automation file: "time,parameter,value" then one line an entry, in order of
  // arrival.
  std::string Csv() const;

private:
  static void OnEvent(void* refCon, void* object, const AudioUnitEvent* event, UInt64 hostTime,
                      AudioUnitParameterValue value);

  std::function<double()> mNow;
  AUEventListenerRef mListener = nullptr;
  std::vector<Entry> mEntries;
};
} // namespace qorvhost
