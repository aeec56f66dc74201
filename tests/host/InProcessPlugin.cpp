#include "tests/host/InProcessPlugin.h"

#include "framework/au/AUComponentInterface.h"

#include <QorvPlatform/RunLoopClock.h>

IPLUGIN_AU_ENTRY_POINTS(qorvexample::ExampleAU, HostTestExample)

namespace qorvtest
{
qorvhost::PluginEntryPoints LinkedEffect(const char (&subType)[5], const char (&manufacturer)[5],
                                         const char* name, UInt32 version, qorvhost::EntryFunction entry,
                                         AudioComponentFactoryFunction factory)
{
  qorvhost::PluginEntryPoints p;
  p.description.componentType = iplugin::FourCC("aufx");
  p.description.componentSubType = iplugin::FourCC(subType);
  p.description.componentManufacturer = iplugin::FourCC(manufacturer);
  p.name = name;
  p.version = version;
  p.entry = entry;
  p.factory = factory;
  return p;
}

qorvhost::PluginEntryPoints& InProcessExample()
{
  static qorvhost::PluginEntryPoints plugin = LinkedEffect("ExPt", "QoTs", "Qorv Tests: Example", 0x010203,
                                                           HostTestExample_Entry, HostTestExample_Factory);
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
