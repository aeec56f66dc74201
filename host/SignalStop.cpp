#include "host/SignalStop.h"

#include "framework/AtomicFile.h"

#include <atomic>
#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <unistd.h>

namespace qorvhost
{
namespace
{
std::atomic<int> sSignal{0};
int sPipe[2] = {-1, -1};
static_assert(std::atomic<int>::is_always_lock_free);

// Async-signal-safe only: an atomic store, write, unlink (in RemoveOpenTemporaryFiles) and _exit.
extern "C" void OnStopSignal(int signal)
{
  const int saved = errno;
  int none = 0;
  if (!sSignal.compare_exchange_strong(none, signal))
  {
    iplugin::RemoveOpenTemporaryFiles();
    _exit(128 + signal);
  }
  if (sPipe[1] >= 0)
  {
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = write(sPipe[1], &byte, 1);
  }
  errno = saved;
}
} // namespace

void InstallStopSignals()
{
  if (sPipe[0] < 0 && pipe2(sPipe, O_CLOEXEC | O_NONBLOCK) != 0) sPipe[0] = sPipe[1] = -1;
  struct sigaction action = {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  // No SA_RESTART: a call blocked on a pipe or a terminal returns, so the command sees the stop.
  for (int signal : {SIGINT, SIGTERM, SIGHUP})
  {
    // A signal ignored when the host started (nohup, a shell's background job) stays ignored.
    struct sigaction old = {};
    if (sigaction(signal, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;
    sigaction(signal, &action, nullptr);
  }
}

int StopSignal()
{
  return sSignal.load();
}

int StopStatus()
{
  return 128 + sSignal.load();
}

int StopDescriptor()
{
  return sPipe[0];
}
} // namespace qorvhost
