#include "mixer/IXMLParameters.h"
#include "mixer/IXMLPreset.h"
#include "mixer/PresetXmlTree.h"
#include "tests/mixer/PresetTestPlugin.h"
#include "tests/support/TestPaths.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

using namespace iplugin;
using mixtest::PresetTestPlugin;

namespace
{
std::string ReadText(const std::string& path)
{
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteText(const std::string& path, const std::string& text)
{
  std::ofstream(path, std::ios::binary) << text;
}

// A preset document with the given header texts and the body of its "Parameter" element.
std::string Document(const std::string& params, const std::string& vendor = "Lumenkraft",
                     const std::string& name = "Qorv", const std::string& preset = "<Preset name=\"Mine\">")
{
  return "<?xml version=\"1.0\" ?>\n<PresetXMLTree version=\"1\">\n<PluginVendor>" + vendor +
         "</PluginVendor>\n<PluginName>" + name + "</PluginName>\n<PluginVersion>v2.1.2</PluginVersion>\n" +
         preset + "<Parameter>" + params + "</Parameter></Preset>\n</PresetXMLTree>\n";
}

void ExpectValuesNear(const std::vector<double>& a, const std::vector<double>& b)
{
  ASSERT_EQ(a.size(), b.size());
  for (size_t i = 0; i < a.size(); ++i)
    EXPECT_NEAR(a[i], b[i], 5e-7) << "parameter " << i;
}

// Builds a state chunk around an arbitrary XML text, as the writer lays it out.
void PutStateChunk(ByteChunk& chunk, const std::string& xml)
{
  const uint32_t len = uint32_t(xml.size()), b = 8 + len, pad = b & 1, a = 24 + len + pad, one = 1;
  chunk.PutBytes("RIFF", 4);
  chunk.Put(&a);
  chunk.Put(&one);
  chunk.PutBytes("QXCMQXCS", 8);
  chunk.Put(&b);
  chunk.Put(&one);
  chunk.Put(&len);
  chunk.PutBytes(xml.data(), int(len));
  if (pad) chunk.PutBytes("", 1);
}

class PresetFileTest : public testing::Test
{
protected:
  void SetUp() override
  {
    dir = qorvtest::ScratchDir(std::string("preset_file_") +
                               testing::UnitTest::GetInstance()->current_test_info()->name());
  }
  std::string Path(const std::string& name) const { return dir + "/" + name; }
  std::string dir;
};

TEST_F(PresetFileTest, RoundTripOfEveryParameterThroughAFile)
{
  PresetTestPlugin source;
  source.RandomiseParamValues();
  const std::string path = Path("all.qxs");
  ASSERT_TRUE(source.mXml.WritePresetFile(source, path.c_str(), "Everything"));

  PresetTestPlugin target;
  target.mXml.mFilterOn = false; // apply every parameter the file names
  StringBuf name;
  ASSERT_TRUE(target.mXml.LoadPresetFileAndApply(target, path.c_str(), &name));
  EXPECT_STREQ(name.Get(), "Everything");
  ExpectValuesNear(target.Values(), source.Values());
  EXPECT_STREQ(target.GetPresetName(0), "Everything");
  EXPECT_EQ(target.presetChangedNotes, 1);
  // Applied through the handler: every parameter once as a recall.
  ASSERT_EQ(int(target.handled.size()), kNumParams);
  for (int i = 0; i < kNumParams; ++i)
    EXPECT_EQ(target.handled[i].source, kPresetRecall);
}

TEST_F(PresetFileTest, FileLayoutIsTheDocumentWithFourBlankIndent)
{
  PresetTestPlugin plug;
  const std::string path = Path("layout.qxs");
  ASSERT_TRUE(plug.mXml.WritePresetFile(plug, path.c_str(), "Init"));
  const std::string text = ReadText(path);
  EXPECT_EQ(text.rfind("<?xml version=\"1.0\" ?>\n<PresetXMLTree version=\"1\">\n    "
                       "<PluginVendor>Lumenkraft</PluginVendor>\n"
                       "    <PluginName>Qorv</PluginName>\n    <PluginVersion>v2.1.2</PluginVersion>\n"
                       "    <Preset name=\"Init\">\n        <Parameter>\n"
                       "            <Param name=\"GUI Scale\" val=\"1.000000\" />\n",
                       0),
            0u)
      << text.substr(0, 400);
  EXPECT_NE(text.find("<Param name=\"OUT:Ch32 Strength\" val=\"-144.000000\" />"), std::string::npos);
  EXPECT_EQ(text.find("<Data"), std::string::npos);
}

TEST_F(PresetFileTest, OnlyMixModeResetsTheListedParametersAndKeepsTheOthers)
{
  PresetTestPlugin plug;
  plug.RandomiseParamValues();
  const auto before = plug.Values();
  const std::string path = Path("mode.qxs");
  WriteText(path, Document("<Param name=\"Mix Mode\" val=\"3\"/>"));
  ASSERT_TRUE(plug.mXml.LoadPresetFileAndApply(plug, path.c_str()));
  PresetTestPlugin fresh;
  const auto after = plug.Values();
  for (int i = 0; i < kNumParams; ++i)
  {
    const bool listed = PresetParamKeysContain(PresetParamKeys(), i);
    if (i == kParamMixMode)
      EXPECT_EQ(after[i], 3);
    else if (listed)
      EXPECT_EQ(after[i], fresh.GetParam(i)->GetDefault()) << i;
    else
      EXPECT_NEAR(after[i], before[i], 5e-7) << i; // restored through the six-decimal text
  }
}

TEST_F(PresetFileTest, ValuesAreSteppedClampedAndMissingValuesAreZero)
{
  PresetTestPlugin plug;
  plug.mXml.mFilterOn = false;
  const std::string path = Path("values.qxs");
  WriteText(path, Document("<Param name=\"Mute Ch1\" val=\"0.6\"/><!-- a comment -->"
                           "<Param name=\"Main Volume\" val=\"99\"/>"
                           "<Param name=\"Not A Parameter\" val=\"1\"/><Param val=\"1\"/>"
                           "<Param name=\"NoiseGate\"/><Param name=\"Strength\" val=\"nan\"/>"
                           "<Param name=\"Mix Mode\" val=\"1\"/><Param name=\"Mix Mode\" val=\"0\"/>"));
  ASSERT_TRUE(plug.mXml.LoadPresetFileAndApply(plug, path.c_str()));
  EXPECT_EQ(plug.GetParam(ChannelParamIdx(0, kChannelMute))->Value(), 1.0);
  EXPECT_EQ(plug.GetParam(kParamMainVolume)->Value(), 24.0);
  EXPECT_EQ(plug.GetParam(kParamNoiseGate)->Value(), 0.0);
  EXPECT_TRUE(std::isfinite(plug.GetParam(kParamStrength)->Value()));
  EXPECT_EQ(plug.GetParam(kParamMixMode)->Value(), 0.0); // the later one wins
}

TEST_F(PresetFileTest, ShortNameIsAcceptedInFilesOnly)
{
  PresetTestPlugin plug;
  const std::string path = Path("short.qxs");
  const std::string doc = Document("<Param name=\"Mix Mode\" val=\"1\"/>", "Lumenkraft", "Qor");
  WriteText(path, doc);
  EXPECT_TRUE(plug.mXml.LoadPresetFileAndApply(plug, path.c_str()));
  EXPECT_EQ(plug.GetParam(kParamMixMode)->Value(), 1.0);

  PresetTestPlugin state;
  ByteChunk chunk;
  PutStateChunk(chunk, doc);
  EXPECT_EQ(IXMLParameters::ReadStateChunk(state, chunk, 0), -1);
  EXPECT_EQ(state.GetParam(kParamMixMode)->Value(), 2.0);
}

struct BadFile
{
  const char* what;
  std::string text;
};

class RefusedPresetFile : public testing::TestWithParam<BadFile>
{
};

TEST_P(RefusedPresetFile, ChangesNothing)
{
  const std::string dir =
      qorvtest::ScratchDir("refused_preset_" + std::to_string(GetParam().text.size()) + "_" +
                           std::to_string(std::hash<std::string>()(GetParam().what)));
  const std::string path = dir + "/bad.qxs";
  WriteText(path, GetParam().text);
  PresetTestPlugin plug;
  plug.RandomiseParamValues();
  const auto before = plug.Values();
  plug.handled.clear();
  StringBuf name("untouched");
  EXPECT_FALSE(plug.mXml.IsAcceptablePresetFile(plug, path.c_str()));
  EXPECT_FALSE(plug.mXml.LoadPresetFileAndApply(plug, path.c_str(), &name));
  EXPECT_EQ(plug.Values(), before);
  EXPECT_STREQ(name.Get(), "untouched");
  EXPECT_STREQ(plug.GetPresetName(0), "Init");
  EXPECT_TRUE(plug.handled.empty());
  EXPECT_EQ(plug.presetChangedNotes, 0);

  std::vector<double> values(kNumParams, 7.0);
  EXPECT_FALSE(plug.mXml.ReadPresetFile(plug, path.c_str(), values.data()));
  EXPECT_EQ(values, std::vector<double>(kNumParams, 7.0));
}

const std::string kGood = Document("<Param name=\"Mix Mode\" val=\"1\"/>");

std::vector<BadFile> BadFiles()
{
  std::vector<BadFile> files = {
      {"other maker", Document("<Param name=\"Mix Mode\" val=\"1\"/>", "Someone Else")},
      {"name one letter off", Document("<Param name=\"Mix Mode\" val=\"1\"/>", "Lumenkraft", "Qorw")},
      {"empty vendor", Document("<Param name=\"Mix Mode\" val=\"1\"/>", "")},
      {"lower-case element",
       Document("<Param name=\"Mix Mode\" val=\"1\"/><param name=\"Hold\" val=\"1\"/>")},
      {"empty parameter list", Document("")},
      {"comment first", Document("<!-- x --><Param name=\"Mix Mode\" val=\"1\"/>")},
      {"preset without name", Document("<Param name=\"Mix Mode\" val=\"1\"/>", "Lumenkraft", "Qorv",
                                       "<Preset title=\"x\" name=\"y\">")},
      {"no version", "<PresetXMLTree><PluginVendor>Lumenkraft</PluginVendor><PluginName>Qorv</PluginName>"
                     "<Preset name=\"a\"><Parameter><Param name=\"Mix Mode\" val=\"1\"/></Parameter></Preset>"
                     "</PresetXMLTree>"},
      {"other root", "<Tree><PluginVendor>Lumenkraft</PluginVendor></Tree>"},
      {"empty file", ""},
      {"garbage", std::string("\x00\xff\x13garbage<<>>&&", 15)},
      {"deep nesting", std::string(100000, '<')},
      {"deeply nested elements",
       []
       {
         std::string s = "<PresetXMLTree>";
         for (int i = 0; i < 5000; ++i)
           s += "<a>";
         return s;
       }()},
  };
  // Every truncation of a good file.
  for (size_t n = 1; n < kGood.size() - 2; n += 7)
    files.push_back({"truncated", kGood.substr(0, n)});
  return files;
}

INSTANTIATE_TEST_SUITE_P(Files, RefusedPresetFile, testing::ValuesIn(BadFiles()));

TEST_F(PresetFileTest, MissingFileAndFolderAreRefused)
{
  PresetTestPlugin plug;
  EXPECT_FALSE(plug.mXml.LoadPresetFileAndApply(plug, Path("none.qxs").c_str()));
  EXPECT_FALSE(plug.mXml.LoadPresetFileAndApply(plug, dir.c_str()));
  EXPECT_FALSE(plug.mXml.LoadPresetFileAndApply(plug, ""));
  EXPECT_FALSE(plug.mXml.WritePresetFile(plug, (dir + "/no/such/folder.qxs").c_str(), "x"));
}

TEST_F(PresetFileTest, StartUpStoresIntoTheCurrentRecordWithoutRestoring)
{
  PresetTestPlugin plug;
  WriteText(Path("default.qxs"),
            Document("<Param name=\"Mix Mode\" val=\"3\"/>", "Lumenkraft", "Qorv", "<Preset name=\"Init\">"));
  ASSERT_TRUE(plug.mXml.LoadDefaultPreset(plug, dir.c_str()));
  EXPECT_EQ(plug.GetParam(kParamMixMode)->Value(), 3.0);
  EXPECT_EQ(plug.GetParam(kParamMixMode)->GetDefault(), 2.0);
  EXPECT_TRUE(plug.handled.empty());
  EXPECT_EQ(plug.presetChangedNotes, 0);

  // Saving the default writes the current values as "Init".
  plug.GetParam(kParamHold)->Set(1.5);
  ASSERT_TRUE(plug.mXml.SaveDefaultPreset(plug, dir.c_str()));
  PresetTestPlugin other;
  StringBuf name;
  ASSERT_TRUE(other.mXml.LoadPresetFileAndApply(other, Path("default.qxs").c_str(), &name, true));
  EXPECT_STREQ(name.Get(), "Init");
  EXPECT_EQ(other.GetParam(kParamHold)->Value(), 1.5);
  EXPECT_EQ(other.GetParam(kParamMixMode)->Value(), 3.0);
}

// --- The state chunk. ---

TEST(StateChunkTest, RoundTripIntoAFreshInstanceWithExactHeader)
{
  PresetTestPlugin source;
  source.RandomiseParamValues();
  ByteChunk chunk;
  const char prefix[] = "ahead";
  chunk.PutBytes(prefix, 5);
  ASSERT_TRUE(source.SerializeState(chunk));

  const uint8_t* d = chunk.GetData() + 5;
  uint32_t w[8];
  std::memcpy(w, d, sizeof w);
  EXPECT_EQ(std::memcmp(d, "RIFF", 4), 0);
  EXPECT_EQ(w[2], 1u);
  EXPECT_EQ(std::memcmp(d + 12, "QXCMQXCS", 8), 0);
  EXPECT_EQ(w[6], 1u);
  const uint32_t len = w[7];
  EXPECT_EQ(w[5], 8 + len);
  EXPECT_EQ(w[1], 24 + len + (len & 1));
  EXPECT_EQ(uint32_t(chunk.Size() - 5), 8 + w[1]);
  EXPECT_EQ(w[1] % 2, 0u);
  if (len & 1)
  {
    EXPECT_EQ(d[32 + len], 0);
  }
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(d + 32), 22), "<?xml version=\"1.0\" ?>");

  PresetTestPlugin target;
  EXPECT_EQ(target.UnserializeState(chunk, 5), chunk.Size());
  ExpectValuesNear(target.Values(), source.Values());
  ASSERT_EQ(int(target.handled.size()), kNumParams);
  EXPECT_EQ(target.handled.back().source, kPresetRecall);
}

TEST(StateChunkTest, ValuesSixDecimalsWouldChangeComeBackExactly)
{
  PresetTestPlugin source;
  // A host hands values over as 32-bit floats; six decimals would round them.
  source.GetParam(kParamStrength)->Set(double(0.37f));
  source.GetParam(kParamAttack)->Set(0.25);
  ByteChunk chunk;
  ASSERT_TRUE(source.SerializeState(chunk));
  const std::string text(reinterpret_cast<const char*>(chunk.GetData()), size_t(chunk.Size()));
  EXPECT_NE(text.find("val=\"0.250000\""), std::string::npos); // values six decimals keep are written so

  PresetTestPlugin target;
  ASSERT_EQ(target.UnserializeState(chunk, 0), chunk.Size());
  EXPECT_EQ(target.GetParam(kParamStrength)->Value(), double(0.37f));
  EXPECT_EQ(target.GetParam(kParamAttack)->Value(), 0.25);
}

TEST(StateChunkTest, OddAndEvenTextLengthsPadToEvenAndReadToTheEnd)
{
  for (const std::string& extra : {std::string(""), std::string(" ")})
  {
    PresetTestPlugin plug;
    ByteChunk chunk;
    PutStateChunk(chunk, Document("<Param name=\"Hold\" val=\"2\"/>") + extra);
    const uint8_t tail = 0x5A;
    chunk.Put(&tail); // the next state of the host follows
    EXPECT_EQ(IXMLParameters::ReadStateChunk(plug, chunk, 0), chunk.Size() - 1);
    EXPECT_EQ(plug.GetParam(kParamHold)->Value(), 2.0);
  }
}

TEST(StateChunkTest, NoChunkHereReturnsThePosition)
{
  PresetTestPlugin plug;
  ByteChunk empty;
  EXPECT_EQ(IXMLParameters::ReadStateChunk(plug, empty, 0), 0);
  ByteChunk other;
  other.PutBytes("RIFX and more bytes behind it, quite a few of them", 50);
  EXPECT_EQ(IXMLParameters::ReadStateChunk(plug, other, 0), 0);
  EXPECT_EQ(IXMLParameters::ReadStateChunk(plug, other, 48), 48);
  EXPECT_EQ(IXMLParameters::ReadStateChunk(plug, other, -3), -3);
  EXPECT_TRUE(plug.handled.empty());
}

TEST(StateChunkTest, EveryTruncationAndEveryCorruptedHeaderWordIsRefused)
{
  PresetTestPlugin source;
  source.RandomiseParamValues();
  ByteChunk good;
  ASSERT_TRUE(source.SerializeState(good));

  for (int n = 4; n < good.Size(); n += (n < 64 ? 1 : 97))
  {
    ByteChunk cut;
    cut.PutBytes(good.GetData(), n);
    PresetTestPlugin plug;
    const auto before = plug.Values();
    EXPECT_EQ(plug.UnserializeState(cut, 0), -1) << n;
    EXPECT_EQ(plug.Values(), before);
    EXPECT_TRUE(plug.handled.empty());
  }
  // Each header word, and a length that claims more than is there.
  const std::pair<int, uint32_t> corruptions[] = {
      {4, 0xFFFFFFF0u},  {8, 2}, {12, 0}, {16, 0}, {20, 0}, {24, 0}, {28, 0xFFFFFFFFu},
      {28, 0x7FFFFFFFu}, {4, 3}};
  for (const auto& [offset, value] : corruptions)
  {
    ByteChunk bad;
    bad.PutChunk(&good);
    std::memcpy(bad.GetData() + offset, &value, 4);
    PresetTestPlugin plug;
    const auto before = plug.Values();
    EXPECT_EQ(plug.UnserializeState(bad, 0), -1) << offset;
    EXPECT_EQ(plug.Values(), before);
  }
}

TEST(StateChunkTest, GarbageNeverCrashesAndNeverHalfApplies)
{
  PresetTestPlugin source;
  source.RandomiseParamValues();
  ByteChunk good;
  ASSERT_TRUE(source.SerializeState(good));
  std::mt19937 rng(7);
  for (int round = 0; round < 200; ++round)
  {
    ByteChunk bad;
    bad.PutChunk(&good);
    for (int k = 0; k < 1 + round % 5; ++k)
      bad.GetData()[rng() % bad.Size()] = uint8_t(rng());
    PresetTestPlugin plug;
    const auto before = plug.Values();
    const int pos = plug.UnserializeState(bad, 0);
    if (pos < 0)
      EXPECT_EQ(plug.Values(), before);
    else
      EXPECT_LE(pos, bad.Size());
  }
}

TEST(StateChunkTest, LongPresetNamesAreBounded)
{
  PresetTestPlugin plug;
  ByteChunk chunk;
  PutStateChunk(chunk, Document("<Param name=\"Hold\" val=\"1\"/>", "Lumenkraft", "Qorv",
                                "<Preset name=\"" + std::string(5000, 'n') + "\">"));
  EXPECT_EQ(plug.UnserializeState(chunk, 0), chunk.Size());
  EXPECT_EQ(std::strlen(plug.GetPresetName(0)), size_t(IPreset::kNameLen - 1));
}

TEST(StateChunkTest, AnAttributeCutOffAtTheEndOfTheTextIsRefused)
{
  PresetTestPlugin plug;
  for (const char* tail : {"<PresetZal=\"1.5\n", "<Preset name=\"", "<Preset a=", "<Param name='x"})
  {
    ByteChunk chunk;
    PutStateChunk(chunk, "<?xml version=\"1.0\" ?>\n<PresetXMLTree version=\"1\">\n" + std::string(tail));
    EXPECT_EQ(plug.UnserializeState(chunk, 0), -1) << tail;
  }
}

TEST(StateChunkTest, TextEndsAtAnEarlierZeroByte)
{
  PresetTestPlugin plug;
  ByteChunk chunk;
  PutStateChunk(chunk, Document("<Param name=\"Hold\" val=\"1\"/>") + std::string("\0<junk", 6));
  EXPECT_EQ(plug.UnserializeState(chunk, 0), chunk.Size());
  EXPECT_EQ(plug.GetParam(kParamHold)->Value(), 1.0);
}
} // namespace

// Every value is written as "%f" writes it when that reads back exactly, else as "%.17g" does: random
// doubles of every size and sign, the floats a host hands over, whole numbers and the zeros.
TEST(StateChunkTest, ValueTextsAreThoseOfTheCLibrarysFormats)
{
  std::mt19937_64 rng(17);
  std::uniform_real_distribution<double> unit(-1.0, 1.0);
  std::uniform_int_distribution<int> exponent(-30, 30);
  PresetTestPlugin plug;
  std::vector<double> values(size_t(plug.NParams()));
  for (int round = 0; round < 200; ++round)
  {
    for (size_t i = 0; i < values.size(); ++i)
    {
      const double x = unit(rng) * std::pow(10.0, exponent(rng));
      switch ((round + int(i)) % 5)
      {
      case 0:
        values[i] = x;
        break;
      case 1:
        values[i] = double(float(x));
        break;
      case 2:
        values[i] = std::round(x);
        break;
      case 3:
        values[i] = (round % 2 ? -0.0 : 0.0);
        break;
      default:
        values[i] = std::round(x * 1e6) / 1e6;
        break;
      }
    }
    TiXmlDocument doc;
    PresetXmlWriteOptions options;
    options.values = values.data();
    BuildPresetXmlTree(doc, plug, options);
    const TiXmlElement* param = doc.FirstChildElement("PresetXMLTree")
                                    ->FirstChildElement("Preset")
                                    ->FirstChildElement("Parameter")
                                    ->FirstChildElement("Param");
    for (size_t i = 0; i < values.size(); ++i, param = param->NextSiblingElement("Param"))
    {
      ASSERT_NE(param, nullptr);
      char text[400];
      std::snprintf(text, sizeof text, "%f", values[i]);
      double back = 0.0;
      if (!(std::sscanf(text, "%lf", &back) == 1 && back == values[i]))
        std::snprintf(text, sizeof text, "%.17g", values[i]);
      ASSERT_STREQ(param->Attribute("val"), text) << values[i];
    }
  }
}
