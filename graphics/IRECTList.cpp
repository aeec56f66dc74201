#include "graphics/IRECTList.h"

#include <cstring>

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

void IRECTList::Shrink(int idx, const IRECT& x)
{
  const IRECT r = Get(idx);
  IRECT first, second;
  bool two = false;
  if (x.L == r.L && x.R == r.R)
  {
    // A band across the full width: keep what lies above and below it.
    two = x.T != r.T && x.B != r.B;
    first = x.T != r.T ? IRECT(r.L, r.T, r.R, x.T) : IRECT(r.L, x.B, r.R, r.B);
    second = IRECT(r.L, x.B, r.R, r.B);
  }
  else
  {
    two = x.L != r.L && x.R != r.R;
    first = x.L != r.L ? IRECT(r.L, r.T, x.L, r.B) : IRECT(x.R, r.T, r.R, r.B);
    second = IRECT(x.R, r.T, r.R, r.B);
  }
  // Cutting a middle band off without keeping the far part would leave stale pixels on screen.
  if (two && !Add(second)) return;
  Set(idx, first);
}

void IRECTList::Split(int idx, const IRECT& x)
{
  const IRECT r = Get(idx);
  IRECT appended, returned;
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
  // Without room for the appended part the rectangle stays whole, so no dirty area is dropped.
  if (!Add(appended)) return;
  Set(idx, returned);
}

void IRECTList::Optimize()
{
  // Pass 1: containment and overlap removal.
  for (int i = 0; i < Size(); ++i)
  {
    bool removedI = false;
    for (int j = i + 1; j < Size();)
    {
      const IRECT a = Get(i), b = Get(j);
      if (a.Contains(b))
      {
        Delete(j);
        continue;
      }
      if (b.Contains(a))
      {
        Delete(i);
        removedI = true;
        break;
      }
      if (!a.Empty() && !b.Empty() && b.L <= a.R && b.R > a.L && b.T <= a.B && b.B > a.T)
      {
        const IRECT x(std::max(a.L, b.L), std::max(a.T, b.T), std::min(a.R, b.R), std::min(a.B, b.B));
        if (Mergeable(a, x))
          Shrink(i, x);
        else if (Mergeable(b, x))
          Shrink(j, x);
        else if (b.W() * b.H() > a.W() * a.H())
          Split(i, x);
        else
          Split(j, x);
      }
      ++j;
    }
    if (removedI) --i;
  }

  // Pass 2: merging, restarted after every merge.
  for (int i = 0; i < Size();)
  {
    bool merged = false;
    for (int j = i + 1; j < Size(); ++j)
      if (Mergeable(Get(i), Get(j)))
      {
        Set(j, Union(Get(i), Get(j)));
        Delete(i);
        merged = true;
        break;
      }
    i = merged ? 0 : i + 1;
  }
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
