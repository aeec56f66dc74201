#include <QorvPlatform/Processes.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace qorvplatform
{
bool ProcessStartTime(int pid, unsigned long long& start)
{
  if (pid <= 0) return false;
  const std::string path = "/proc/" + std::to_string(pid) + "/stat";
  FILE* f = std::fopen(path.c_str(), "r");
  if (!f) return false;
  char line[1024];
  const bool read = std::fgets(line, sizeof line, f) != nullptr;
  std::fclose(f);
  if (!read) return false;
  // The command name in parentheses may hold spaces; after it come the state (field 3) and the others,
  // each after a space, up to the start time (field 22, clock ticks since boot).
  const char* p = std::strrchr(line, ')');
  if (!p) return false;
  ++p;
  for (int field = 3; field < 22 && p; ++field)
    p = std::strchr(p + 1, ' ');
  return p && std::sscanf(p, "%llu", &start) == 1;
}
} // namespace qorvplatform
