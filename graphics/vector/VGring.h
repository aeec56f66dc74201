// Steps round a closed outline of n points, by index.
#pragma once

namespace iplugin::igraphics::ring
{
inline int Next(int k, int n)
{
  return k + 1 == n ? 0 : k + 1;
}

inline int Prev(int k, int n)
{
  return k == 0 ? n - 1 : k - 1;
}

// Steps forward from `from` to `to`.
inline int Forward(int from, int to, int n)
{
  return to >= from ? to - from : to - from + n;
}
} // namespace iplugin::igraphics::ring
