// No command writes over a file it reads, or one output over another, however the output is spelled:
// the path itself, a hard link to the file, a symbolic link to it. The run is refused as a usage error
// (status 2) before anything is read or written, every input left byte for byte as it was.
#include "host/AudioFile.h"
#include "tests/support/PlacedFile.h"
#include "host/OutputCheck.h"
#include "tests/host/HostProcess.h"
#include "tests/support/InodeFlags.h"
#include "tests/support/ScopedEnvironment.h"
#include "tests/support/TestPaths.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>

#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using qorvtest::HostRun;
using qorvtest::RunHost;

namespace
{
namespace fs = std::filesystem;

enum class Spelling
{
  kSamePath,
  kHardLink,
  kSymbolicLink,
};

const char* Name(Spelling s)
{
  return s == Spelling::kSamePath   ? "the same path"
         : s == Spelling::kHardLink ? "a hard link"
                                    : "a symbolic link";
}

struct ClashCase
{
  const char* name;
  // "@" stands for the test's folder, "OUT" for the clashing output, "IN" for the input it names.
  std::vector<std::string> args;
  const char* input; // the file (under the test's folder) that OUT names
  // Where the spelling is made: beside the input, or as the first frame in the --png-every folder.
  bool asFrame = false;
};

void PrintTo(const ClashCase& c, std::ostream* os)
{
  *os << c.name;
}

class OutputCheckTest : public testing::TestWithParam<ClashCase>
{
protected:
  // A fresh folder with the files the commands read.
  void Prepare()
  {
    dir = qorvtest::ScratchDir(std::string("output_check_") + std::to_string(counter++));
    environment.Set("XDG_DATA_HOME", (dir + "/data").c_str());
    environment.Set("QORV_HEADLESS", "1");
    qorvhost::AudioFile tone;
    tone.channels = {std::vector<float>(4800, 0.1f)};
    std::string error;
    EXPECT_TRUE(qorvtest::PlaceRecording(dir + "/a.wav", tone, error)) << error;
    std::ofstream(dir + "/preset.qxs") << "<not a preset/>";
    std::ofstream(dir + "/state.aupreset") << "<not a state/>";
    std::ofstream(dir + "/script.txt") << "click 151 95\n";
    // The plug-in's bundle is read too: a copy of it (its files hard links) that a failed check could
    // only spoil for this test.
    fs::copy(qorvtest::BinaryDir() + "/Qorv.component", dir + "/Copy.component",
             fs::copy_options::recursive | fs::copy_options::create_hard_links);
    fs::create_directories(dir + "/frames");
  }

  // Every file of the folder with its bytes (the bundle's too), the links left out.
  std::map<std::string, std::string> Files() const
  {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(dir))
      if (!entry.is_symlink() && entry.is_regular_file() &&
          entry.path().string().find("/data/") == std::string::npos)
        files[entry.path().string()] = qorvtest::FileBytes(entry.path().string());
    return files;
  }

  static inline int counter = 0;
  qorvtest::ScopedEnvironment environment;
  std::string dir;
};

TEST_P(OutputCheckTest, AnOutputThatIsAFileTheRunReadsIsRefusedHoweverItIsSpelled)
{
  const ClashCase& c = GetParam();
  for (const Spelling spelling : {Spelling::kSamePath, Spelling::kHardLink, Spelling::kSymbolicLink})
  {
    Prepare();
    const std::string input = dir + "/" + c.input;
    std::string in = input, out = input;
    if (c.asFrame)
    {
      // The frames are the outputs: the first frame is the input, or a link to it.
      const std::string frame = dir + "/frames/frame-0001.png";
      if (spelling == Spelling::kSamePath)
      {
        fs::copy_file(input, frame);
        in = frame;
      }
      out = frame;
    }
    else if (spelling != Spelling::kSamePath)
      out = dir + "/spelled-" + fs::path(input).filename().string();
    if (spelling == Spelling::kHardLink) fs::create_hard_link(input, out);
    if (spelling == Spelling::kSymbolicLink) fs::create_symlink(input, out);
    std::vector<std::string> args = {"--plugin", dir + "/Copy.component"};
    for (const std::string& a : c.args)
      args.push_back(a == "OUT" ? out : a == "IN" ? in : a[0] == '@' ? dir + a.substr(1) : a);
    // The command's words first.
    const size_t words = c.args[0] == "preset" ? 2 : 1;
    std::rotate(args.begin(), args.begin() + 2, args.begin() + 2 + long(words));
    const std::map<std::string, std::string> before = Files();
    const HostRun run = RunHost(args);
    const std::string what = std::string(c.name) + " through " + Name(spelling);
    EXPECT_EQ(run.status, 2) << what << ": " << run.err;
    EXPECT_NE(run.err.find("an output must not overwrite an input or another output"), std::string::npos)
        << what << ": " << run.err;
    EXPECT_TRUE(Files() == before) << what;
    EXPECT_FALSE(fs::exists(dir + "/mix.wav")) << what;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Commands, OutputCheckTest,
    testing::Values(
        ClashCase{"render", {"render", "-o", "OUT", "IN"}, "a.wav"},
        ClashCase{"mix", {"mix", "-q", "-o", "OUT", "IN"}, "a.wav"},
        ClashCase{"mix_state",
                  {"mix", "-q", "--state-in", "IN", "--state-out", "OUT", "-o", "@/mix.wav", "@/a.wav"},
                  "state.aupreset"},
        ClashCase{"mix_gains_preset",
                  {"mix", "-q", "--preset", "IN", "--gains", "OUT", "-o", "@/mix.wav", "@/a.wav"},
                  "preset.qxs"},
        ClashCase{"mix_frames",
                  {"mix", "-q", "--png-every", "0.05", "@/frames", "-o", "@/mix.wav", "IN"},
                  "a.wav",
                  true},
        ClashCase{"mix_bundle", {"mix", "-q", "-o", "OUT", "@/a.wav"}, "Copy.component/Contents/Info.plist"},
        ClashCase{"preset_export",
                  {"preset", "export", "--factory", "Auto Mixing", "-o", "OUT"},
                  "Copy.component/Contents/MacOS/Qorv"},
        ClashCase{"editor_png", {"editor", "--script", "IN", "--png", "OUT"}, "script.txt"},
        ClashCase{"editor_png_preset", {"editor", "--preset", "IN", "--png", "OUT"}, "preset.qxs"}),
    [](const testing::TestParamInfo<ClashCase>& info) { return std::string(info.param.name); });

// Two outputs of one run are one file: refused the same way; different names in one folder are fine,
// whether or not the files exist yet.
TEST(OutputCheck, PathsSpelledDifferentlyAreOneFileWhetherOrNotItExists)
{
  std::string error;
  const auto check = [&](const std::vector<qorvhost::NamedPath>& inputs,
                         const std::vector<qorvhost::NamedPath>& outputs) {
    return qorvhost::CheckOutputs({inputs, outputs, "", ""}, error) == 0;
  };
  // Relative names of files that are not there yet: the same place however spelled.
  for (const char* other : {"./not-yet.png", "sub/../not-yet.png", "not-yet.png"})
  {
    EXPECT_FALSE(check({}, {{"--png", "not-yet.png"}, {"--window-png", other}})) << other;
    EXPECT_FALSE(check({{"--preset", other}}, {{"--png", "not-yet.png"}})) << other;
  }
  EXPECT_EQ(error,
            "--png not-yet.png is the same file as --preset (not-yet.png); an output must not overwrite "
            "an input or another output");
  EXPECT_TRUE(check({{"--preset", "not-yet.qxs"}, {"--script", ""}},
                    {{"--png", "not-yet.png"}, {"--window-png", ""}}));
  // A link to a file not made yet is the file it leads to.
  const std::string dir = qorvtest::ScratchDir("output_check_dangling");
  fs::create_directories(dir + "/sub");
  fs::create_symlink("sub/later.png", dir + "/link.png");
  EXPECT_FALSE(check({}, {{"--png", dir + "/link.png"}, {"--window-png", dir + "/sub/later.png"}}));
  EXPECT_TRUE(check({}, {{"--png", dir + "/link.png"}, {"--window-png", dir + "/later.png"}}));
}
} // namespace

namespace
{
// A run refused before any work, and the first line it says after "qorv-host: ".
struct Refusal
{
  std::vector<std::string> args;
  std::string says;
};

void ExpectRefusedBeforeAnyWork(const Refusal& c)
{
  std::vector<std::string> args = c.args;
  args.insert(args.begin() + (args[0] == "preset" ? 2 : 1),
              {"--plugin", qorvtest::BinaryDir() + "/Qorv.component"});
  const HostRun run = RunHost(args);
  EXPECT_EQ(run.status, 1) << c.says << ": " << run.err;
  EXPECT_EQ(run.err.rfind("qorv-host: " + c.says + "\n", 0), 0u) << run.err;
  EXPECT_EQ(run.out, "");
}

// An output that cannot be written where it is named is refused before anything is read (the input named
// here does not even exist): status 1, as for an input that cannot be read, a message that names the option,
// the path and why, nothing changed. A folder that is named as an output, or as one of --png-every's frames,
// is never replaced; nor is a named pipe or a device, which cannot be put in place of.
TEST(OutputCheck, AnOutputThatCannotBeWrittenIsRefusedBeforeAnyWork)
{
  const std::string dir = qorvtest::ScratchDir("output_check_unwritable");
  qorvtest::ScopedEnvironment environment;
  environment.Set("XDG_DATA_HOME", (dir + "/data").c_str());
  fs::create_directories(dir + "/folder/inside");
  fs::create_directories(dir + "/frames/frame-0002.png");
  std::ofstream(dir + "/file") << "a file";
  std::ofstream(dir + "/out.wav") << "old out";
  fs::create_symlink("round", dir + "/round");
  fs::create_symlink("none/mix.wav", dir + "/to-nowhere");
  ASSERT_EQ(mkfifo((dir + "/pipe").c_str(), 0600), 0);
  const std::string missing = dir + "/missing.wav", out = dir + "/out.wav";
  const std::string regularOnly = ": the host writes its outputs as regular files only)";
  const Refusal cases[] = {
      {{"mix", "-o", out, "--state-out", dir + "/folder", missing},
       "--state-out " + dir + "/folder: cannot write (is a folder)"},
      {{"mix", "-o", dir + "/none/mix.wav", missing},
       "-o " + dir + "/none/mix.wav: cannot write (no folder " + dir + "/none)"},
      {{"mix", "-o", out, "--gains", dir + "/file/gains.csv", missing},
       "--gains " + dir + "/file/gains.csv: cannot write (" + dir + "/file is not a folder)"},
      {{"mix", "-o", out, "--png-every", "0.05", dir + "/frames", missing},
       "--png-every " + dir + "/frames: cannot write (" + dir + "/frames/frame-0002.png: is a folder)"},
      {{"mix", "-o", out, "--png-every", "0.05", dir + "/file/frames", missing},
       "--png-every " + dir + "/file/frames: cannot write (" + dir + "/file is not a folder)"},
      {{"render", "-o", dir + "/new/", missing}, "-o " + dir + "/new/: cannot write (names a folder)"},
      {{"editor", "--png", dir + "/folder"}, "--png " + dir + "/folder: cannot write (is a folder)"},
      {{"preset", "export", "--factory", "Auto Mixing", "-o", dir + "/folder"},
       "-o " + dir + "/folder: cannot write (is a folder)"},
      {{"mix", "-o", dir + "/round", missing},
       "-o " + dir + "/round: cannot write (too many levels of symbolic links)"},
      {{"mix", "-o", out, "--png-every", "0.05", dir + "/round", missing},
       "--png-every " + dir + "/round: cannot write (too many levels of symbolic links)"},
      {{"mix", "-o", dir + "/to-nowhere", missing},
       "-o " + dir + "/to-nowhere: cannot write (no folder " + dir + "/none)"},
      {{"mix", "-o", dir + "/pipe", missing},
       "-o " + dir + "/pipe: cannot write (is a named pipe" + regularOnly},
      {{"preset", "export", "--factory", "Auto Mixing", "-o", dir + "/pipe"},
       "-o " + dir + "/pipe: cannot write (is a named pipe" + regularOnly},
      {{"mix", "-o", out, "--gains", "/dev/null", missing},
       "--gains /dev/null: cannot write (is a device" + regularOnly},
  };
  for (const Refusal& c : cases)
    ExpectRefusedBeforeAnyWork(c);
  EXPECT_EQ(qorvtest::FileBytes(out), "old out");
  EXPECT_TRUE(fs::is_directory(dir + "/folder/inside"));
  EXPECT_TRUE(fs::is_directory(dir + "/frames/frame-0002.png"));
  EXPECT_TRUE(fs::is_fifo(dir + "/pipe"));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 7);
}

// An old output that the system will not let be replaced (immutable, append-only, in an append-only folder;
// an old frame likewise) is refused before any work, where the rename would fail only after it.
TEST(OutputCheck, AnOldOutputThatCannotBeReplacedIsRefusedBeforeAnyWork)
{
  const std::string dir = qorvtest::ScratchDir("output_check_unreplaceable");
  qorvtest::ScopedEnvironment environment;
  environment.Set("XDG_DATA_HOME", (dir + "/data").c_str());
  fs::create_directories(dir + "/frames");
  fs::create_directories(dir + "/append-only");
  for (const char* name : {"out.wav", "gains.csv", "state.aupreset", "frames/frame-0001.png"})
    std::ofstream(dir + "/" + name) << "old";
  qorvtest::InodeFlags flags;
  for (const auto& [path, flag] :
       std::vector<std::pair<std::string, int>>{{dir + "/gains.csv", FS_IMMUTABLE_FL},
                                                {dir + "/state.aupreset", FS_APPEND_FL},
                                                {dir + "/frames/frame-0001.png", FS_IMMUTABLE_FL},
                                                {dir + "/append-only", FS_APPEND_FL}})
    if (!flags.Set(path, flag))
      GTEST_SKIP() << "setting the immutable and append-only flags needs root and a file system with them";
  const std::string missing = dir + "/missing.wav", out = dir + "/out.wav";
  const Refusal cases[] = {
      {{"mix", "-o", out, "--gains", dir + "/gains.csv", missing},
       "--gains " + dir + "/gains.csv: cannot write (is immutable)"},
      {{"mix", "-o", out, "--state-out", dir + "/state.aupreset", missing},
       "--state-out " + dir + "/state.aupreset: cannot write (is append-only)"},
      {{"render", "-o", dir + "/append-only/out.wav", missing},
       "-o " + dir + "/append-only/out.wav: cannot write (the folder " + dir +
           "/append-only is append-only)"},
      {{"mix", "-o", out, "--png-every", "0.05", dir + "/frames", missing},
       "--png-every " + dir + "/frames: cannot write (" + dir + "/frames/frame-0001.png: is immutable)"},
  };
  for (const Refusal& c : cases)
    ExpectRefusedBeforeAnyWork(c);
}

// In a folder with the sticky bit (as /tmp), another user's old output cannot be renamed over: refused
// before any work. The host runs as another user (nobody) than the one who made the files; its own file
// there, and a file in its own sticky folder, are not refused for that (the run fails on its missing
// input instead), nor is any file when the host runs as root.
TEST(OutputCheck, AnotherUsersOldOutputInAStickyFolderIsRefusedBeforeAnyWork)
{
  if (geteuid() != 0) GTEST_SKIP() << "making files of other users and running as one needs root";
  constexpr int kNobody = 65534;
  const std::string dir = qorvtest::ScratchDir("output_check_sticky");
  qorvtest::ScopedEnvironment environment;
  environment.Set("XDG_DATA_HOME", (dir + "/data").c_str());
  const std::string sticky = dir + "/sticky", own = dir + "/own-sticky";
  for (const std::string& folder : {sticky, own})
  {
    fs::create_directories(folder);
    ASSERT_EQ(chmod(folder.c_str(), 01777), 0);
  }
  ASSERT_EQ(chown(own.c_str(), kNobody, kNobody), 0);
  for (const std::string& file : {sticky + "/root.wav", sticky + "/nobody.wav", own + "/root.wav"})
  {
    std::ofstream(file) << "old";
    ASSERT_EQ(chmod(file.c_str(), 0666), 0);
  }
  ASSERT_EQ(chown((sticky + "/nobody.wav").c_str(), kNobody, kNobody), 0);
  const std::string missing = dir + "/missing.wav";
  const struct
  {
    std::string output;
    int user;
    bool refused;
  } cases[] = {
      {sticky + "/root.wav", kNobody, true},
      {sticky + "/nobody.wav", kNobody, false},
      {own + "/root.wav", kNobody, false},
      {sticky + "/nobody.wav", -1, false},
  };
  for (const auto& c : cases)
  {
    qorvtest::HostRunOptions options;
    options.user = c.user;
    const HostRun run = RunHost(
        {"render", "--plugin", qorvtest::BinaryDir() + "/Qorv.component", "-o", c.output, missing}, options);
    const std::string what = c.output + " as " + std::to_string(c.user) + ": " + run.err;
    EXPECT_EQ(run.status, 1) << what;
    const std::string says = c.refused ? "-o " + c.output +
                                             ": cannot write (is another user's file in a folder with the "
                                             "sticky bit, where only its owner may replace it)\n"
                                       : missing + ": ";
    EXPECT_EQ(run.err.rfind("qorv-host: " + says, 0), 0u) << what;
    EXPECT_EQ(qorvtest::FileBytes(c.output), "old") << what;
  }
}

// An old output that is a mount of its own (a file bind-mounted over it) cannot be renamed over: refused
// before any work, as one on a read-only mount. The mounts are made in a mount namespace of a child
// process, which runs the host there.
TEST(OutputCheck, AnOldOutputThatIsAMountIsRefusedBeforeAnyWork)
{
  const std::string dir = qorvtest::ScratchDir("output_check_mounted");
  qorvtest::ScopedEnvironment environment;
  environment.Set("XDG_DATA_HOME", (dir + "/data").c_str());
  for (const char* name : {"source", "out.wav", "read-only.wav"})
    std::ofstream(dir + "/" + name) << "old";
  const std::string missing = dir + "/missing.wav";
  const Refusal cases[] = {
      {{"render", "-o", dir + "/out.wav", missing},
       "-o " + dir + "/out.wav: cannot write (is a mount point)"},
      {{"render", "-o", dir + "/read-only.wav", missing},
       "-o " + dir + "/read-only.wav: cannot write (is on a read-only file system)"},
  };
  const pid_t child = fork();
  if (child == 0)
  {
    // 2: no mount namespace here (no root); 3: a mount failed. The results go to files.
    if (unshare(CLONE_NEWNS) != 0) _exit(2);
    const std::string source = dir + "/source", out = dir + "/out.wav", readOnly = dir + "/read-only.wav";
    if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        mount(source.c_str(), out.c_str(), nullptr, MS_BIND, nullptr) != 0 ||
        mount(source.c_str(), readOnly.c_str(), nullptr, MS_BIND, nullptr) != 0 ||
        mount(nullptr, readOnly.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0)
      _exit(3);
    for (size_t i = 0; i < std::size(cases); ++i)
    {
      std::vector<std::string> args = cases[i].args;
      args.insert(args.begin() + 1, {"--plugin", qorvtest::BinaryDir() + "/Qorv.component"});
      const HostRun run = RunHost(args);
      std::ofstream(dir + "/result-" + std::to_string(i)) << run.status << "\n" << run.err;
    }
    _exit(0);
  }
  int status = -1;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 2) GTEST_SKIP() << "making a mount namespace needs root";
  ASSERT_EQ(WEXITSTATUS(status), 0) << "a bind mount failed";
  for (size_t i = 0; i < std::size(cases); ++i)
  {
    const std::string result = qorvtest::FileBytes(dir + "/result-" + std::to_string(i));
    EXPECT_EQ(result.rfind("1\nqorv-host: " + cases[i].says + "\n", 0), 0u) << result;
  }
}
} // namespace
