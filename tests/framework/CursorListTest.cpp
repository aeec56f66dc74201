#include "framework/CursorList.h"

#include <gtest/gtest.h>

#include <vector>

using namespace iplugin;

namespace
{
struct Tracked
{
  explicit Tracked(std::vector<int>* log, int id) : log(log), id(id) {}
  virtual ~Tracked() { log->push_back(id); }
  std::vector<int>* log;
  int id;
};

TEST(CursorList, AddMovesTheCursorToTheNewTail)
{
  std::vector<int> log;
  CursorList<Tracked> list;
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.CursorIndex(), -1);
  EXPECT_EQ(list.LastAddedIndex(), -1);
  EXPECT_EQ(list.Get(0), nullptr);
  for (int i = 0; i < 3; ++i)
  {
    EXPECT_EQ(list.Add(new Tracked(&log, i)), i + 1);
    EXPECT_EQ(list.CursorIndex(), i);
    EXPECT_EQ(list.LastAddedIndex(), i);
    EXPECT_EQ(list.LastAdded()->id, i);
  }
}

struct Walk
{
  int from; // where the cursor stands before the lookup
  int index;
  int element;
  int cursorAfter;
};

class CursorListWalk : public testing::TestWithParam<Walk>
{
};

TEST_P(CursorListWalk, StopsAtTheIndexOrTheEnd)
{
  const Walk w = GetParam();
  std::vector<int> log;
  CursorList<Tracked> list;
  for (int i = 0; i < 3; ++i)
    list.Add(new Tracked(&log, i));
  list.Get(w.from);
  ASSERT_EQ(list.CursorIndex(), w.from);
  Tracked* t = list.Get(w.index);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->id, w.element);
  EXPECT_EQ(list.CursorIndex(), w.cursorAfter);
}

INSTANTIATE_TEST_SUITE_P(Cases, CursorListWalk,
                         testing::Values(Walk{2, 0, 0, 0}, Walk{2, 5, 2, 2}, Walk{0, -4, 0, 0},
                                         Walk{0, 1, 1, 1}, Walk{1, 1, 1, 1}, Walk{0, 2, 2, 2},
                                         Walk{2, 1, 1, 1}));

TEST(CursorList, DisposesInListOrderPerMode)
{
  std::vector<int> log;
  {
    CursorList<Tracked> list; // default: the dispose function, which deletes
    for (int i = 0; i < 3; ++i)
      list.Add(new Tracked(&log, i));
    list.Get(0);
  }
  EXPECT_EQ(log, (std::vector<int>{0, 1, 2}));

  log.clear();
  {
    CursorList<Tracked> list;
    list.SetDisposeMode(CursorList<Tracked>::kDisposeDelete);
    list.Add(new Tracked(&log, 7));
    list.Add(nullptr);
    list.Add(new Tracked(&log, 8));
  }
  EXPECT_EQ(log, (std::vector<int>{7, 8}));

  log.clear();
  std::vector<Tracked*> kept;
  {
    CursorList<Tracked> list;
    list.SetDisposeMode(CursorList<Tracked>::kDisposeNothing);
    kept.push_back(new Tracked(&log, 1));
    list.Add(kept.back());
  }
  EXPECT_TRUE(log.empty());
  for (Tracked* t : kept)
    delete t;

  static std::vector<int>* counted;
  counted = &log;
  log.clear();
  {
    CursorList<Tracked> list;
    list.SetDisposeMode(CursorList<Tracked>::kDisposeFunction,
                        [](Tracked* t)
                        {
                          counted->push_back(100 + t->id);
                          delete t;
                        });
    list.Add(new Tracked(&log, 1));
    list.Add(new Tracked(&log, 2));
  }
  EXPECT_EQ(log, (std::vector<int>{101, 1, 102, 2}));
}
} // namespace
