#include "host/SignalStop.h"

#include "framework/AtomicFile.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace qorvhost
{
namespace
{
// The run's phase and the signals it got, in one word so that the handler and the run change them
// together: the stop signal (bits 0-7, before the outputs are put in place), the late one (bits 8-15,
// after that began) and the phase (from bit 16).
enum Phase : unsigned
{
  kRunning = 0,
  kPlacing = 1, // the outputs are being put in place
  kPlaced = 2,
  kPutBack = 3, // placing them failed (from kPlaced on, one more than PlacingEnd's)
  kNotAllPutBack = 4,
};
std::atomic<unsigned> sState{0};
int sPipe[2] = {-1, -1};
static_assert(std::atomic<unsigned>::is_always_lock_free);
constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

unsigned StopOf(unsigned state)
{
  return state & 0xFFu;
}
unsigned LateOf(unsigned state)
{
  return (state >> 8) & 0xFFu;
}
unsigned PhaseOf(unsigned state)
{
  return state >> 16;
}

void Say(const char* text)
{
  [[maybe_unused]] const ssize_t written = write(STDERR_FILENO, text, std::strlen(text));
}

// Async-signal-safe only: atomics, write, unlink (in RemoveOpenTemporaryFiles) and _exit.
extern "C" void OnStopSignal(int signal)
{
  const int saved = errno;
  const unsigned number = unsigned(signal) & 0xFFu;
  unsigned state = sState.load();
  for (;;)
  {
    const unsigned phase = PhaseOf(state);
    if (phase == kRunning && StopOf(state))
    {
      // A second stop: at once, the new files removed, the old ones whole.
      iplugin::RemoveOpenTemporaryFiles();
      _exit(128 + signal);
    }
    if (phase == kPlaced && LateOf(state))
    {
      // A second signal once the outputs are in place: they are complete, only the summary is cut.
      Say("qorv-host: stopped after the outputs were written; they are complete\n");
      _exit(0);
    }
    // While the outputs are put in place, a second signal waits for that to end (a few renames); after a
    // failed placing, for the failure to be told (a few lines).
    if (phase != kRunning && LateOf(state)) break;
    const unsigned next = phase == kRunning ? (state | number) : (state | number << 8);
    if (!sState.compare_exchange_weak(state, next)) continue;
    if (phase == kRunning && sPipe[1] >= 0)
    {
      const char byte = 1;
      [[maybe_unused]] const ssize_t written = write(sPipe[1], &byte, 1);
    }
    break;
  }
  errno = saved;
}

bool sInstalled[std::size(kStopSignals)] = {};

void SetHandlers(int flags)
{
  struct sigaction action = {};
  action.sa_handler = OnStopSignal;
  action.sa_flags = flags;
  sigemptyset(&action.sa_mask);
  for (size_t i = 0; i < std::size(kStopSignals); ++i)
    if (sInstalled[i]) sigaction(kStopSignals[i], &action, nullptr);
}

// QORV_TEST_PAUSE_AT=K[,L...]: whether the host stops itself at pause point `reached`.
bool PausesAt(long reached)
{
  const char* text = std::getenv("QORV_TEST_PAUSE_AT");
  while (text && *text)
  {
    char* end = nullptr;
    if (std::strtol(text, &end, 10) == reached) return true;
    if (*end != ',') break;
    text = end + 1;
  }
  return false;
}
} // namespace

void InstallStopSignals()
{
  if (sPipe[0] < 0 && pipe2(sPipe, O_CLOEXEC | O_NONBLOCK) != 0) sPipe[0] = sPipe[1] = -1;
  for (size_t i = 0; i < std::size(kStopSignals); ++i)
  {
    // A signal ignored when the host started (nohup, a shell's background job) stays ignored.
    struct sigaction old = {};
    sInstalled[i] = !(sigaction(kStopSignals[i], nullptr, &old) == 0 && old.sa_handler == SIG_IGN);
  }
  // No SA_RESTART: a call blocked on a pipe or a terminal returns, so the command sees the stop.
  SetHandlers(0);
}

int StopSignal()
{
  return int(StopOf(sState.load()));
}

int StopStatus()
{
  return 128 + StopSignal();
}

int StopDescriptor()
{
  return sPipe[0];
}

bool BeginPlacingOutputs()
{
  unsigned state = kRunning;
  if (!sState.compare_exchange_strong(state, kPlacing << 16)) return PhaseOf(state) != kRunning;
  // From here a signal no longer ends a call: the summary is written whole.
  SetHandlers(SA_RESTART);
  return true;
}

void EndPlacingOutputs(PlacingEnd end)
{
  static_assert(unsigned(PlacingEnd::kPlaced) + 1 == kPlaced &&
                unsigned(PlacingEnd::kPutBack) + 1 == kPutBack &&
                unsigned(PlacingEnd::kNotAllPutBack) + 1 == kNotAllPutBack);
  unsigned state = sState.load();
  while (PhaseOf(state) == kPlacing &&
         !sState.compare_exchange_weak(state, (state & 0xFFFFu) | (unsigned(end) + 1) << 16))
  {
  }
}

PlacingEnd HowPlacingEnded()
{
  const unsigned phase = PhaseOf(sState.load());
  return phase >= kPlaced ? PlacingEnd(phase - 1) : PlacingEnd::kNotEnded;
}

int LateStopSignal()
{
  return int(LateOf(sState.load()));
}

void PausePoint()
{
  static long reached = 0;
  if (PausesAt(++reached)) raise(SIGSTOP);
}
} // namespace qorvhost
