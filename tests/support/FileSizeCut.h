// Cuts every file this process writes at a given size, as a full disk or a save killed half-way would,
// until the guard ends. Writes past the cut fail (EFBIG) instead of raising a signal.
#pragma once

#include <csignal>

#include <sys/resource.h>

namespace qorvtest
{
class FileSizeCut
{
public:
  explicit FileSizeCut(rlim_t bytes)
  {
    getrlimit(RLIMIT_FSIZE, &mOld);
    mOldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit cut = mOld;
    cut.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &cut);
  }
  ~FileSizeCut()
  {
    setrlimit(RLIMIT_FSIZE, &mOld);
    std::signal(SIGXFSZ, mOldHandler);
  }
  FileSizeCut(const FileSizeCut&) = delete;
  FileSizeCut& operator=(const FileSizeCut&) = delete;

private:
  rlimit mOld{};
  void (*mOldHandler)(int) = nullptr;
};
} // namespace qorvtest
