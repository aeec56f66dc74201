// 2x3 transforms and the transform lists of "transform" and "gradientTransform".
#include "graphics/svg/SVGparser.h"

#include <cmath>
#include <cstring>

#include "graphics/svg/AffineTransform.h"

namespace iplugin::igraphics
{
void svgXformIdentity(float* t)
{
  affine::Identity(t);
}

void svgXformSetTranslation(float* t, float tx, float ty)
{
  affine::Translate(t, tx, ty);
}

void svgXformSetScale(float* t, float sx, float sy)
{
  affine::Scale(t, sx, sy);
}

void svgXformSetRotation(float* t, float radians)
{
  affine::Rotate(t, radians);
}

void svgXformSetSkewX(float* t, float radians)
{
  affine::SkewX(t, radians);
}

void svgXformSetSkewY(float* t, float radians)
{
  affine::SkewY(t, radians);
}

void svgXformMultiply(float* t, const float* s)
{
  affine::Multiply(t, s);
}

void svgXformPremultiply(float* t, const float* s)
{
  affine::Premultiply(t, s);
}

void svgXformInverse(float* inv, const float* t)
{
  const double det = affine::Determinant(t);
  // A NaN determinant is treated like a zero one.
  if (!(std::fabs(det) >= 1e-6))
  {
    svgXformIdentity(inv);
    return;
  }
  affine::Invert(inv, t, det);
}

void svgXformPoint(float* dx, float* dy, float x, float y, const float* t)
{
  affine::Point(dx, dy, t, x, y);
}

void svgXformVec(float* dx, float* dy, float x, float y, const float* t)
{
  *dx = x * t[0] + y * t[2];
  *dy = x * t[1] + y * t[3];
}

namespace
{
constexpr float kPi = 3.1415927f;

bool StartsNumber(char c)
{
  return c == '-' || c == '+' || c == '.' || svgIsDigit(c);
}

// Each reader fills t and returns true when the function applies; len is where parsing goes on.
bool ParseMatrix(float* t, const char* str, int* len)
{
  float args[6];
  int na;
  *len = svgParseTransformArgs(str, args, 6, &na);
  if (na != 6) return false;
  std::memcpy(t, args, sizeof(float) * 6);
  return true;
}

bool ParseTranslate(float* t, const char* str, int* len)
{
  float args[2];
  int na;
  *len = svgParseTransformArgs(str, args, 2, &na);
  if (na < 1) return false;
  svgXformSetTranslation(t, args[0], na > 1 ? args[1] : 0.0f);
  return true;
}

bool ParseScale(float* t, const char* str, int* len)
{
  float args[2];
  int na;
  *len = svgParseTransformArgs(str, args, 2, &na);
  if (na < 1) return false;
  svgXformSetScale(t, args[0], na > 1 ? args[1] : args[0]);
  return true;
}

bool ParseRotate(float* t, const char* str, int* len)
{
  float args[3];
  int na;
  *len = svgParseTransformArgs(str, args, 3, &na);
  if (na < 1) return false;
  const float cx = na > 1 ? args[1] : 0.0f;
  const float cy = na > 2 ? args[2] : 0.0f;
  float m[6];
  if (na > 1)
    svgXformSetTranslation(t, -cx, -cy);
  else
    svgXformIdentity(t);
  svgXformSetRotation(m, args[0] / 180.0f * kPi);
  svgXformMultiply(t, m);
  if (na > 1)
  {
    svgXformSetTranslation(m, cx, cy);
    svgXformMultiply(t, m);
  }
  return true;
}

bool ParseSkewX(float* t, const char* str, int* len)
{
  float args[1];
  int na;
  *len = svgParseTransformArgs(str, args, 1, &na);
  if (na < 1) return false;
  svgXformSetSkewX(t, args[0] / 180.0f * kPi);
  return true;
}

bool ParseSkewY(float* t, const char* str, int* len)
{
  float args[1];
  int na;
  *len = svgParseTransformArgs(str, args, 1, &na);
  if (na < 1) return false;
  svgXformSetSkewY(t, args[0] / 180.0f * kPi);
  return true;
}

struct TransformFunction
{
  const char* name;
  bool (*parse)(float* t, const char* str, int* len);
};

const TransformFunction kTransformFunctions[] = {
    {"matrix", ParseMatrix}, {"translate", ParseTranslate}, {"scale", ParseScale},
    {"rotate", ParseRotate}, {"skewX", ParseSkewX},         {"skewY", ParseSkewY},
};
} // namespace

// Reads the numbers between "(" and ")". Returns the length up to the ")", or 0 when either bracket is
// missing. na is set to -1 when there are more numbers than the function takes.
int svgParseTransformArgs(const char* str, float* args, int maxNa, int* na)
{
  *na = 0;
  const char* ptr = std::strchr(str, '(');
  if (!ptr) return 0;
  const char* end = std::strchr(ptr, ')');
  if (!end) return 0;
  char it[64];
  while (ptr < end)
  {
    if (StartsNumber(*ptr))
    {
      if (*na >= maxNa)
      {
        *na = -1;
        return (int)(end - str);
      }
      ptr = svgParseNumber(ptr, it, sizeof(it));
      args[(*na)++] = (float)svgAtof(it);
    }
    else
    {
      ++ptr;
    }
  }
  return (int)(end - str);
}

void svgParseTransform(float* xform, const char* str)
{
  svgXformIdentity(xform);
  while (*str)
  {
    const TransformFunction* fn = nullptr;
    for (const TransformFunction& candidate : kTransformFunctions)
    {
      if (std::strncmp(str, candidate.name, std::strlen(candidate.name)) == 0)
      {
        fn = &candidate;
        break;
      }
    }
    if (!fn)
    {
      ++str;
      continue;
    }
    float t[6];
    int len = 0;
    // A function with surplus numbers is ignored; parsing goes on behind it.
    const bool apply = fn->parse(t, str, &len);
    str += len > 0 ? len : 1;
    if (apply) svgXformPremultiply(xform, t);
  }
}
} // namespace iplugin::igraphics
