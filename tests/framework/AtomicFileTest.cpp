// Saving through a new file renamed over the old one: a save that fails leaves the old file whole.
#include "framework/AtomicFile.h"
#include "tests/support/FileSizeCut.h"
#include "tests/support/PipeText.h"
#include "tests/support/ScopedEnvironment.h"
#include "tests/support/TestPaths.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <vector>

#include <QorvPlatform/Processes.h>

#include <fcntl.h>
#include <sched.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{
namespace fs = std::filesystem;

std::string Bytes(const std::string& path)
{
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

size_t EntriesIn(const std::string& dir)
{
  return size_t(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
}

TEST(AtomicFile, AFailedSaveLeavesTheOldFileAndNoLeftovers)
{
  const std::string dir = qorvtest::ScratchDir("atomic_cut");
  const std::string path = dir + "/preset.qxs";
  std::ofstream(path, std::ios::binary) << "the old preset";
  const std::string big(8192, 'x');
  {
    qorvtest::FileSizeCut cut(1024);
    EXPECT_FALSE(iplugin::WriteFileAtomically(path.c_str(), big.data(), big.size()));
  }
  EXPECT_EQ(Bytes(path), "the old preset");
  EXPECT_EQ(EntriesIn(dir), 1u);

  // Dropped before its commit, a new file leaves nothing behind either.
  {
    iplugin::AtomicFile file;
    ASSERT_TRUE(file.Open(path.c_str()));
    std::fputs("half", file.Stream());
    // Meanwhile the new file does not pass for a preset in a listing of the folder.
    for (const auto& entry : fs::directory_iterator(dir))
    {
      if (entry.path().filename() == "preset.qxs") continue;
      EXPECT_EQ(entry.path().filename().string().find(".qxs"), std::string::npos) << entry.path();
    }
  }
  EXPECT_EQ(Bytes(path), "the old preset");
  EXPECT_EQ(EntriesIn(dir), 1u);

  // A writer's own error fails the commit.
  iplugin::AtomicFile failed;
  ASSERT_TRUE(failed.Open(path.c_str()));
  failed.SetFailed();
  EXPECT_FALSE(failed.Commit());
  EXPECT_EQ(Bytes(path), "the old preset");

  // No folder, no file, nothing made.
  EXPECT_FALSE(iplugin::WriteFileAtomically((dir + "/missing/p.qxs").c_str(), "x", 1));
  EXPECT_FALSE(iplugin::WriteFileAtomically("", "x", 1));
  EXPECT_FALSE(iplugin::WriteFileAtomically((dir + "/").c_str(), "x", 1));
  EXPECT_EQ(EntriesIn(dir), 1u);

  ASSERT_TRUE(iplugin::WriteFileAtomically(path.c_str(), big.data(), big.size()));
  EXPECT_EQ(Bytes(path), big);
  EXPECT_EQ(EntriesIn(dir), 1u);
}

// What a signal's handler does before the process ends at once: every new file not yet put in place is
// removed, however many (finished ones hold no descriptor, so there may be thousands), with the lock file
// of their folder; the committed and discarded ones are not looked at again, and the old files stay whole.
TEST(AtomicFile, TheOpenNewFilesCanBeRemovedAtOnce)
{
  const std::string dir = qorvtest::ScratchDir("atomic_remove_open");
  std::ofstream(dir + "/a.wav", std::ios::binary) << "old a";
  std::vector<std::unique_ptr<iplugin::AtomicFile>> open;
  for (int i = 0; i < 200; ++i)
  {
    open.push_back(std::make_unique<iplugin::AtomicFile>());
    ASSERT_TRUE(open.back()->Open((dir + "/frame-" + std::to_string(i) + ".png").c_str()));
    std::fputs("new", open.back()->Stream());
    if (i >= 2)
    {
      ASSERT_TRUE(open.back()->Finish());
    }
  }
  ASSERT_TRUE(iplugin::WriteFileAtomically((dir + "/done.txt").c_str(), "done", 4));
  open[2]->Discard();
  EXPECT_EQ(EntriesIn(dir), 2u + 199u + 1u); // a.wav, done.txt, the new files and the folder's lock file
  iplugin::RemoveOpenTemporaryFiles();
  EXPECT_EQ(EntriesIn(dir), 2u);
  EXPECT_EQ(Bytes(dir + "/a.wav"), "old a");
  EXPECT_EQ(Bytes(dir + "/done.txt"), "done");
  // Their names are free again: a later file is registered and removed as well.
  open.clear();
  iplugin::AtomicFile later;
  ASSERT_TRUE(later.Open((dir + "/later.txt").c_str()));
  EXPECT_EQ(EntriesIn(dir), 4u);
  iplugin::RemoveOpenTemporaryFiles();
  EXPECT_EQ(EntriesIn(dir), 2u);
}

// However many new files a process stages in a folder, they hold one descriptor (the folder's lock file):
// a thousand files under a limit of 64 descriptors.
TEST(AtomicFile, StagedFilesHoldNoDescriptors)
{
  const std::string dir = qorvtest::ScratchDir("atomic_descriptors");
  struct rlimit old;
  ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &old), 0);
  struct rlimit low = old;
  low.rlim_cur = 64;
  ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &low), 0);
  std::vector<std::unique_ptr<iplugin::AtomicFile>> staged;
  bool all = true;
  for (int i = 0; i < 1000 && all; ++i)
  {
    staged.push_back(std::make_unique<iplugin::AtomicFile>());
    all = staged.back()->Open((dir + "/frame-" + std::to_string(i) + ".png").c_str()) &&
          std::fputs(std::to_string(i).c_str(), staged.back()->Stream()) >= 0 && staged.back()->Finish();
  }
  for (const auto& file : staged)
    all = all && file->PutInPlaceKeepingOld();
  for (const auto& file : staged)
    file->DropOld();
  setrlimit(RLIMIT_NOFILE, &old);
  ASSERT_TRUE(all) << "stopped at file " << staged.size() << ": " << std::strerror(staged.back()->Error());
  EXPECT_EQ(EntriesIn(dir), 1000u);
  EXPECT_EQ(Bytes(dir + "/frame-999.png"), "999");
}

// A set of files put in place all or nothing: each new file is in place with its old one kept aside;
// DropOld then removes the old ones, Discard puts them back (or removes a file that had no old one).
// Either way no hidden file is left.
TEST(AtomicFile, FilesPutInPlaceKeepTheirOldOnesUntilDropped)
{
  const std::string dir = qorvtest::ScratchDir("atomic_keep_old");
  for (const bool keep : {false, true})
  {
    fs::remove_all(dir);
    fs::create_directories(dir);
    std::ofstream(dir + "/old.wav") << "old wav";
    fs::create_symlink(dir + "/old.wav", dir + "/link.wav");
    iplugin::AtomicFile files[3];
    const std::string names[3] = {"old.wav", "new.csv", "link.wav"};
    for (int i = 0; i < 3; ++i)
    {
      ASSERT_TRUE(files[i].Open((dir + "/" + names[i]).c_str()));
      std::fputs(("new " + names[i]).c_str(), files[i].Stream());
      ASSERT_TRUE(files[i].Finish());
    }
    ASSERT_TRUE(files[1].PutInPlaceKeepingOld());
    ASSERT_TRUE(files[0].PutInPlaceKeepingOld());
    EXPECT_EQ(Bytes(dir + "/old.wav"), "new old.wav");
    EXPECT_EQ(Bytes(dir + "/new.csv"), "new new.csv");
    if (keep)
    {
      files[0].DropOld();
      files[1].DropOld();
      EXPECT_EQ(Bytes(dir + "/old.wav"), "new old.wav");
      EXPECT_EQ(Bytes(dir + "/new.csv"), "new new.csv");
    }
    else
    {
      EXPECT_TRUE(files[0].Discard());
      EXPECT_TRUE(files[1].Discard());
      EXPECT_EQ(Bytes(dir + "/old.wav"), "old wav");
      EXPECT_FALSE(fs::exists(dir + "/new.csv"));
    }
    files[2].Discard();
    EXPECT_TRUE(fs::is_symlink(dir + "/link.wav"));
    EXPECT_EQ(EntriesIn(dir), keep ? 3u : 2u) << (keep ? "kept" : "put back");
  }
  // A folder where the file would go is never put in place of (an exchange would do it): refused, the
  // folder and its content as they were.
  fs::create_directories(dir + "/taken/inside");
  iplugin::AtomicFile file;
  ASSERT_TRUE(file.Open((dir + "/x").c_str()));
  ASSERT_TRUE(file.Finish());
  fs::rename(dir + "/taken", dir + "/x");
  EXPECT_FALSE(file.PutInPlaceKeepingOld());
  EXPECT_EQ(file.Error(), EISDIR);
  EXPECT_TRUE(fs::is_directory(dir + "/x/inside"));
}

// The new files and lock files in dir, by name.
std::vector<std::string> NewFilesIn(const std::string& dir)
{
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir))
    if (entry.path().filename().string().rfind(".saving-", 0) == 0) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

// Where names cannot be exchanged in one step (no renameat2 before Linux 3.15, a sandbox's filter, a file
// system that cannot), each old file is linked to a hidden name of its own first; a set goes in place all
// or none all the same. Each answer of such a system, with a rename refused at each place of the set (a
// folder where the file goes) and with none refused; the set has one file with no old one.
TEST(AtomicFile, WithoutAnExchangeASetStillGoesInPlaceAllOrNone)
{
  const std::string dir = qorvtest::ScratchDir("atomic_no_exchange");
  const std::string names[] = {"a.wav", "b.csv", "new.txt", "c.aupreset"};
  constexpr size_t kFiles = std::size(names);
  for (const char* answer : {"", "ENOSYS", "EINVAL", "EOPNOTSUPP", "EPERM"})
    for (size_t refused = 0; refused <= kFiles; ++refused)
    {
      const std::string what = std::string(*answer ? answer : "an exchange") + ", refused at " +
                               (refused < kFiles ? names[refused] : std::string("none"));
      qorvtest::ScopedEnvironment environment;
      if (*answer) environment.Set("QORV_TEST_RENAMEAT2_ERROR", answer);
      fs::remove_all(dir);
      fs::create_directories(dir);
      for (const std::string& name : names)
        if (name != "new.txt") std::ofstream(dir + "/" + name) << "old " << name;
      iplugin::AtomicFile files[kFiles];
      for (size_t i = 0; i < kFiles; ++i)
      {
        ASSERT_TRUE(files[i].Open((dir + "/" + names[i]).c_str())) << what;
        std::fputs(("new " + names[i]).c_str(), files[i].Stream());
        ASSERT_TRUE(files[i].Finish()) << what;
      }
      if (refused < kFiles)
      {
        fs::remove(dir + "/" + names[refused]);
        fs::create_directories(dir + "/" + names[refused] + "/inside");
      }
      const std::vector<std::string> staged = NewFilesIn(dir);
      size_t placed = 0;
      while (placed < kFiles && files[placed].PutInPlaceKeepingOld())
        ++placed;
      EXPECT_EQ(placed, refused) << what;
      if (placed == kFiles)
      {
        // The three old files are kept under their new files' names when exchanged, under names of their
        // own when linked first.
        size_t keptAtStagedNames = 0;
        for (const std::string& name : NewFilesIn(dir))
          keptAtStagedNames += name.find(".tmp") != std::string::npos &&
                               std::find(staged.begin(), staged.end(), name) != staged.end();
        EXPECT_EQ(keptAtStagedNames, *answer ? 0u : 3u) << what;
        for (iplugin::AtomicFile& file : files)
          file.DropOld();
      }
      else
        while (placed-- > 0)
          EXPECT_TRUE(files[placed].Discard()) << what;
      for (iplugin::AtomicFile& file : files)
        file.Discard();
      for (size_t i = 0; i < kFiles; ++i)
      {
        const std::string path = dir + "/" + names[i];
        if (i == refused)
          EXPECT_TRUE(fs::is_directory(path + "/inside")) << what;
        else if (refused == kFiles)
          EXPECT_EQ(Bytes(path), "new " + names[i]) << what;
        else if (names[i] == "new.txt")
          EXPECT_FALSE(fs::exists(path)) << what;
        else
          EXPECT_EQ(Bytes(path), "old " + names[i]) << what;
      }
      EXPECT_EQ(NewFilesIn(dir), std::vector<std::string>()) << what;
    }
}

// The new files that a process left when it ended without removing them (killed, crashed) go when the
// next file is written into their folder; those of a running process stay, whoever it is. A name carries
// the process's id and start time, so a later process given the same id does not keep a file alive.
TEST(AtomicFile, NewFilesOfEndedProcessesGoWithTheNextWrite)
{
  const std::string dir = qorvtest::ScratchDir("atomic_left");
  const pid_t ended = fork();
  if (ended == 0) _exit(0);
  ASSERT_GT(ended, 0);
  waitpid(ended, nullptr, 0);
  const pid_t running = fork();
  if (running == 0)
  {
    alarm(60); // ends it should the test not get to
    pause();
    _exit(0);
  }
  ASSERT_GT(running, 0);
  unsigned long long started = 0;
  ASSERT_TRUE(qorvplatform::ProcessStartTime(running, started));
  const std::string e = std::to_string(ended), r = std::to_string(running), t = std::to_string(started);
  struct Left
  {
    std::string name;
    bool stays;
  };
  const Left left[] = {
      {".saving-" + e + "-0.tmp", false},            // an ended process, named as before the start time
      {".saving-" + e + "-" + t + "-3.tmp", false},  // an ended process
      {".saving-" + r + "-" + t + "-1.tmp", true},   // a running one
      {".saving-" + r + "-7.tmp", true},             // a running one, named as before
      {".saving-" + r + "-" + t + "1-2.tmp", false}, // its id, but another start: the id was reused
      {".saving-" + e + "-notes.tmp", true},         // not a name the writer gives
      {".saving-" + e + "-0.txt", true},
      {"saving-" + e + "-0.tmp", true},
  };
  for (const Left& l : left)
    std::ofstream(dir + "/" + l.name) << "new";
  ASSERT_TRUE(iplugin::WriteFileAtomically((dir + "/mix.csv").c_str(), "x", 1));
  for (const Left& l : left)
    EXPECT_EQ(fs::exists(dir + "/" + l.name), l.stays) << l.name;
  kill(running, SIGKILL);
  waitpid(running, nullptr, 0);
  // Once it has ended, its files go too.
  ASSERT_TRUE(iplugin::WriteFileAtomically((dir + "/mix.csv").c_str(), "y", 1));
  EXPECT_FALSE(fs::exists(dir + "/.saving-" + r + "-" + t + "-1.tmp"));
  EXPECT_FALSE(fs::exists(dir + "/.saving-" + r + "-7.tmp"));
}

// A process that has come and gone: its id names no process (until the ids wrap round).
pid_t EndedProcess()
{
  const pid_t ended = fork();
  if (ended == 0) _exit(0);
  waitpid(ended, nullptr, 0);
  return ended;
}

// One byte at a time between two processes: one tells the other it has got somewhere, or lets it go on.
// Each closes the end it does not use, so that a read hears the end of the other process.
struct Signal
{
  int ends[2] = {-1, -1};
  Signal() { EXPECT_EQ(pipe(ends), 0); }
  ~Signal()
  {
    for (int end : ends)
      if (end >= 0) close(end);
  }
  void KeepReading() { Close(1); }
  void KeepWriting() { Close(0); }
  void Close(int end)
  {
    close(ends[end]);
    ends[end] = -1;
  }
  void Tell()
  {
    const char byte = 1;
    ssize_t n;
    do
      n = write(ends[1], &byte, 1);
    while (n < 0 && errno == EINTR);
  }
  bool Heard()
  {
    char byte;
    ssize_t n;
    do
      n = read(ends[0], &byte, 1);
    while (n < 0 && errno == EINTR);
    return n == 1;
  }
};

// A child process waited for: its exit status (128 + N for a signal), and on the way out of a test that
// stopped early, its end (once the pipes it waits on are closed, when declared before them).
struct Child
{
  pid_t pid = -1;
  ~Child()
  {
    if (pid > 0) waitpid(pid, nullptr, 0);
  }
  int ExitStatus()
  {
    int status = 0;
    const bool waited = pid > 0 && waitpid(pid, &status, 0) == pid;
    pid = -1;
    if (!waited) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
};

// Files whose writer runs where this process cannot see it (another machine, another PID namespace): it
// holds its folder's lock file (or, as older writers did, each file's own lock) while its names say its
// process is gone. A new file is only removed when nothing holds it, and its writer's lock file with it.
TEST(AtomicFile, ALockedNewFileStaysThoughItsProcessLooksGone)
{
  const std::string dir = qorvtest::ScratchDir("atomic_locked");
  const std::string gone = std::to_string(EndedProcess());
  const std::string locked[] = {".saving-" + gone + "-12345-0.tmp", ".saving-" + gone + "-1.tmp"};
  const std::string unlocked = ".saving-" + gone + "-12345-2.tmp";
  const std::string place = ".saving-" + gone + "-777";
  const std::vector<std::string> placed = {place + ".lock", place + "-0.tmp", place + "-1.tmp",
                                           place + "-5.tmp"};
  Child holder;
  Signal ready, done;
  holder.pid = fork();
  if (holder.pid == 0)
  {
    ready.KeepWriting();
    done.KeepReading();
    for (const std::string& name : locked)
    {
      const int fd = open((dir + "/" + name).c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
      if (fd < 0 || flock(fd, LOCK_EX) != 0) _exit(1);
    }
    for (const std::string& name : placed)
    {
      const int fd = open((dir + "/" + name).c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
      if (fd < 0 || (name == placed[0] && flock(fd, LOCK_EX) != 0)) _exit(1);
      if (name != placed[0]) close(fd);
    }
    ready.Tell();
    done.Heard();
    _exit(0);
  }
  ASSERT_GT(holder.pid, 0);
  ready.KeepReading();
  done.KeepWriting();
  ASSERT_TRUE(ready.Heard());
  std::ofstream(dir + "/" + unlocked) << "left";
  ASSERT_TRUE(iplugin::WriteFileAtomically((dir + "/mix.csv").c_str(), "x", 1));
  for (const std::string& name : locked)
    EXPECT_TRUE(fs::exists(dir + "/" + name)) << name;
  for (const std::string& name : placed)
    EXPECT_TRUE(fs::exists(dir + "/" + name)) << name;
  EXPECT_FALSE(fs::exists(dir + "/" + unlocked));

  // Its holder gone, the lock goes with it, and so do the files.
  done.Close(1);
  EXPECT_EQ(holder.ExitStatus(), 0);
  ASSERT_TRUE(iplugin::WriteFileAtomically((dir + "/mix.csv").c_str(), "y", 1));
  EXPECT_EQ(NewFilesIn(dir), std::vector<std::string>());
}

// An old file set aside and not put back (here a folder made where it goes back) holds what was there
// before: it keeps its hidden name, and no clean-up removes it, though its process has ended and the
// clean-up removes that process's other new files; once it is moved back, the next clean-up leaves
// nothing. Names exchanged in one step and, as on systems that cannot, linked first.
TEST(AtomicFile, AnOldFileNotPutBackOutlivesTheCleanUp)
{
  for (const char* answer : {"", "ENOSYS"})
  {
    qorvtest::ScopedEnvironment environment;
    environment.Set("QORV_TEST_RENAMEAT2_ERROR", *answer ? answer : nullptr);
    const std::string dir = qorvtest::ScratchDir(std::string("atomic_kept_old") + answer);
    const std::string target = dir + "/out.csv";
    std::ofstream(target) << "old";
    int told[2];
    ASSERT_EQ(pipe(told), 0);
    Child writer;
    writer.pid = fork();
    if (writer.pid == 0)
    {
      close(told[0]);
      iplugin::AtomicFile file, other;
      if (!file.Open(target.c_str()) || std::fputs("new", file.Stream()) < 0 || !file.Finish() ||
          !file.PutInPlaceKeepingOld() || !other.Open((dir + "/other.csv").c_str()))
        _exit(1);
      std::error_code ec;
      fs::remove(target, ec);
      fs::create_directories(target + "/inside", ec);
      if (file.Discard() || file.KeptOld().empty()) _exit(2);
      const std::string& kept = file.KeptOld();
      if (write(told[1], kept.data(), kept.size()) != ssize_t(kept.size())) _exit(3);
      _exit(0); // as a process that ends before it cleans up: other's new file is left
    }
    ASSERT_GT(writer.pid, 0);
    close(told[1]);
    const std::string kept = qorvtest::ReadToEndAndClose(told[0]);
    ASSERT_EQ(writer.ExitStatus(), 0) << answer;
    ASSERT_EQ(kept.rfind(dir + "/.saving-", 0), 0u) << kept;
    const std::string keptName = kept.substr(dir.size() + 1);
    const std::string lock = keptName.substr(0, keptName.find_last_of('-')) + ".lock";
    EXPECT_EQ(NewFilesIn(dir).size(), 3u) << answer; // the lock file, the old file and other's new file

    fs::remove_all(target);
    ASSERT_TRUE(iplugin::WriteFileAtomically((dir + "/mix.csv").c_str(), "x", 1));
    EXPECT_EQ(NewFilesIn(dir), (std::vector<std::string>{keptName, lock})) << answer;
    EXPECT_EQ(Bytes(kept), "old") << answer;

    fs::rename(kept, target);
    ASSERT_TRUE(iplugin::WriteFileAtomically((dir + "/mix.csv").c_str(), "y", 1));
    EXPECT_EQ(NewFilesIn(dir), std::vector<std::string>()) << answer;
    EXPECT_EQ(Bytes(target), "old") << answer;
  }
}

// Starts body as the first process of a new user and PID namespace with a /proc of its own, as
// `unshare -Urp --fork --mount-proc` does: it sees only its own processes, and others see its process
// id as another one. The process to wait for (it ends with body's status), or -1 with why when this
// machine does not allow it.
pid_t StartInPidNamespace(const std::function<int()>& body, std::string& why)
{
  int report[2];
  if (pipe2(report, O_CLOEXEC) != 0) return -1;
  const uid_t uid = getuid();
  const gid_t gid = getgid();
  const pid_t outer = fork();
  if (outer == 0)
  {
    close(report[0]);
    const auto fail = [&](const char* step)
    {
      const std::string said = std::string(step) + ": " + std::strerror(errno);
      (void)!write(report[1], said.data(), said.size());
      _exit(126);
    };
    const auto map = [&](const char* file, const std::string& line)
    {
      const int fd = open(file, O_WRONLY);
      if (fd < 0 || write(fd, line.data(), line.size()) != ssize_t(line.size())) fail(file);
      close(fd);
    };
    if (unshare(CLONE_NEWUSER | CLONE_NEWPID | CLONE_NEWNS) != 0) fail("unshare");
    map("/proc/self/setgroups", "deny");
    map("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1");
    map("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1");
    const pid_t inner = fork();
    if (inner < 0) fail("fork");
    if (inner == 0)
    {
      if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) fail("private mounts");
      if (mount("proc", "/proc", "proc", MS_NOSUID | MS_NODEV | MS_NOEXEC, nullptr) != 0) fail("mount /proc");
      close(report[1]);
      _exit(body());
    }
    // Holds none of the caller's pipes open: the inner process hears the end of the caller's (a namespace's
    // first process takes no signal it has no handler for, so an alarm would not end it).
    close_range(3, ~0u, 0);
    int status = 0;
    waitpid(inner, &status, 0);
    _exit(WIFEXITED(status) ? WEXITSTATUS(status) : 125);
  }
  close(report[1]);
  char said[256];
  const ssize_t n = outer > 0 ? read(report[0], said, sizeof said) : -1;
  close(report[0]);
  if (n != 0)
  {
    why = n > 0 ? std::string(said, size_t(n)) : "fork failed";
    if (outer > 0) waitpid(outer, nullptr, 0);
    return -1;
  }
  return outer;
}

constexpr char kNoNamespaces[] = "this machine does not let a test start a process in a PID namespace of its "
                                 "own (unshare -Urp --fork --mount-proc): ";

// A writer in another PID namespace (a container writing into a shared folder) names its new file for a
// process id that means another process, or none, here. Its file stays while it writes and while it
// waits to be put in place, whichever side cleans up.
TEST(AtomicFile, AWriterInAnotherPidNamespaceKeepsItsNewFile)
{
  const std::string dir = qorvtest::ScratchDir("atomic_namespace");
  const std::string out = dir + "/mix.wav";
  std::ofstream(out) << "old";
  // Inside: writes, then waits at each step for the outside to clean up.
  Child inside;
  Signal ready, go;
  const auto writer = [&]
  {
    ready.KeepWriting();
    go.KeepReading();
    iplugin::AtomicFile file;
    if (!file.Open(out.c_str())) return 1;
    std::fputs("written inside", file.Stream());
    ready.Tell();
    if (!go.Heard() || !file.Finish()) return 2;
    ready.Tell();
    if (!go.Heard()) return 3;
    return file.PutInPlace() ? 0 : 4;
  };
  std::string why;
  inside.pid = StartInPidNamespace(writer, why);
  if (inside.pid < 0) GTEST_SKIP() << kNoNamespaces << why;
  ready.KeepReading();
  go.KeepWriting();
  for (int step = 0; step < 2; ++step)
  {
    ASSERT_TRUE(ready.Heard()) << "the writer inside ended early: " << inside.ExitStatus();
    // The name is the inside's process 1, which outside is another process.
    const std::vector<std::string> named = NewFilesIn(dir);
    ASSERT_EQ(named.size(), 2u); // the new file and its folder's lock file
    for (const std::string& name : named)
      EXPECT_EQ(name.rfind(".saving-1-", 0), 0u) << name;
    ASSERT_TRUE(iplugin::WriteFileAtomically((dir + "/other.csv").c_str(), "x", 1));
    EXPECT_EQ(NewFilesIn(dir), named) << "at step " << step;
    go.Tell();
  }
  EXPECT_EQ(inside.ExitStatus(), 0);
  EXPECT_EQ(Bytes(out), "written inside");

  // Outside: the inside cleans up while this process writes.
  iplugin::AtomicFile file;
  ASSERT_TRUE(file.Open(out.c_str()));
  std::fputs("written outside", file.Stream());
  const auto cleanUp = [&]
  { return iplugin::WriteFileAtomically((dir + "/inside.csv").c_str(), "y", 1) ? 0 : 1; };
  for (int step = 0; step < 2; ++step)
  {
    if (step == 1)
    {
      ASSERT_TRUE(file.Finish());
    }
    Child cleaner{StartInPidNamespace(cleanUp, why)};
    ASSERT_GT(cleaner.pid, 0) << why;
    EXPECT_EQ(cleaner.ExitStatus(), 0);
    EXPECT_EQ(NewFilesIn(dir).size(), 2u) << "at step " << step;
  }
  ASSERT_TRUE(file.PutInPlace());
  EXPECT_EQ(Bytes(out), "written outside");
  EXPECT_EQ(NewFilesIn(dir), std::vector<std::string>());
}

// A save through a symbolic link writes the file at the end of its links, made when it is not there yet,
// and every link stays as it was, as a shell's redirection does; a relative link is read from its own
// folder. Links that go round, or lead into a folder that is not there, make nothing.
TEST(AtomicFile, ASaveThroughALinkWritesWhereItLeads)
{
  const std::string dir = qorvtest::ScratchDir("atomic_links");
  struct Case
  {
    const char* name;
    std::vector<std::pair<std::string, std::string>> links; // a link and what it holds, "@" for dir
    std::string path, written;                              // what is saved, and the file that gets it
    int error;                                              // or the error of a save that makes nothing
  };
  const Case cases[] = {
      {"to a file", {{"out.wav", "@/real/old.wav"}}, "out.wav", "real/old.wav", 0},
      {"to no file yet, relative", {{"out.wav", "real/mix.wav"}}, "out.wav", "real/mix.wav", 0},
      {"to no file yet, absolute", {{"out.wav", "@/real/mix.wav"}}, "out.wav", "real/mix.wav", 0},
      {"from a folder below", {{"sub/out.wav", "../real/mix.wav"}}, "sub/out.wav", "real/mix.wav", 0},
      {"through a chain",
       {{"out.wav", "sub/next.wav"}, {"sub/next.wav", "../real/mix.wav"}},
       "out.wav",
       "real/mix.wav",
       0},
      {"round", {{"out.wav", "sub/next.wav"}, {"sub/next.wav", "../out.wav"}}, "out.wav", "", ELOOP},
      {"into no folder", {{"out.wav", "missing/mix.wav"}}, "out.wav", "", ENOENT},
  };
  for (const Case& c : cases)
  {
    fs::remove_all(dir);
    fs::create_directories(dir + "/real");
    fs::create_directories(dir + "/sub");
    std::ofstream(dir + "/real/old.wav") << "old";
    for (const auto& [link, holds] : c.links)
      fs::create_symlink(holds[0] == '@' ? dir + holds.substr(1) : holds, dir + "/" + link);
    const bool saved = iplugin::WriteFileAtomically((dir + "/" + c.path).c_str(), "new", 3);
    EXPECT_EQ(saved, c.error == 0) << c.name;
    if (c.error)
      EXPECT_EQ(errno, c.error) << c.name;
    else
      EXPECT_EQ(Bytes(dir + "/" + c.written), "new") << c.name;
    for (const auto& [link, holds] : c.links)
    {
      EXPECT_TRUE(fs::is_symlink(dir + "/" + link)) << c.name << ": " << link;
      std::error_code ec;
      EXPECT_EQ(fs::read_symlink(dir + "/" + link, ec).string(), holds[0] == '@' ? dir + holds.substr(1) : holds)
          << c.name;
    }
    const size_t files = 1 + (c.error == 0 && c.written != "real/old.wav");
    EXPECT_EQ(EntriesIn(dir + "/real"), files) << c.name;
    EXPECT_EQ(Bytes(dir + "/real/old.wav"), c.written == "real/old.wav" ? "new" : "old") << c.name;
  }
}

TEST(AtomicFile, KeepsPermissionsAndLinks)
{
  const std::string dir = qorvtest::ScratchDir("atomic_modes");
  const std::string path = dir + "/state.aupreset";
  std::ofstream(path) << "old";
  ASSERT_EQ(chmod(path.c_str(), 0640), 0);
  ASSERT_TRUE(iplugin::WriteFileAtomically(path.c_str(), "new", 3));
  struct stat st;
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);

  // A new file gets what the file-creation mask allows.
  const mode_t old = umask(027);
  ASSERT_TRUE(iplugin::WriteFileAtomically((dir + "/new.csv").c_str(), "x", 1));
  umask(old);
  ASSERT_EQ(stat((dir + "/new.csv").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);

  // Through a link the link's target is replaced; the link stays.
  fs::create_symlink(path, dir + "/link");
  ASSERT_TRUE(iplugin::WriteFileAtomically((dir + "/link").c_str(), "linked", 6));
  EXPECT_TRUE(fs::is_symlink(dir + "/link"));
  EXPECT_EQ(Bytes(path), "linked");

}

// A pipe or a device cannot be replaced by a rename, and a save never writes into one: it is refused
// (ENOTSUP) before anything is made, and stays as it was, also through a link. The device is a copy of
// /dev/null's node made for the test, where the file system lets one be made.
TEST(AtomicFile, APipeOrADeviceIsRefusedAndLeftAsItWas)
{
  const std::string dir = qorvtest::ScratchDir("atomic_not_regular");
  ASSERT_EQ(mkfifo((dir + "/pipe").c_str(), 0600), 0);
  fs::create_symlink("pipe", dir + "/to-pipe");
  std::vector<std::string> names = {"pipe", "to-pipe"};
  if (mknod((dir + "/null").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0) names.push_back("null");
  for (const std::string& name : names)
  {
    errno = 0;
    EXPECT_FALSE(iplugin::WriteFileAtomically((dir + "/" + name).c_str(), "never", 5)) << name;
    EXPECT_EQ(errno, ENOTSUP) << name;
  }
  EXPECT_TRUE(fs::is_fifo(dir + "/pipe"));
  EXPECT_TRUE(fs::is_symlink(dir + "/to-pipe"));
  EXPECT_EQ(fs::is_character_file(dir + "/null"), names.size() > 2);
  EXPECT_EQ(NewFilesIn(dir), std::vector<std::string>());
}
} // namespace
