// Index of the largest of a few levels, or -1 when a threshold lies above them.
#pragma once

namespace iplugin
{
namespace detail
{
// Pairwise knock-out over values[first .. first + count), count a power of two; the later element wins a
// tie, so the highest index among equal maxima comes out.
inline int KnockOut(const double* values, int first, int count)
{
  if (count == 1) return first;
  const int half = count / 2;
  const int a = KnockOut(values, first, half);
  const int b = KnockOut(values, first + half, half);
  return values[b] >= values[a] ? b : a;
}
} // namespace detail

// Of 32 values: the index of the largest (the highest index among equal maxima), or -1 when threshold is
// larger than that maximum.
inline int ArgMax32(const double* values, double threshold)
{
  const int w = detail::KnockOut(values, 0, 32);
  return threshold > values[w] ? -1 : w;
}

// The same over 8 values.
inline int ArgMax8(const double* values, double threshold)
{
  const int w = detail::KnockOut(values, 0, 8);
  return threshold > values[w] ? -1 : w;
}

// Of 4 values: the index of the one strictly greater than the other three, or -1 when there is none or
// threshold is larger than all four.
inline int ArgMax4(const double* values, double threshold)
{
  int w = -1;
  for (int i = 0; i < 4; ++i)
  {
    bool greatest = true;
    for (int j = 0; j < 4; ++j)
      if (j != i && !(values[i] > values[j])) greatest = false;
    if (greatest) w = i;
  }
  if (w < 0) return -1;
  return threshold > values[w] ? -1 : w;
}
} // namespace iplugin
