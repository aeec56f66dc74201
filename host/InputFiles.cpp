#include "host/InputFiles.h"

#include "host/MessageStream.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qorvhost
{
namespace
{
const char* NotAFile(mode_t mode)
{
  if (S_ISDIR(mode)) return "is a folder, not a file";
  if (S_ISFIFO(mode)) return "a named pipe, not a file: the host reads its inputs by seeking in them";
  if (S_ISCHR(mode) || S_ISBLK(mode))
    return "a device, not a file: the host reads its inputs by seeking in them";
  return "not a regular file";
}
} // namespace

int OpenInputFile(const std::string& path, std::string& why)
{
  // Without O_NONBLOCK the open of a pipe waits for a writer; the type is known only once it is open.
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0)
  {
    why = SystemReason(errno);
    return -1;
  }
  struct stat st;
  const bool looked = fstat(fd, &st) == 0;
  if (!looked || !S_ISREG(st.st_mode))
  {
    why = looked ? NotAFile(st.st_mode) : SystemReason(errno);
    close(fd);
    return -1;
  }
  const int flags = fcntl(fd, F_GETFL);
  if (flags >= 0) fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  return fd;
}

InputRead ReadInputFile(const std::string& path, size_t maxBytes, std::string& bytes, std::string& why)
{
  const int fd = OpenInputFile(path, why);
  if (fd < 0) return InputRead::kFailed;
  struct stat st;
  if (fstat(fd, &st) == 0 && size_t(st.st_size) > maxBytes)
  {
    close(fd);
    return InputRead::kTooLarge;
  }
  bytes.clear();
  char chunk[65536];
  for (;;)
  {
    const ssize_t n = read(fd, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0)
    {
      why = SystemReason(errno);
      close(fd);
      return InputRead::kFailed;
    }
    if (n == 0) break;
    if (bytes.size() + size_t(n) > maxBytes)
    {
      close(fd);
      return InputRead::kTooLarge;
    }
    bytes.append(chunk, size_t(n));
  }
  close(fd);
  return InputRead::kDone;
}
} // namespace qorvhost
