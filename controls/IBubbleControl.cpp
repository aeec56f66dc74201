#include "controls/IBubbleControl.h"

#include "controls/ParamDisplay.h"
#include "framework/IParam.h"
#include "graphics/IGraphics.h"

#include <algorithm>

namespace iplugin::igraphics
{
namespace
{
constexpr int kFadeMs = 200;
constexpr int kShowCheckMs = 1000;
constexpr float kShadowBlur = 10.f;
constexpr float kShadowOffset = 2.f;
} // namespace

IBubbleControl::IBubbleControl(const IText& text, const IColor& fillColor, const IColor& frameColor,
                               float cornerRadius)
    : IControl(IRECT(), -1), mRoundness(cornerRadius), mFillColor(fillColor), mFrameColor(frameColor)
{
  mText = text;
  mHide = true;
  mIgnoreMouse = true;
  mBlend.mWeight = 0.f;
}

void IBubbleControl::Enter(EState state, int durationMs)
{
  mState = state;
  SetAnimation([](IControl* pControl) { static_cast<IBubbleControl*>(pControl)->Step(); }, durationMs);
  SetDirty(false);
}

void IBubbleControl::Step()
{
  const double p = GetAnimationProgress();
  if (p >= 1.0)
  {
    OnEndAnimation();
    return;
  }
  if (mState == kFadingIn)
    mBlend.mWeight = float(p) * mMaxOpacity;
  else if (mState == kShown)
    mBlend.mWeight = mMaxOpacity;
  else if (mState == kFadingOut)
    mBlend.mWeight = float(1.0 - p) * mMaxOpacity;
  SetDirty(false);
}

void IBubbleControl::OnEndAnimation()
{
  switch (mState)
  {
  case kFadingIn:
    mBlend.mWeight = mMaxOpacity;
    Enter(kShown, kShowCheckMs);
    break;
  case kShown:
    // Stays while its control still holds the mouse, looking again a second later.
    mBlend.mWeight = mMaxOpacity;
    if (mCaller && GetUI() && GetUI()->ControlIsCaptured(mCaller))
      Enter(kShown, kShowCheckMs);
    else
      Enter(kFadingOut, kFadeMs);
    break;
  case kFadingOut:
  case kHidden:
    mBlend.mWeight = 0.f;
    mState = kHidden;
    mCaller = nullptr;
    Hide(true);
    IControl::OnEndAnimation();
    break;
  }
}

void IBubbleControl::ShowBubble(IControl* pCaller, const IRECT& anchorBounds, const char* label,
                                EDirection dir, const IRECT& minimumContentBounds, uint64_t touchID)
{
  // Another control's bubble leaves the old place to be redrawn.
  if (pCaller != mCaller && GetUI()) GetUI()->SetAllControlsDirty();
  mCaller = pCaller;
  mTouchID = touchID;
  mStr.Set(label ? label : "");
  mCallerBounds = anchorBounds;

  IRECT textBounds;
  MeasureText(mStr.Get(), textBounds);
  const float w = std::max(textBounds.W(), minimumContentBounds.W());
  const float h = std::max(textBounds.H(), minimumContentBounds.H());
  const float gap = mOffset + mArrowSize + mHorizontalPadding;
  IRECT content;
  if (dir == kHorizontal)
  {
    mArrowDir = kArrowLeft;
    const float l = anchorBounds.R + gap, t = anchorBounds.MH() - h * 0.5f;
    content = IRECT(l, t, l + w, t + h);
  }
  else
  {
    mArrowDir = kArrowBottom;
    const float l = anchorBounds.MW() - w * 0.5f, b = anchorBounds.T - gap;
    content = IRECT(l, b - h, l + w, b);
  }
  mBubbleBounds = content.GetPadded(mHorizontalPadding);
  // The box, its arrow and its shadow.
  const IRECT area = mBubbleBounds.GetPadded(mArrowSize + kShadowBlur + kShadowOffset);
  SetTargetRECT(area);
  mRECT = area;

  if (mState == kHidden)
  {
    Hide(false);
    mBlend.mWeight = 0.f;
    Enter(kFadingIn, kFadeMs);
  }
  else if (mState == kFadingOut)
  {
    mBlend.mWeight = mMaxOpacity;
    Enter(kShown, kShowCheckMs);
  }
  else
  {
    SetDirty(false);
  }
}

void IBubbleControl::Draw(IGraphics& g)
{
  if (mState == kHidden) return;
  g.DrawFastDropShadow(mBubbleBounds, mRECT, kShadowOffset, mRoundness, kShadowBlur, &mBlend);
  DrawBubble(g, mBubbleBounds);
  DrawContent(g, mBubbleBounds.GetPadded(-mHorizontalPadding));
}

void IBubbleControl::DrawContent(IGraphics& g, const IRECT& r)
{
  if (mStr.GetLength() > 0) g.DrawText(mText, mStr.Get(), r, &mBlend);
}

void IBubbleControl::DrawBubble(IGraphics& g, const IRECT& r)
{
  const float c = mRoundness, s = mArrowSize, hs = s * 0.5f;
  const float cx = r.MW(), cy = r.MH();
  g.PathClear();
  // Clockwise from the top-left corner, the arrow in the middle of its edge.
  g.PathMoveTo(r.L, r.T + c);
  g.PathArc(r.L + c, r.T + c, c, 270.f, 360.f);
  if (mArrowDir == kArrowTop)
  {
    g.PathLineTo(cx - hs, r.T);
    g.PathLineTo(cx, r.T - s);
    g.PathLineTo(cx + hs, r.T);
  }
  g.PathArc(r.R - c, r.T + c, c, 0.f, 90.f);
  if (mArrowDir == kArrowRight)
  {
    g.PathLineTo(r.R, cy - hs);
    g.PathLineTo(r.R + s, cy);
    g.PathLineTo(r.R, cy + hs);
  }
  g.PathArc(r.R - c, r.B - c, c, 90.f, 180.f);
  if (mArrowDir == kArrowBottom)
  {
    g.PathLineTo(cx + hs, r.B);
    g.PathLineTo(cx, r.B + s);
    g.PathLineTo(cx - hs, r.B);
  }
  g.PathArc(r.L + c, r.B - c, c, 180.f, 270.f);
  if (mArrowDir == kArrowLeft)
  {
    g.PathLineTo(r.L, cy + hs);
    g.PathLineTo(r.L - s, cy);
    g.PathLineTo(r.L, cy - hs);
  }
  g.PathClose();
  IFillOptions keepPath;
  keepPath.mPreserve = true;
  g.PathFill(mFillColor, keepPath, &mBlend);
  g.PathStroke(mFrameColor, mFrameThickness, IStrokeOptions(), &mBlend);
}

float IBubbleControl::MeasureText(const char* str, IRECT& bounds) const
{
  if (!GetUI()) return 0.f;
  return GetUI()->MeasureText(mText, str, bounds);
}

void IGraphics::AttachBubbleControl(const IText& text)
{
  AttachBubbleControlInstance(new IBubbleControl(text, kColorMidGray, kColorDarkGray, 5.f));
}

void IGraphics::ShowBubbleControl(IControl* pCaller, const IRECT& anchorBounds, const char* label,
                                  EDirection dir, const IRECT& minimumContentBounds, uint64_t touchID)
{
  const int n = mBubbleControls.Count();
  if (n == 0) return;
  IBubbleControl* pBubble = nullptr;
  if (!mEnableMultiTouch)
  {
    pBubble = dynamic_cast<IBubbleControl*>(mBubbleControls.Get(0));
    touchID = 0;
  }
  else
  {
    // Only a control held by exactly one touch gets a bubble: the one already following that touch,
    // else the next in turn.
    int nTouches = 0;
    for (const auto& [id, pControl] : mCapturedMap)
      if (pControl == pCaller)
      {
        ++nTouches;
        touchID = id;
      }
    if (nTouches != 1) return;
    for (int i = 0; i < n && !pBubble; ++i)
    {
      auto* pCandidate = dynamic_cast<IBubbleControl*>(mBubbleControls.Get(i));
      if (pCandidate && pCandidate->GetState() != IBubbleControl::kHidden &&
          pCandidate->GetTouchID() == touchID)
        pBubble = pCandidate;
    }
    if (!pBubble)
    {
      static int sNextBubble = 0;
      pBubble = dynamic_cast<IBubbleControl*>(mBubbleControls.Get(sNextBubble % n));
      sNextBubble = (sNextBubble + 1) % n;
    }
  }
  if (pBubble) pBubble->ShowBubble(pCaller, anchorBounds, label, dir, minimumContentBounds, touchID);
}

namespace
{
void ShowValueBubble(IControl& control, const IRECT& anchor, EDirection dir)
{
  const IParam* pParam = control.GetParam(0);
  if (!pParam || !control.GetUI()) return;
  StringBuf str;
  DisplayWithLabel(*pParam, str);
  control.GetUI()->ShowBubbleControl(&control, anchor, str.Get(), dir, IRECT(0.f, 0.f, 50.f, 30.f));
}
} // namespace

void IControl::ShowValueBubbleHorizontal()
{
  ShowValueBubble(*this, IRECT(mRECT.R, mRECT.MH(), mRECT.R, mRECT.MH()), kHorizontal);
}

void IControl::ShowValueBubbleVertical()
{
  ShowValueBubble(*this, IRECT(mRECT.MW(), mRECT.T, mRECT.MW(), mRECT.T), kVertical);
}
} // namespace iplugin::igraphics
