// Platform fonts: the bounded face reader over built and damaged font files, the three loaders, and the
// descriptor cache with its em ratios.
#include "graphics/mac/CoreTextFont.h"
#include "graphics/mac/FontFaceReader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

using namespace iplugin::igraphics;

namespace
{
struct Face
{
  int unitsPerEm, ascender, descender;
  std::string style; // name ID 2, Windows Unicode
};

void Put16(std::vector<uint8_t>& b, size_t at, int v)
{
  b[at] = uint8_t(v >> 8);
  b[at + 1] = uint8_t(v);
}
void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v)
{
  for (int i = 0; i < 4; ++i)
    b[at + size_t(i)] = uint8_t(v >> (24 - 8 * i));
}

// The "name" table with the family "Test" (ID 1) and the style (ID 2) as Windows UTF-16BE records.
std::vector<uint8_t> NameTable(const std::string& style)
{
  const std::string texts[2] = {"Test", style};
  std::vector<uint8_t> t(6 + 2 * 12);
  Put16(t, 2, 2);
  Put16(t, 4, int(t.size()));
  size_t offset = 0;
  std::vector<uint8_t> storage;
  for (int r = 0; r < 2; ++r)
  {
    const size_t rec = 6 + size_t(r) * 12;
    Put16(t, rec, 3);
    Put16(t, rec + 2, 1);
    Put16(t, rec + 4, 0x409);
    Put16(t, rec + 6, r + 1);
    Put16(t, rec + 8, int(texts[r].size() * 2));
    Put16(t, rec + 10, int(offset));
    for (char c : texts[r])
    {
      storage.push_back(0);
      storage.push_back(uint8_t(c));
    }
    offset += texts[r].size() * 2;
  }
  t.insert(t.end(), storage.begin(), storage.end());
  return t;
}

// One face (its directory at `at`, tables appended to b).
void AppendFace(std::vector<uint8_t>& b, size_t at, const Face& f)
{
  std::vector<uint8_t> head(54), hhea(36);
  Put16(head, 18, f.unitsPerEm);
  Put16(head, 44, 1);
  Put16(hhea, 4, f.ascender);
  Put16(hhea, 6, f.descender);
  const std::vector<uint8_t> tables[3] = {head, hhea, NameTable(f.style)};
  const char* tags[3] = {"head", "hhea", "name"};
  Put32(b, at, 0x00010000);
  Put16(b, at + 4, 3);
  for (int i = 0; i < 3; ++i)
  {
    const size_t rec = at + 12 + size_t(i) * 16;
    std::memcpy(&b[rec], tags[i], 4);
    Put32(b, rec + 8, uint32_t(b.size()));
    Put32(b, rec + 12, uint32_t(tables[i].size()));
    b.insert(b.end(), tables[i].begin(), tables[i].end());
  }
}

std::vector<uint8_t> Font(const Face& f)
{
  std::vector<uint8_t> b(12 + 3 * 16);
  AppendFace(b, 0, f);
  return b;
}

std::vector<uint8_t> Collection(const std::vector<Face>& faces)
{
  const size_t header = 12 + 4 * faces.size();
  std::vector<uint8_t> b(header + faces.size() * (12 + 3 * 16));
  std::memcpy(b.data(), "ttcf", 4);
  Put32(b, 4, 0x00010000);
  Put32(b, 8, uint32_t(faces.size()));
  for (size_t i = 0; i < faces.size(); ++i)
  {
    const size_t at = header + i * (12 + 3 * 16);
    Put32(b, 12 + 4 * i, uint32_t(at));
    AppendFace(b, at, faces[i]);
  }
  return b;
}

// Reads face i from an exact-size copy, so that a read past the end is caught.
FontFaceRecord Read(const std::vector<uint8_t>& bytes, int i = 0)
{
  auto exact = std::make_unique<uint8_t[]>(bytes.size() + (bytes.empty() ? 1 : 0));
  if (!bytes.empty()) std::memcpy(exact.get(), bytes.data(), bytes.size());
  FontFaceRecord r;
  ReadFontFace(exact.get(), bytes.size(), i, r);
  r.mData = r.mData ? bytes.data() : nullptr; // only tested for null after the copy is gone
  return r;
}
} // namespace

TEST(FontFaceReader, ReadsNamesAndMetricsOfBuiltFonts)
{
  const FontFaceRecord r = Read(Font({2048, 1900, -500, "Bold"}));
  ASSERT_TRUE(r.IsValid());
  EXPECT_STREQ(r.mFamily.Get(), "Test");
  EXPECT_STREQ(r.mStyle.Get(), "Bold");
  EXPECT_EQ(r.mUnitsPerEm, 2048);
  EXPECT_EQ(r.mMacStyle, 1);
  EXPECT_DOUBLE_EQ(r.EmRatio(), 2048.0 / 2400.0);

  const std::vector<uint8_t> ttc =
      Collection({{1000, 800, -200, ""}, {1000, 800, -200, "Italic"}, {1000, 800, -200, "Bold"}});
  EXPECT_EQ(FindFontFaceIndex(ttc.data(), ttc.size(), ""), 1);
  EXPECT_EQ(FindFontFaceIndex(ttc.data(), ttc.size(), "Bold"), 2);
  EXPECT_EQ(FindFontFaceIndex(ttc.data(), ttc.size(), "Light"), -1);
  EXPECT_FALSE(Read(ttc, 3).IsValid());
}

// The em ratio is computed in double and is 1 where the line height is not positive.
TEST(FontFaceReader, EmRatioOfEveryHeight)
{
  const struct
  {
    int upm, asc, desc;
    double ratio;
  } cases[] = {{2048, 1900, -500, 2048.0 / 2400.0},
               {1000, 0, 0, 1.0},
               {1000, 100, 300, 1.0},
               {1000, 700, -300, 1.0},
               {1000, 1500, -500, 0.5}};
  for (const auto& c : cases)
    EXPECT_DOUBLE_EQ(Read(Font({c.upm, c.asc, c.desc, "Regular"})).EmRatio(), c.ratio)
        << c.upm << " " << c.asc;
}

// Every count and offset is checked against the byte count: damaged files give no face.
TEST(FontFaceReader, DamagedFilesGiveNoFace)
{
  std::vector<uint8_t> ttcf(16, 0);
  std::memcpy(ttcf.data(), "ttcf", 4);
  Put32(ttcf, 4, 0x00010000);
  Put32(ttcf, 8, 3);
  EXPECT_FALSE(Read(ttcf, 2).mData);

  std::vector<uint8_t> manyTables = Font({1000, 800, -200, "R"});
  Put16(manyTables, 4, 4000);
  EXPECT_FALSE(Read(manyTables).mData);

  std::vector<uint8_t> farHead = Font({1000, 800, -200, "R"});
  Put32(farHead, 12 + 8, uint32_t(farHead.size() - 10));
  EXPECT_FALSE(Read(farHead).mData);

  std::vector<uint8_t> farName = Font({1000, 800, -200, "Regular"});
  const size_t name = farName.size() - NameTable("Regular").size();
  Put16(farName, name + 6 + 12 + 10, 60000);
  EXPECT_FALSE(Read(farName).mData);

  // Every cut of a real font and of a collection, and random damage, is read within its bytes.
  const std::vector<uint8_t> whole = Collection({{1000, 800, -200, ""}, {1000, 800, -200, "Bold"}});
  for (size_t n = 0; n < whole.size(); ++n)
    for (int face : {0, 1})
      Read(std::vector<uint8_t>(whole.begin(), whole.begin() + long(n)), face);
  std::mt19937 rng(17);
  for (int i = 0; i < 2000; ++i)
  {
    std::vector<uint8_t> damaged = whole;
    for (int k = 0; k < 3; ++k)
      damaged[rng() % damaged.size()] = uint8_t(rng());
    Read(damaged, int(rng() % 3));
  }
}

TEST(CoreTextFont, LoadersAndTheDescriptorCache)
{
  // Installed families by name; the style names are the platform's.
  for (auto [style, name] :
       std::vector<std::pair<int, const char*>>{{0, "Regular"}, {7, "Regular"}, {1, "Bold"}, {2, "Italic"}})
  {
    auto font = LoadCoreTextFontFromSystem("Roboto", "Roboto", style);
    ASSERT_NE(font, nullptr) << style;
    EXPECT_STREQ(font->GetStyle(), name);
    EXPECT_TRUE(font->IsSystem());
    FontDataPtr data = font->GetFontData();
    EXPECT_TRUE(data->IsValid());
  }
  EXPECT_EQ(LoadCoreTextFontFromSystem("x", "No Such Family Qorv", 0), nullptr);

  // From memory: the bytes are copied, the face is 0.
  std::vector<uint8_t> bytes = Font({2048, 1900, -500, "Regular"});
  auto memory = LoadCoreTextFontFromMemory("Test", bytes.data(), int(bytes.size()));
  ASSERT_NE(memory, nullptr);
  bytes.assign(bytes.size(), 0);
  EXPECT_EQ(memory->GetFaceRecord()->mUnitsPerEm, 2048);
  EXPECT_EQ(LoadCoreTextFontFromMemory("x", "not a font at all", 17), nullptr);

  StaticStorage<CoreTextFontDescriptor>& cache = FontDescriptorCache();
  {
    iplugin::MutexLock lock(cache.GetMutex());
    cache.Clear();
  }
  CacheCoreTextFont("Test", memory.get());
  std::vector<uint8_t> other = Font({1000, 500, -500, "Regular"});
  auto second = LoadCoreTextFontFromMemory("Test", other.data(), int(other.size()));
  CacheCoreTextFont("Test", second.get()); // the first entry stays
  IText text;
  std::strcpy(text.mFont, "Test");
  const CoreTextFontDescriptor* entry = GetCachedDescriptor(text);
  ASSERT_NE(entry, nullptr);
  EXPECT_DOUBLE_EQ(entry->mEMRatio, 2048.0 / 2400.0);
  std::strcpy(text.mFont, "Missing");
  EXPECT_EQ(GetCachedDescriptor(text), nullptr);
  iplugin::MutexLock lock(cache.GetMutex());
  cache.Clear();
}
