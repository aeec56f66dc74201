// Whether a process that left a file behind is still the one running under its id (on a Mac the
// process's start time comes from sysctl's process record). Any thread.
#pragma once

namespace qorvplatform
{
// When the process started, in a unit that stays fixed while the machine runs; false when there is no
// such process or its record cannot be read. A process id that is reused gets a later start time.
bool ProcessStartTime(int pid, unsigned long long& start);
} // namespace qorvplatform
