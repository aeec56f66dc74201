#include "graphics/IControl.h"

#include "framework/IGEditorDelegate.h"
#include "framework/IParam.h"
#include "graphics/IGraphics.h"
#include "graphics/IPopupMenu.h"

#include <mach/mach_time.h>

#include <cmath>

namespace iplugin::igraphics
{
namespace
{
// The system's monotonic clock, in the same time base as the run loop's timers that drive the redraws.
double MonotonicMilliseconds()
{
  static const double msPerTick = []
  {
    mach_timebase_info_data_t base{};
    if (mach_timebase_info(&base) != KERN_SUCCESS || base.denom == 0) return 1e-6;
    return double(base.numer) / double(base.denom) / 1e6;
  }();
  return double(mach_absolute_time()) * msPerTick;
}

IClockFunc sClock = MonotonicMilliseconds;

// NaN becomes 0 so that it never reaches the host.
double Clamp01(double v)
{
  if (!(v >= 0.0)) return 0.0;
  return v > 1.0 ? 1.0 : v;
}
} // namespace

IControl::IControl(const IRECT& bounds, int paramIdx, IActionFunction actionFunc)
    : mRECT(bounds), mTargetRECT(bounds), mActionFunc(std::move(actionFunc)), mVals{{paramIdx, 0.0}}
{
  mGestureFuncs.max_load_factor(1.f);
}

IControl::IControl(const IRECT& bounds, std::initializer_list<int> params, IActionFunction actionFunc)
    : mRECT(bounds), mTargetRECT(bounds), mActionFunc(std::move(actionFunc))
{
  for (int idx : params)
    mVals.push_back({idx, 0.0});
  mGestureFuncs.max_load_factor(1.f);
}

IControl::IControl(const IRECT& bounds, IActionFunction actionFunc)
    : IControl(bounds, -1, std::move(actionFunc))
{
}

IControl::~IControl() = default;

IControl::ValueEntry* IControl::Entry(int valIdx)
{
  return valIdx >= 0 && valIdx < NVals() ? &mVals[size_t(valIdx)] : nullptr;
}

const IControl::ValueEntry* IControl::Entry(int valIdx) const
{
  return valIdx >= 0 && valIdx < NVals() ? &mVals[size_t(valIdx)] : nullptr;
}

int IControl::GetParamIdx(int valIdx) const
{
  const ValueEntry* entry = Entry(valIdx);
  return entry ? entry->idx : -1;
}

double IControl::GetValue(int valIdx) const
{
  const ValueEntry* entry = Entry(valIdx);
  return entry ? entry->value : 0.0;
}

void IControl::SetValue(double value, int valIdx)
{
  if (ValueEntry* entry = Entry(valIdx)) entry->value = value;
}

IParam* IControl::GetParam(int valIdx) const
{
  const int paramIdx = GetParamIdx(valIdx);
  if (paramIdx < 0 || !mDelegate || paramIdx >= mDelegate->NParams()) return nullptr;
  return mDelegate->GetParam(paramIdx);
}

int IControl::LinkedToParam(int paramIdx) const
{
  for (int i = 0; i < NVals(); ++i)
    if (mVals[size_t(i)].idx == paramIdx) return i;
  return -1;
}

void IControl::SetParamIdx(int paramIdx, int valIdx)
{
  // The view factory's C entry reaches here through the layout: a bad index must not throw.
  if (ValueEntry* entry = Entry(valIdx)) entry->idx = paramIdx;
}

void IControl::OnMouseDown(float x, float y, const IMouseMod& mod)
{
  if (mod.R) PromptUserInput(GetValIdxForPos(x, y));
}

void IControl::OnMouseDblClick(float x, float y, const IMouseMod& mod)
{
  SetValueToDefault(GetValIdxForPos(x, y));
}

void IControl::OnMouseOver(float x, float y, const IMouseMod& mod)
{
  const bool was = mMouseIsOver;
  mMouseIsOver = true;
  if (!was) SetDirty(false);
}

void IControl::OnMouseOut()
{
  const bool was = mMouseIsOver;
  mMouseIsOver = false;
  if (was) SetDirty(false);
}

bool IControl::OnGesture(const IGestureInfo& info)
{
  auto found = mGestureFuncs.find(int(info.type));
  if (found == mGestureFuncs.end()) return false;
  mLastGesture = info.type;
  found->second(this, info);
  return true;
}

void IControl::OnMenuChoice(IPopupMenu* pMenu, int valIdx)
{
  if (!pMenu || valIdx < 0 || mDisablePrompt) return;
  const IParam* param = GetParam(valIdx);
  if (!param) return;
  SetValueFromUserInput(param->ToNormalizedClamped(double(pMenu->GetChosenItemIdx())), valIdx);
}

void IControl::DrawHighlightDot(IGraphics& g)
{
  if (mHighlightShown) g.FillCircle(mHighlightColor, mTargetRECT.R - 5.f, mTargetRECT.T + 5.f, 2.f);
}

void IControl::SetValueFromDelegate(double value, int valIdx)
{
  if (mGraphics && mGraphics->ControlIsCaptured(this)) return;
  if (GetValue(valIdx) != value)
  {
    SetValue(value, valIdx);
    SetDirty(false);
  }
}

void IControl::SetValueFromUserInput(double value, int valIdx)
{
  if (GetValue(valIdx) != value)
  {
    SetValue(value, valIdx);
    SetDirty(true, valIdx);
  }
}

void IControl::SetValueToDefault(int valIdx)
{
  if (NVals() == 1) valIdx = 0;
  ForValIdx(valIdx,
            [this](int i)
            {
              if (const IParam* param = GetParam(i))
                SetValue(param->ToNormalizedClamped(param->GetDefault()), i);
            });
  SetDirty(true, valIdx);
}

void IControl::SetPosition(float x, float y)
{
  x = x < 0.f ? 0.f : x;
  y = y < 0.f ? 0.f : y;
  const float dX = x - mRECT.L, dY = y - mRECT.T;
  mRECT = mRECT.GetTranslated(dX, dY);
  mMouseIsOver = false;
  OnResize();
  mTargetRECT = mTargetRECT.GetTranslated(dX, dY);
  mMouseIsOver = false;
}

void IControl::SetSize(float width, float height)
{
  width = width < 0.f ? 0.f : width;
  height = height < 0.f ? 0.f : height;
  mRECT = IRECT(mRECT.L, mRECT.T, mRECT.L + width, mRECT.T + height);
  mTargetRECT = mRECT;
  mMouseIsOver = false;
  OnResize();
}

void IControl::Hide(bool hide)
{
  mHide = hide;
  SetDirty(false);
}

void IControl::SetDisabled(bool disable)
{
  mBlend.mWeight = disable ? 0.25f : 1.f;
  mDisabled = disable;
  SetDirty(false);
}

void IControl::SetDirty(bool triggerAction, int valIdx)
{
  if (NVals() == 1) valIdx = 0;
  ForValIdx(valIdx, [this](int i) { SetValue(Clamp01(GetValue(i)), i); });
  mDirty = true;

  if (!triggerAction) return;
  ForValIdx(valIdx,
            [this](int i)
            {
              const int paramIdx = GetParamIdx(i);
              if (paramIdx < 0) return;
              if (mDelegate) mDelegate->SetParamNormalizedFromUI(paramIdx, GetValue(i));
              if (mGraphics) mGraphics->UpdatePeers(this, i);
            });
  if (mActionFunc) mActionFunc(this);
}

bool IControl::IsDirty()
{
  return mAnimationFunc ? true : mDirty;
}

void IControl::ValueFromPointInRect(float x, float y, EDirection direction, const IRECT& bounds, int valIdx,
                                    double lo, double hi)
{
  // A degenerate area has no position to read; NaN must not reach the host.
  if (!(bounds.W() > 0.f) || !(bounds.H() > 0.f)) return;
  x = std::clamp(x, bounds.L, bounds.R);
  y = std::clamp(y, bounds.T, bounds.B);
  double v = direction != kVertical ? (x - bounds.L) / bounds.W() : 1.0 - (y - bounds.T) / bounds.H();
  v = std::round(v / 0.001) * 0.001;
  v = std::clamp(v, lo, hi);
  ForValIdx(valIdx < 0 ? -1 : valIdx, [this, v](int i) { SetValue(v, i); });
  SetDirty(true, valIdx);
}

void IControl::OnEndAnimation()
{
  mAnimationFunc = nullptr;
  SetDirty(false);
  if (mAnimationEndActionFunc) mAnimationEndActionFunc(this);
}

void IControl::PromptUserInput(int valIdx)
{
  if (valIdx < 0 || mDisablePrompt || !mGraphics) return;
  const IParam* param = GetParam(valIdx);
  if (!param) return;
  if (param->NDisplayTexts() > 0)
    mGraphics->PromptUserInput(*this, mRECT, valIdx);
  else
  {
    const float cX = mRECT.MW(), cY = mRECT.MH();
    mGraphics->PromptUserInput(*this, IRECT(cX - 20.f, cY - 8.f, cX + 20.f, cY + 8.f), valIdx);
  }
  SetDirty(false);
}

void IControl::PromptUserInputInRect(const IRECT& bounds, int valIdx)
{
  if (valIdx < 0 || mDisablePrompt || !mGraphics || !GetParam(valIdx)) return;
  mGraphics->PromptUserInput(*this, bounds, valIdx);
}

void IControl::SetHighlight(bool show, int colorIdx)
{
  switch (colorIdx)
  {
  case 0:
    mHighlightColor = kColorRed;
    break;
  case 1:
    mHighlightColor = kColorBlue;
    break;
  case 2:
    mHighlightColor = kColorGreen;
    break;
  case 3:
    mHighlightColor = kColorYellow;
    break;
  default:
    break;
  }
  mHighlightShown = show;
  SetDirty(false);
}

IControl* IControl::AttachGestureFunc(EGestureType type, IGestureFunc func)
{
  mGestureFuncs.emplace(int(type), std::move(func));
  if (mGraphics) mGraphics->AddGestureType(type);
  return this;
}

void IControl::StartAnimation(int durationMs, bool forward)
{
  mAnimationStartTime = sClock();
  mAnimationDuration = double(durationMs);
  mAnimationForward = forward;
}

double IControl::GetAnimationProgress() const
{
  if (!mAnimationFunc) return 0.0;
  const double p = mAnimationDuration > 0.0 ? (sClock() - mAnimationStartTime) / mAnimationDuration : 1.0;
  return mAnimationForward ? p : 1.0 - p;
}

void IControl::StepAnimation()
{
  IAnimationFunction func = mAnimationFunc;
  func(this);
}

void IControl::DefaultAnimationStep(IControl* pControl)
{
  if (!pControl || !pControl->mAnimationFunc) return;
  // Elapsed time, not progress: a backward animation's progress falls and would never pass 1.
  const double elapsed = sClock() - pControl->mAnimationStartTime;
  if (elapsed >= pControl->mAnimationDuration) pControl->OnEndAnimation();
}

void IControl::StartDefaultClickAnimation()
{
  mAnimationFunc = DefaultAnimationStep;
  StartAnimation(100);
}

void IControl::SetClock(IClockFunc clock)
{
  sClock = clock ? clock : MonotonicMilliseconds;
}

double IControl::Now()
{
  return sClock();
}
} // namespace iplugin::igraphics
