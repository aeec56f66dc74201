// qorv-host as a user and a script meet it: run as a process, its help, exit status, messages, progress
// display and JSON listing.
#include "host/AudioFile.h"
#include "tests/support/PlacedFile.h"
#include "host/HostInstance.h"
#include "host/MessageStream.h"
#include "host/ParameterTable.h"
#include "tests/host/HostProcess.h"
#include "tests/host/InProcessQorv.h"
#include "tests/support/ScopedEnvironment.h"
#include "tests/support/TestPaths.h"
#include "tests/support/TextLines.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include <sys/resource.h>

using qorvtest::HostRun;
using qorvtest::Lines;
using qorvtest::RunHost;
using namespace qorvhost;

namespace
{
// Noise bursts (a talker on from `start` for `on` seconds) over a faint floor, mono at 48 kHz.
std::vector<float> Talker(double seconds, double start, double on, unsigned seed)
{
  std::mt19937 rng(seed);
  std::uniform_real_distribution<float> u(-0.3f, 0.3f);
  std::vector<float> s(size_t(seconds * 48000.0));
  for (size_t i = 0; i < s.size(); ++i)
  {
    const double t = double(i) / 48000.0;
    s[i] = (t >= start && t < start + on) ? u(rng) : 0.0003f * u(rng);
  }
  return s;
}

class CommandLineTest : public testing::Test
{
protected:
  void SetUp() override
  {
    dir = qorvtest::ScratchDir(std::string("cli_") +
                               testing::UnitTest::GetInstance()->current_test_info()->name());
    environment.Set("XDG_DATA_HOME", dir.c_str());
    a = Write("a.wav", Talker(1.0, 0.1, 0.5, 1));
    b = Write("b.wav", Talker(1.0, 0.5, 0.4, 2));
  }
  std::string Write(const std::string& name, std::vector<float> samples)
  {
    AudioFile f;
    f.channels = {std::move(samples)};
    std::string error;
    EXPECT_TRUE(qorvtest::PlaceRecording(dir + "/" + name, f, error)) << error;
    return dir + "/" + name;
  }

  // The host on the product's bundle.
  HostRun Host(std::vector<std::string> args, bool terminal = false)
  {
    args.insert(args.begin() + (args.empty() ? 0 : 1),
                {"--plugin", qorvtest::BinaryDir() + "/Qorv.component"});
    return RunHost(args, terminal);
  }

  qorvtest::ScopedEnvironment environment;
  std::string dir, a, b;
};

TEST_F(CommandLineTest, EveryCommandHasHelpWithEveryOptionAndExample)
{
  struct Case
  {
    std::vector<std::string> args;
    std::vector<std::string> shows;
  };
  const Case cases[] = {
      {{"--help"},
       {"usage: qorv-host COMMAND", "  mix ", "  preset export ", "--version", "Exit status: 0 done"}},
      {{"-h"}, {"usage: qorv-host COMMAND"}},
      {{"help", "mix"}, {"usage: qorv-host mix"}},
      {{"mix", "--help"},
       {"usage: qorv-host mix [OPTIONS] -o OUT.wav IN1.wav",
        "-o OUT.wav",
        "--set NAME=VALUE",
        "--internal",
        "--tracks",
        "--gains FILE.csv",
        "--factory-preset NAME",
        "--preset FILE.qxs",
        "--state-in FILE.aupreset",
        "--state-out FILE.aupreset",
        "--automation FILE.csv",
        "--clock real|audio",
        "(default: audio)",
        "--block N",
        "(default: 512)",
        "--progress",
        "-q, --quiet",
        "--plugin BUNDLE",
        "../bin/qorv-host there:\n  qorv-host mix ",
        "2 a usage error"}},
      {{"mix", "-o", "x.wav", "-h"}, {"usage: qorv-host mix"}},
      {{"render", "--help"},
       {"usage: qorv-host render [OPTIONS] -o OUT.wav IN.wav", "--bypass", "--door entry|factory",
        "(default: factory)", "--block N", "../bin/qorv-host there:\n  qorv-host render "}},
      {{"info", "--help"}, {"usage: qorv-host info", "--json", "../bin/qorv-host there:\n  qorv-host info"}},
      {{"validate", "-h"}, {"usage: qorv-host validate", "../bin/qorv-host there:\n  qorv-host validate"}},
      {{"preset", "export", "--help"},
       {"usage: qorv-host preset export", "--factory NAME", "-o FILE.qxs",
        "../bin/qorv-host there:\n  qorv-host preset export"}},
      {{"preset", "--help"}, {"usage: qorv-host preset export"}},
  };
  for (const Case& c : cases)
  {
    const HostRun run = RunHost(c.args);
    const std::string what = c.args[0] + (c.args.size() > 1 ? " " + c.args[1] : "");
    EXPECT_EQ(run.status, 0) << what;
    EXPECT_EQ(run.err, "") << what;
    for (const std::string& s : c.shows)
      EXPECT_NE(run.out.find(s), std::string::npos) << what << " lacks " << s << "\n" << run.out;
    for (const std::string& line : Lines(run.out))
      EXPECT_LE(line.size(), line.rfind("  qorv-host ", 0) == 0 ? 120u : 80u) << what << ": " << line;
  }
  // Each command's help names only its own options.
  EXPECT_EQ(RunHost({"render", "--help"}).out.find("--set"), std::string::npos);

  // The README shows the help of mix as it is.
  std::ifstream readme(qorvtest::SourceDir() + "/README.md");
  std::stringstream text;
  text << readme.rdbuf();
  const std::string lead = "The help of `mix`:\n\n```\n";
  const size_t start = text.str().find(lead);
  ASSERT_NE(start, std::string::npos);
  const size_t from = start + lead.size();
  EXPECT_EQ(text.str().substr(from, text.str().find("```", from) - from), RunHost({"mix", "--help"}).out);
}

TEST_F(CommandLineTest, VersionNamesHostAndPlugin)
{
  const HostRun run = Host({"--version"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out.rfind("qorv-host 2.1.2\n", 0), 0u) << run.out;
  EXPECT_NE(run.out.find("plug-in: Lumenkraft: Qorv 2.1.2"), std::string::npos) << run.out;
}

// Every failure: its exit status, one message in the host's voice that names what is wrong, and no output.
TEST_F(CommandLineTest, EachKindOfFailureHasItsStatusAndNamesWhatIsWrong)
{
  std::ofstream(dir + "/junk.wav") << "no audio here";
  std::ofstream(dir + "/junk.aupreset") << "not a property list";
  const std::string out = dir + "/never.wav";
  struct Case
  {
    std::vector<std::string> args;
    int status;
    std::string message;
  };
  const Case cases[] = {
      {{}, 2, "which command? mix, render, info, validate, preset export or editor\n"},
      {{"mx", "-o", out, a}, 2, "unknown command \"mx\" (did you mean \"mix\"?)"},
      {{"preset", "-o", out}, 2, "preset needs a subcommand: preset export"},
      {{"mix", "--blok", "5", "-o", out, a}, 2, "unknown mix option --blok (did you mean --block"},
      {{"mix", "--json", "-o", out, a}, 2, "mix takes no --json option"},
      {{"mix", "--block", "0", "-o", out, a}, 2, "--block needs a whole number from 1 to 65536, not \"0\""},
      {{"mix", "--block", "-5", "-o", out, a}, 2, "--block needs a whole number from 1 to 65536, not \"-5\""},
      {{"mix", "--block", "abc", "-o", out, a},
       2,
       "--block needs a whole number from 1 to 65536, not \"abc\""},
      {{"mix", "--block=65537", "-o", out, a}, 2, "not \"65537\""},
      {{"render", "--block", "12x", "-o", out, a},
       2,
       "--block needs a whole number from 1 to 65536, not \"12x\""},
      {{"mix", "-o", out, a, "--block"}, 2, "--block needs N"},
      {{"mix", "--clock", "wall", "-o", out, a}, 2, "--clock needs real or audio, not \"wall\""},
      {{"mix", "-o", out}, 2, "mix needs an input file"},
      {{"mix", a}, 2, "mix needs -o OUT.wav"},
      {{"mix", "--internal", "-o", out, a, b}, 2, "--internal mixes exactly one file, not 2"},
      {{"render", "-o", out, a, b}, 2, "render takes one input file, not 2"},
      {{"info", a}, 2, "unexpected argument"},
      {{"mix", "--set", "Mix Mod=Prio", "-o", out, a},
       2,
       "unknown parameter name \"Mix Mod\" (did you mean \"Mix Mode\"?)"},
      {{"mix", "--set", "atack=0.1", "-o", out, a}, 2, "(did you mean \"Attack\"?)"},
      {{"mix", "--set", "Write Automaton=On", "-o", out, a}, 2, "(did you mean \"Write Automation\"?)"},
      {{"mix", "--set", "Mix Mode=Loudest", "-o", out, a}, 2, "\"Loudest\" is not a value of \"Mix Mode\""},
      {{"editor", "--set", "Mix Mod=Prio", "--png", out},
       2,
       "unknown parameter name \"Mix Mod\" (did you mean \"Mix Mode\"?)"},
      {{"editor", "--set", "Mix Mode=Loudest", "--png", out}, 2, "\"Loudest\" is not a value of \"Mix Mode\""},
      {{"mix", "--set", "Plugin Mode=Send CH 3", "-o", out, a},
       2,
       "\"Plugin Mode\" cannot be set here: the host"},
      {{"mix", "--set", "channel count=4", "-o", out, a, b},
       2,
       "\"Channel Count\" cannot be set here: the host"},
      {{"mix", "--set", "2=0", "-o", out, a}, 2, "\"Plugin Mode\" cannot be set here"},
      {{"mix", "--set", "OUT:Ch01 Strength=0", "-o", out, a}, 2, "cannot be set here: the mixer writes"},
      {{"mix", "-o", a, a}, 2, "-o " + a + " is the same file as an input"},
      {{"mix", "--set", "write automation=off", "--gains", dir + "/g.csv", "-o", out, a},
       2,
       "--gains: the mixer publishes no gains"},
      {{"mix", "-o", out, dir + "/missing.wav"}, 1, dir + "/missing.wav: no such file or directory"},
      {{"mix", "-o", out, dir + "/junk.wav"}, 1, dir + "/junk.wav: not a WAV or other audio file"},
      {{"mix", "-o", out, dir}, 1, dir + ": is a folder"},
      {{"mix", "--factory-preset", "Loudest Mixing", "-o", out, a},
       1,
       "no factory preset named \"Loudest Mixing\""},
      {{"mix", "--state-in", dir + "/junk.aupreset", "-o", out, a}, 1, dir + "/junk.aupreset: "},
      {{"mix", "--preset", dir + "/missing.qxs", "-o", out, a}, 1, dir + "/missing.qxs: cannot read"},
      {{"mix", "-o", dir + "/no/such/folder/mix.wav", a}, 1, dir + "/no/such/folder/mix.wav: cannot write"},
      {{"info", "--plugin", dir + "/None.component"}, 1, dir + "/None.component: no such plug-in bundle"},
      // Every command's failed step in the same form.
      {{"render", "-o", out, dir + "/missing.wav"}, 1, dir + "/missing.wav: no such file or directory"},
      {{"editor", "--script", dir + "/missing.txt"},
       1,
       dir + "/missing.txt: cannot read (no such file or directory)"},
  };
  for (const Case& c : cases)
  {
    std::string what;
    for (const std::string& arg : c.args)
      what += arg + " ";
    const HostRun run = c.args.size() > 1 && c.args[1] == "--plugin" ? RunHost(c.args) : Host(c.args);
    EXPECT_EQ(run.status, c.status) << what << "\n" << run.err;
    EXPECT_EQ(run.err.rfind("qorv-host: ", 0), 0u) << what << "\n" << run.err;
    EXPECT_NE(run.err.find(c.message), std::string::npos) << what << "\n" << run.err;
    EXPECT_EQ(run.out, "") << what;
    EXPECT_FALSE(std::filesystem::exists(out)) << what;
    // One voice: every line the host's own, no library's wording or closing full stop.
    for (const std::string& line : Lines(run.err))
    {
      const bool pointer = c.status == 2 && line.rfind("Try 'qorv-host", 0) == 0;
      EXPECT_TRUE(line.rfind("qorv-host: ", 0) == 0 || pointer) << what << "\n" << line;
      EXPECT_TRUE(pointer || line.back() != '.') << what << "\n" << line;
      EXPECT_EQ(line.find("rror :"), std::string::npos) << what << "\n" << line;
    }
  }
}

TEST_F(CommandLineTest, ProgressOnlyOnATerminalOrWhenAskedAndTheSummaryOnStandardOutput)
{
  struct Case
  {
    std::vector<std::string> options;
    bool terminal;
    bool progress;
  };
  const Case cases[] = {
      {{}, false, false},
      {{"--progress"}, false, true},
      {{"--progress", "-q"}, false, false},
      {{"-q", "--progress"}, false, true},
      {{}, true, true},
      {{"--quiet"}, true, false},
  };
  for (const Case& c : cases)
  {
    std::vector<std::string> args = {"mix", "--clock", "audio"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    args.insert(args.end(), {"-o", dir + "/mix.wav", a, b});
    const HostRun run = Host(args, c.terminal);
    const std::string what = (c.terminal ? "terminal " : "log ") + std::to_string(c.options.size());
    EXPECT_EQ(run.status, 0) << what << run.err;
    EXPECT_EQ(run.out.rfind("mixed 2 tracks", 0), 0u) << what << run.out;
    EXPECT_NE(run.out.find("a.wav"), std::string::npos) << what;
    EXPECT_EQ(run.out.find('\r'), std::string::npos) << what;
    EXPECT_EQ(run.err.find("100%") != std::string::npos, c.progress) << what << run.err;
    // In a log there is nothing but the progress asked for: no carriage return otherwise.
    if (!c.terminal)
    {
      EXPECT_EQ(run.err.find('\r') != std::string::npos, c.progress) << what;
    }
    if (!c.progress)
    {
      EXPECT_EQ(run.err.find_first_not_of("\r\n"), std::string::npos) << what << run.err;
    }
  }
}

TEST_F(CommandLineTest, InfoJsonReadsBackAsTheParameterTable)
{
  const HostRun json = Host({"info", "--json"});
  ASSERT_EQ(json.status, 0) << json.err;
  const nlohmann::json info = nlohmann::json::parse(json.out);
  EXPECT_EQ(info["name"], "Qorv");
  EXPECT_EQ(info["version"], "2.1.2");
  EXPECT_EQ(info["channel_configurations"], nlohmann::json::parse("[[1, 1], [2, 2]]"));
  EXPECT_EQ(info["factory_presets"],
            nlohmann::json::parse(
                R"(["Init", "Normal Mixing", "Auto Mixing", "Auto Balanced Mixing", "Prio Mixing"])"));
  const auto& params = info["parameters"];
  ASSERT_EQ(params.size(), 309u);

  // The same table as the text listing, line for line.
  const HostRun text = Host({"info"});
  ASSERT_EQ(text.status, 0);
  size_t at = text.out.find("parameters: 309\n");
  ASSERT_NE(at, std::string::npos);
  for (const auto& p : params)
  {
    EXPECT_LE(p["min"].get<double>(), p["default"].get<double>()) << p;
    EXPECT_LE(p["default"].get<double>(), p["max"].get<double>()) << p;
    const std::string line = "  " + std::to_string(p["index"].get<int>()) + "  " +
                             p["name"].get<std::string>() + "  [" + p["unit"].get<std::string>() + "]";
    at = text.out.find(line, at);
    ASSERT_NE(at, std::string::npos) << line;
    if (!p["value_texts"].empty())
    {
      EXPECT_EQ(p["value_texts"].size(), size_t(p["max"].get<double>() - p["min"].get<double>()) + 1) << p;
    }
  }
  auto byName = [&](const std::string& name)
  {
    for (const auto& p : params)
      if (p["name"] == name) return p;
    return nlohmann::json();
  };
  EXPECT_EQ(byName("Mix Mode")["value_texts"],
            nlohmann::json::parse(R"(["Off", "Auto", "Auto Bal.", "Prio"])"));
  EXPECT_EQ(byName("Mix Mode")["default_text"], "Auto Bal.");
  EXPECT_EQ(byName("NoiseGate")["min_text"], "-INF");
  EXPECT_EQ(byName("NoiseGate")["unit"], "dBFS");
  EXPECT_EQ(byName("Pan Ch32")["max_text"], "R");
  EXPECT_EQ(byName("OUT:Ch32 Strength")["index"], 304);
}

// Names are matched without case and without the " Off/On" of switch names, and the value takes effect.
TEST_F(CommandLineTest, ParameterNamesMatchWithoutCaseOrSwitchEnding)
{
  std::string error;
  auto au = HostInstance::Open(qorvtest::InProcessQorv(), Door::kFactory, error);
  ASSERT_TRUE(au) << error;
  const std::vector<ParamDesc> params = DescribeParameters(au->Unit());
  const std::pair<const char*, AudioUnitParameterID> names[] = {
      {"write automation", 14}, {"Write Automation Off/On", 14}, {"WRITE AUTOMATION OFF/ON", 14},
      {"mix mode", 8},          {"speech prefilter", 5},         {"reverse mixing", 308},
      {"pan ch2", 30},          {"out:ch01 strength", 273},      {"15", 15}};
  for (const auto& [name, id] : names)
  {
    const ParamDesc* p = FindParameter(params, name);
    ASSERT_NE(p, nullptr) << name;
    EXPECT_EQ(p->id, id) << name;
  }
  for (const char* none : {"write", "Automation", "Mix Mode Off/On", "309", "", "Off/On"})
    EXPECT_EQ(FindParameter(params, none), nullptr) << none;

  // "write automation=off" reaches the mixer: nothing is published.
  const HostRun run =
      Host({"mix", "--clock", "audio", "--set", "write automation=off", "--set", "MIX MODE=prio",
            "--automation", dir + "/auto.csv", "-o", dir + "/mix.wav", a, b});
  ASSERT_EQ(run.status, 0) << run.err;
  std::ifstream csv(dir + "/auto.csv");
  std::stringstream all;
  all << csv.rdbuf();
  EXPECT_EQ(all.str(), "time,parameter,value\n");
}

TEST(MessageStreamTest, EveryLineInTheHostsVoiceAndProgressAsItIs)
{
  std::ostringstream target;
  {
    MessageStream messages(target, "qorv-host");
    messages << "a.wav: broken.\n\r[##  ] 50%\r[####] 100%\n"
             << "b.wav: " << 3 << " channels";
  }
  EXPECT_EQ(target.str(),
            "qorv-host: a.wav: broken\n\r[##  ] 50%\r[####] 100%\nqorv-host: b.wav: 3 channels\n");

  const std::pair<const char*, const char*> reasons[] = {
      {"System error : No such file or directory.", "no such file or directory"},
      {"Format not recognised.", "format not recognised"},
      {"WAV header is damaged.", "WAV header is damaged"},
      {"", ""}};
  for (const auto& [library, ours] : reasons)
    EXPECT_EQ(LibraryReason(library), ours);
}

// A send slot carries 8192 frames: a longer block is rendered in slices, never cut.
TEST_F(CommandLineTest, BlocksAboveTheSlotSizeMixWhole)
{
  const std::string c = Write("c.wav", Talker(1.0, 0.0, 1.0, 3));
  AudioFile mixes[2];
  const char* blocks[2] = {"65536", "8192"};
  for (int i = 0; i < 2; ++i)
  {
    const std::string out = dir + "/mix" + blocks[i] + ".wav";
    const HostRun run = Host({"mix", "--clock", "audio", "--block", blocks[i], "-o", out, a, b, c});
    ASSERT_EQ(run.status, 0) << run.err;
    std::string error;
    ASSERT_TRUE(ReadAudioFile(out, mixes[i], error)) << error;
  }
  ASSERT_EQ(mixes[0].NFrames(), 48000);
  EXPECT_TRUE(mixes[0].channels == mixes[1].channels) << "the mix depends on the block size";
  double late = 0.0; // the third track talks throughout
  for (size_t i = 8192; i < 16384; ++i)
    late += std::abs(mixes[0].channels[0][i]);
  EXPECT_GT(late, 10.0);
}
} // namespace

namespace
{
// The bytes of frame-0001.png .. frame-000n.png in a folder.
std::vector<std::string> FrameFiles(const std::string& folder, int n)
{
  std::vector<std::string> bytes;
  for (int i = 1; i <= n; ++i)
  {
    std::ifstream in(folder + "/frame-000" + std::to_string(i) + ".png", std::ios::binary);
    bytes.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  return bytes;
}

// The count of the summary's "editor frames drawn: N" line; -1 without one.
int FramesDrawn(const std::string& out)
{
  const std::string key = "editor frames drawn: ";
  const size_t at = out.find(key);
  return at == std::string::npos ? -1 : std::atoi(out.c_str() + at + key.size());
}
} // namespace

// Headless, the editor draws only in the last display ticks before each frame it writes, and the frames
// are those of an editor drawing at every tick (--editor keeps its window shown); over silence, a shown
// editor has nothing to draw after its first frames.
TEST_F(CommandLineTest, MixDrawsTheEditorOnlyForTheFramesItWrites)
{
  const HostRun hidden =
      Host({"mix", "-q", "--png-every", "0.3", dir + "/hidden", "-o", dir + "/h.wav", a, b});
  const HostRun shown =
      Host({"mix", "-q", "--editor", "--png-every", "0.3", dir + "/shown", "-o", dir + "/s.wav", a, b});
  ASSERT_EQ(hidden.status, 0) << hidden.err;
  ASSERT_EQ(shown.status, 0) << shown.err;
  const std::vector<std::string> frames = FrameFiles(dir + "/hidden", 4);
  EXPECT_TRUE(frames == FrameFiles(dir + "/shown", 4)) << "the frames differ";
  EXPECT_GT(frames[0].size(), 1000u);
  // At most the three ticks of the last 50 ms before each of the four frames.
  EXPECT_GT(FramesDrawn(hidden.out), 0) << hidden.out;
  EXPECT_LE(FramesDrawn(hidden.out), 4 * 3) << hidden.out;
  EXPECT_GT(FramesDrawn(shown.out), FramesDrawn(hidden.out)) << shown.out;

  const std::string quiet = Write("quiet.wav", std::vector<float>(48000, 0.f));
  const HostRun idle =
      Host({"mix", "-q", "--editor", "--png-every", "0.5", dir + "/idle", "-o", dir + "/q.wav", quiet});
  ASSERT_EQ(idle.status, 0) << idle.err;
  // The whole editor, then the strip losing its grey at the first meter pass.
  EXPECT_LE(FramesDrawn(idle.out), 2) << idle.out;
}

// The mixer's editor stays open headless through a mix and its frames show the meters moving.
TEST_F(CommandLineTest, MixWritesEditorFramesThatFollowTheTalkers)
{
  const std::string frames = dir + "/frames";
  // An earlier run's frames: those of this run's names are replaced, one past its last stays.
  std::filesystem::create_directories(frames);
  std::ofstream(frames + "/frame-0001.png") << "an old frame";
  std::ofstream(frames + "/frame-0009.png") << "an old frame past the last";
  const HostRun run = Host({"mix", "-q", "--png-every", "0.3", frames, "-o", dir + "/mix.wav", a, b});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("editor frames: 4 in " + frames), std::string::npos) << run.out;
  EXPECT_EQ(qorvtest::FileBytes(frames + "/frame-0009.png"), "an old frame past the last");
  size_t files = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(frames))
    ++files;
  EXPECT_EQ(files, 5u); // four new frames and the old one, no temporary
  std::vector<std::string> bytes;
  for (int i = 1; i <= 4; ++i)
  {
    std::ifstream in(frames + "/frame-000" + std::to_string(i) + ".png", std::ios::binary);
    ASSERT_TRUE(in) << i;
    bytes.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  // 0.3 s (the first talker alone), 0.6 s (both), 0.9 s (the second alone), the end: each differs.
  for (int i = 0; i < 3; ++i)
    EXPECT_NE(bytes[size_t(i)], bytes[size_t(i) + 1]) << i;

  // More frames than a low soft limit of descriptors lets a process hold open at once: each is staged
  // until the run's end.
  {
    rlimit old = {}, low = {};
    getrlimit(RLIMIT_NOFILE, &old);
    low = old;
    low.rlim_cur = std::min<rlim_t>(old.rlim_cur, 32);
    setrlimit(RLIMIT_NOFILE, &low);
    const HostRun many =
        Host({"mix", "-q", "--png-every", "0.025", dir + "/many", "-o", dir + "/many.wav", a});
    setrlimit(RLIMIT_NOFILE, &old);
    EXPECT_EQ(many.status, 0) << many.err;
    const size_t told = many.out.find("editor frames: ");
    ASSERT_NE(told, std::string::npos) << many.out;
    EXPECT_GT(std::atoi(many.out.c_str() + told + 15), 32) << many.out;
  }

  for (const std::vector<std::string>& bad :
       {std::vector<std::string>{"mix", "--png-every", "0", frames, "-o", dir + "/m.wav", a},
        std::vector<std::string>{"mix", "-o", dir + "/m.wav", a, "--png-every", "1"}})
  {
    const HostRun refused = Host(bad);
    EXPECT_NE(refused.status, 0);
    EXPECT_NE(refused.err.find("--png-every"), std::string::npos) << refused.err;
  }
}
