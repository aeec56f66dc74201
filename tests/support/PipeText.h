// What a forked child told its parent through a pipe: read to its end (the child gone or its end closed).
#pragma once

#include <string>

#include <unistd.h>

namespace qorvtest
{
// Everything readable from fd until its end; fd is closed.
inline std::string ReadToEndAndClose(int fd)
{
  std::string text;
  char buffer[256];
  for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;)
    text.append(buffer, size_t(n));
  close(fd);
  return text;
}
} // namespace qorvtest
