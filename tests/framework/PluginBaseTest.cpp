#include "framework/Base64.h"
#include "framework/IPluginBase.h"

#include "tests/support/FileSizeCut.h"
#include "tests/support/TestPaths.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

using namespace iplugin;

namespace
{
// Four parameters: 0 bool, 1 int 0..10, 2 enum of 3, 3 double -12..12 in group "g".
class Plugin : public IPluginBase
{
public:
  explicit Plugin(int nPresets = 1, bool chunks = false) : IPluginBase(4, nPresets)
  {
    GetParam(0)->InitBool("Bypass", false);
    GetParam(1)->InitInt("Count", 3, 0, 10);
    GetParam(2)->InitEnum("Mode", 0, 3, "", 0, "", "Off", "Auto", "Prio");
    GetParam(3)->InitDouble("Gain", 0, -12, 12, 0.5, "dB", 0, "g");
    mPluginName.Set("Tester");
    mUniqueID = 0x54737431; // Tst1
    mVersion = 0x00020102;
    mStateChunks = chunks;
  }
  bool SerializeState(ByteChunk& chunk) const override
  {
    return mFailSerialize ? false : IPluginBase::SerializeState(chunk);
  }
  void OnPresetRestored() override { mLog += "restored;"; }
  void HandleRestoreState() override { mLog += "state;"; }
  void HandleParamChange(int idx, EParamSource source, int offset) override { ++mChanges; }

  void SetAPI(int api) { mAPI = api; }
  void SetValues(double a, double b, double c, double d)
  {
    const double v[] = {a, b, c, d};
    for (int i = 0; i < 4; ++i)
      GetParam(i)->Set(v[i]);
  }
  std::vector<double> Values() const
  {
    std::vector<double> v;
    for (int i = 0; i < NParams(); ++i)
      v.push_back(GetParam(i)->Value());
    return v;
  }
  void Name(int idx, const char* name, bool init)
  {
    GetPreset(idx)->SetName(name);
    GetPreset(idx)->mInitialized = init;
  }

  bool mFailSerialize = false;
  std::string mLog;
  int mChanges = 0;
};

// Program files carry normalised 32-bit floats, so values come back within float precision.
void ExpectValues(const std::vector<double>& actual, const std::vector<double>& expected)
{
  ASSERT_EQ(actual.size(), expected.size());
  for (size_t i = 0; i < actual.size(); ++i)
    EXPECT_NEAR(actual[i], expected[i], 1e-5) << i;
}

std::string ReadText(const std::string& path)
{
  std::ifstream f(path);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}
} // namespace

TEST(PluginBase, ApiNames)
{
  Plugin p;
  const char* expected[] = {"VST2", "VST3", "AU", "AUv3", "AAX", "APP", "WAM", "WEB"};
  for (int i = 0; i < 8; ++i)
  {
    p.SetAPI(i);
    EXPECT_STREQ(p.GetAPIStr(), expected[i]);
  }
  p.SetAPI(8);
  EXPECT_STREQ(p.GetAPIStr(), "");
  p.SetAPI(-1);
  EXPECT_STREQ(p.GetAPIStr(), "");
}

TEST(PluginBase, VersionAndBuildTexts)
{
  Plugin p;
  EXPECT_EQ(p.GetPluginVersion(true), 2120);
  EXPECT_EQ(p.GetPluginVersion(false), 0x00020102);
  StringBuf s;
  p.GetPluginVersionStr(s);
  EXPECT_STREQ(s.Get(), "v2.1.2");
  EXPECT_EQ(p.GetHost(), kHostUninit);
  EXPECT_EQ(p.GetHostVersion(true), 0);
  p.GetBuildInfoStr(s, "Dec  7 2026", "08:15:42");
  EXPECT_STREQ(s.Get(), "Tester version v2.1.2 AU (x64), built on Dec  7 2026 at 08:15 ");
}

TEST(PluginBase, NewRecordsAreEmptyAndNamesOutsideTheListAreEmpty)
{
  Plugin p(2);
  EXPECT_EQ(p.NPresets(), 2);
  EXPECT_STREQ(p.GetPresetName(1), "empty");
  EXPECT_FALSE(p.GetPreset(0)->mInitialized);
  EXPECT_STREQ(p.GetPresetName(2), "");
  EXPECT_STREQ(p.GetPresetName(-1), "");
}

TEST(PluginBase, PruneKeepsInitialisedRecordsInOrder)
{
  Plugin p(4);
  p.Name(0, "A", true);
  p.Name(1, "B", false);
  p.Name(2, "C", false);
  p.Name(3, "D", true);
  p.PruneUninitializedPresets();
  ASSERT_EQ(p.NPresets(), 2);
  EXPECT_STREQ(p.GetPresetName(0), "A");
  EXPECT_STREQ(p.GetPresetName(1), "D");
}

TEST(PluginBase, RestoreAppliesTheRecordAndNotifies)
{
  Plugin p(2);
  p.SetValues(1, 7, 2, 6);
  p.MakeDefaultPreset("Loud");
  p.SetValues(0, 1, 0, -3);
  p.mLog.clear();
  EXPECT_TRUE(p.RestorePreset(0));
  EXPECT_EQ(p.Values(), (std::vector<double>{1, 7, 2, 6}));
  EXPECT_EQ(p.GetCurrentPresetIdx(), 0);
  EXPECT_EQ(p.mLog, "restored;state;");
  EXPECT_FALSE(p.RestorePreset(2));
  EXPECT_FALSE(p.RestorePreset(-1));
}

TEST(PluginBase, RestoreOfAnUnreadableRecordKeepsTheCurrentIndex)
{
  Plugin p(3);
  p.MakeDefaultPreset("ok");
  p.Name(1, "broken", true); // initialised but holds no bytes
  p.SetValues(1, 2, 1, 3);
  EXPECT_TRUE(p.RestorePreset(0));
  p.mLog.clear();
  EXPECT_FALSE(p.RestorePreset(1));
  EXPECT_EQ(p.GetCurrentPresetIdx(), 0);
  EXPECT_EQ(p.mLog, "");
}

TEST(PluginBase, RestoringAnEmptyRecordMakesAUserPreset)
{
  Plugin p(4);
  p.Name(0, "user preset 1", true);
  p.Name(1, "my user preset", true);
  p.Name(2, "User Preset", true);
  p.SetValues(0, 4, 1, 2);
  EXPECT_TRUE(p.RestorePreset(3));
  EXPECT_STREQ(p.GetPresetName(3), "user preset 3");
  EXPECT_TRUE(p.GetPreset(3)->mInitialized);
  EXPECT_EQ(p.GetCurrentPresetIdx(), 3);
  EXPECT_EQ(p.GetPreset(3)->mChunk.Size(), 32);
}

TEST(PluginBase, FailedUserPresetLeavesTheRecordAlone)
{
  Plugin p(2);
  p.mFailSerialize = true;
  EXPECT_FALSE(p.RestorePreset(1));
  EXPECT_FALSE(p.GetPreset(1)->mInitialized);
  EXPECT_STREQ(p.GetPresetName(1), "empty");
}

TEST(PluginBase, RestoreByNameIsExactAndCaseSensitive)
{
  Plugin p(3);
  p.MakeDefaultPreset("Alpha");
  p.MakeDefaultPreset("Beta");
  EXPECT_FALSE(p.RestorePresetByName("beta"));
  EXPECT_FALSE(p.RestorePresetByName(""));
  EXPECT_FALSE(p.RestorePresetByName(nullptr));
  EXPECT_TRUE(p.RestorePresetByName("Beta"));
  EXPECT_EQ(p.GetCurrentPresetIdx(), 1);
}

TEST(PluginBase, ModifyCurrentPresetRewritesStateAndName)
{
  Plugin p(1);
  p.MakeDefaultPreset("Init");
  p.SetValues(1, 9, 2, 12);
  EXPECT_TRUE(p.ModifyCurrentPreset(""));
  EXPECT_STREQ(p.GetPresetName(0), "Init");
  p.SetValues(0, 0, 0, 0);
  p.RestorePreset(0);
  EXPECT_EQ(p.Values(), (std::vector<double>{1, 9, 2, 12}));
  EXPECT_TRUE(p.ModifyCurrentPreset("Renamed"));
  EXPECT_STREQ(p.GetPresetName(0), "Renamed");
}

TEST(PluginBase, ModifyCurrentPresetKeepsTheRecordWhenSerialisingFails)
{
  Plugin p(1);
  p.SetValues(1, 5, 1, 1);
  p.MakeDefaultPreset("Init");
  const int size = p.GetPreset(0)->mChunk.Size();
  p.mFailSerialize = true;
  p.SetValues(0, 0, 0, 0);
  EXPECT_FALSE(p.ModifyCurrentPreset("Other"));
  EXPECT_EQ(p.GetPreset(0)->mChunk.Size(), size);
  EXPECT_STREQ(p.GetPresetName(0), "Init");
  p.mFailSerialize = false;
  EXPECT_TRUE(p.RestorePreset(0));
  EXPECT_EQ(p.Values(), (std::vector<double>{1, 5, 1, 1}));
}

TEST(PluginBase, ParameterDoublesRoundTripAndShortChunksChangeNothing)
{
  Plugin p;
  p.SetValues(1, 6, 2, -4.5);
  ByteChunk chunk;
  EXPECT_TRUE(p.SerializeParams(chunk));
  EXPECT_EQ(chunk.Size(), 32);
  p.SetValues(0, 0, 0, 0);
  p.mChanges = 0;
  EXPECT_EQ(p.UnserializeParams(chunk, 0), 32);
  EXPECT_EQ(p.Values(), (std::vector<double>{1, 6, 2, -4.5}));
  EXPECT_EQ(p.mChanges, 4);

  p.SetValues(0, 1, 1, 1);
  ByteChunk shortChunk;
  shortChunk.PutBytes(chunk.GetData(), 20);
  p.mChanges = 0;
  EXPECT_EQ(p.UnserializeParams(shortChunk, 0), -1);
  EXPECT_EQ(p.UnserializeParams(chunk, -8), -1);
  EXPECT_EQ(p.Values(), (std::vector<double>{0, 1, 1, 1}));
  EXPECT_EQ(p.mChanges, 0);

  // Values out of range are constrained on the way in.
  ByteChunk wild;
  const double v[] = {5, -3, 1.4, 99};
  for (double d : v)
    wild.Put(&d);
  p.UnserializeParams(wild, 0);
  EXPECT_EQ(p.Values(), (std::vector<double>{1, 0, 1, 12}));
}

TEST(PluginBase, PresetListRoundTripsAndRefusesMalformedBytes)
{
  Plugin p(3);
  p.SetValues(1, 2, 1, 3);
  p.MakeDefaultPreset("First");
  p.SetValues(0, 8, 2, -6);
  p.MakeDefaultPreset("Second");
  ByteChunk chunk;
  EXPECT_TRUE(p.SerializePresets(chunk));

  Plugin q(3);
  EXPECT_EQ(q.UnserializePresets(chunk, 0), chunk.Size());
  EXPECT_STREQ(q.GetPresetName(1), "Second");
  EXPECT_FALSE(q.GetPreset(2)->mInitialized);
  EXPECT_EQ(q.Values(), (std::vector<double>{1, 2, 1, 3})); // current preset 0 restored

  Plugin r(3);
  r.SetValues(0, 5, 0, 0);
  ByteChunk cut;
  cut.PutBytes(chunk.GetData(), chunk.Size() - 10);
  EXPECT_EQ(r.UnserializePresets(cut, 0), -1);
  EXPECT_STREQ(r.GetPresetName(0), "empty");
  EXPECT_EQ(r.Values(), (std::vector<double>{0, 5, 0, 0}));
}

TEST(PluginBase, PresetMakers)
{
  Plugin p(6);
  p.MakePreset("Made", true, 4, 2, -1.5);
  p.SetValues(0, 1, 0, 0);
  p.MakePresetFromNamedParams("Named", 2, 1, 9.0, 3, 6.0);
  ByteChunk chunk;
  const double v[] = {1, 10, 1, 2};
  for (double d : v)
    chunk.Put(&d);
  p.MakePresetFromChunk("Chunk", chunk);
  StringBuf blob;
  Base64Encode(chunk.GetData(), chunk.Size(), blob);
  p.MakePresetFromBlob("Blob", blob.Get(), chunk.Size());
  p.MakePresetFromBlob("Bad", "not base64!", 8);
  p.FillUninitializedPresets();

  const char* names[] = {"Made", "Named", "Chunk", "Blob", "Empty", "Empty"};
  for (int i = 0; i < 6; ++i)
    EXPECT_STREQ(p.GetPresetName(i), names[i]);
  const std::vector<double> expected[] = {{1, 4, 2, -1.5}, {0, 9, 0, 6}, {1, 10, 1, 2}, {1, 10, 1, 2}};
  for (int i = 0; i < 4; ++i)
  {
    ASSERT_TRUE(p.RestorePreset(i));
    EXPECT_EQ(p.Values(), expected[i]) << i;
  }
  // A full list takes nothing more.
  p.MakeDefaultPreset("Extra");
  EXPECT_EQ(p.NPresets(), 6);
}

TEST(PluginBase, Base64RoundTripAndRefusals)
{
  const std::string texts[] = {"", "f", "fo", "foo", "foob", "fooba", "foobar"};
  const char* encoded[] = {"", "Zg==", "Zm8=", "Zm9v", "Zm9vYg==", "Zm9vYmE=", "Zm9vYmFy"};
  for (int i = 0; i < 7; ++i)
  {
    StringBuf out;
    Base64Encode(reinterpret_cast<const uint8_t*>(texts[i].data()), int(texts[i].size()), out);
    EXPECT_STREQ(out.Get(), encoded[i]);
    ByteChunk back;
    EXPECT_TRUE(Base64Decode(encoded[i], int(std::strlen(encoded[i])), back));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(back.GetData()), size_t(back.Size())), texts[i]);
  }
  ByteChunk c;
  EXPECT_FALSE(Base64Decode("Zm9", 3, c));
  EXPECT_FALSE(Base64Decode("Zm=v", 4, c));
  EXPECT_EQ(c.Size(), 0);
}

TEST(PluginBase, SourceDumps)
{
  Plugin p(1);
  p.SetValues(1, 7, 2, -1.5);
  p.MakeDefaultPreset("Init");
  const std::string dir = qorvtest::ScratchDir("plugin_base_dumps");
  const std::string path = dir + "/dump.txt";
  ASSERT_TRUE(p.DumpMakePresetSrc(path.c_str()));
  const char* names[] = {"kBypass", "kCount", "kMode", "kGain"};
  ASSERT_TRUE(p.DumpMakePresetFromNamedParamsSrc(path.c_str(), names));
  ASSERT_TRUE(p.DumpPresetBlob(path.c_str()));
  StringBuf blob;
  Base64Encode(p.GetPreset(0)->mChunk.GetData(), 32, blob);
  EXPECT_EQ(ReadText(path),
            std::string("MakePreset(\"Init\", true, 7, 2.000000, -1.500000);\n"
                        "  MakePresetFromNamedParams(\"Init\", 4,\n    kBypass, true,\n    kCount, 7,\n"
                        "    kMode, 2.000000,\n    kGain, -1.500000);\n"
                        "MakePresetFromBlob(\"Init\", \"") +
                blob.Get() + "\", 32);\n");
}

TEST(PluginBase, ParameterRanges)
{
  struct Wide : IPluginBase
  {
    Wide() : IPluginBase(6, 0) {}
  } p;
  p.InitParamRange(0, 2, 1, "Level %i", 0.5, 0, 1, 0.01, "", 0, "a");
  EXPECT_STREQ(p.GetParam(2)->GetName(), "Level 3");
  p.GetParam(1)->Set(0.25);
  p.CloneParamRange(0, 2, 3, "Level", "Send", "b");
  EXPECT_STREQ(p.GetParam(4)->GetName(), "Send 2");
  EXPECT_STREQ(p.GetParam(4)->GetGroup(), "b");
  EXPECT_EQ(p.GetParam(4)->Value(), 0.25);
  p.GetParam(0)->Set(0.75);
  p.CopyParamValuesByGroup("a", "b");
  EXPECT_EQ(p.GetParam(3)->Value(), 0.75);
  p.DefaultParamValues("b");
  EXPECT_EQ(p.GetParam(3)->Value(), 0.5);
  EXPECT_EQ(p.GetParam(0)->Value(), 0.75);
  p.CopyParamValues(0, 3, 3);
  EXPECT_EQ(p.GetParam(4)->Value(), 0.25);
  int visited = 0;
  p.ForParamInGroup("a", [&](int, IParam&) { ++visited; });
  p.ForParamInRange(2, 9, [&](int, IParam&) { ++visited; });
  EXPECT_EQ(visited, 3 + 4);
  p.RandomiseParamValues(0, 5);
  for (int i = 0; i < 6; ++i)
  {
    EXPECT_GE(p.GetParam(i)->Value(), 0.0);
    EXPECT_LE(p.GetParam(i)->Value(), 1.0);
  }
  p.DefaultParamValues();
  EXPECT_EQ(p.GetParam(1)->Value(), 0.5);
}

class ProgramFiles : public testing::TestWithParam<bool>
{
};

TEST_P(ProgramFiles, ProgramAndBankRoundTrip)
{
  const bool chunks = GetParam();
  const std::string dir = qorvtest::ScratchDir(chunks ? "fxp_chunks" : "fxp_params");
  Plugin p(2, chunks);
  p.SetValues(1, 6, 2, 4.5);
  p.MakeDefaultPreset("One");
  p.SetValues(0, 3, 1, -7);
  p.MakeDefaultPreset("Two");
  p.RestorePreset(1);
  ASSERT_TRUE(p.SavePresetAsFXP((dir + "/p.fxp").c_str()));
  ASSERT_TRUE(p.SaveBankAsFXB((dir + "/b.fxb").c_str()));

  Plugin q(2, chunks);
  ASSERT_TRUE(q.LoadPresetFromFXP((dir + "/p.fxp").c_str()));
  ExpectValues(q.Values(), {0, 3, 1, -7});
  Plugin r(2, chunks);
  ASSERT_TRUE(r.LoadBankFromFXB((dir + "/b.fxb").c_str()));
  EXPECT_STREQ(r.GetPresetName(0), "One");
  EXPECT_STREQ(r.GetPresetName(1), "Two");
  EXPECT_EQ(r.GetCurrentPresetIdx(), 1);
  ExpectValues(r.Values(), {0, 3, 1, -7});
  ASSERT_TRUE(r.RestorePreset(0));
  ExpectValues(r.Values(), {1, 6, 2, 4.5});
}

TEST_P(ProgramFiles, ACutSaveLeavesTheOldFiles)
{
  const bool chunks = GetParam();
  const std::string dir = qorvtest::ScratchDir(chunks ? "fxp_cut_chunks" : "fxp_cut_params");
  Plugin p(2, chunks);
  p.MakeDefaultPreset("One");
  p.MakeDefaultPreset("Two");
  const std::string fxp = dir + "/p.fxp", fxb = dir + "/b.fxb";
  std::ofstream(fxp) << "old program";
  std::ofstream(fxb) << "old bank";
  {
    qorvtest::FileSizeCut cut(32);
    EXPECT_FALSE(p.SavePresetAsFXP(fxp.c_str()));
    EXPECT_FALSE(p.SaveBankAsFXB(fxb.c_str()));
  }
  EXPECT_EQ(ReadText(fxp), "old program");
  EXPECT_EQ(ReadText(fxb), "old bank");
}

TEST_P(ProgramFiles, DamagedFilesChangeNothing)
{
  const bool chunks = GetParam();
  const std::string dir = qorvtest::ScratchDir(chunks ? "fxp_bad_chunks" : "fxp_bad_params");
  Plugin p(1, chunks);
  p.SetValues(1, 6, 2, 4.5);
  p.MakeDefaultPreset("One");
  ASSERT_TRUE(p.SavePresetAsFXP((dir + "/p.fxp").c_str()));
  ASSERT_TRUE(p.SaveBankAsFXB((dir + "/b.fxb").c_str()));
  const std::string fxp = ReadText(dir + "/p.fxp");
  const std::string fxb = ReadText(dir + "/b.fxb");

  auto write = [&](const std::string& name, const std::string& bytes)
  {
    std::ofstream(dir + "/" + name, std::ios::binary) << bytes;
    return dir + "/" + name;
  };
  std::string wrongId = fxp;
  wrongId[16] ^= 1;
  std::string wrongBankId = fxb;
  wrongBankId[16] ^= 1;
  const std::string cases[] = {write("short.fxp", fxp.substr(0, fxp.size() - 3)), write("id.fxp", wrongId),
                               write("magic.fxp", "CcnX" + fxp.substr(4)), write("empty.fxp", ""),
                               dir + "/missing.fxp"};
  Plugin q(1, chunks);
  q.SetValues(0, 1, 0, 2);
  for (const std::string& path : cases)
    EXPECT_FALSE(q.LoadPresetFromFXP(path.c_str())) << path;
  EXPECT_FALSE(q.LoadBankFromFXB(write("short.fxb", fxb.substr(0, fxb.size() - 5)).c_str()));
  EXPECT_FALSE(q.LoadBankFromFXB(write("id.fxb", wrongBankId).c_str()));
  EXPECT_EQ(q.Values(), (std::vector<double>{0, 1, 0, 2}));
  EXPECT_STREQ(q.GetPresetName(0), "empty");
}

INSTANTIATE_TEST_SUITE_P(StateKinds, ProgramFiles, testing::Values(false, true));

TEST(ByteChunk, ReadsStayInsideTheChunk)
{
  ByteChunk c;
  c.PutStr("hello");
  int32_t big = 1000;
  c.Put(&big);
  StringBuf s;
  EXPECT_EQ(c.GetStr(s, 0), 9);
  EXPECT_STREQ(s.Get(), "hello");
  EXPECT_EQ(c.GetStr(s, 9), -1); // a length of 1000 with nothing behind it
  int32_t v;
  EXPECT_EQ(c.Get(&v, 10), -1);
  EXPECT_EQ(c.Get(&v, -1), -1);
  EXPECT_EQ(c.Get(&v, 9), 13);
}
