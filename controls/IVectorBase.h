// The mix-in of every vector-drawn control, its second base after the control base: the style, the label
// and value strings, the widget, label and value rectangles laid out from them, the pressable shapes
// (rectangle, ellipse, triangle) with shadow, emboss, hover, dimming and frame, and the press splash.
// Rectangles are valid after the control's first OnResize. Main thread only.
#pragma once

#include "framework/StringBuf.h"
#include "graphics/IControl.h"
#include "graphics/IGraphics.h"

namespace iplugin::igraphics
{
// The roles of a style's nine colours.
enum EVColor
{
  kBG = 0,
  kFG,
  kPR,
  kFR,
  kHL,
  kSH,
  kX1,
  kX2,
  kX3,
  kNumVColors
};

enum class EVShape
{
  Rectangle = 0,
  Ellipse,
  Triangle,
  TopRounded,
  AllRounded
};

class IVectorBase
{
public:
  IVectorBase(const IVStyle& style, bool labelInWidget = false, bool valueInWidget = false);
  virtual ~IVectorBase() = default;

  // Stores the control (not owned) and copies the label; null is empty.
  void AttachIControl(IControl* pControl, const char* label);

  virtual void SetStyle(const IVStyle& style) { mStyle = style; }
  virtual void DrawBackground(IGraphics& g, const IRECT& rect);
  virtual void DrawWidget(IGraphics& g) {}
  virtual void DrawLabel(IGraphics& g);
  virtual void DrawValue(IGraphics& g, bool mouseOver);
  // Shapes above AllRounded draw nothing.
  virtual IRECT DrawPressableShape(IGraphics& g, EVShape shape, const IRECT& bounds, bool pressed,
                                   bool mouseOver, bool disabled);

  // Lays out label, value and widget in parent and returns the clickable area.
  IRECT MakeRects(const IRECT& parent, bool hasHandle = false);
  IRECT GetAdjustedHandleBounds(IRECT r) const;
  float GetRoundedCornerRadius(const IRECT& r) const;
  IRECT DrawPressableRectangle(IGraphics& g, const IRECT& bounds, bool pressed, bool mouseOver, bool disabled,
                               bool roundTopLeft = true, bool roundTopRight = true,
                               bool roundBottomLeft = true, bool roundBottomRight = true);
  IRECT DrawPressableEllipse(IGraphics& g, const IRECT& bounds, bool pressed, bool mouseOver, bool disabled);
  IRECT DrawPressableTriangle(IGraphics& g, const IRECT& bounds, bool pressed, bool mouseOver, float angle,
                              bool disabled);
  // Fills the splash circle clipped to clipRect within the drawing area; empty clipRect: the whole area.
  void DrawSplash(IGraphics& g, const IRECT& clipRect = IRECT());

  const IColor& GetColor(int colorIdx) const { return mStyle.mColorSpec.mColors[colorIdx]; }
  void SetColor(int colorIdx, const IColor& color);
  const IVStyle& GetStyle() const { return mStyle; }
  const IRECT& GetWidgetBounds() const { return mWidgetBounds; }
  const IRECT& GetLabelBounds() const { return mLabelBounds; }
  const IRECT& GetValueBounds() const { return mValueBounds; }
  const char* GetLabelStr() const { return mLabelStr.Get(); }
  const char* GetValueStr() const { return mValueStr.Get(); }
  EVShape GetShape() const { return mShape; }
  float GetSplashRadius() const { return mSplashRadius; }
  void SetSplashPoint(float x, float y)
  {
    mSplashX = x;
    mSplashY = y;
  }
  // The splash at progress (0..1) of its animation.
  void SetSplashProgress(double progress) { mSplashRadius = float(progress) * mMaxSplashRadius; }

  // A colour dimmed for a disabled shape: R, G and B move by c x 255 (truncated), alpha stays.
  static IColor WithContrast(const IColor& color, float c);

protected:
  const IBlend* Blend() const;
  // For controls whose value text can be edited: whether the point is on the shown, editable value, and
  // the hit test of widget or editable value.
  bool OnEditableValue(float x, float y) const;
  bool HitsWidgetOrEditableValue(float x, float y) const;
  // valueStr from the linked parameter (with its unit label), labelStr from its name when empty.
  void TakeParamTexts();

  IControl* mControl = nullptr;
  IVStyle mStyle;
  bool mLabelInWidget = false;
  bool mValueInWidget = false;
  float mSplashRadius = 0.f;
  float mSplashX = 0.f;
  float mSplashY = 0.f;
  float mMaxSplashRadius = 50.f;
  float mTrackSize = 2.f;
  float mValueDisplayFrac = 0.66f;
  IRECT mWidgetBounds;
  IRECT mLabelBounds;
  IRECT mValueBounds;
  StringBuf mLabelStr;
  StringBuf mValueStr;
  EVShape mShape = EVShape::Rectangle;
};

// A parameter's display text, followed by a space and its unit label when that is not empty.
void ParamDisplayWithLabel(const IControl& control, StringBuf& str, bool withLabel);
} // namespace iplugin::igraphics
