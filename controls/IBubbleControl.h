// The floating value bubble: a box with arced corners and an arrow pointing at a control, a soft
// shadow and a text. The graphics context shows it beside a control while that control is dragged;
// it fades in over 200 ms, stays while the mouse holds its control (checked every second), then fades
// out over 200 ms and hides. It never takes the mouse. Main thread only.
#pragma once

#include "framework/StringBuf.h"
#include "graphics/IControl.h"

#include <cstdint>

namespace iplugin::igraphics
{
class IBubbleControl : public IControl
{
public:
  enum EArrowDir
  {
    kArrowTop = 0,
    kArrowRight = 1,
    kArrowBottom = 2,
    kArrowLeft = 3
  };
  enum EState
  {
    kHidden = 0,
    kFadingIn = 1,
    kShown = 2,
    kFadingOut = 3
  };

  IBubbleControl(const IText& text = kDefaultText, const IColor& fillColor = kColorMidGray,
                 const IColor& frameColor = kColorDarkGray, float cornerRadius = 5.f);

  void Draw(IGraphics& g) override;
  void OnEndAnimation() override;

  // Lays the bubble out beside anchorBounds (right of it for horizontal, above it for vertical), at
  // least minimumContentBounds' size around the text; fades it in when hidden.
  void ShowBubble(IControl* pCaller, const IRECT& anchorBounds, const char* label, EDirection dir,
                  const IRECT& minimumContentBounds, uint64_t touchID);

  IControl* GetCaller() const { return mCaller; }
  uint64_t GetTouchID() const { return mTouchID; }
  EState GetState() const { return mState; }
  float GetOpacity() const { return mBlend.mWeight; }
  const IRECT& GetBubbleBounds() const { return mBubbleBounds; }
  const char* GetStr() const { return mStr.Get(); }

protected:
  virtual void DrawContent(IGraphics& g, const IRECT& r);
  virtual void DrawBubble(IGraphics& g, const IRECT& r);
  virtual float MeasureText(const char* str, IRECT& bounds) const;

private:
  void Step();
  void Enter(EState state, int durationMs);

  IControl* mCaller = nullptr;
  uint64_t mTouchID = 0;
  // The box (the text's rectangle grown by the margin) and the caller's anchor it points at.
  IRECT mBubbleBounds;
  IRECT mCallerBounds;
  int mArrowDir = kArrowLeft;
  StringBuf mStr;
  float mRoundness;
  float mHorizontalPadding = 10.f;
  float mArrowSize = 10.f;
  float mMaxOpacity = 0.95f;
  float mFrameThickness = 2.f;
  float mOffset = 5.f;
  IColor mFillColor;
  IColor mFrameColor;
  EState mState = kHidden;
};
} // namespace iplugin::igraphics
