// The base of every editor control: its rectangles, text style, flags, its links to host parameters
// (one normalised value per link), its action, animation and gesture functions, and the default input
// behaviour that derived controls inherit. The graphics context owns attached controls, draws them and
// dispatches input to them; the editor delegate pushes parameter values in. Main thread only.
#pragma once

#include "framework/StringBuf.h"
#include "graphics/IGestureInfo.h"
#include "graphics/IGraphicsConstants.h"
#include "graphics/interface/IControlInterface.h"
#include "graphics/interface/IKeyPress.h"

#include <functional>
#include <initializer_list>
#include <unordered_map>
#include <vector>

namespace iplugin
{
class IParam;
}

namespace iplugin::igraphics
{
class IControl;
class IGEditorDelegate;
class IGraphics;
class IPopupMenu;

using IActionFunction = std::function<void(IControl*)>;
using IAnimationFunction = std::function<void(IControl*)>;
using IGestureFunc = std::function<void(IControl*, const IGestureInfo&)>;

// Milliseconds of a monotonic clock: the system's (mach absolute time) unless a test puts in its own.
using IClockFunc = double (*)();

class IControl : public IControlInterface
{
public:
  // One value entry bound to paramIdx (-1: none).
  explicit IControl(const IRECT& bounds, int paramIdx = -1, IActionFunction actionFunc = nullptr);
  // One value entry per index, in order (none for an empty list).
  IControl(const IRECT& bounds, std::initializer_list<int> params, IActionFunction actionFunc = nullptr);
  // One unbound value entry.
  IControl(const IRECT& bounds, IActionFunction actionFunc);
  ~IControl() override;
  IControl(const IControl&) = delete;
  IControl& operator=(const IControl&) = delete;

  virtual void OnMouseDown(float x, float y, const IMouseMod& mod);
  virtual void OnMouseUp(float x, float y, const IMouseMod& mod) {}
  virtual void OnMouseDrag(float x, float y, float dX, float dY, const IMouseMod& mod) {}
  virtual void OnMouseDblClick(float x, float y, const IMouseMod& mod);
  virtual void OnMouseWheel(float x, float y, const IMouseMod& mod, float d) {}
  virtual bool OnKeyDown(float x, float y, const IKeyPress& key) { return false; }
  virtual bool OnKeyUp(float x, float y, const IKeyPress& key) { return false; }
  virtual void OnMouseOver(float x, float y, const IMouseMod& mod);
  virtual void OnMouseOut();
  virtual void OnTouchCancelled(float x, float y, const IMouseMod& mod) {}
  virtual void OnDrop(const char* path) {}
  // The draw or screen scale changed.
  virtual void OnRescale() {}
  // The bounds changed.
  virtual void OnResize() {}
  // First and last hooks of attaching.
  virtual void OnInit() {}
  virtual void OnAttached() {}
  void OnMsgFromDelegate(int msgTag, int dataSize, const void* pData) override {}
  void OnMidi(const IMidiMsg& msg) override {}
  // Runs the gesture's function when one is attached for its type.
  virtual bool OnGesture(const IGestureInfo& info);
  // A context menu opens only when this adds items.
  virtual void CreateContextMenu(IPopupMenu& contextMenu) {}
  // A value menu's result: the chosen item's index is the parameter's real value.
  virtual void OnMenuChoice(IPopupMenu* pMenu, int valIdx);
  // Text typed for an entry bound to no parameter.
  virtual void OnTextEntryCompletion(const char* str, int valIdx) {}
  virtual void OnContextSelection(int itemSelected) {}
  virtual void Draw(IGraphics& g) = 0;
  virtual void DrawHighlightDot(IGraphics& g);
  // Out-of-range value indices are ignored.
  virtual void SetParamIdx(int paramIdx, int valIdx = 0);
  // 0 when the control has exactly one entry, else -1 (all).
  virtual int GetValIdxForPos(float x, float y) const { return NVals() == 1 ? 0 : -1; }
  // Ignored while the control holds the mouse.
  void SetValueFromDelegate(double value, int valIdx = 0) override;
  virtual void SetValueFromUserInput(double value, int valIdx = 0);
  virtual void SetValueToDefault(int valIdx = -1);
  // Stores without clamping or redrawing.
  void SetValue(double value, int valIdx = 0) override;
  virtual void SetPosition(float x, float y);
  virtual void SetSize(float width, float height);
  virtual void Hide(bool hide);
  virtual void SetDisabled(bool disable);
  // The target rectangle holds the point, right and bottom edges excluded.
  virtual bool IsHit(float x, float y) const { return mTargetRECT.Contains(x, y); }
  // Clamps the values (NaN to 0), marks the control dirty and with triggerAction sends the bound
  // values to the delegate and peers, then runs the action function.
  void SetDirty(bool triggerAction = true, int valIdx = -1) override;
  virtual void SetClean() { mDirty = false; }
  // True while an animation runs.
  virtual bool IsDirty();
  virtual void OnReservedHook() {}
  // Sets entry valIdx (every entry when negative) from a point in bounds, to 0.001, within lo..hi.
  virtual void ValueFromPointInRect(float x, float y, EDirection direction, const IRECT& bounds, int valIdx,
                                    double lo = 0.0, double hi = 1.0);
  virtual void OnEndAnimation();

  // Value entries. -1 for an index outside the entries.
  int NVals() const override { return int(mVals.size()); }
  int GetParamIdx(int valIdx = 0) const override;
  double GetValue(int valIdx = 0) const override;
  // The delegate's parameter of the entry, or null.
  IParam* GetParam(int valIdx = 0) const;
  // The first value index bound to paramIdx, or -1.
  int LinkedToParam(int paramIdx) const;
  bool GetWantsMidi() const override { return mWantsMidi; }

  void PromptUserInput(int valIdx = 0);
  void PromptUserInputInRect(const IRECT& bounds, int valIdx = 0);

  // Colour 0 red, 1 blue, 2 green, 3 yellow; other numbers keep the colour.
  void SetHighlight(bool show, int colorIdx = 0);
  IControl* AttachGestureFunc(EGestureType type, IGestureFunc func);
  EGestureType GetLastGesture() const { return mLastGesture; }
  bool HasGestureFuncs() const { return !mGestureFuncs.empty(); }

  // Show the context's value bubble for entry 0; defined with the bubble control.
  void ShowValueBubbleHorizontal();
  void ShowValueBubbleVertical();

  // Animation.
  void StartAnimation(int durationMs, bool forward = true);
  double GetAnimationProgress() const;
  // Steps the animation, if any; asked of every control each frame, so the test is inline.
  void TickAnimation()
  {
    if (mAnimationFunc) StepAnimation();
  }
  void SetAnimation(IAnimationFunction func) { mAnimationFunc = std::move(func); }
  void SetAnimation(IAnimationFunction func, int durationMs)
  {
    mAnimationFunc = std::move(func);
    StartAnimation(durationMs);
  }
  IAnimationFunction GetAnimationFunction() const { return mAnimationFunc; }
  void SetAnimationEndActionFunction(IActionFunction func) { mAnimationEndActionFunc = std::move(func); }
  void StartDefaultClickAnimation();
  // The vector switches' default action: a 100 ms splash from the last mouse-down point. Defined with
  // the vector controls; a control without the vector mix-in only animates.
  static void StartSplashClickAnimation(IControl* pControl);
  static void SplashAnimationStep(IControl* pControl);
  // Ends the animation when its time is up, in either direction.
  static void DefaultAnimationStep(IControl* pControl);
  static void SetClock(IClockFunc clock);
  static double Now();

  void SetActionFunction(IActionFunction func) { mActionFunc = std::move(func); }

  // Rectangles.
  const IRECT& GetRECT() const { return mRECT; }
  void SetRECT(const IRECT& bounds)
  {
    mRECT = bounds;
    mMouseIsOver = false;
    OnResize();
  }
  const IRECT& GetTargetRECT() const { return mTargetRECT; }
  void SetTargetRECT(const IRECT& bounds)
  {
    mTargetRECT = bounds;
    mMouseIsOver = false;
  }
  void SetTargetAndDrawRECTs(const IRECT& bounds)
  {
    mRECT = mTargetRECT = bounds;
    mMouseIsOver = false;
    OnResize();
  }

  // Style, flags and strings.
  const IText& GetText() const { return mText; }
  void SetText(const IText& text) { mText = text; }
  const IBlend* GetBlend() const { return &mBlend; }
  int GetTextEntryLength() const { return mTextEntryLength; }
  void SetTextEntryLength(int length) { mTextEntryLength = length; }
  bool IsHidden() const { return mHide; }
  bool IsDisabled() const { return mDisabled; }
  bool GetPromptDisabled() const { return mDisablePrompt; }
  void DisablePrompt(bool disable) { mDisablePrompt = disable; }
  bool GetDblAsSingleClick() const { return mDblAsSingleClick; }
  void SetDblAsSingleClick(bool single) { mDblAsSingleClick = single; }
  bool GetMouseOverWhenDisabled() const { return mMouseOverWhenDisabled; }
  bool GetMouseEventsWhenDisabled() const { return mMouseEventsWhenDisabled; }
  void SetMouseEventsWhenDisabled(bool allow) { mMouseEventsWhenDisabled = allow; }
  bool GetIgnoreMouse() const { return mIgnoreMouse; }
  void SetIgnoreMouse(bool ignore) { mIgnoreMouse = ignore; }
  bool GetWantsRightClicks() const { return mWantsRightClicks; }
  void SetWantsRightClicks(bool wants) { mWantsRightClicks = wants; }
  bool GetWantsMultiTouch() const { return mWantsMultiTouch; }
  bool GetPromptShowsParamLabel() const { return mPromptShowsParamLabel; }
  void SetPromptShowsParamLabel(bool shows) { mPromptShowsParamLabel = shows; }
  bool GetMouseIsOver() const { return mMouseIsOver; }
  const char* GetTooltip() const { return mTooltip.Get(); }
  void SetTooltip(const char* str) { mTooltip.Set(str ? str : ""); }
  const char* GetGroup() const { return mGroup.Get(); }
  void SetGroup(const char* group) { mGroup.Set(group ? group : ""); }
  const IColor& GetHighlightColor() const { return mHighlightColor; }
  bool GetHighlightShown() const { return mHighlightShown; }

  // Set when the context attaches the control.
  void SetDelegate(IGEditorDelegate& dlg) { mDelegate = &dlg; }
  IGEditorDelegate* GetDelegate() const { return mDelegate; }
  void SetGraphics(IGraphics* pGraphics) { mGraphics = pGraphics; }
  IGraphics* GetUI() const { return mGraphics; }

protected:
  struct ValueEntry
  {
    int idx = -1;
    double value = 0.0;
  };

  // Runs the animation function (set).
  void StepAnimation();
  // Entry valIdx, or null outside the entries.
  ValueEntry* Entry(int valIdx);
  const ValueEntry* Entry(int valIdx) const;
  // Runs func on entry valIdx, or on every entry when valIdx is -1.
  template <class F> void ForValIdx(int valIdx, F func)
  {
    if (valIdx < 0)
      for (int i = 0; i < NVals(); ++i)
        func(i);
    else if (valIdx < NVals())
      func(valIdx);
  }

  IRECT mRECT;
  IRECT mTargetRECT;
  StringBuf mGroup;
  IText mText = kDefaultText;
  IBlend mBlend;
  int mTextEntryLength = 7;
  bool mDirty = true;
  bool mHide = false;
  bool mDisabled = false;
  bool mDisablePrompt = true;
  bool mDblAsSingleClick = false;
  bool mMouseOverWhenDisabled = false;
  bool mMouseEventsWhenDisabled = false;
  bool mIgnoreMouse = false;
  bool mWantsRightClicks = false;
  bool mWantsMidi = false;
  bool mWantsMultiTouch = false;
  bool mPromptShowsParamLabel = false;
  bool mMouseIsOver = false;
  StringBuf mTooltip;
  IColor mHighlightColor = kColorRed;
  bool mHighlightShown = false;
  IGEditorDelegate* mDelegate = nullptr;
  IGraphics* mGraphics = nullptr;
  IActionFunction mActionFunc;
  IActionFunction mAnimationEndActionFunc;
  IAnimationFunction mAnimationFunc;
  double mAnimationStartTime = 0.0;
  double mAnimationDuration = 0.0;
  bool mAnimationForward = true;
  std::vector<ValueEntry> mVals;
  std::unordered_map<int, IGestureFunc> mGestureFuncs;
  EGestureType mLastGesture = EGestureType::Unknown;
};
} // namespace iplugin::igraphics
