// The vector-drawn multi-state controls: a switch that steps through its states on each click, a toggle
// with on and off texts, a slide switch whose handle slides to the next state, a segmented tab switch
// and its list form, radio buttons. The state shown is int((states - 1) x value + 0.5). Main thread.
#pragma once

#include "controls/ISwitchControlBase.h"
#include "controls/IVectorBase.h"

#include <initializer_list>
#include <vector>

namespace iplugin::igraphics
{
class IVSwitchControl : public ISwitchControlBase, public IVectorBase
{
public:
  // Two states; a click starts the splash.
  IVSwitchControl(const IRECT& bounds, int paramIdx = -1, const char* label = "",
                  const IVStyle& style = kDefaultStyle, bool valueInButton = false);
  IVSwitchControl(const IRECT& bounds, IActionFunction actionFunc, const char* label = "",
                  const IVStyle& style = kDefaultStyle, int numStates = 2, bool valueInButton = false);

  void OnMouseOut() override;
  void OnResize() override;
  void OnInit() override;
  void Draw(IGraphics& g) override;
  bool IsHit(float x, float y) const override { return mWidgetBounds.Contains(x, y); }
  void SetDirty(bool triggerAction = true, int valIdx = -1) override;
  void DrawWidget(IGraphics& g) override;

  int SelectedIndex() const;
};

class IVToggleControl : public IVSwitchControl
{
public:
  IVToggleControl(const IRECT& bounds, int paramIdx = -1, const char* label = "",
                  const IVStyle& style = kDefaultStyle, const char* offText = "OFF",
                  const char* onText = "ON");
  IVToggleControl(const IRECT& bounds, IActionFunction actionFunc, const char* label = "",
                  const IVStyle& style = kDefaultStyle, const char* offText = "OFF",
                  const char* onText = "ON", bool initialState = false);

  void DrawWidget(IGraphics& g) override;
  void DrawValue(IGraphics& g, bool mouseOver) override;

private:
  StringBuf mOffText;
  StringBuf mOnText;
};

class IVSlideSwitchControl : public IVSwitchControl
{
public:
  IVSlideSwitchControl(const IRECT& bounds, int paramIdx = -1, const char* label = "",
                       const IVStyle& style = kDefaultStyle, bool valueInButton = false,
                       EDirection direction = kHorizontal);
  // actionFunc runs when the slide ends; initialState is a state index.
  IVSlideSwitchControl(const IRECT& bounds, IActionFunction actionFunc, const char* label = "",
                       const IVStyle& style = kDefaultStyle, bool valueInButton = false,
                       EDirection direction = kHorizontal, int numStates = 2, int initialState = 0);

  void OnResize() override;
  void Draw(IGraphics& g) override;
  void SetDirty(bool triggerAction = true, int valIdx = -1) override;
  void OnEndAnimation() override;
  void DrawWidget(IGraphics& g) override;
  virtual void DrawTrack(IGraphics& g, const IRECT& bounds);

  const IRECT& GetHandleRECT() const { return mCurrentRect; }

private:
  static void SlideAction(IControl* pControl);
  static void SlideStep(IControl* pControl);
  void UpdateRects();

  IRECT mStartRect;
  IRECT mEndRect;
  IRECT mCurrentRect;
  EDirection mDirection;
};

class IVTabSwitchControl : public ISwitchControlBase, public IVectorBase
{
public:
  enum ETabSegment
  {
    kStart = 0,
    kMid,
    kEnd
  };

  IVTabSwitchControl(const IRECT& bounds, int paramIdx = -1, std::initializer_list<const char*> options = {},
                     const char* label = "", const IVStyle& style = kDefaultStyle,
                     EVShape shape = EVShape::Rectangle, EDirection direction = kHorizontal);
  IVTabSwitchControl(const IRECT& bounds, IActionFunction actionFunc,
                     std::initializer_list<const char*> options, const char* label = "",
                     const IVStyle& style = kDefaultStyle, EVShape shape = EVShape::Rectangle,
                     EDirection direction = kHorizontal);

  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnMouseOver(float x, float y, const IMouseMod& mod) override;
  void OnMouseOut() override;
  void OnResize() override;
  void OnInit() override;
  void Draw(IGraphics& g) override;
  bool IsHit(float x, float y) const override { return GetButtonForPoint(x, y) >= 0; }
  void DrawWidget(IGraphics& g) override;
  virtual void DrawButton(IGraphics& g, const IRECT& r, bool pressed, bool mouseOver, ETabSegment segment,
                          bool disabled);
  virtual int GetButtonForPoint(float x, float y) const;

  int SelectedIndex() const;
  const IRECT& GetButton(int idx) const { return mButtons[size_t(idx)]; }

protected:
  void Init(std::initializer_list<const char*> options, const char* label, const IVStyle& style,
            EVShape shape);

  int mMouseOverButton = -1;
  std::vector<IRECT> mButtons;
  std::vector<StringBuf> mTabLabels;
  EDirection mDirection;
};

class IVRadioButtonControl : public IVTabSwitchControl
{
public:
  IVRadioButtonControl(const IRECT& bounds, int paramIdx = -1,
                       std::initializer_list<const char*> options = {}, const char* label = "",
                       const IVStyle& style = kDefaultStyle, EVShape shape = EVShape::Ellipse,
                       EDirection direction = kVertical, float buttonSize = 10.f);
  IVRadioButtonControl(const IRECT& bounds, IActionFunction actionFunc,
                       std::initializer_list<const char*> options, const char* label = "",
                       const IVStyle& style = kDefaultStyle, EVShape shape = EVShape::Ellipse,
                       EDirection direction = kVertical, float buttonSize = 10.f);

  void DrawWidget(IGraphics& g) override;
  int GetButtonForPoint(float x, float y) const override;
  void SetOnlyButtonsRespondToMouse(bool only) { mOnlyButtonsRespondToMouse = only; }

private:
  void AlignTexts();

  float mButtonSize;
  float mTextOffset;
  bool mOnlyButtonsRespondToMouse = false;
};
} // namespace iplugin::igraphics
