// The names the about box shows for the identified hosts.
#pragma once

namespace iplugin
{
// The display name of a host identifier (EHost); "Unknown" for 0 and for any identifier not in the table.
const char* HostDisplayName(int host);
} // namespace iplugin
