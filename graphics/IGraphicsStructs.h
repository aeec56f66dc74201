// The plain values that drawing calls, controls and the platform layer exchange: colours, paints,
// blends, stroke and fill settings, text styles, drop shadows and mouse records. Copyable, unowned.
#pragma once

#include "graphics/IMatrix.h"
#include "graphics/IRECT.h"

#include <cstdint>
#include <cstring>

namespace iplugin::igraphics
{
// Components 0..255; the default is opaque black.
struct IColor
{
  int A = 255, R = 0, G = 0, B = 0;

  constexpr IColor() = default;
  constexpr IColor(int a, int r, int g, int b) : A(a), R(r), G(g), B(b) {}
  constexpr bool operator==(const IColor& o) const { return A == o.A && R == o.R && G == o.G && B == o.B; }
  constexpr bool operator!=(const IColor& o) const { return !(*this == o); }
};

enum EBlend
{
  kBlendDefault = 0, // source over
  kBlendSourceIn,
  kBlendSourceOut,
  kBlendSourceAtop,
  kBlendDestOver,
  kBlendDestIn,
  kBlendDestOut,
  kBlendDestAtop,
  kBlendAdd, // source x source alpha + destination x destination alpha
  kBlendXOR
};

// A null IBlend pointer means source over at weight 1. The weight multiplies the alpha drawn.
struct IBlend
{
  int mMethod = kBlendDefault;
  float mWeight = 1.f;

  constexpr IBlend() = default;
  constexpr IBlend(int method, float weight) : mMethod(method), mWeight(weight) {}
};

// 0 vertical, 1 horizontal.
enum EDirection
{
  kVertical = 0,
  kHorizontal = 1
};

enum EPatternType
{
  kSolidPattern = 0,
  kLinearPattern = 1,
  kRadialPattern = 2
};

enum EPatternExtend
{
  kExtendNone = 0,
  kExtendPad = 1,
  kExtendReflect = 2,
  kExtendRepeat = 3
};

struct IColorStop
{
  IColor mColor;
  float mOffset = 0.f;
};

// The paint of a path. The transform maps drawing coordinates into pattern space.
struct IPattern
{
  static constexpr int kMaxStops = 16;

  int mType = kSolidPattern;
  int mExtend = kExtendPad;
  IColorStop mStops[kMaxStops] = {};
  int mNStops = 0;
  IMatrix mTransform;

  constexpr IPattern() = default;
  explicit constexpr IPattern(int type) : mType(type) {}
  // The solid pattern of one colour: one stop at 0, identity transform.
  constexpr IPattern(const IColor& color) : mNStops(1) { mStops[0] = {color, 0.f}; }

  // Appends a stop; false when all 16 are used.
  constexpr bool AddStop(const IColor& color, float offset)
  {
    if (mNStops >= kMaxStops) return false;
    mStops[mNStops++] = {color, offset};
    return true;
  }
  constexpr int NStops() const { return mNStops; }
  constexpr const IColorStop& GetStop(int idx) const { return mStops[idx]; }
};

enum ELineCap
{
  kCapButt = 0,
  kCapRound,
  kCapSquare
};

enum ELineJoin
{
  kJoinMiter = 0,
  kJoinRound,
  kJoinBevel
};

enum EFillRule
{
  kFillWinding = 0,
  kFillEvenOdd = 1
};

struct IStrokeOptions
{
  // Dashes travel with the options; the vector back end does not draw them.
  struct DashOptions
  {
    static constexpr int kMaxDashes = 8;
    float mArray[kMaxDashes] = {};
    float mOffset = 0.f;
    int mCount = 0;

    // Takes at most eight dashes.
    void SetDash(const float* array, float offset, int count)
    {
      mCount = count < 0 ? 0 : (count > kMaxDashes ? kMaxDashes : count);
      for (int i = 0; i < mCount; ++i)
        mArray[i] = array[i];
      mOffset = offset;
    }
  };

  float mMiterLimit = 10.f;
  bool mPreserve = false; // keep the path after stroking
  int mCapOption = kCapButt;
  int mJoinOption = kJoinMiter;
  DashOptions mDash;
};

struct IFillOptions
{
  int mFillRule = kFillWinding;
  bool mPreserve = false; // keep the path after filling
  // Under the non-zero rule, sub-paths wind as they were drawn, as in SVG: shapes wound alike add up and
  // one wound the other way cuts a hole. Otherwise each is solid unless PathSetWinding marks it a hole.
  bool mKeepDirections = false;
};

enum EAlign
{
  kAlignNear = 0,
  kAlignCenter = 1,
  kAlignFar = 2
};

enum EVAlign
{
  kVAlignTop = 0,
  kVAlignMiddle = 1,
  kVAlignBottom = 2
};

// A text style. The font is the name a font was loaded under.
struct IText
{
  static constexpr int kFontNameSize = 64;

  char mFont[kFontNameSize] = {};
  float mSize = 14.f;
  IColor mFGColor;
  IColor mTextEntryBGColor = IColor(255, 255, 255, 255);
  IColor mTextEntryFGColor;
  float mAngle = 0.f; // degrees
  int mAlign = kAlignCenter;
  int mVAlign = kVAlignMiddle;

  constexpr IText() = default;
  constexpr IText(float size, const IColor& color, const char* font, int align, int valign, float angle,
                  const IColor& textEntryBG, const IColor& textEntryFG)
      : mSize(size), mFGColor(color), mTextEntryBGColor(textEntryBG), mTextEntryFGColor(textEntryFG),
        mAngle(angle), mAlign(align), mVAlign(valign)
  {
    SetFont(font);
  }

  // Copies at most 63 bytes, so a long name is cut instead of running past the field.
  constexpr void SetFont(const char* font)
  {
    int i = 0;
    for (; font && font[i] && i < kFontNameSize - 1; ++i)
      mFont[i] = font[i];
    for (; i < kFontNameSize; ++i)
      mFont[i] = 0;
  }
};

// A layer's drop shadow: the blurred alpha of the layer filled with the pattern.
struct IDropShadow
{
  IPattern mPattern = IPattern(IColor(255, 0, 0, 0));
  float mBlurSize = 0.f; // points
  float mXOffset = 0.f;
  float mYOffset = 0.f;
  float mOpacity = 1.f; // below 0 counts as 0
  bool mDrawForeground = true;
};

// R: the right button, or the left one with Command held. Touch fields are 0 for the mouse.
struct IMouseMod
{
  bool L = false, R = false, S = false, C = false, A = false;
  uint64_t touchID = 0;
  float touchRadius = 0.f;

  constexpr IMouseMod() = default;
  constexpr IMouseMod(bool l, bool r = false, bool s = false, bool c = false, bool a = false,
                      uint64_t touch = 0)
      : L(l), R(r), S(s), C(c), A(a), touchID(touch)
  {
  }
};

struct IMouseInfo
{
  float x = 0.f, y = 0.f, dX = 0.f, dY = 0.f;
  IMouseMod ms;
};
} // namespace iplugin::igraphics
