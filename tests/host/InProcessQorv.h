// The mixer's own class behind its two doors, linked into the test binary as the host library sees a bundle.
#pragma once

#include "host/HostInstance.h"

namespace qorvtest
{
qorvhost::PluginEntryPoints& InProcessQorv();
} // namespace qorvtest
