#include "tests/host/InProcessQorv.h"

#include "framework/au/AUComponentInterface.h"
#include "mixer/Qorv.h"

IPLUGIN_AU_ENTRY_POINTS(iplugin::Qorv, HostTestQorv)

namespace qorvtest
{
qorvhost::PluginEntryPoints& InProcessQorv()
{
  static qorvhost::PluginEntryPoints plugin = []
  {
    qorvhost::PluginEntryPoints p;
    p.description.componentType = iplugin::FourCC("aufx");
    p.description.componentSubType = iplugin::FourCC("LK54");
    p.description.componentManufacturer = iplugin::FourCC("Lmkr");
    p.name = "Lumenkraft: Qorv";
    p.version = 0x020102;
    p.entry = HostTestQorv_Entry;
    p.factory = HostTestQorv_Factory;
    return p;
  }();
  return plugin;
}
} // namespace qorvtest
