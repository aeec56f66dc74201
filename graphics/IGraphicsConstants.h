// The framework's default colours, blends, text styles and vector-control style. Constant-initialised,
// one definition for the whole program.
#pragma once

#include "graphics/IGraphicsStructs.h"

#include <initializer_list>

namespace iplugin::igraphics
{
inline constexpr IColor kColorTransparent(0, 0, 0, 0);
inline constexpr IColor kColorTranslucent(10, 0, 0, 0);
inline constexpr IColor kColorBlack(255, 0, 0, 0);
inline constexpr IColor kColorDropShadow(128, 0, 0, 0);
inline constexpr IColor kColorGray(255, 127, 127, 127);
inline constexpr IColor kColorLightGray(255, 240, 240, 240);
inline constexpr IColor kColorMidGray(255, 200, 200, 200);
inline constexpr IColor kColorDarkGray(255, 70, 70, 70);
inline constexpr IColor kColorWhite(255, 255, 255, 255);
inline constexpr IColor kColorRed(255, 255, 0, 0);
inline constexpr IColor kColorGreen(255, 0, 255, 0);
inline constexpr IColor kColorBlue(255, 0, 0, 255);
inline constexpr IColor kColorYellow(255, 255, 255, 0);
inline constexpr IColor kColorOrange(255, 255, 127, 0);
inline constexpr IColor kColorIndigo(255, 75, 0, 130);
inline constexpr IColor kColorViolet(255, 148, 0, 211);
inline constexpr IColor kColorShadow(60, 0, 0, 0);
inline constexpr IColor kColorSeries[4] = {{255, 36, 157, 16}, {255, 153, 191, 28}, {255, 215, 222, 37},
                                           {255, 247, 153, 33}};

inline constexpr IColor kDefaultTextColor = kColorBlack;
inline constexpr IColor kDefaultTextEntryBGColor = kColorWhite;
inline constexpr IColor kDefaultTextEntryFGColor = kColorBlack;

inline constexpr IBlend kBlend75(kBlendDefault, 0.75f);
inline constexpr IBlend kBlend50(kBlendDefault, 0.5f);
inline constexpr IBlend kBlend25(kBlendDefault, 0.25f);
inline constexpr IBlend kBlend10(kBlendDefault, 0.1f);
inline constexpr IBlend kBlend05(kBlendDefault, 0.05f);
inline constexpr IBlend kBlend01(kBlendDefault, 0.01f);
inline constexpr IBlend kBlendDstIn(kBlendDestIn, 1.f);
inline constexpr IBlend kBlendDstOver(kBlendDestOver, 1.f);

inline constexpr float kAmpMinus90dB = 3.1622778e-5f; // 10^(-90/20)

inline constexpr const char* kDefaultFont = "Roboto-Regular";

inline constexpr IText kDefaultText(14.f, kDefaultTextColor, kDefaultFont, kAlignCenter, kVAlignMiddle, 0.f,
                                    kDefaultTextEntryBGColor, kDefaultTextEntryFGColor);
inline constexpr IText kDefaultLabelText(19.f, kDefaultTextColor, kDefaultFont, kAlignCenter, kVAlignTop, 0.f,
                                         kDefaultTextEntryBGColor, kDefaultTextEntryFGColor);
inline constexpr IText kDefaultValueText(14.f, kDefaultTextColor, kDefaultFont, kAlignCenter, kVAlignBottom,
                                         0.f, kDefaultTextEntryBGColor, kDefaultTextEntryFGColor);

// The nine colours of a vector control, by role index 0..8.
struct IVColorSpec
{
  static constexpr int kNumColors = 9;
  IColor mColors[kNumColors] = {kColorTransparent, kColorMidGray, kColorLightGray, kColorDarkGray, kColorTranslucent,
                                kColorShadow, kColorBlack, kColorGreen, kColorBlue};

  constexpr IVColorSpec() = default;
  // The list's colours first, the defaults for the rest; past nine entries the list is cut.
  constexpr IVColorSpec(std::initializer_list<IColor> colors)
  {
    int i = 0;
    for (const IColor& c : colors)
    {
      if (i == kNumColors) break;
      mColors[i++] = c;
    }
  }
  constexpr const IColor& GetColor(int idx) const { return mColors[idx]; }
};

inline constexpr IVColorSpec kDefaultColorSpec;

// The style record of the vector-drawn control family; the fields in their stored order.
struct IVStyle
{
  bool mHideCursor = true;
  bool mShowLabel = true;
  bool mShowValue = true;
  bool mDrawFrame = true;
  bool mDrawShadows = true;
  bool mEmboss = false;
  float mRoundness = 0.f;
  float mFrameThickness = 1.f;
  float mShadowOffset = 3.f;
  float mWidgetFrac = 1.f;
  float mAngle = 0.f; // degrees
  IVColorSpec mColorSpec;
  IText mLabelText = kDefaultLabelText;
  IText mValueText = kDefaultValueText;
};

inline constexpr IVStyle kDefaultStyle;
} // namespace iplugin::igraphics
