// An affine transform: x' = xx x + xy y + tx, y' = yx x + yy y + ty. Every operation post-multiplies,
// so it applies first, in the local coordinates of what is drawn next. Angles in degrees.
#pragma once

#include <cmath>
#include <numbers>

namespace iplugin::igraphics
{
struct IMatrix
{
  double mXX = 1.0, mYX = 0.0, mXY = 0.0, mYY = 1.0, mTX = 0.0, mTY = 0.0;

  constexpr IMatrix() = default;
  constexpr IMatrix(double xx, double yx, double xy, double yy, double tx, double ty)
      : mXX(xx), mYX(yx), mXY(xy), mYY(yy), mTX(tx), mTY(ty)
  {
  }

  constexpr bool operator==(const IMatrix& o) const
  {
    return mXX == o.mXX && mYX == o.mYX && mXY == o.mXY && mYY == o.mYY && mTX == o.mTX && mTY == o.mTY;
  }

  IMatrix& Translate(double x, double y)
  {
    mTX += x * mXX + y * mXY;
    mTY += x * mYX + y * mYY;
    return *this;
  }

  IMatrix& Scale(double x, double y)
  {
    mXX *= x;
    mYX *= x;
    mXY *= y;
    mYY *= y;
    return *this;
  }
  IMatrix& Scale(double s) { return Scale(s, s); }

  IMatrix& Rotate(double degrees)
  {
    const double a = degrees / 180.0 * std::numbers::pi;
    const double c = std::cos(a), s = std::sin(a);
    const double xx = c * mXX + s * mXY, yx = c * mYX + s * mYY;
    const double xy = c * mXY - s * mXX, yy = c * mYY - s * mYX;
    mXX = xx;
    mYX = yx;
    mXY = xy;
    mYY = yy;
    return *this;
  }

  IMatrix& Skew(double xDegrees, double yDegrees)
  {
    const double tx = std::tan(xDegrees / 180.0 * std::numbers::pi);
    const double ty = std::tan(yDegrees / 180.0 * std::numbers::pi);
    const double xx = mXX + ty * mXY, yx = mYX + ty * mYY;
    const double xy = mXY + tx * mXX, yy = mYY + tx * mYX;
    mXX = xx;
    mYX = yx;
    mXY = xy;
    mYY = yy;
    return *this;
  }

  // this := this x m: m applies first.
  IMatrix& Transform(const IMatrix& m)
  {
    const IMatrix p = *this;
    mXX = p.mXX * m.mXX + p.mXY * m.mYX;
    mYX = p.mYX * m.mXX + p.mYY * m.mYX;
    mXY = p.mXX * m.mXY + p.mXY * m.mYY;
    mYY = p.mYX * m.mXY + p.mYY * m.mYY;
    mTX = p.mXX * m.mTX + p.mXY * m.mTY + p.mTX;
    mTY = p.mYX * m.mTX + p.mYY * m.mTY + p.mTY;
    return *this;
  }

  void TransformPoint(double& x, double& y) const
  {
    const double px = x;
    x = mXX * px + mXY * y + mTX;
    y = mYX * px + mYY * y + mTY;
  }
};
} // namespace iplugin::igraphics
