// The host's mix command on the mixer's own class, linked into the test binary behind its two doors.
#include "framework/au/AUComponentInterface.h"
#include "host/AudioFile.h"
#include "host/HostInstance.h"
#include "host/MixCommand.h"
#include "mixer/Qorv.h"
#include "tests/support/TestPaths.h"

#include <QorvPlatform/RunLoopClock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

IPLUGIN_AU_ENTRY_POINTS(iplugin::Qorv, HostTestQorv)

using namespace qorvhost;

namespace
{
PluginEntryPoints& InProcessQorv()
{
  static PluginEntryPoints plugin = []
  {
    PluginEntryPoints p;
    p.description.componentType = iplugin::FourCC("aufx");
    p.description.componentSubType = iplugin::FourCC("LK54");
    p.description.componentManufacturer = iplugin::FourCC("Lmkr");
    p.name = "Lumenkraft: Qorv";
    p.version = 0x020102;
    p.entry = HostTestQorv_Entry;
    p.factory = HostTestQorv_Factory;
    return p;
  }();
  return plugin;
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
    EXPECT_TRUE(WriteAudioFile(path, f, error)) << error;
    return path;
  }

  int Mix(MixOptions o)
  {
    o.progress = false;
    out.str("");
    err.str("");
    return RunMix(InProcessQorv(), o, out, err);
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
  MixOptions o;
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
  MixOptions o;
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
  MixOptions o;
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
  MixOptions t;
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
} // namespace
