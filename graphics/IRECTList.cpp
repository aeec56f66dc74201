#include "graphics/IRECTList.h"

#include <cstring>
#include <vector>

namespace iplugin::igraphics
{
bool IRECTList::Add(const IRECT& r)
{
  const int n = Size();
  if (n >= mMaxCount) return false;
  mRects.Resize(n + 1);
  if (Size() != n + 1) return false;
  mRects.Get()[n] = r;
  return true;
}

void IRECTList::Set(int idx, const IRECT& r)
{
  if (idx >= 0 && idx < Size()) mRects.Get()[idx] = r;
}

void IRECTList::Delete(int idx)
{
  const int n = Size();
  if (idx < 0 || idx >= n) return;
  IRECT* p = mRects.Get();
  std::memmove(p + idx, p + idx + 1, sizeof(IRECT) * size_t(n - idx - 1));
  mRects.Resize(n - 1);
}

IRECT IRECTList::Union(const IRECT& a, const IRECT& b)
{
  if (a.Empty()) return b;
  if (b.Empty()) return a;
  return IRECT(std::min(a.L, b.L), std::min(a.T, b.T), std::max(a.R, b.R), std::max(a.B, b.B));
}

IRECT IRECTList::Bounds() const
{
  IRECT u;
  for (int i = 0; i < Size(); ++i)
    u = Union(u, Get(i));
  return u;
}

void IRECTList::PixelAlign(float scale)
{
  for (int i = 0; i < Size(); ++i)
    mRects.Get()[i] = Get(i).PixelAligned(scale);
}

bool IRECTList::Mergeable(const IRECT& a, const IRECT& b)
{
  if (a.Empty() || b.Empty()) return true;
  if (a.L == b.L && a.R == b.R && ((a.T >= b.T && a.T <= b.B) || (b.T >= a.T && b.T <= a.B))) return true;
  if (a.T == b.T && a.B == b.B && ((a.L >= b.L && a.L <= b.R) || (b.L >= a.L && b.L <= a.R))) return true;
  return false;
}

namespace
{
// The part of r outside x, which spans r's full width or height; when x crosses r's middle the part beyond it
// is second and the answer is true.
bool ShrinkParts(const IRECT& r, const IRECT& x, IRECT& first, IRECT& second)
{
  if (x.L == r.L && x.R == r.R)
  {
    // A band across the full width: keep what lies above and below it.
    first = x.T != r.T ? IRECT(r.L, r.T, r.R, x.T) : IRECT(r.L, x.B, r.R, r.B);
    second = IRECT(r.L, x.B, r.R, r.B);
    return x.T != r.T && x.B != r.B;
  }
  first = x.L != r.L ? IRECT(r.L, r.T, x.L, r.B) : IRECT(x.R, r.T, r.R, r.B);
  second = IRECT(x.R, r.T, r.R, r.B);
  return x.L != r.L && x.R != r.R;
}

// r outside its corner x as two parts: one that replaces r and one to append.
void SplitParts(const IRECT& r, const IRECT& x, IRECT& appended, IRECT& returned)
{
  if (r.L == x.L && r.T == x.T)
  {
    appended = IRECT(x.R, r.T, r.R, x.B);
    returned = IRECT(r.L, x.B, r.R, r.B);
  }
  else if (r.L == x.L)
  {
    appended = IRECT(r.L, r.T, r.R, x.T);
    returned = IRECT(x.R, x.T, r.R, r.B);
  }
  else if (r.T == x.T)
  {
    appended = IRECT(r.L, r.T, x.L, x.B);
    returned = IRECT(r.L, x.B, r.R, r.B);
  }
  else
  {
    appended = IRECT(r.L, r.T, r.R, x.T);
    returned = IRECT(r.L, x.T, x.L, r.B);
  }
}
} // namespace

void IRECTList::Optimize()
{
  // A full frame brings hundreds of entries, most of them inside others: deleted entries are only marked,
  // and the list closes up once at the end, instead of moving its tail at every deletion.
  std::vector<char> dead(size_t(Size()), 0);
  int live = Size();
  auto kill = [&](int idx)
  {
    dead[size_t(idx)] = 1;
    --live;
  };
  // The list's limit counts the entries still alive.
  auto append = [&](const IRECT& r)
  {
    const int n = Size();
    if (live >= mMaxCount) return false;
    mRects.Resize(n + 1);
    if (Size() != n + 1) return false;
    mRects.Get()[n] = r;
    dead.push_back(0);
    ++live;
    return true;
  };
  auto nextLive = [&](int idx)
  {
    while (idx < Size() && dead[size_t(idx)])
      ++idx;
    return idx;
  };

  // Pass 1: containment and overlap removal.
  for (int i = nextLive(0); i < Size(); i = nextLive(i + 1))
  {
    for (int j = nextLive(i + 1); j < Size(); j = nextLive(j + 1))
    {
      const IRECT a = Get(i), b = Get(j);
      if (a.Contains(b))
      {
        kill(j);
        continue;
      }
      if (b.Contains(a))
      {
        kill(i);
        break;
      }
      if (!a.Empty() && !b.Empty() && b.L <= a.R && b.R > a.L && b.T <= a.B && b.B > a.T)
      {
        const IRECT x(std::max(a.L, b.L), std::max(a.T, b.T), std::min(a.R, b.R), std::min(a.B, b.B));
        IRECT first, second;
        if (Mergeable(a, x))
        {
          // Cutting a middle band off without keeping the far part would leave stale pixels on screen.
          if (!ShrinkParts(a, x, first, second) || append(second)) Set(i, first);
        }
        else if (Mergeable(b, x))
        {
          if (!ShrinkParts(b, x, first, second) || append(second)) Set(j, first);
        }
        else
        {
          // Without room for the appended part the rectangle stays whole, so no dirty area is dropped.
          const int idx = b.W() * b.H() > a.W() * a.H() ? i : j;
          SplitParts(Get(idx), x, first, second);
          if (append(first)) Set(idx, second);
        }
      }
    }
  }

  // Pass 2: merging, each entry with the first later one it merges with, restarted from the front after every
  // merge. No pair before the merged entry merged when it was reached, and only the union is new, so the
  // restart only has to try the earlier entries against the union before going on past the merged entry.
  for (int i = nextLive(0); i < Size();)
  {
    int j = nextLive(i + 1);
    while (j < Size() && !Mergeable(Get(i), Get(j)))
      j = nextLive(j + 1);
    if (j >= Size())
    {
      i = nextLive(i + 1);
      continue;
    }
    for (;;)
    {
      Set(j, Union(Get(i), Get(j)));
      kill(i);
      const int merged = i;
      for (i = nextLive(0); i < merged && !Mergeable(Get(i), Get(j)); i = nextLive(i + 1))
      {
      }
      if (i >= merged) break;
    }
    i = nextLive(i);
  }

  int kept = 0;
  for (int i = 0; i < Size(); ++i)
    if (!dead[size_t(i)]) mRects.Get()[kept++] = Get(i);
  mRects.Resize(kept);
}

void IRECTList::JoinNear(float gap)
{
  for (int i = 0; i < Size();)
  {
    bool joined = false;
    for (int j = i + 1; j < Size() && !joined; ++j)
    {
      const IRECT a = Get(i), b = Get(j);
      const bool rows = a.T == b.T && a.B == b.B && std::max(a.L, b.L) - std::min(a.R, b.R) <= gap;
      const bool columns = a.L == b.L && a.R == b.R && std::max(a.T, b.T) - std::min(a.B, b.B) <= gap;
      if (rows || columns)
      {
        Set(j, Union(a, b));
        Delete(i);
        joined = true;
      }
    }
    i = joined ? 0 : i + 1;
  }
}
} // namespace iplugin::igraphics
