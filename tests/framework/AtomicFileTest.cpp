// Saving through a new file renamed over the old one: a save that fails leaves the old file whole.
#include "framework/AtomicFile.h"
#include "tests/support/FileSizeCut.h"
#include "tests/support/TestPaths.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>
#include <thread>
#include <csignal>

#include <QorvPlatform/Processes.h>

#include <sys/stat.h>
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

// What a signal's handler does before the process ends at once: every new file still open is removed,
// the committed and discarded ones are not looked at again, and the old files stay whole.
TEST(AtomicFile, TheOpenNewFilesCanBeRemovedAtOnce)
{
  const std::string dir = qorvtest::ScratchDir("atomic_remove_open");
  std::ofstream(dir + "/a.wav", std::ios::binary) << "old a";
  std::vector<std::unique_ptr<iplugin::AtomicFile>> open;
  for (const char* name : {"a.wav", "b.csv", "c.png"})
  {
    open.push_back(std::make_unique<iplugin::AtomicFile>());
    ASSERT_TRUE(open.back()->Open((dir + "/" + name).c_str()));
    std::fputs("new", open.back()->Stream());
  }
  ASSERT_TRUE(iplugin::WriteFileAtomically((dir + "/done.txt").c_str(), "done", 4));
  open[2]->Discard();
  EXPECT_EQ(EntriesIn(dir), 4u); // a.wav, done.txt and two new files
  iplugin::RemoveOpenTemporaryFiles();
  EXPECT_EQ(EntriesIn(dir), 2u);
  EXPECT_EQ(Bytes(dir + "/a.wav"), "old a");
  EXPECT_EQ(Bytes(dir + "/done.txt"), "done");
  // Their names are free again: a later file is registered and removed as well.
  open.clear();
  iplugin::AtomicFile later;
  ASSERT_TRUE(later.Open((dir + "/later.txt").c_str()));
  EXPECT_EQ(EntriesIn(dir), 3u);
  iplugin::RemoveOpenTemporaryFiles();
  EXPECT_EQ(EntriesIn(dir), 2u);
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

  // A pipe is written as it is.
  ASSERT_EQ(mkfifo((dir + "/pipe").c_str(), 0600), 0);
  std::string piped;
  std::thread reader([&] { piped = Bytes(dir + "/pipe"); });
  EXPECT_TRUE(iplugin::WriteFileAtomically((dir + "/pipe").c_str(), "through", 7));
  reader.join();
  EXPECT_EQ(piped, "through");
  EXPECT_TRUE(fs::is_fifo(dir + "/pipe"));
}
} // namespace
