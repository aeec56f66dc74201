// How a qorv-host run ends, as a script sees it: its exit status says what became of its files. A stop
// signal sent at each step of a run's end leaves either every old output as it was (128 + N) or every
// new one complete (0); an input that is no file is refused at once; a bad script line anywhere runs
// nothing; a summary that cannot be written fails the run.
#include "host/AudioFile.h"
#include "tests/support/PlacedFile.h"
#include "tests/host/HostProcess.h"
#include "tests/support/InodeFlags.h"
#include "tests/support/ScopedEnvironment.h"
#include "tests/support/TestPaths.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>

#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

using qorvtest::HostRun;
using qorvtest::HostRunOptions;
using qorvtest::RunHost;

namespace
{
namespace fs = std::filesystem;

std::vector<std::string> TemporariesIn(const std::string& dir)
{
  std::vector<std::string> found;
  for (const auto& entry : fs::directory_iterator(dir))
    if (entry.path().filename().string().rfind(".saving-", 0) == 0) found.push_back(entry.path().filename());
  return found;
}

// What a file holds: an audio file's samples (its header carries the time it was written), else its
// bytes.
std::string ContentOf(const std::string& path)
{
  qorvhost::AudioFile audio;
  std::string error;
  if (path.size() < 4 || path.compare(path.size() - 4, 4, ".wav") != 0 ||
      !qorvhost::ReadAudioFile(path, audio, error))
    return qorvtest::FileBytes(path);
  std::string samples;
  for (const std::vector<float>& c : audio.channels)
    samples.append(reinterpret_cast<const char*>(c.data()), c.size() * sizeof(float));
  return samples;
}

// A signal to the host's main thread, which is where it stopped itself.
void SignalMainThread(pid_t pid, int signal)
{
  syscall(SYS_tgkill, pid, pid, signal);
}

class RunEndTest : public testing::Test
{
protected:
  void SetUp() override
  {
    dir = qorvtest::ScratchDir(std::string("run_end_") +
                               testing::UnitTest::GetInstance()->current_test_info()->name());
    environment.Set("XDG_DATA_HOME", (dir + "/data").c_str());
    environment.Set("QORV_HEADLESS", "1");
    qorvhost::AudioFile tone;
    tone.channels = {std::vector<float>(48000)};
    for (size_t i = 0; i < tone.channels[0].size(); ++i)
      tone.channels[0][i] = (i / 4800) % 2 ? 0.2f * float((i * 7919) % 200) / 200.f - 0.1f : 0.f;
    std::string error;
    EXPECT_TRUE(qorvtest::PlaceRecording(dir + "/a.wav", tone, error)) << error;
    std::reverse(tone.channels[0].begin(), tone.channels[0].end());
    EXPECT_TRUE(qorvtest::PlaceRecording(dir + "/b.wav", tone, error)) << error;
  }

  HostRun Host(std::vector<std::string> args, HostRunOptions options = {})
  {
    args.insert(args.begin() + (args[0] == "preset" ? 2 : 1),
                {"--plugin", qorvtest::BinaryDir() + "/Qorv.component"});
    return RunHost(args, options);
  }

  qorvtest::ScopedEnvironment environment;
  std::string dir;
};

struct EndCase
{
  const char* name;
  std::vector<std::string> args; // "@" stands for the test's folder
  std::vector<std::string> outputs;
  const char* summary; // what only a finished run prints on standard output
  // The steps (pause points) at which one signal is sent, and those at which two are.
  std::vector<int> steps, twiceAt;
};

// The steps of a run's end (the host's pause points, QORV_TEST_PAUSE_AT): 1 before the new files are
// finished, 2 before they are put in place, then one before each rename, one after the last and one after
// the summary. A stop is honoured up to step 2.
constexpr int kHonouredSteps = 2;

class RunEndSteps : public RunEndTest, public testing::WithParamInterface<EndCase>
{
};

// A command that writes files, stopped at the steps of its end. Up to the second step the stop is
// honoured: 128 + N and the old files whole; from the third the run ends as it began: 0, every new file
// complete, the summary printed and a line that the stop came late. With two signals at once the second
// ends the run at once: before the files are put in place with the old files whole, after with the new
// ones complete; while they are put in place it waits for that to end.
TEST_P(RunEndSteps, AStopAtAnyStepOfTheEndLeavesTheFilesItsStatusSays)
{
  const EndCase& c = GetParam();
  std::ofstream(dir + "/script.txt") << "click 151 95\n";
  const int signals[] = {SIGTERM, SIGINT, SIGHUP};
  std::vector<std::string> args = c.args;
  for (std::string& a : args)
    if (a[0] == '@') a = dir + a.substr(1);
  // The files and summary of a run that nothing stops.
  const HostRun clean = Host(args);
  ASSERT_EQ(clean.status, 0) << clean.err;
  std::map<std::string, std::string> made;
  for (const std::string& name : c.outputs)
    made[name] = ContentOf(dir + "/" + name);
  for (const bool twice : {false, true})
    for (const int step : twice ? c.twiceAt : c.steps)
    {
      const std::string what = (twice ? "two signals at step " : "a signal at step ") + std::to_string(step);
      for (const std::string& name : c.outputs)
        std::ofstream(dir + "/" + name) << "old " << name;
      const std::string stepText = std::to_string(step);
      environment.Set("QORV_TEST_PAUSE_AT", stepText.c_str());
      const int signal = signals[step % 3], second = signals[(step + 1) % 3];
      int stops = 0;
      HostRunOptions options;
      options.onStop = [&](pid_t pid)
      {
        ++stops;
        SignalMainThread(pid, signal);
        if (twice) SignalMainThread(pid, second);
      };
      const HostRun run = Host(args, options);
      environment.Set("QORV_TEST_PAUSE_AT", nullptr);
      EXPECT_EQ(stops, 1) << what;
      EXPECT_EQ(TemporariesIn(dir), std::vector<std::string>()) << what;
      const bool honoured = step <= kHonouredSteps;
      if (honoured)
      {
        EXPECT_TRUE(run.status == 128 + signal || run.status == 128 + second) << what << ": " << run.status;
        if (c.summary)
        {
          EXPECT_EQ(run.out.find(c.summary), std::string::npos) << what << ": " << run.out;
        }
      }
      else
      {
        EXPECT_EQ(run.status, 0) << what << ": " << run.err;
        EXPECT_TRUE(run.err.find("came after the outputs were written") != std::string::npos ||
                    (twice && run.err.find("stopped after the outputs were written") != std::string::npos))
            << what << ": " << run.err;
        if (!twice)
        {
          EXPECT_EQ(run.out, clean.out) << what << ": " << run.err;
        }
      }
      for (const std::string& name : c.outputs)
        EXPECT_TRUE(ContentOf(dir + "/" + name) == (honoured ? "old " + name : made[name]))
            << what << ": " << name;
    }
}

// The mix at every step (four renames: steps 3 to 6, 7 after the last, 8 after the summary); the other
// commands, which put their files in place the same way, on both sides of the line.
INSTANTIATE_TEST_SUITE_P(
    Commands, RunEndSteps,
    testing::Values(
        EndCase{"mix",
                {"mix", "-q", "-o", "@/out.wav", "--gains", "@/gains.csv", "--state-out", "@/state.aupreset",
                 "--automation", "@/automation.csv", "@/a.wav", "@/b.wav"},
                {"out.wav", "gains.csv", "state.aupreset", "automation.csv"},
                "mixed 2 tracks",
                {1, 2, 3, 4, 5, 6, 7, 8},
                {2, 4, 7}},
        EndCase{
            "render", {"render", "-o", "@/render.wav", "@/a.wav"}, {"render.wav"}, "rendered ", {2, 3}, {}},
        EndCase{"preset_export",
                {"preset", "export", "--factory", "Auto Mixing", "-o", "@/preset.qxs"},
                {"preset.qxs"},
                "written to",
                {2, 3},
                {}},
        EndCase{"editor_png",
                {"editor", "--script", "@/script.txt", "--png", "@/frame.png"},
                {"frame.png"},
                nullptr,
                {2, 5},
                {}}),
    [](const testing::TestParamInfo<EndCase>& info) { return std::string(info.param.name); });

// A four-output mix, and the pause point before its first rename (RunEndSteps).
class FourOutputs : public RunEndTest
{
protected:
  const std::vector<std::string> names = {"out.wav", "gains.csv", "state.aupreset", "automation.csv"};
  static constexpr int kFirstRenameStep = 3;

  std::vector<std::string> Args() const
  {
    return {"mix",          "-q",
            "-o",           dir + "/out.wav",
            "--gains",      dir + "/gains.csv",
            "--state-out",  dir + "/state.aupreset",
            "--automation", dir + "/automation.csv",
            dir + "/a.wav", dir + "/b.wav"};
  }
  void WriteOldOutputs() const
  {
    for (const std::string& name : names)
      std::ofstream(dir + "/" + name) << "old " << name;
  }
  // The rename of output `failing` made to fail: its old file set aside and a folder made in its place.
  void BlockRename(size_t failing) const
  {
    const std::string path = dir + "/" + names[failing];
    fs::rename(path, path + ".aside");
    fs::create_directories(path + "/inside");
  }
  // After the run: the folder gone, the old file back (when the rename was blocked), and every output
  // old, no hidden file left.
  void ExpectOldOutputs(size_t failing, const std::string& what, bool blocked = true) const
  {
    const std::string path = dir + "/" + names[failing];
    EXPECT_EQ(fs::is_directory(path + "/inside"), blocked) << what;
    if (blocked)
    {
      fs::remove_all(path);
      fs::rename(path + ".aside", path);
    }
    for (const std::string& name : names)
      EXPECT_TRUE(qorvtest::FileBytes(dir + "/" + name) == "old " + name)
          << name << " is not the old one, " << what;
    EXPECT_EQ(TemporariesIn(dir), std::vector<std::string>()) << what;
  }
};

// A rename that fails while the outputs are put in place (here a folder made where the file goes, while
// the host waits before that rename) fails the run with every old output as it was: the ones already
// renamed are put back. Tried at each of a four-output mix's renames, with names exchanged in one step and
// as on systems that cannot (no renameat2, or a filter that refuses it), where each old file is linked to
// a hidden name first; no hidden file is left. Unhindered, those systems place every output.
TEST_F(FourOutputs, AFailedRenameLeavesEveryOldOutput)
{
  for (const char* answer : {"", "ENOSYS", "EPERM"})
  {
    environment.Set("QORV_TEST_RENAMEAT2_ERROR", *answer ? answer : nullptr);
    for (size_t failing = 0; failing < names.size(); ++failing)
    {
      const std::string what = std::string("failing at ") + names[failing] + (*answer ? ", " : "") + answer;
      WriteOldOutputs();
      const std::string step = std::to_string(kFirstRenameStep + int(failing));
      environment.Set("QORV_TEST_PAUSE_AT", step.c_str());
      HostRunOptions options;
      options.onStop = [&](pid_t) { BlockRename(failing); };
      const HostRun run = Host(Args(), options);
      environment.Set("QORV_TEST_PAUSE_AT", nullptr);
      EXPECT_EQ(run.status, 1) << what << ": " << run.err;
      EXPECT_NE(run.err.find(dir + "/" + names[failing] + ": cannot write (is a directory)"),
                std::string::npos)
          << run.err;
      ExpectOldOutputs(failing, what);
    }
    if (!*answer) continue;
    WriteOldOutputs();
    const HostRun run = Host(Args());
    EXPECT_EQ(run.status, 0) << answer << ": " << run.err;
    for (const std::string& name : names)
      EXPECT_NE(qorvtest::FileBytes(dir + "/" + name), "old " + name) << answer;
    EXPECT_EQ(TemporariesIn(dir), std::vector<std::string>()) << answer;
  }
}

// A placing that fails is never told as a success, whatever signals come while it goes on or after it:
// one signal or two, sent at any pause point of the run's end. Before the placing begins (steps 1 and 2)
// the stop is honoured (128 + N) and the failure never comes; from there on, up to the run's very end,
// the run leaves the failure's status (1), its message, a line saying that nothing was written, and every
// old output.
TEST_F(FourOutputs, AFailedPlacingIsAFailureWhateverSignalsCome)
{
  for (size_t failing = 0; failing < names.size(); ++failing)
  {
    const int failStep = kFirstRenameStep + int(failing);
    // Up to the last pause point, at the end (ExitStatus).
    for (int step = 1; step <= failStep + 2; ++step)
      for (const bool twice : {false, true})
      {
        const std::string what = std::string("failing at ") + names[failing] +
                                 (twice ? ", two signals" : ", a signal") + " at step " +
                                 std::to_string(step);
        const bool honoured = step <= kHonouredSteps;
        WriteOldOutputs();
        // An honoured stop ends the run before any rename: the rename is not blocked then.
        const std::string steps = honoured ? std::to_string(step)
                                           : std::to_string(std::min(step, failStep)) + "," +
                                                 std::to_string(std::max(step, failStep));
        environment.Set("QORV_TEST_PAUSE_AT", steps.c_str());
        HostRunOptions options;
        int stops = 0;
        bool blocked = false;
        options.onStop = [&](pid_t pid)
        {
          const int at = ++stops == 1 ? std::min(step, failStep) : std::max(step, failStep);
          if (at == failStep && !honoured && !blocked)
          {
            BlockRename(failing);
            blocked = true;
          }
          if (at != step) return;
          SignalMainThread(pid, SIGTERM);
          if (twice) SignalMainThread(pid, SIGINT);
        };
        const HostRun run = Host(Args(), options);
        environment.Set("QORV_TEST_PAUSE_AT", nullptr);
        EXPECT_EQ(stops, honoured || step == failStep ? 1 : 2) << what;
        EXPECT_EQ(blocked, !honoured) << what;
        if (honoured)
        {
          EXPECT_EQ(run.status, 128 + (twice ? SIGINT : SIGTERM)) << what << ": " << run.err;
        }
        else
        {
          EXPECT_EQ(run.status, 1) << what << ": " << run.err;
          EXPECT_NE(run.err.find(dir + "/" + names[failing] + ": cannot write (is a directory)"),
                    std::string::npos)
              << what << ": " << run.err;
          EXPECT_NE(run.err.find(
                        "SIGTERM came as the outputs were put in place, which failed: nothing was written"),
                    std::string::npos)
              << what << ": " << run.err;
        }
        EXPECT_EQ(run.err.find("complete"), std::string::npos) << what << ": " << run.err;
        EXPECT_EQ(run.err.find("came after the outputs were written"), std::string::npos)
            << what << ": " << run.err;
        ExpectOldOutputs(failing, what, blocked);
      }
  }
}

// When the folder turns unwritable between two renames (here made immutable while the host waits before
// one), the outputs already renamed cannot be put back: the run fails (1) and its message names each of
// them and where its old file is kept, as does the line of a signal that came meanwhile; every other old
// output is as it was. The old files stay where the message says through the next run in that folder.
TEST_F(FourOutputs, AFolderTurnedUnwritableMidwayNamesEachOutputNotPutBack)
{
  for (const size_t failing : {size_t(1), size_t(3)})
  {
    const std::string what = "failing at " + names[failing];
    WriteOldOutputs();
    qorvtest::InodeFlags flags;
    bool flagged = false;
    environment.Set("QORV_TEST_PAUSE_AT", std::to_string(kFirstRenameStep + int(failing)).c_str());
    HostRunOptions options;
    options.onStop = [&](pid_t pid)
    {
      flagged = flags.Set(dir, FS_IMMUTABLE_FL);
      SignalMainThread(pid, SIGTERM);
    };
    const HostRun run = Host(Args(), options);
    environment.Set("QORV_TEST_PAUSE_AT", nullptr);
    flags.ClearAll();
    if (!flagged)
      GTEST_SKIP() << "making a folder immutable needs root and a file system that keeps the flag";
    EXPECT_EQ(run.status, 1) << what << ": " << run.err;
    EXPECT_NE(run.err.find(dir + "/" + names[failing] + ": cannot write (operation not permitted)"),
              std::string::npos)
        << what << ": " << run.err;
    std::map<std::string, std::string> keptAs; // each old file not put back, by where the message says
    for (size_t i = 0; i < names.size(); ++i)
    {
      const std::string told =
          dir + "/" + names[i] +
          ": its old file could not be put back (operation not permitted): it is kept as ";
      const size_t at = run.err.find(told);
      EXPECT_EQ(at != std::string::npos, i < failing) << what << ": " << run.err;
      if (at != std::string::npos)
      {
        const size_t from = at + told.size();
        keptAs[names[i]] = run.err.substr(from, run.err.find_first_of(";\n", from) - from);
      }
      EXPECT_EQ(qorvtest::FileBytes(dir + "/" + names[i]) == "old " + names[i], i >= failing)
          << what << ": " << names[i];
    }
    EXPECT_NE(run.err.find("SIGTERM came as the outputs were put in place, which failed: every old output is "
                           "as it was but those named above"),
              std::string::npos)
        << what << ": " << run.err;
    const HostRun next = Host(Args());
    EXPECT_EQ(next.status, 0) << what << ": " << next.err;
    for (const auto& [name, kept] : keptAs)
    {
      EXPECT_EQ(kept.rfind(dir + "/.saving-", 0), 0u) << what << ": " << kept;
      EXPECT_EQ(qorvtest::FileBytes(kept), "old " + name) << what << ": " << kept;
      fs::remove(kept);
    }
  }
}

// The process that waits for a lock on the file `on` (as /proc/locks shows a blocked flock), or 0.
pid_t WaiterForLock(const struct stat& on)
{
  std::ifstream locks("/proc/locks");
  const std::string inode = ":" + std::to_string(on.st_ino) + " ";
  for (std::string line; std::getline(locks, line);)
    if (const size_t at = line.find("-> FLOCK");
        at != std::string::npos && line.find(inode) != std::string::npos)
    {
      std::istringstream fields(line.substr(at + 8));
      std::string advisory, mode;
      pid_t pid = 0;
      fields >> advisory >> mode >> pid;
      return pid;
    }
  return 0;
}

// Two runs putting the same outputs in place at once: the second waits for the first to have placed its
// whole set (here held between its first and second rename), then places its own; the outputs are the
// second's, every one, never a mix of both. A stop signal ends the second's wait as any stop does: the
// outputs are then the first's. The two mix different tracks, so every output tells whose it is.
TEST_F(FourOutputs, TwoRunsOnOneSetPlaceOneAfterTheOther)
{
  std::vector<std::string> second = Args();
  second.pop_back(); // a.wav alone
  std::map<std::string, std::string> made[2];
  for (const int run : {0, 1})
  {
    ASSERT_EQ(Host(run ? second : Args()).status, 0);
    for (const std::string& name : names)
      made[run][name] = ContentOf(dir + "/" + name);
  }
  struct stat folder;
  ASSERT_EQ(stat(dir.c_str(), &folder), 0);
  for (const bool stopped : {false, true})
  {
    const std::string what = stopped ? "the second stopped while it waits" : "both to their end";
    WriteOldOutputs();
    environment.Set("QORV_TEST_PAUSE_AT", std::to_string(kFirstRenameStep + 1).c_str());
    HostRun secondRun;
    std::thread secondThread;
    std::atomic<bool> secondEnded{false};
    pid_t waiter = 0;
    bool endedWhileHeld = false;
    HostRunOptions options;
    options.onStop = [&](pid_t)
    {
      environment.Set("QORV_TEST_PAUSE_AT", nullptr);
      secondThread = std::thread(
          [&]
          {
            secondRun = Host(second);
            secondEnded = true;
          });
      // Until the second waits for the folder, or has ended without waiting.
      for (int i = 0; i < 6000 && !secondEnded && !(waiter = WaiterForLock(folder)); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      if (stopped && waiter) kill(waiter, SIGTERM);
      for (int i = 0; i < 6000 && stopped && waiter && !secondEnded; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      endedWhileHeld = secondEnded;
    };
    const HostRun first = Host(Args(), options);
    if (secondThread.joinable()) secondThread.join();
    EXPECT_NE(waiter, 0) << what << ": the second run did not wait for the first";
    EXPECT_EQ(endedWhileHeld, stopped) << what << ": the stop did not end the wait";
    EXPECT_EQ(first.status, 0) << what << ": " << first.err;
    EXPECT_EQ(secondRun.status, stopped ? 128 + SIGTERM : 0) << what << ": " << secondRun.err;
    for (const std::string& name : names)
      EXPECT_TRUE(ContentOf(dir + "/" + name) == made[stopped ? 0 : 1][name])
          << what << ": " << name << " is not the " << (stopped ? "first" : "second") << " run's";
    EXPECT_EQ(TemporariesIn(dir), std::vector<std::string>()) << what;
  }
}

// An output that is a symbolic link is written through it, as a shell's redirection does: the file it
// leads to is made (or replaced) and the link stays, whether it is relative or absolute; --png-every's
// folder likewise, made where its link leads when it is not there yet.
TEST_F(RunEndTest, AnOutputThatIsALinkIsWrittenWhereItLeads)
{
  fs::create_directories(dir + "/real");
  const std::map<std::string, std::string> links = {{"out.wav", "real/mix.wav"},
                                                    {"gains.csv", dir + "/real/gains.csv"},
                                                    {"state.aupreset", "real/state.aupreset"},
                                                    {"frames", "real/frames"}};
  for (const auto& [link, holds] : links)
    fs::create_symlink(holds, dir + "/" + link);
  std::ofstream(dir + "/real/state.aupreset") << "old state";
  const HostRun run = Host({"mix", "-q", "-o", dir + "/out.wav", "--gains", dir + "/gains.csv", "--state-out",
                            dir + "/state.aupreset", "--png-every", "0.5", dir + "/frames", dir + "/a.wav"});
  ASSERT_EQ(run.status, 0) << run.err;
  for (const auto& [link, holds] : links)
  {
    EXPECT_TRUE(fs::is_symlink(dir + "/" + link)) << link;
    EXPECT_EQ(fs::read_symlink(dir + "/" + link).string(), holds);
  }
  qorvhost::AudioFile mixed;
  std::string error;
  EXPECT_TRUE(qorvhost::ReadAudioFile(dir + "/real/mix.wav", mixed, error)) << error;
  EXPECT_NE(qorvtest::FileBytes(dir + "/real/gains.csv"), "");
  EXPECT_NE(qorvtest::FileBytes(dir + "/real/state.aupreset"), "old state");
  EXPECT_TRUE(fs::is_directory(dir + "/real/frames"));
  EXPECT_TRUE(fs::is_regular_file(dir + "/real/frames/frame-0002.png"));
  EXPECT_NE(run.out.find("editor frames: 2 in " + dir + "/frames"), std::string::npos) << run.out;
  EXPECT_EQ(TemporariesIn(dir), std::vector<std::string>());
  EXPECT_EQ(TemporariesIn(dir + "/real"), std::vector<std::string>());
}

// A mix killed (SIGKILL) with its new files written leaves them; the next file written into the folder
// removes them, since their process has ended.
TEST_F(RunEndTest, TheNewFilesOfAKilledRunGoWithTheNextWrite)
{
  const std::vector<std::string> args = {
      "mix", "-q", "-o", dir + "/out.wav", "--gains", dir + "/gains.csv", dir + "/a.wav"};
  environment.Set("QORV_TEST_PAUSE_AT", "2");
  HostRunOptions options;
  options.onStop = [](pid_t pid) { kill(pid, SIGKILL); };
  EXPECT_EQ(Host(args, options).status, -1);
  EXPECT_EQ(TemporariesIn(dir).size(), 3u); // two new files and their folder's lock file
  environment.Set("QORV_TEST_PAUSE_AT", nullptr);
  const HostRun again = Host({"render", "-o", dir + "/render.wav", dir + "/a.wav"});
  EXPECT_EQ(again.status, 0) << again.err;
  EXPECT_EQ(TemporariesIn(dir), std::vector<std::string>());
}

// An input that is not a regular file is refused at once: a named pipe that no one writes would
// otherwise hold the open for ever, and a recording is read by seeking in it. The message says once what
// the path is, and what the host does with that kind of input.
TEST_F(RunEndTest, AnInputThatIsNoFileIsRefusedAtOnce)
{
  const std::string pipe = dir + "/pipe";
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  struct Case
  {
    std::vector<std::string> args;
    std::string says;
  };
  const std::string out = dir + "/out.wav";
  const std::string seeks = ": the host reads a recording by seeking in it\n";
  const std::string whole = " whole, from a regular file only)\n";
  const Case cases[] = {
      {{"mix", "-o", out, pipe}, ": a named pipe, not a file" + seeks},
      {{"mix", "-o", out, dir + "/a.wav", pipe}, ": a named pipe, not a file"},
      {{"mix", "-o", out, "/dev/zero"}, "/dev/zero: a device, not a file" + seeks},
      {{"mix", "-o", out, dir}, ": is a folder"},
      {{"render", "-o", out, pipe}, ": a named pipe, not a file" + seeks},
      {{"mix", "--preset", pipe, "-o", out, dir + "/a.wav"},
       ": cannot read (a named pipe, not a file: the host reads a preset or state" + whole},
      {{"mix", "--state-in", pipe, "-o", out, dir + "/a.wav"},
       ": cannot read (a named pipe, not a file: the host reads a preset or state" + whole},
      {{"editor", "--script", pipe},
       pipe + ": cannot read (a named pipe, not a file: the host reads a script" + whole},
      {{"editor", "--script", "/dev/null"}, "(a device, not a file: the host reads a script" + whole},
  };
  for (const Case& c : cases)
  {
    const HostRun run = Host(c.args);
    EXPECT_EQ(run.status, 1) << c.args.back() << ": " << run.err;
    EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("not a"), run.err.rfind("not a")) << run.err;
    EXPECT_FALSE(fs::exists(out));
  }
  EXPECT_TRUE(fs::is_fifo(pipe));
}

// The whole script is read before the editor opens: a bad third line is told as FILE:3, and nothing of
// the script runs (no editor, no changes, no picture).
TEST_F(RunEndTest, ABadScriptLineAnywhereRunsNothing)
{
  const std::string script = dir + "/script.txt", png = dir + "/frame.png";
  const std::string binary = "key 5 \x1b[2J " + std::string(100, 'x');
  for (const std::string& third : {std::string("resize 1000 700"), binary})
  {
    std::ofstream(script) << "click 151 95\nwait 0.1\n" << third << "\nclick 151 95\n";
    const HostRun run = Host({"editor", "--script", script, "--png", png});
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_FALSE(fs::exists(png));
    const std::string told = run.err.substr(0, run.err.find('\n'));
    EXPECT_EQ(told.rfind("qorv-host: " + script + ":3: bad script line: ", 0), 0u) << run.err;
    EXPECT_EQ(told.find('\x1b'), std::string::npos) << told;
    EXPECT_LE(told.size(), ("qorv-host: " + script + ":3: bad script line: ").size() + 80 + 16) << told;
    if (third == binary)
    {
      EXPECT_NE(told.find("key 5 \\x1B[2J xxx"), std::string::npos) << told;
    }
  }
}

// A summary that cannot be written fails the run, whatever the command: a full standard output, and one
// whose reader has gone (which would otherwise end the host by SIGPIPE, the status telling nothing).
TEST_F(RunEndTest, AStandardOutputThatTakesNothingFailsEveryCommand)
{
  const std::vector<std::vector<std::string>> commands = {
      {"mix", "-o", dir + "/out.wav", dir + "/a.wav"},
      {"mix", "-q", "-o", dir + "/out.wav", dir + "/a.wav"},
      {"info"},
      {"info", "--json"},
      {"validate"},
      {"render", "-o", dir + "/render.wav", dir + "/a.wav"},
      {"preset", "export", "--factory", "Auto Mixing", "-o", dir + "/preset.qxs"},
      {"editor", "--png", dir + "/editor.png"},
      {"--version"},
      {"mix", "--help"},
      {"--help"},
  };
  struct Output
  {
    HostRunOptions options;
    const char* says;
  };
  std::vector<Output> outputs;
  outputs.push_back({{}, "qorv-host: standard output: broken pipe\n"});
  outputs.back().options.closedOutput = true;
  if (access("/dev/full", W_OK) == 0)
  {
    outputs.push_back({{}, "qorv-host: standard output: no space left on device\n"});
    outputs.back().options.standardOutput = "/dev/full";
  }
  for (const Output& output : outputs)
    for (const std::vector<std::string>& args : commands)
    {
      const HostRun run =
          args.back() == "--help" ? RunHost(args, output.options) : Host(args, output.options);
      EXPECT_EQ(run.status, 1) << args[0] << " " << args.back() << ": " << run.err;
      EXPECT_NE(run.err.find(output.says), std::string::npos) << args[0] << ": " << run.err;
    }
}
} // namespace
