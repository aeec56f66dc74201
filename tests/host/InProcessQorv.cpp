#include "tests/host/InProcessQorv.h"

#include "framework/au/AUComponentInterface.h"
#include "editor/plugin/Qorv.h"
#include "tests/host/InProcessPlugin.h"

IPLUGIN_AU_ENTRY_POINTS(iplugin::Qorv, HostTestQorv)

namespace qorvtest
{
qorvhost::PluginEntryPoints& InProcessQorv()
{
  static qorvhost::PluginEntryPoints plugin =
      LinkedEffect("LK54", "Lmkr", "Lumenkraft: Qorv", 0x020102, HostTestQorv_Entry, HostTestQorv_Factory);
  return plugin;
}
} // namespace qorvtest
