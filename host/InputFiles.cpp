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
// What the host does with an input of this kind: said when a pipe or a device is given instead of a file.
const char* HowItIsRead(InputKind kind)
{
  switch (kind)
  {
  case InputKind::kRecording:
    return "the host reads a recording by seeking in it";
  case InputKind::kPresetOrState:
    return "the host reads a preset or state whole, from a regular file only";
  case InputKind::kScript:
    break;
  }
  return "the host reads a script whole, from a regular file only";
}

std::string NotAFile(mode_t mode, InputKind kind)
{
  if (S_ISDIR(mode)) return "is a folder, not a file";
  if (S_ISFIFO(mode)) return std::string("a named pipe, not a file: ") + HowItIsRead(kind);
  if (S_ISCHR(mode) || S_ISBLK(mode)) return std::string("a device, not a file: ") + HowItIsRead(kind);
  return "not a regular file";
}
} // namespace

int OpenInputFile(const std::string& path, InputKind kind, std::string& why)
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
    why = looked ? NotAFile(st.st_mode, kind) : SystemReason(errno);
    close(fd);
    return -1;
  }
  const int flags = fcntl(fd, F_GETFL);
  if (flags >= 0) fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  return fd;
}

InputRead ReadInputFile(const std::string& path, InputKind kind, size_t maxBytes, std::string& bytes,
                        std::string& why)
{
  const int fd = OpenInputFile(path, kind, why);
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
