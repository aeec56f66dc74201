#include "mixer/DspUtilities.h"

#include <cmath>
#include <complex>
#include <functional>
#include <numbers>
#include <utility>

namespace iplugin
{
namespace
{
constexpr double kPi = std::numbers::pi;

// Modified Bessel function of the first kind, order 0, summed until a term is below 1e-21 of the sum.
double BesselI0(double x)
{
  const double half = x * 0.5;
  double term = 1.0;
  double sum = 1.0;
  for (int k = 1; k < 500; ++k)
  {
    const double f = half / k;
    term *= f * f;
    sum += term;
    if (term < 1e-21 * sum) break;
  }
  return sum;
}

double KaiserValue(int k, int length, double beta)
{
  const double r = 2.0 * k / (length - 1) - 1.0;
  return BesselI0(beta * std::sqrt(std::fmax(0.0, 1.0 - r * r))) / BesselI0(beta);
}

double WindowValue(int type, int k, int length, double x)
{
  switch (type)
  {
  case kWindowBlackman:
    return 0.42 - 0.5 * std::cos(x) + 0.08 * std::cos(2 * x);
  case kWindowKaiser2:
    return KaiserValue(k, length, 2.0);
  case kWindowKaiser25:
    return KaiserValue(k, length, 2.5);
  case kWindowKaiser3:
    return KaiserValue(k, length, 3.0);
  case kWindowRectangular:
    return 1.0;
  case kWindowHann:
    return 0.5 - 0.5 * std::cos(x);
  case kWindowTriangle:
    return 1.0 - 2.0 * std::fabs(k - (length - 1) / 2.0) / (length - 1);
  case kWindowBlackmanHarris:
    return 0.358750287312166 - 0.4882901074726 * std::cos(x) + 0.141279712970519 * std::cos(2 * x) -
           0.011679892244715 * std::cos(3 * x);
  case kWindowFlatTop:
    return 1.0 - 1.93 * std::cos(x) + 1.29 * std::cos(2 * x) - 0.388 * std::cos(3 * x) +
           0.028 * std::cos(4 * x);
  case kWindowHannSquared:
  {
    const double hann = 0.5 - 0.5 * std::cos(x);
    return hann * hann;
  }
  case kWindowSinc:
    return Sinc((k - length / 2) / kPi * 0.25);
  case kWindowBlackmanHarris7:
    return 0.2712203605850388 - 0.4334446123274422 * std::cos(x) + 0.2180041228929303 * std::cos(2 * x) -
           0.06578534329560609 * std::cos(3 * x) + 0.01076186730534183 * std::cos(4 * x) -
           0.0007700127105808265 * std::cos(5 * x) + 1.368088305992921e-5 * std::cos(6 * x);
  default:
    return 0.53836 - 0.46164 * std::cos(x);
  }
}

bool IsPowerOfTwo(int n)
{
  return n > 0 && (n & (n - 1)) == 0;
}

// Steps w by the angle whose cosine minus one and sine are given: w + w (cos - 1) + i w sin.
void Advance(double& wr, double& wi, double cosMinusOne, double sine)
{
  const double r = wr;
  wr = wr * cosMinusOne - wi * sine + wr;
  wi = wi * cosMinusOne + r * sine + wi;
}

// Pairs from the end backwards when the destination starts later in the same memory, so that no pair is
// overwritten before it is read.
template <typename Convert>
void ConvertPairs(const double* source, int sourceStart, double* destination, int destinationStart, int count,
                  Convert convert)
{
  if (!source || !destination || sourceStart < 0 || destinationStart < 0 || count < 2) return;
  const double* from = source + sourceStart;
  double* to = destination + destinationStart;
  const int pairs = count / 2;
  const bool backwards = std::greater<const double*>()(to, from);
  for (int p = 0; p < pairs; ++p)
  {
    const int i = 2 * (backwards ? pairs - 1 - p : p);
    const auto [a, b] = convert(from[i], from[i + 1]);
    to[i] = a;
    to[i + 1] = b;
  }
}
} // namespace

double Sinc(double x)
{
  if (std::fabs(x) < 1e-14) return 1.0;
  return std::sin(x) / x;
}

std::vector<double> MakeWindow(int length, int type, bool normalise)
{
  if (length < 1) return {};
  // One point: the formulas divide by length - 1; a single point is the window's centre.
  if (length == 1) return {1.0};
  std::vector<double> w(length);
  const double d = 2.0 * kPi / (length - 1);
  double sum = 0.0;
  for (int k = 0; k < length; ++k)
  {
    w[k] = WindowValue(type, k, length, k * d);
    sum += w[k];
  }
  if (normalise && sum != 0.0)
    for (double& v : w)
      v /= sum;
  return w;
}

bool FftRadix2(double* data, int n, int sign)
{
  if (!data || !IsPowerOfTwo(n)) return false;
  for (int i = 0, j = 0; i < n; ++i)
  {
    if (j > i)
    {
      std::swap(data[2 * i], data[2 * j]);
      std::swap(data[2 * i + 1], data[2 * j + 1]);
    }
    int bit = n >> 1;
    while (bit > 0 && (j & bit))
    {
      j ^= bit;
      bit >>= 1;
    }
    j |= bit;
  }
  const double direction = sign < 0 ? -1.0 : 1.0;
  for (int half = 1; half < n; half *= 2)
  {
    const double theta = direction * kPi / half;
    const double s = std::sin(0.5 * theta);
    const double cosMinusOne = -2.0 * s * s;
    const double sine = std::sin(theta);
    double wr = 1.0, wi = 0.0;
    for (int m = 0; m < half; ++m)
    {
      for (int i = m; i < n; i += 2 * half)
      {
        const int j = i + half;
        const double tr = wr * data[2 * j] - wi * data[2 * j + 1];
        const double ti = wr * data[2 * j + 1] + wi * data[2 * j];
        data[2 * j] = data[2 * i] - tr;
        data[2 * j + 1] = data[2 * i + 1] - ti;
        data[2 * i] += tr;
        data[2 * i + 1] += ti;
      }
      Advance(wr, wi, cosMinusOne, sine);
    }
  }
  return true;
}

bool RealFft(double* data, int n, int sign)
{
  if (!data || n < 2 || !IsPowerOfTwo(n) || (sign != 1 && sign != -1)) return false;
  using Complex = std::complex<double>;
  const int m = n / 2;
  // The spectra of the even and the odd samples (E, O) are separated from the transform Z of the m
  // points x_2j + i x_2j+1: E_k = (Z_k + conj Z_m-k) / 2, O_k = (Z_k - conj Z_m-k) / 2i, X_k = E_k + W^k O_k.
  const double theta = sign * 2.0 * kPi / n;
  const double s = std::sin(0.5 * theta);
  const double cosMinusOne = -2.0 * s * s;
  const double sine = std::sin(theta);
  const Complex i1(0.0, 1.0);
  auto at = [data](int k) { return Complex(data[2 * k], data[2 * k + 1]); };
  auto put = [data](int k, Complex v)
  {
    data[2 * k] = v.real();
    data[2 * k + 1] = v.imag();
  };

  if (sign > 0)
  {
    FftRadix2(data, m, 1);
    const double z0r = data[0], z0i = data[1];
    data[0] = z0r + z0i; // X_0
    data[1] = z0r - z0i; // X_m
  }
  else
  {
    const double x0 = data[0], xm = data[1];
    data[0] = (x0 + xm) * 0.5;
    data[1] = (x0 - xm) * 0.5;
  }

  double wr = 1.0, wi = 0.0;
  for (int k = 1; k <= m / 2; ++k)
  {
    Advance(wr, wi, cosMinusOne, sine);
    const Complex w(wr, wi);
    const Complex a = at(k), b = std::conj(at(m - k));
    const Complex even = (a + b) * 0.5;
    if (sign > 0)
    {
      const Complex oddTurned = w * ((a - b) * Complex(0.0, -0.5)); // W^k O_k
      put(k, even + oddTurned);
      if (m - k != k) put(m - k, std::conj(even - oddTurned));
    }
    else
    {
      const Complex odd = w * ((a - b) * 0.5); // O_k, with w = W^-k
      put(k, even + i1 * odd);
      if (m - k != k) put(m - k, std::conj(even) + i1 * std::conj(odd));
    }
  }

  if (sign < 0) FftRadix2(data, m, -1);
  return true;
}

void ToPolar(const double* source, int sourceStart, double* destination, int destinationStart, int count)
{
  ConvertPairs(source, sourceStart, destination, destinationStart, count,
               [](double re, double im)
               { return std::pair(std::sqrt(re * re + im * im), std::atan2(im, re)); });
}

void ToRectangular(const double* source, int sourceStart, double* destination, int destinationStart,
                   int count)
{
  ConvertPairs(source, sourceStart, destination, destinationStart, count,
               [](double magnitude, double phase)
               { return std::pair(magnitude * std::cos(phase), magnitude * std::sin(phase)); });
}
} // namespace iplugin
