// Spectral and filter-design helpers carried beside the mixer: sinc, window tables, a radix-2 complex
// transform, the real transform on top of it, and conversions between (re, im) and (magnitude, phase).
#pragma once

#include <vector>

namespace iplugin
{
enum EWindowType
{
  kWindowBlackman = 1,
  kWindowKaiser2 = 2, // Kaiser, beta 2.0
  kWindowKaiser25 = 3,
  kWindowKaiser3 = 4,
  kWindowHamming = 5, // also every type outside 1..13
  kWindowRectangular = 6,
  kWindowHann = 7,
  kWindowTriangle = 8,
  kWindowBlackmanHarris = 9,
  kWindowFlatTop = 10,
  kWindowHannSquared = 11,
  kWindowSinc = 12,
  kWindowBlackmanHarris7 = 13
};

// sin(x) / x, and 1.0 when |x| < 1e-14.
double Sinc(double x);

// A window of `length` values, over x_k = k x 2 pi / (length - 1); with normalise, divided by the sum of
// its values. An empty table for length < 1, and {1.0} for length 1.
std::vector<double> MakeWindow(int length, int type, bool normalise);

// In place over n complex points (2n doubles, re and im interleaved):
// X_k = sum over j of x_j exp(sign x 2 pi i j k / n), sign +1 or -1, without scaling.
// n must be a power of two; otherwise (or with a null pointer) nothing changes and the result is false.
bool FftRadix2(double* data, int n, int sign);

// In place over n real values (n a power of two, at least 2). Sign +1: the transform of FftRadix2 with
// sign +1 for k = 0 .. n/2, packed as data[0] = X_0, data[1] = X_(n/2) (both real) and
// (data[2k], data[2k+1]) = X_k. Sign -1 undoes it and leaves the input times n/2. False, with nothing
// changed, for any other n, sign or a null pointer.
bool RealFft(double* data, int n, int sign);

// count doubles (count / 2 pairs) from source + sourceStart to destination + destinationStart:
// (re, im) become (magnitude, phase), or back. Source and destination may overlap.
void ToPolar(const double* source, int sourceStart, double* destination, int destinationStart, int count);
void ToRectangular(const double* source, int sourceStart, double* destination, int destinationStart,
                   int count);
} // namespace iplugin
