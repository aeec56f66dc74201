// A registration that cannot be stored answers an error and changes nothing. The non-throwing
// allocation functions of this test binary can be told to fail; they otherwise hand over to the usual
// ones, so every block they return is released as usual.
#include "tests/example/ExampleAU.h"

#include <gtest/gtest.h>

#include <new>

namespace
{
// The next allocation that fails: 1 = the next one, 0 = none.
int gFailAllocation = 0;

bool FailNow()
{
  return gFailAllocation > 0 && --gFailAllocation == 0;
}
} // namespace

void* operator new(std::size_t n, const std::nothrow_t&) noexcept
{
  if (FailNow()) return nullptr;
  try
  {
    return ::operator new(n);
  }
  catch (...)
  {
    return nullptr;
  }
}

void* operator new[](std::size_t n, const std::nothrow_t&) noexcept
{
  if (FailNow()) return nullptr;
  try
  {
    return ::operator new[](n);
  }
  catch (...)
  {
    return nullptr;
  }
}

using namespace iplugin;

namespace
{
OSStatus Notify(void*, AudioUnitRenderActionFlags*, const AudioTimeStamp*, UInt32, UInt32, AudioBufferList*)
{
  return noErr;
}

void Listen(void*, AudioComponentInstance, AudioUnitPropertyID, AudioUnitScope, AudioUnitElement) {}
} // namespace

// Each allocation of a new list (its record, then its entries) failing in turn.
TEST(RegistrationMemory, AFailedRegistrationAnswersAnErrorAndChangesNothing)
{
  InstanceInfo info;
  qorvexample::ExampleAU plug(info);
  int a = 0, b = 0;
  ASSERT_EQ(plug.AddRenderNotify(Notify, &a), noErr);
  ASSERT_EQ(plug.AddPropertyListener(kAudioUnitProperty_Latency, Listen, &a), noErr);
  for (int failing = 1; failing <= 2; ++failing)
  {
    gFailAllocation = failing;
    EXPECT_EQ(plug.AddRenderNotify(Notify, &b), kAudio_MemFullError) << failing;
    gFailAllocation = failing;
    EXPECT_EQ(plug.AddPropertyListener(kAudioUnitProperty_Latency, Listen, nullptr), noErr)
        << "already there";
    gFailAllocation = failing;
    EXPECT_EQ(plug.AddPropertyListener(kAudioUnitProperty_BypassEffect, Listen, &b), kAudio_MemFullError)
        << failing;
    gFailAllocation = 0;
    EXPECT_EQ(plug.NRenderNotifies(), 1);
    EXPECT_EQ(plug.NPropertyListeners(), 1);
  }
  EXPECT_EQ(plug.AddRenderNotify(Notify, &b), noErr);
  EXPECT_EQ(plug.NRenderNotifies(), 2);
}
