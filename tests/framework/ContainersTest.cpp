#include "framework/HeapBuf.h"
#include "framework/Mutex.h"
#include "framework/PtrList.h"
#include "framework/StringBuf.h"
#include "framework/TypedBuf.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <thread>

using namespace iplugin;

struct GrowthCase
{
  int granularity;
  int size;
  int expectedAlloc;
};

class HeapBufGrowth : public testing::TestWithParam<GrowthCase>
{
};

TEST_P(HeapBufGrowth, EmptyBufferAllocatesByTheGrowthRule)
{
  const GrowthCase& c = GetParam();
  HeapBuf hb(c.granularity);
  EXPECT_NE(hb.Resize(c.size), nullptr);
  EXPECT_EQ(hb.GetAllocated(), c.expectedAlloc);
  EXPECT_EQ(hb.GetSize(), c.size);
}

INSTANTIATE_TEST_SUITE_P(Table, HeapBufGrowth,
                         testing::Values(GrowthCase{128, 10, 138}, GrowthCase{128, 300, 450},
                                         GrowthCase{128, 1, 129}, GrowthCase{4096, 10, 4000},
                                         GrowthCase{4096, 10000, 12192},
                                         GrowthCase{4096, 20000000, 24190880}));

struct ShrinkCase
{
  int from;
  int to;
  bool shrink;
  int expectedAlloc;
};

class HeapBufShrink : public testing::TestWithParam<ShrinkCase>
{
};

// Starts from a 1,500-byte allocation of granularity 128 (1,000 bytes grow to exactly 1,500).
TEST_P(HeapBufShrink, ShrinksOnlyWhenAskedAndFarBelowTheAllocation)
{
  const ShrinkCase& c = GetParam();
  HeapBuf hb(128);
  hb.Resize(c.from);
  ASSERT_EQ(hb.GetAllocated(), 1500);
  hb.Resize(c.to, c.shrink);
  EXPECT_EQ(hb.GetAllocated(), c.expectedAlloc);
  EXPECT_EQ(hb.GetSize(), c.to);
}

INSTANTIATE_TEST_SUITE_P(Table, HeapBufShrink,
                         testing::Values(ShrinkCase{1000, 100, true, 228}, ShrinkCase{1000, 900, true, 1500},
                                         ShrinkCase{1000, 100, false, 1500},
                                         ShrinkCase{1000, 1000, true, 1500}, ShrinkCase{1000, 0, true, 0}));

TEST(HeapBuf, KeepsContentsWhenGrowing)
{
  HeapBuf hb(128);
  auto* p = static_cast<char*>(hb.Resize(10));
  std::memcpy(p, "0123456789", 10);
  p = static_cast<char*>(hb.Resize(5000));
  EXPECT_EQ(std::string(p, 10), "0123456789");
}

TEST(HeapBuf, ResizeToZeroKeepsTheBlockAndReadsEmpty)
{
  HeapBuf hb(128);
  hb.Resize(50);
  EXPECT_EQ(hb.Resize(0), nullptr);
  EXPECT_EQ(hb.Get(), nullptr);
  EXPECT_EQ(hb.GetSize(), 0);
  EXPECT_EQ(hb.GetAllocated(), 178); // 50 + max(25, 128)
  EXPECT_NE(hb.Resize(20), nullptr);
  EXPECT_EQ(hb.GetAllocated(), 178);
}

TEST(HeapBuf, RequestBeyondIntRangeLeavesTheBufferAsItWas)
{
  HeapBuf hb(128);
  void* before = hb.Resize(100);
  EXPECT_EQ(hb.Resize(INT_MAX - 10), before);
  EXPECT_EQ(hb.GetSize(), 100);
  EXPECT_EQ(hb.GetAllocated(), 228);
  HeapBuf empty(4096);
  EXPECT_EQ(empty.Resize(INT_MAX), nullptr);
  EXPECT_EQ(empty.GetSize(), 0);
}

TEST(HeapBuf, NegativeSizeCountsAsZero)
{
  HeapBuf hb(128);
  hb.Resize(10);
  EXPECT_EQ(hb.Resize(-5), nullptr);
  EXPECT_EQ(hb.GetSize(), 0);
}

TEST(TypedBuf, CountsElementsAndRefusesOverflowingCounts)
{
  TypedBuf<double> tb(4096);
  double* p = tb.Resize(100);
  ASSERT_NE(p, nullptr);
  p[99] = 1.5;
  EXPECT_EQ(tb.GetSize(), 100);
  EXPECT_EQ(tb.Resize(INT_MAX / 2), p);
  EXPECT_EQ(tb.GetSize(), 100);
  EXPECT_EQ(tb.Get()[99], 1.5);
}

namespace
{
struct Tracked
{
  static inline std::string log;
  char name;
  explicit Tracked(char n) : name(n) {}
  ~Tracked() { log += name; }
};

void LogDelete(Tracked* t)
{
  Tracked::log += '*';
  delete t;
}
} // namespace

TEST(PtrList, GetOutsideTheListIsNull)
{
  PtrList<int> list;
  EXPECT_EQ(list.Get(0), nullptr);
  int a = 1, b = 2;
  list.Add(&a);
  list.Add(&b);
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Get(-1), nullptr);
  EXPECT_EQ(list.Get(2), nullptr);
  EXPECT_EQ(list.Get(1), &b);
}

TEST(PtrList, EmptyReleasesFromLastToFirstAndKeepsTheAllocation)
{
  Tracked::log.clear();
  PtrList<Tracked> list;
  list.Add(new Tracked('a'));
  list.Add(nullptr);
  list.Add(new Tracked('c'));
  list.Empty(true);
  EXPECT_EQ(Tracked::log, "ca");
  EXPECT_EQ(list.Count(), 0);

  Tracked::log.clear();
  list.Add(new Tracked('x'));
  list.Add(new Tracked('y'));
  list.Empty(true, LogDelete);
  EXPECT_EQ(Tracked::log, "*y*x");
}

TEST(PtrList, InsertAndDeleteKeepOrder)
{
  PtrList<int> list;
  int v[4] = {0, 1, 2, 3};
  list.Add(&v[1]);
  list.Add(&v[3]);
  list.Insert(0, &v[0]);
  list.Insert(2, &v[2]);
  ASSERT_EQ(list.Count(), 4);
  for (int i = 0; i < 4; ++i)
    EXPECT_EQ(list.Get(i), &v[i]);
  list.Delete(1);
  EXPECT_EQ(list.Count(), 3);
  EXPECT_EQ(list.Get(1), &v[2]);
  EXPECT_EQ(list.Find(&v[3]), 2);
  EXPECT_EQ(list.Find(&v[1]), -1);
}

TEST(StringBuf, EmptyReadsAsEmptyText)
{
  StringBuf s;
  EXPECT_STREQ(s.Get(), "");
  EXPECT_EQ(s.GetLength(), 0);
  s.Set(nullptr);
  EXPECT_STREQ(s.Get(), "");
}

TEST(StringBuf, SetAppendInsertAndLimits)
{
  StringBuf s;
  s.Set("hello world", 5);
  EXPECT_STREQ(s.Get(), "hello");
  s.Append(" there");
  EXPECT_STREQ(s.Get(), "hello there");
  s.Insert("big ", 6);
  EXPECT_STREQ(s.Get(), "hello big there");
  s.Insert("!", 1000);
  EXPECT_STREQ(s.Get(), "hello big there!");
  s.Insert(">", -3);
  EXPECT_STREQ(s.Get(), ">hello big there!");
}

TEST(StringBuf, ShorterTextKeepsTheAllocationAndClearLeavesOneNul)
{
  StringBuf s;
  s.Set(std::string(300, 'x').c_str());
  const int alloc = s.GetAllocated();
  s.Set("ab");
  EXPECT_STREQ(s.Get(), "ab");
  EXPECT_EQ(s.GetAllocated(), alloc);
  s.Set(0, nullptr, 0, 0);
  EXPECT_EQ(s.GetBufferSize(), 1);
  EXPECT_STREQ(s.Get(), "");
}

TEST(StringBuf, SetFromItsOwnTextWhileTheBlockMoves)
{
  StringBuf s;
  s.Set("abcdefgh");
  // Appending itself forces a larger block; the source must follow the move.
  for (int i = 0; i < 6; ++i)
    s.Append(s.Get());
  EXPECT_EQ(s.GetLength(), 8 * 64);
  EXPECT_EQ(std::string(s.Get()).substr(8 * 63), "abcdefgh");
  for (int i = 0; i < 8 * 64; i += 8)
    ASSERT_EQ(std::string(s.Get() + i, 8), "abcdefgh");

  StringBuf t;
  t.Set("0123456789");
  t.Set(t.Get() + 4);
  EXPECT_STREQ(t.Get(), "456789");
  const StringBuf& same = t; // assigned to itself, as a container's swap may do
  t = same;
  EXPECT_STREQ(t.Get(), "456789");
}

TEST(StringBuf, FormattedRespectsTheLimit)
{
  StringBuf s;
  s.SetFormatted(8, "%d-%s", 42, "abcdefgh");
  EXPECT_STREQ(s.Get(), "42-abcd");
  s.AppendFormatted(32, "+%.1f", 2.5);
  EXPECT_STREQ(s.Get(), "42-abcd+2.5");
  s.SetFormatted(32, "%s", "");
  EXPECT_STREQ(s.Get(), "");
}

TEST(Mutex, IsRecursiveAndExcludesOtherThreads)
{
  Mutex m;
  int counter = 0;
  m.Enter();
  m.Enter();
  std::thread other(
      [&]
      {
        MutexLock lock(m);
        counter = 2;
      });
  counter = 1;
  m.Leave();
  EXPECT_EQ(counter, 1);
  m.Leave();
  other.join();
  EXPECT_EQ(counter, 2);
}
