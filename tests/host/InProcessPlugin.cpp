#include "tests/host/InProcessPlugin.h"

#include "framework/au/AUComponentInterface.h"

#include <QorvPlatform/RunLoopClock.h>

IPLUGIN_AU_ENTRY_POINTS(qorvexample::ExampleAU, HostTestExample)

namespace qorvtest
{
qorvhost::PluginEntryPoints& InProcessExample()
{
  static qorvhost::PluginEntryPoints plugin = []
  {
    qorvhost::PluginEntryPoints p;
    p.description.componentType = iplugin::FourCC("aufx");
    p.description.componentSubType = iplugin::FourCC("ExPt");
    p.description.componentManufacturer = iplugin::FourCC("QoTs");
    p.name = "Qorv Tests: Example";
    p.version = 0x010203;
    p.entry = HostTestExample_Entry;
    p.factory = HostTestExample_Factory;
    return p;
  }();
  return plugin;
}

qorvexample::ExampleAU* PlugOf(qorvhost::HostInstance& au)
{
  void* object = nullptr;
  if (au.Get(iplugin::kIPluginAUPropertyPlugObject, kAudioUnitScope_Global, 0, object) != noErr)
    return nullptr;
  return dynamic_cast<qorvexample::ExampleAU*>(static_cast<iplugin::IPluginAU*>(object));
}

void HostDoorTest::SetUp()
{
  qorvplatform::ResetMainRunLoop();
  std::string error;
  ASSERT_TRUE(qorvhost::RegisterDoors(InProcessExample(), error)) << error;
  mLiveBaseline = qorvplatform::LiveCFObjectCount();
}

void HostDoorTest::TearDown()
{
  qorvplatform::ResetMainRunLoop();
}

std::unique_ptr<qorvhost::HostInstance> HostDoorTest::Open()
{
  std::string error;
  auto au = qorvhost::HostInstance::Open(InProcessExample(), GetParam(), error);
  EXPECT_TRUE(au) << error;
  return au;
}

std::unique_ptr<qorvhost::HostInstance> HostDoorTest::OpenReady(int nChannels)
{
  auto au = Open();
  if (!au) return au;
  EXPECT_EQ(au->Configure(44100.0, nChannels, nChannels, 512), noErr);
  EXPECT_EQ(au->Initialize(), noErr);
  return au;
}

std::string DoorParamName(const testing::TestParamInfo<qorvhost::Door>& info)
{
  return qorvhost::DoorName(info.param);
}
} // namespace qorvtest
