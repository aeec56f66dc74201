// The exported doors of the product's bundle: Qorv_Entry and Qorv_Factory.
#include "framework/au/AUComponentInterface.h"
#include "editor/plugin/Qorv.h"

IPLUGIN_AU_ENTRY_POINTS(iplugin::Qorv, Qorv)
