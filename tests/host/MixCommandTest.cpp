// The host's mix command on the mixer's own class, linked into the test binary behind its two doors.
#include "host/AudioFile.h"
#include "tests/support/PlacedFile.h"
#include "host/ExitStatus.h"
#include "host/HostInstance.h"
#include "tests/host/InProcessQorv.h"
#include "host/MixCommand.h"
#include "host/PresetCommand.h"
#include "host/StateFiles.h"
#include "editor/plugin/Qorv.h"
#include "host/AutomationRecorder.h"
#include "tests/support/FileSizeCut.h"
#include "tests/support/TestPaths.h"

#include <QorvPlatform/RunLoopClock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <sstream>

using qorvtest::InProcessQorv;

using namespace qorvhost;

namespace
{
// A mix as the command line gives it: the shared options and mix's own in one record.
struct MixRunOptions : SharedOptions, MixOptions
{
};

int ExportPreset(const std::string& factory, const std::string& output, std::ostream& out, std::ostream& err)
{
  SharedOptions shared;
  shared.output = output;
  return RunPresetExport(InProcessQorv(), shared, {factory}, out, err);
}

// Speech-like bursts of noise (on for `on` seconds from `start`), or silence, at 48 kHz.
std::vector<float> Talker(double seconds, double start, double on, float amplitude, unsigned seed)
{
  std::mt19937 rng(seed);
  std::uniform_real_distribution<float> u(-amplitude, amplitude);
  std::vector<float> s(size_t(seconds * 48000.0), 0.f);
  for (size_t i = 0; i < s.size(); ++i)
  {
    const double t = double(i) / 48000.0;
    s[i] = (t >= start && t < start + on) ? u(rng) : 0.0001f * u(rng) / amplitude;
  }
  return s;
}

class MixCommandTest : public testing::Test
{
protected:
  void SetUp() override
  {
    qorvplatform::ResetMainRunLoop();
    dir = qorvtest::ScratchDir(std::string("mix_") +
                               testing::UnitTest::GetInstance()->current_test_info()->name());
    setenv("XDG_DATA_HOME", dir.c_str(), 1);
    std::string error;
    ASSERT_TRUE(RegisterDoors(InProcessQorv(), error)) << error;
  }
  void TearDown() override
  {
    unsetenv("XDG_DATA_HOME");
    qorvplatform::ResetMainRunLoop();
  }

  std::string WriteTrack(const std::string& name, std::vector<std::vector<float>> channels)
  {
    AudioFile f;
    f.sampleRate = 48000.0;
    f.channels = std::move(channels);
    std::string error;
    const std::string path = dir + "/" + name;
    EXPECT_TRUE(qorvtest::PlaceRecording(path, f, error)) << error;
    return path;
  }

  int Mix(MixRunOptions o)
  {
    o.progress = false;
    out.str("");
    err.str("");
    return RunMix(InProcessQorv(), o, o, out, err);
  }

  std::string dir;
  std::ostringstream out, err;
};

TEST_F(MixCommandTest, SettingsResolveByNameIndexAndDisplayText)
{
  std::string error;
  auto au = HostInstance::Open(InProcessQorv(), Door::kFactory, error);
  ASSERT_TRUE(au) << error;
  std::vector<ParamSetting> settings;
  ASSERT_TRUE(ResolveSettings(
      au->Unit(), {"Mix Mode=Prio", "6=Short", "NoiseGate=-48.5", "Plugin Mode=Send CH 3", "Pan Ch2=-100"},
      settings, error))
      << error;
  ASSERT_EQ(settings.size(), 5u);
  EXPECT_EQ(settings[0].id, 8u);
  EXPECT_EQ(settings[0].value, 3.f);
  EXPECT_EQ(settings[1].id, 6u);
  EXPECT_EQ(settings[1].value, 1.f);
  EXPECT_FLOAT_EQ(settings[2].value, -48.5f);
  EXPECT_EQ(settings[3].value, 4.f);
  EXPECT_EQ(settings[4].id, 30u);

  for (const char* bad : {"Mix Mode=Prioo", "Mix Mode=7", "Mix Mode=1.5", "NoiseGate=5", "NoiseGate=loud",
                          "Nothing=1", "999=1", "Mix Mode", "=3", "NoiseGate=nan"})
  {
    std::vector<ParamSetting> none;
    std::string message;
    EXPECT_FALSE(ResolveSettings(au->Unit(), {bad}, none, message)) << bad;
    EXPECT_FALSE(message.empty());
  }
}

TEST_F(MixCommandTest, OneTalkerAmongQuietChannelsGetsTheGain)
{
  const std::string a = WriteTrack("a.wav", {Talker(3.0, 0.5, 2.0, 0.3f, 1)});
  const std::string b = WriteTrack("b.wav", {Talker(3.0, 0.0, 0.0, 0.3f, 2)});
  const std::string c = WriteTrack("c.wav", {Talker(2.5, 0.0, 0.0, 0.3f, 3), Talker(2.5, 0.0, 0.0, 0.3f, 4)});
  MixRunOptions o;
  o.inputs = {a, b, c};
  o.output = dir + "/mix.wav";
  o.gainsCsv = dir + "/gains.csv";
  ASSERT_EQ(Mix(o), 0) << err.str();

  AudioFile mix;
  std::string error;
  ASSERT_TRUE(ReadAudioFile(o.output, mix, error)) << error;
  EXPECT_EQ(mix.NChannels(), 2);
  EXPECT_EQ(mix.NFrames(), long(3.0 * 48000));
  double energy = 0.0;
  for (float x : mix.channels[0])
    energy += double(x) * x;
  EXPECT_GT(energy, 1.0);

  std::ifstream csv(o.gainsCsv);
  std::string header, line, last;
  std::getline(csv, header);
  EXPECT_EQ(header, "time,ch1_db,ch2_db,ch3_db");
  int rows = 0;
  double talkerDb = 0, quietDb = 0;
  while (std::getline(csv, line))
  {
    ++rows;
    double t = 0;
    if (std::sscanf(line.c_str(), "%lf,%lf,%lf", &t, &talkerDb, &quietDb) == 3 && t > 1.5 && t < 2.0) break;
  }
  EXPECT_GT(rows, 100);
  EXPECT_GT(talkerDb, -3.0);
  EXPECT_LT(quietDb, talkerDb - 20.0);
  EXPECT_NE(out.str().find("mixed 3 tracks"), std::string::npos) << out.str();
}

TEST_F(MixCommandTest, BadSettingsAndInputsFailBeforeAnythingRuns)
{
  const std::string a = WriteTrack("a.wav", {Talker(0.5, 0.0, 0.5, 0.3f, 1)});
  MixRunOptions o;
  o.inputs = {a};
  o.output = dir + "/never.wav";
  o.sets = {"Mix Mode=Loudest"};
  EXPECT_EQ(Mix(o), 2);
  EXPECT_NE(err.str().find("\"Loudest\" is not a value of \"Mix Mode\""), std::string::npos) << err.str();
  EXPECT_FALSE(std::filesystem::exists(o.output));

  o.sets = {};
  o.inputs = {a, dir + "/missing.wav"};
  EXPECT_EQ(Mix(o), 1);
  EXPECT_FALSE(std::filesystem::exists(o.output));

  o.inputs = {a, a};
  o.internal = true;
  EXPECT_EQ(Mix(o), 2);
}

TEST_F(MixCommandTest, InternalMixerAndTheSendersOwnOutputs)
{
  const std::string stereo =
      WriteTrack("s.wav", {Talker(1.0, 0.1, 0.8, 0.3f, 5), Talker(1.0, 0.1, 0.8, 0.3f, 6)});
  MixRunOptions o;
  o.inputs = {stereo};
  o.output = dir + "/internal.wav";
  o.internal = true;
  ASSERT_EQ(Mix(o), 0) << err.str();
  AudioFile mix;
  std::string error;
  ASSERT_TRUE(ReadAudioFile(o.output, mix, error));
  EXPECT_EQ(mix.NChannels(), 2);
  EXPECT_EQ(mix.NFrames(), 48000);

  // Without propagated gain a sender passes its track through: the sum is the tracks' sum.
  const std::string mono = WriteTrack("m.wav", {Talker(1.0, 0.0, 1.0, 0.2f, 7)});
  MixRunOptions t;
  t.inputs = {mono, mono};
  t.output = dir + "/tracks.wav";
  t.tracks = true;
  ASSERT_EQ(Mix(t), 0) << err.str();
  AudioFile sum, in;
  ASSERT_TRUE(ReadAudioFile(t.output, sum, error));
  ASSERT_TRUE(ReadAudioFile(mono, in, error));
  for (long i = 0; i < in.NFrames(); i += 997)
    EXPECT_NEAR(sum.channels[0][size_t(i)], 2.f * in.channels[0][size_t(i)], 1e-5f) << i;
}

std::string FileBytes(const std::string& path)
{
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Whether two audio files hold the same samples, bit for bit (their headers may carry a time stamp).
testing::AssertionResult SameSamples(const std::string& a, const std::string& b)
{
  AudioFile x, y;
  std::string error;
  if (!ReadAudioFile(a, x, error) || !ReadAudioFile(b, y, error)) return testing::AssertionFailure() << error;
  if (x.NChannels() != y.NChannels() || x.NFrames() != y.NFrames() || x.NFrames() == 0)
    return testing::AssertionFailure() << a << " and " << b << " differ in shape";
  for (int c = 0; c < x.NChannels(); ++c)
    if (std::memcmp(x.channels[size_t(c)].data(), y.channels[size_t(c)].data(),
                    x.channels[size_t(c)].size() * sizeof(float)) != 0)
      return testing::AssertionFailure() << a << " and " << b << " differ in channel " << c;
  return testing::AssertionSuccess();
}

class MixStateTest : public MixCommandTest
{
protected:
  void SetUp() override
  {
    MixCommandTest::SetUp();
    a = WriteTrack("a.wav", {Talker(1.5, 0.2, 0.8, 0.3f, 11)});
    b = WriteTrack("b.wav", {Talker(1.5, 0.9, 0.5, 0.25f, 12)});
    c = WriteTrack("c.wav", {Talker(1.5, 0.0, 0.0, 0.3f, 13)});
  }
  MixRunOptions Base(const std::string& output)
  {
    MixRunOptions o;
    o.inputs = {a, b, c};
    o.output = dir + "/" + output;
    return o;
  }
  std::string a, b, c;
};

TEST_F(MixStateTest, SavedStateFedBackReproducesTheMixBitForBit)
{
  MixRunOptions first = Base("first.wav");
  // Values a float carries exactly: the state keeps six decimals.
  first.sets = {"Mix Mode=Prio", "Attack=0.25", "Release=1.5",
                "PreGain Ch2=6", "Pan Ch1=-40", "Main Volume=-3"};
  first.stateOut = dir + "/state.aupreset";
  ASSERT_EQ(Mix(first), 0) << err.str();
  const std::string state = FileBytes(first.stateOut);
  EXPECT_EQ(state.rfind("<?xml", 0), 0u);
  EXPECT_NE(state.find("<key>data</key>"), std::string::npos);

  MixRunOptions again = Base("again.wav");
  again.stateIn = first.stateOut;
  ASSERT_EQ(Mix(again), 0) << err.str();
  EXPECT_TRUE(SameSamples(again.output, first.output));

  // Without the state the settings are lost, and the mix differs.
  MixRunOptions plain = Base("plain.wav");
  ASSERT_EQ(Mix(plain), 0) << err.str();
  EXPECT_FALSE(SameSamples(plain.output, first.output));
}

TEST_F(MixStateTest, BrokenStateOrPresetFilesFailBeforeAnythingIsWritten)
{
  std::ofstream(dir + "/junk.aupreset") << "not a property list";
  std::ofstream(dir + "/junk.qxs") << "<PresetXMLTree><PluginVendor>Someone</PluginVendor></PresetXMLTree>";
  for (int i = 0; i < 4; ++i)
  {
    MixRunOptions o = Base("never.wav");
    if (i == 0) o.stateIn = dir + "/junk.aupreset";
    if (i == 1) o.stateIn = dir + "/missing.aupreset";
    if (i == 2) o.presetFile = dir + "/junk.qxs";
    if (i == 3) o.factoryPreset = "Loudest Mixing";
    EXPECT_EQ(Mix(o), 1) << i;
    EXPECT_FALSE(err.str().empty()) << i;
    EXPECT_FALSE(std::filesystem::exists(o.output)) << i;
  }
  // The names on offer.
  EXPECT_NE(err.str().find(
                "\"Init\", \"Normal Mixing\", \"Auto Mixing\", \"Auto Balanced Mixing\", \"Prio Mixing\""),
            std::string::npos)
      << err.str();
}

TEST_F(MixStateTest, ExportedFactoryPresetIsAPresetFileTheMixerTakes)
{
  std::ostringstream o2, e2;
  const std::string qxs = dir + "/init.qxs";
  ASSERT_EQ(ExportPreset("Init", qxs, o2, e2), 0) << e2.str();
  std::string doc = FileBytes(qxs);
  EXPECT_EQ(doc.rfind("<?xml version=\"1.0\" ?>", 0), 0u) << doc.substr(0, 200);
  EXPECT_NE(doc.find("<PluginName>Qorv</PluginName>"), std::string::npos);
  const std::string autoBal = "<Param name=\"Mix Mode\" val=\"2.000000\"";
  const size_t at = doc.find(autoBal);
  ASSERT_NE(at, std::string::npos) << doc.substr(0, 800);
  ASSERT_EQ(ExportPreset("Prio Mixing", dir + "/prio-factory.qxs", o2, e2), 0) << e2.str();
  EXPECT_NE(FileBytes(dir + "/prio-factory.qxs").find("<Param name=\"Mix Mode\" val=\"3.000000\""),
            std::string::npos);
  EXPECT_EQ(ExportPreset("Loudest Mixing", dir + "/n.qxs", o2, e2), 1);
  EXPECT_NE(e2.str().find("no factory preset named \"Loudest Mixing\""), std::string::npos) << e2.str();
  EXPECT_FALSE(std::filesystem::exists(dir + "/n.qxs"));

  // The file, edited as a user would, mixes like the same setting given directly.
  doc.replace(at, autoBal.size(), "<Param name=\"Mix Mode\" val=\"3.000000\"");
  std::ofstream(dir + "/prio.qxs", std::ios::binary) << doc;
  MixRunOptions file = Base("file.wav");
  file.presetFile = dir + "/prio.qxs";
  ASSERT_EQ(Mix(file), 0) << err.str();
  MixRunOptions set = Base("set.wav");
  set.sets = {"Mix Mode=Prio"};
  ASSERT_EQ(Mix(set), 0) << err.str();
  EXPECT_TRUE(SameSamples(file.output, set.output));

  // A factory preset comes first, a preset file given with it after.
  MixRunOptions init = Base("init.wav");
  init.presetFile = dir + "/prio.qxs";
  init.factoryPreset = "Init";
  ASSERT_EQ(Mix(init), 0) << err.str();
  EXPECT_TRUE(SameSamples(init.output, file.output)); // the file is applied after the factory preset
  MixRunOptions plain = Base("plain.wav");
  ASSERT_EQ(Mix(plain), 0) << err.str();
  EXPECT_FALSE(SameSamples(plain.output, file.output));
}

// preset export checks its output before it opens an instance: a refused output costs no work, whatever
// the rest of the command line holds (here a factory preset that does not exist).
TEST_F(MixStateTest, PresetExportRefusesABundleFileAsOutputBeforeAnyWork)
{
  const std::string bundle = dir + "/Copy.component", binary = bundle + "/Contents/MacOS/Qorv";
  std::filesystem::create_directories(bundle + "/Contents/MacOS");
  std::ofstream(binary) << "the plug-in";
  SharedOptions shared;
  shared.plugin = bundle;
  shared.output = bundle + "/Contents/../Contents/MacOS/Qorv";
  std::ostringstream o2, e2;
  EXPECT_EQ(RunPresetExport(InProcessQorv(), shared, {"Loudest Mixing"}, o2, e2), kExitUsage);
  EXPECT_NE(e2.str().find("an output must not overwrite an input or another output"), std::string::npos)
      << e2.str();
  EXPECT_EQ(e2.str().find("no factory preset"), std::string::npos) << e2.str();
  EXPECT_EQ(o2.str(), "");
  EXPECT_EQ(FileBytes(binary), "the plug-in");
}

TEST_F(MixStateTest, OutputsNeverOverwriteInputsOrEachOther)
{
  std::ofstream(dir + "/p.qxs") << "<not a preset/>";
  std::filesystem::create_symlink(c, dir + "/c-link.wav");
  const std::string ab = FileBytes(a) + FileBytes(b) + FileBytes(c);
  struct Case
  {
    const char* what;
    std::function<void(MixRunOptions&)> set;
  };
  const std::vector<Case> cases = {
      {"-o an input, spelled otherwise", [&](MixRunOptions& o) { o.output = dir + "/./a.wav"; }},
      {"--gains an input", [&](MixRunOptions& o) { o.gainsCsv = b; }},
      {"-o an input through a link", [&](MixRunOptions& o) { o.output = dir + "/c-link.wav"; }},
      {"--automation the preset file",
       [&](MixRunOptions& o) { o.presetFile = o.automationCsv = dir + "/p.qxs"; }},
      {"--state-out the same new file as --automation",
       [&](MixRunOptions& o)
       {
         o.stateOut = dir + "/new.csv";
         o.automationCsv = dir + "/sub/../new.csv";
         std::filesystem::create_directory(dir + "/sub");
       }},
      {"--gains the same new file as -o", [&](MixRunOptions& o) { o.gainsCsv = o.output; }},
  };
  for (const Case& k : cases)
  {
    MixRunOptions o = Base("out.wav");
    k.set(o);
    EXPECT_EQ(Mix(o), 2) << k.what;
    EXPECT_NE(err.str().find("is the same file as"), std::string::npos) << k.what << ": " << err.str();
    EXPECT_FALSE(std::filesystem::exists(dir + "/out.wav")) << k.what;
    EXPECT_FALSE(std::filesystem::exists(dir + "/new.csv")) << k.what;
  }
  EXPECT_EQ(FileBytes(a) + FileBytes(b) + FileBytes(c), ab);
  EXPECT_EQ(FileBytes(dir + "/p.qxs"), "<not a preset/>");

  // Every output is known to be writable before anything renders; the old files stay until the end.
  std::ofstream(dir + "/out.wav") << "old mix";
  std::ofstream(dir + "/gains.csv") << "old gains";
  MixRunOptions o = Base("out.wav");
  o.gainsCsv = dir + "/gains.csv";
  o.automationCsv = dir + "/missing/automation.csv";
  EXPECT_EQ(Mix(o), 1);
  EXPECT_NE(err.str().find(o.automationCsv + ": cannot write"), std::string::npos) << err.str();
  EXPECT_EQ(out.str(), "");
  EXPECT_EQ(FileBytes(dir + "/out.wav"), "old mix");
  EXPECT_EQ(FileBytes(dir + "/gains.csv"), "old gains");
}

TEST_F(MixStateTest, AWriteCutShortKeepsEveryOldFile)
{
  const std::vector<std::string> names = {"mix.wav",        "gains.csv", "state.aupreset",
                                          "automation.csv", "p.qxs",     "w.wav"};
  for (const std::string& name : names)
    std::ofstream(dir + "/" + name) << "old " << name;
  std::string error;
  auto au = HostInstance::Open(InProcessQorv(), Door::kFactory, error);
  ASSERT_TRUE(au) << error;
  std::string state;
  ASSERT_TRUE(StateFileBytes(au->Unit(), state, error)) << error;
  const std::string automation = AutomationRecorder([] { return 0.0; }).Csv();
  AudioFile tone;
  tone.channels.assign(2, std::vector<float>(48000, 0.25f));
  MixRunOptions o = Base("mix.wav");
  o.gainsCsv = dir + "/gains.csv";
  o.stateOut = dir + "/state.aupreset";
  o.automationCsv = dir + "/automation.csv";
  std::ostringstream o2, e2;
  {
    qorvtest::FileSizeCut cut(1024);
    EXPECT_EQ(Mix(o), 1);
    EXPECT_FALSE(qorvtest::PlaceBytes(dir + "/state.aupreset", state, error));
    EXPECT_EQ(ExportPreset("Init", dir + "/p.qxs", o2, e2), 1);
    EXPECT_FALSE(qorvtest::PlaceRecording(dir + "/w.wav", tone, error));
  }
  {
    qorvtest::FileSizeCut cut(10); // below even the header line of an empty recording
    EXPECT_FALSE(qorvtest::PlaceBytes(dir + "/automation.csv", automation, error));
  }
  for (const std::string& name : names)
    EXPECT_EQ(FileBytes(dir + "/" + name), "old " + name) << name;
}

// A file that takes no more bytes (past a file-size limit): each writer's message names the cause, as
// the audio file's does, not the error of a later step. A command refuses a device as an output before
// any work: it cannot be put in place of; so does the writer itself, which never writes into one.
TEST_F(MixStateTest, EveryFailedWriteNamesItsCause)
{
  const std::string full = "/dev/full";
  if (!std::filesystem::exists(full)) GTEST_SKIP() << "no " << full;
  const std::string refused =
      full + ": cannot write (is a device: the host writes its outputs as regular files only)";
  for (const std::function<std::string&(MixRunOptions&)>& output :
       std::vector<std::function<std::string&(MixRunOptions&)>>{
           [](MixRunOptions& o) -> std::string& { return o.output; },
           [](MixRunOptions& o) -> std::string& { return o.gainsCsv; },
           [](MixRunOptions& o) -> std::string& { return o.stateOut; },
           [](MixRunOptions& o) -> std::string& { return o.automationCsv; }})
  {
    MixRunOptions o = Base("mix.wav");
    output(o) = full;
    EXPECT_EQ(Mix(o), 1);
    EXPECT_NE(err.str().find(refused), std::string::npos) << err.str();
  }
  std::string error;
  auto au = HostInstance::Open(InProcessQorv(), Door::kFactory, error);
  ASSERT_TRUE(au) << error;
  std::string state;
  ASSERT_TRUE(StateFileBytes(au->Unit(), state, error)) << error;
  const std::string cut = dir + "/cut.csv";
  for (const std::string& bytes : {state, AutomationRecorder([] { return 0.0; }).Csv()})
  {
    qorvtest::FileSizeCut limit(10);
    EXPECT_FALSE(qorvtest::PlaceBytes(cut, bytes, error));
    EXPECT_EQ(error, cut + ": cannot write (file too large)");
  }
  EXPECT_FALSE(std::filesystem::exists(cut));
  EXPECT_FALSE(qorvtest::PlaceBytes(full, state, error));
  EXPECT_EQ(error, full + ": cannot write (operation not supported)");
  std::ostringstream o2, e2;
  EXPECT_EQ(ExportPreset("Init", full, o2, e2), 1);
  EXPECT_NE(e2.str().find(refused), std::string::npos) << e2.str();
}

TEST_F(MixStateTest, ATrackCutShortIsMixedAsFarAsItGoesAndSaysSo)
{
  // a.wav is 1.5 s of 32-bit float mono: cut it to its first 0.5 s.
  const uintmax_t header = std::filesystem::file_size(a) - 72000u * 4u;
  std::filesystem::resize_file(a, header + 24000u * 4u);
  MixRunOptions o = Base("cut.wav");
  ASSERT_EQ(Mix(o), 0) << err.str();
  EXPECT_NE(err.str().find(a + ": cut short: the header promises 72000 frames, the file holds 24000"),
            std::string::npos)
      << err.str();

  // A file that shrinks while it is read is a read error, not its end.
  std::string error;
  AudioFileReader reader;
  ASSERT_TRUE(reader.Open(b, error));
  std::filesystem::resize_file(b, 1000);
  std::vector<float> buffer(size_t(reader.NFrames()));
  float* channels[1] = {buffer.data()};
  EXPECT_EQ(reader.Read(channels, reader.NFrames(), error), -1);
  EXPECT_NE(error.find(b + ": read error"), std::string::npos) << error;
}

TEST_F(MixStateTest, StateAndPresetFilesAbove64MiBAreRefusedUnread)
{
  const std::string big = dir + "/big", limit = dir + "/limit";
  std::ofstream(big).close();
  std::ofstream(limit).close();
  std::filesystem::resize_file(big, (64u << 20) + 1u); // sparse: nothing is stored
  std::filesystem::resize_file(limit, 64u << 20);
  for (int i = 0; i < 3; ++i)
  {
    MixRunOptions o = Base("never.wav");
    (i == 1 ? o.presetFile : o.stateIn) = i < 2 ? big : limit;
    EXPECT_EQ(Mix(o), 1) << i;
    EXPECT_EQ(err.str().find("too large") != std::string::npos, i < 2) << i << ": " << err.str();
  }
}

TEST_F(MixStateTest, PresetFilesLoadAsTheMixerLoadsThem)
{
  // A file naming only "Attack": loaded after "Prio Mixing", "Mix Mode" goes back to its default.
  MixRunOptions wanted = Base("wanted.wav");
  wanted.sets = {"Attack=0.25"};
  ASSERT_EQ(Mix(wanted), 0) << err.str();
  MixRunOptions prio = Base("prio.wav");
  prio.factoryPreset = "Prio Mixing";
  prio.sets = {"Attack=0.25"};
  ASSERT_EQ(Mix(prio), 0) << err.str();
  ASSERT_FALSE(SameSamples(prio.output, wanted.output));
  auto document = [](const std::string& vendor, const std::string& name, const std::string& params)
  {
    return "<?xml version=\"1.0\" ?><PresetXMLTree version=\"1\"><PluginVendor>" + vendor +
           "</PluginVendor><PluginName>" + name +
           "</PluginName><PluginVersion>v2.1.2</PluginVersion><Preset name=\"Slow\"><Parameter>" + params +
           "</Parameter></Preset></PresetXMLTree>";
  };
  const std::string attack =
      "<Param name=\"Nothing\" val=\"1\"/><!-- slower --><Param name=\"Attack\" val=\"0.250000\"/>";
  for (const char* name : {"Qorv", "Qor"})
  {
    std::ofstream(dir + "/slow.qxs") << document("Lumenkraft", name, attack);
    MixRunOptions o = Base(std::string("slow-") + name + ".wav");
    o.factoryPreset = "Prio Mixing";
    o.presetFile = dir + "/slow.qxs";
    ASSERT_EQ(Mix(o), 0) << name << ": " << err.str();
    EXPECT_TRUE(SameSamples(o.output, wanted.output)) << name;
  }

  // What the mixer's loader refuses, the host refuses.
  for (const std::string& bad : {document("Someone", "Qorv", attack), document("Lumenkraft", "Qorx", attack),
                                 document("Lumenkraft", "Qorv", "<param name=\"Attack\" val=\"1\"/>"),
                                 document("Lumenkraft", "Qorv", ""), std::string("<PresetXMLTree><Plugin")})
  {
    std::ofstream(dir + "/bad.qxs") << bad;
    MixRunOptions o = Base("never.wav");
    o.presetFile = dir + "/bad.qxs";
    EXPECT_EQ(Mix(o), 1) << bad;
    EXPECT_NE(err.str().find("not a preset of this plug-in"), std::string::npos) << err.str();
    EXPECT_FALSE(std::filesystem::exists(o.output));
  }
}

TEST_F(MixStateTest, GainsAreOnlyReportedWhenTheMixerPublishesThem)
{
  MixRunOptions o = Base("off.wav");
  o.sets = {"Write Automation Off/On=0"};
  o.gainsCsv = dir + "/gains.csv";
  EXPECT_EQ(Mix(o), 2);
  EXPECT_NE(err.str().find("no gains while \"Write Automation\" is off"), std::string::npos) << err.str();
  EXPECT_FALSE(std::filesystem::exists(o.gainsCsv));
  o.gainsCsv.clear();
  ASSERT_EQ(Mix(o), 0) << err.str();
  EXPECT_NE(out.str().find("channel gains: not published (\"Write Automation\" is off)"), std::string::npos);
  EXPECT_EQ(out.str().find("mean gain"), std::string::npos) << out.str();
}

TEST_F(MixStateTest, AutomationHoldsEveryPublishedStrength)
{
  MixRunOptions o = Base("auto.wav");
  o.automationCsv = dir + "/automation.csv";
  o.gainsCsv = dir + "/gains.csv";
  ASSERT_EQ(Mix(o), 0) << err.str();

  std::ifstream csv(o.automationCsv);
  std::string line;
  std::getline(csv, line);
  EXPECT_EQ(line, "time,parameter,value");
  std::map<unsigned, std::vector<std::pair<double, double>>> byParam;
  double lastTime = 0.0;
  while (std::getline(csv, line))
  {
    double t = 0, v = 0;
    unsigned p = 0;
    ASSERT_EQ(std::sscanf(line.c_str(), "%lf,%u,%lf", &t, &p, &v), 3) << line;
    EXPECT_GE(t, lastTime);
    lastTime = t;
    EXPECT_GE(v, -144.0);
    EXPECT_LE(v, 0.0);
    byParam[p].push_back({t, v});
  }
  // Three channels, one value each every 50 ms of audio.
  ASSERT_EQ(byParam.size(), 3u);
  EXPECT_EQ(byParam.begin()->first, 273u);
  EXPECT_EQ(byParam.rbegin()->first, 275u);
  for (const auto& [param, values] : byParam)
    EXPECT_NEAR(double(values.size()), 1.5 / 0.05, 2.0) << param;

  // The talker on channel 1 is open while it talks; the quiet channel 3 stays far below.
  auto at = [&](unsigned p, double t)
  {
    double v = -144.0;
    for (const auto& [when, value] : byParam[p])
      if (when <= t) v = value;
    return v;
  };
  EXPECT_GT(at(273, 0.8), -3.0);
  EXPECT_LT(at(275, 0.8), at(273, 0.8) - 20.0);
  EXPECT_NE(out.str().find("automation: "), std::string::npos);

  // With "Write Automation" off nothing is published.
  MixRunOptions off = Base("off.wav");
  off.automationCsv = dir + "/off.csv";
  off.sets = {"Write Automation Off/On=0"};
  ASSERT_EQ(Mix(off), 0) << err.str();
  EXPECT_EQ(FileBytes(off.automationCsv), "time,parameter,value\n");
}

TEST_F(MixStateTest, RealTimeIdleStillPublishes)
{
  MixRunOptions o = Base("realtime.wav");
  o.realTimeIdle = true;
  o.automationCsv = dir + "/rt.csv";
  MixRunOptions ref = Base("virtual.wav");
  ASSERT_EQ(Mix(ref), 0) << err.str();
  ASSERT_EQ(Mix(o), 0) << err.str();
  // The audio does not depend on when the main thread runs.
  EXPECT_TRUE(SameSamples(o.output, ref.output));
  EXPECT_EQ(FileBytes(o.automationCsv).rfind("time,parameter,value\n", 0), 0u);
  qorvplatform::UseVirtualClock(0.0);
}
} // namespace
