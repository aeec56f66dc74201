// The example plug-in's two doors, linked into the test binary, as the host library sees a bundle.
#pragma once

#include "host/HostInstance.h"
#include "tests/example/ExampleAU.h"

#include <QorvPlatform/CFLiveObjects.h>
#include <gtest/gtest.h>

#include <memory>

namespace qorvtest
{
// An effect linked into the test binary, described as its bundle would describe it.
qorvhost::PluginEntryPoints LinkedEffect(const char (&subType)[5], const char (&manufacturer)[5],
                                         const char* name, UInt32 version, qorvhost::EntryFunction entry,
                                         AudioComponentFactoryFunction factory);

// Registered with the platform once for the whole test binary.
qorvhost::PluginEntryPoints& InProcessExample();

// The plug-in object behind an instance, found as the view factory finds it.
qorvexample::ExampleAU* PlugOf(qorvhost::HostInstance& au);

// Every host suite runs once through each door.
class HostDoorTest : public testing::TestWithParam<qorvhost::Door>
{
protected:
  void SetUp() override;
  void TearDown() override;

  // A new instance through the suite's door (fails the test when it cannot be opened).
  std::unique_ptr<qorvhost::HostInstance> Open();
  // Opened and configured: mono or stereo at 44.1 kHz, 512 frames, initialised.
  std::unique_ptr<qorvhost::HostInstance> OpenReady(int nChannels = 2);

  long mLiveBaseline = 0;
};

std::string DoorParamName(const testing::TestParamInfo<qorvhost::Door>& info);
} // namespace qorvtest

#define QORV_INSTANTIATE_DOORS(Suite)                                                                        \
  INSTANTIATE_TEST_SUITE_P(Doors, Suite, testing::Values(qorvhost::Door::kEntry, qorvhost::Door::kFactory),  \
                           qorvtest::DoorParamName)
