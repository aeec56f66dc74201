#include "framework/IGEditorDelegate.h"
#include "graphics/IGraphics.h"
#include "graphics/ISpecialControlInterfaces.h"

#include <algorithm>
#include <cmath>

namespace iplugin::igraphics
{
namespace
{
// The computer keyboard as a MIDI keyboard: one state for every editor in the process.
struct QwertyKeyboard
{
  int baseNote = 48;
  bool held[128] = {};
};

QwertyKeyboard& Qwerty()
{
  static QwertyKeyboard keyboard;
  return keyboard;
}

// Semitones above the base note of the note keys, -1 for the other letters.
int QwertyOffset(int key)
{
  static const char kKeys[] = "AWSEDFTGYHUJKOL";
  for (int i = 0; kKeys[i]; ++i)
    if (kKeys[i] == key) return i;
  return -1;
}

bool RectHolds(const IRECT& r, float x, float y)
{
  return r.Contains(x, y);
}
} // namespace

IPopupMenuControlInterface* IGraphics::PopupMenuControl() const
{
  return dynamic_cast<IPopupMenuControlInterface*>(mPopupControl);
}

ITextEntryControlInterface* IGraphics::TextEntryControl() const
{
  return dynamic_cast<ITextEntryControlInterface*>(mTextEntryControl);
}

bool IGraphics::IsPopupMenuShowing() const
{
  const IPopupMenuControlInterface* pMenu = PopupMenuControl();
  return pMenu && pMenu->GetState() == IPopupMenuControlInterface::kExpanded;
}

// --- Capture and gestures -----------------------------------------------------------------------------

void IGraphics::EndParamGestures(IControl* pControl)
{
  for (int i = 0; i < pControl->NVals(); ++i)
  {
    const int paramIdx = pControl->GetParamIdx(i);
    if (paramIdx >= 0) mDelegate->EndInformHostOfParamChangeFromUI(paramIdx);
  }
}

void IGraphics::DropMouseCapture(const IControl* pKeepGestures)
{
  // A press told the host that a gesture began; losing the capture any other way than by the release
  // must end it, or the host keeps its touch automation latched.
  for (const auto& entry : mCapturedMap)
    if (entry.second && entry.second != pKeepGestures && mGestureTouches.count(entry.first))
      EndParamGestures(entry.second);
  mGestureTouches.clear();
  mCapturedMap.clear();
  if (mCursorHidden) HideMouseCursor(false, true);
}

void IGraphics::ReleaseMouseCapture()
{
  DropMouseCapture(nullptr);
}

// --- Hit testing --------------------------------------------------------------------------------------

int IGraphics::GetMouseControlIdx(float x, float y, bool mouseOver)
{
  if (mouseOver && !mEnableMouseOver) return -1;
  for (int i = NControls() - 1; i >= (mouseOver ? 1 : 0); --i)
  {
    const IControl* pControl = mControls.Get(i);
    if (pControl->IsHidden() || pControl->GetIgnoreMouse()) continue;
    if (pControl->IsDisabled() &&
        !(mouseOver ? pControl->GetMouseOverWhenDisabled() : pControl->GetMouseEventsWhenDisabled()))
      continue;
    if (pControl->IsHit(x, y)) return i;
  }
  return -1;
}

IControl* IGraphics::GetMouseControl(float x, float y, bool capture, bool mouseOver, uint64_t touchID)
{
  auto captured = mCapturedMap.find(touchID);
  if (captured != mCapturedMap.end() && captured->second) return captured->second;

  IControl* pControl = nullptr;
  int idx = -1;
  const ITextEntryControlInterface* pEntry = TextEntryControl();
  if (IsPopupMenuShowing())
    pControl = mPopupControl;
  else if (pEntry && pEntry->GetEditing())
    pControl = mTextEntryControl;
  else if (mCornerResizer && RectHolds(mCornerResizer->GetRECT(), x, y))
    pControl = mCornerResizer;
  else if (mPerfDisplay && RectHolds(mPerfDisplay->GetRECT(), x, y))
    pControl = mPerfDisplay;
  else
  {
    idx = GetMouseControlIdx(x, y, mouseOver);
    pControl = idx >= 0 ? mControls.Get(idx) : nullptr;
  }

  if (pControl && capture)
  {
    if (mEnableMultiTouch && !pControl->GetWantsMultiTouch() && ControlIsCaptured(pControl)) return nullptr;
    mCapturedMap.emplace(touchID, pControl);
  }
  if (mouseOver) mMouseOverIdx = idx;
  return pControl;
}

int IGraphics::GetParamIdxForPos(float x, float y)
{
  const int idx = GetMouseControlIdx(x, y, false);
  return idx >= 0 ? mControls.Get(idx)->GetParamIdx(0) : -1;
}

int IGraphics::GetParamUnderMouseForHost()
{
  const int paramIdx = mLastClickedParam;
  mLastClickedParam = -1;
  return paramIdx;
}

// --- Mouse ----------------------------------------------------------------------------------------------

void IGraphics::OnMouseDown(const std::vector<IMouseInfo>& points)
{
  if (points.size() == 1)
  {
    mMouseDownX = points[0].x;
    mMouseDownY = points[0].y;
  }
  for (const IMouseInfo& point : points)
  {
    const float x = point.x, y = point.y;
    const IMouseMod& mod = point.ms;
    IControl* pControl = GetMouseControl(x, y, true, false, mod.touchID);
    if (!pControl) continue;

    const int valIdx = std::max(pControl->GetValIdxForPos(x, y), 0);
    // A control without value entries answers -1 here, so it gets no context menu and no gesture.
    const int paramIdx = pControl->GetParamIdx(valIdx);

    if (mod.R && paramIdx >= 0 && !pControl->GetWantsRightClicks())
    {
      ReleaseMouseCapture();
      mPromptPopupMenu.Clear();
      pControl->CreateContextMenu(mPromptPopupMenu);
      if (mPromptPopupMenu.NItems() > 0)
        CreatePopupMenu(*pControl, mPromptPopupMenu, IRECT(x, y, x, y), -1, true);
      return;
    }

    for (int i = 0; i < pControl->NVals(); ++i)
    {
      const int p = pControl->GetParamIdx(i);
      if (p >= 0) mDelegate->BeginInformHostOfParamChangeFromUI(p);
    }
    auto captured = mCapturedMap.find(mod.touchID);
    if (captured != mCapturedMap.end() && captured->second == pControl) mGestureTouches.insert(mod.touchID);
    mDelegate->OnEditorMouseDown();
    pControl->OnMouseDown(x, y, mod);
  }
}

void IGraphics::OnMouseUp(const std::vector<IMouseInfo>& points)
{
  for (const IMouseInfo& point : points)
  {
    auto captured = mCapturedMap.find(point.ms.touchID);
    if (captured == mCapturedMap.end() || !captured->second) continue;
    IControl* pControl = captured->second;
    pControl->OnMouseUp(point.x, point.y, point.ms);
    mDelegate->OnEditorMouseUp();
    // The release may have removed the control or dropped every capture on its own.
    captured = mCapturedMap.find(point.ms.touchID);
    if (captured == mCapturedMap.end() || captured->second != pControl) continue;
    EndParamGestures(pControl);
    mCapturedMap.erase(captured);
    mGestureTouches.erase(point.ms.touchID);
  }
  if (mResizingInProcess) EndDragResize();
  if (points.size() == 1 && points[0].ms.touchID == 0) OnMouseOver(points[0].x, points[0].y, points[0].ms);
}

bool IGraphics::OnMouseOver(float x, float y, const IMouseMod& mod)
{
  IControl* pControl = GetMouseControl(x, y, false, true, 0);
  if (pControl != mMouseOver)
  {
    if (mMouseOver) mMouseOver->OnMouseOut();
    mMouseOver = pControl;
  }
  if (pControl) pControl->OnMouseOver(x, y, mod);
  return pControl != nullptr;
}

void IGraphics::OnMouseOut()
{
  mCursorType = SetMouseCursor(kArrowCursor);
  ForAllControls(&IControl::OnMouseOut);
  mMouseOver = nullptr;
  mMouseOverIdx = -1;
}

void IGraphics::OnDragResize(float x, float y)
{
  // The drag stops growing the editor where its window would leave the screen's work area (the handle
  // would be out of reach); it always shrinks it.
  float roomWidth = 0.f, roomHeight = 0.f;
  const bool bounded = GetPlatformWindowRoom(roomWidth, roomHeight);
  auto grow = [bounded](float asked, float now, float most)
  { return !bounded || asked <= now ? asked : std::max(now, std::min(asked, most)); };
  const float ds = GetDrawScale();
  if (mGUISizeMode == kResizeSize)
    Resize(int(grow(float(int(x)), float(Width()), std::floor(roomWidth / ds))),
           int(grow(float(int(y)), float(Height()), std::floor(roomHeight / ds))), ds, true);
  else if (mGUISizeMode == kResizeScale)
  {
    const float scaleX = x * ds / mMouseDownX;
    const float scaleY = y * ds / mMouseDownY;
    const float scale = std::min(scaleX, scaleY);
    // A press at the editor's edge gives no ratio; a NaN scale must not reach the draw scale.
    if (std::isfinite(scale))
      Resize(Width(), Height(),
             grow(scale, ds, std::min(roomWidth / float(Width()), roomHeight / float(Height()))), true);
  }
}

void IGraphics::OnMouseDrag(const std::vector<IMouseInfo>& points)
{
  if (mResizingInProcess && points.size() == 1)
  {
    OnDragResize(points[0].x, points[0].y);
    return;
  }
  if (mCapturedMap.empty()) return;
  if (mInTextEntry && !mTextEntryControl) return;

  const ITextEntryControlInterface* pEntry = TextEntryControl();
  const bool entryEditing = mInTextEntry && pEntry && pEntry->GetEditing();
  for (const IMouseInfo& point : points)
  {
    auto captured = mCapturedMap.find(point.ms.touchID);
    if (captured == mCapturedMap.end() || !captured->second) continue;
    IControl* pControl = captured->second;
    if (entryEditing && pControl != mTextEntryControl) continue;
    if (point.dX == 0.f && point.dY == 0.f) continue;
    pControl->OnMouseDrag(point.x, point.y, point.dX, point.dY, point.ms);
  }
}

void IGraphics::EndDragResize()
{
  mResizingInProcess = false;
  if (mGUISizeMode == kResizeScale) ForAllControls(&IControl::OnRescale);
  ForAllControls(&IControl::SetDirty, false, -1);
}

bool IGraphics::OnMouseDblClick(float x, float y, const IMouseMod& mod)
{
  IControl* pControl = GetMouseControl(x, y, true, false, 0);
  if (!pControl) return false;
  if (pControl->GetDblAsSingleClick())
  {
    IMouseInfo info;
    info.x = x;
    info.y = y;
    info.ms = mod;
    OnMouseDown({info});
  }
  else
  {
    pControl->OnMouseDblClick(x, y, mod);
    ReleaseMouseCapture();
  }
  return true;
}

void IGraphics::OnMouseWheel(float x, float y, const IMouseMod& mod, float delta)
{
  if (IControl* pControl = GetMouseControl(x, y, false)) pControl->OnMouseWheel(x, y, mod, delta);
}

void IGraphics::OnDrop(const char* str, float x, float y)
{
  if (IControl* pControl = GetMouseControl(x, y, false)) pControl->OnDrop(str);
}

void IGraphics::OnFocusLost()
{
  mMouseOver = nullptr;
  mMouseOverIdx = -1;
  ReleaseMouseCapture();
  if (IsPopupMenuShowing()) mPopupControl->Hide(true);
  const ITextEntryControlInterface* pEntry = TextEntryControl();
  if (pEntry && pEntry->GetEditing()) mTextEntryControl->Hide(true);
}

void IGraphics::OnAppearanceChanged(EUIAppearance appearance)
{
  if (mAppearanceChangedFunc) mAppearanceChangedFunc(appearance);
}

// --- Keys -----------------------------------------------------------------------------------------------

bool IGraphics::OnKeyDown(float x, float y, const IKeyPress& key)
{
  IControl* pControl = GetMouseControl(x, y, false);
  if (pControl && pControl != GetControl(0) && pControl->OnKeyDown(x, y, key)) return true;
  return mKeyHandlerFunc ? mKeyHandlerFunc(key, false) : false;
}

bool IGraphics::OnKeyUp(float x, float y, const IKeyPress& key)
{
  IControl* pControl = GetMouseControl(x, y, false);
  if (pControl && pControl != GetControl(0) && pControl->OnKeyUp(x, y, key)) return true;
  return mKeyHandlerFunc ? mKeyHandlerFunc(key, true) : false;
}

void IGraphics::SetQwertyMidiKeyHandlerFunc(IMidiMsgFunc func)
{
  mKeyHandlerFunc = [this, func](const IKeyPress& key, bool isUp)
  {
    QwertyKeyboard& kb = Qwerty();
    const auto send = [this, &func](const IMidiMsg& msg)
    {
      mDelegate->SendMidiMsgFromUI(msg);
      if (func) func(msg);
    };
    const int k = key.VK;
    if (k < 'A' || k > 'Z') return true;

    const int offset = QwertyOffset(k);
    if (offset >= 0)
    {
      const int note = kb.baseNote + offset;
      if (note < 0 || note > 127) return true;
      if (!isUp && !kb.held[note])
      {
        send(IMidiMsg(0, 144, uint8_t(note), 127));
        kb.held[note] = true;
      }
      else if (isUp && kb.held[note])
      {
        send(IMidiMsg(0, 128, uint8_t(note), 0));
        kb.held[note] = false;
      }
      return true;
    }
    if ((k == 'X' || k == 'Z') && !isUp)
    {
      kb.baseNote = k == 'X' ? std::min(std::max(kb.baseNote, 12), 84) + 12
                             : std::min(std::max(kb.baseNote, 36), 108) - 12;
      for (int note = 0; note < 128; ++note)
        if (kb.held[note])
        {
          send(IMidiMsg(0, 128, uint8_t(note), 0));
          kb.held[note] = false;
        }
    }
    return true;
  };
}

// --- Gestures -------------------------------------------------------------------------------------------

void IGraphics::AttachGestureRegion(const IRECT& bounds, EGestureType type, IGestureRegionFunc func)
{
  mGestureRegions.push_back(bounds);
  mGestureRegionFuncs[int(mGestureRegions.size()) - 1] = std::move(func);
  AddGestureType(type);
}

void IGraphics::ClearGestureRegions()
{
  std::vector<IRECT>().swap(mGestureRegions);
  mGestureRegionFuncs.clear();
}

bool IGraphics::HitTestGestureRegions(float x, float y)
{
  IControl* pControl = GetMouseControl(x, y, false);
  if (pControl && pControl->HasGestureFuncs() && !pControl->GetAnimationFunction()) return true;
  for (const IRECT& r : mGestureRegions)
    if (RectHolds(r, x, y)) return true;
  return false;
}

void IGraphics::OnGestureRecognized(const IGestureInfo& info)
{
  IControl* pControl = GetMouseControl(info.x, info.y, false);
  if (pControl && pControl->HasGestureFuncs() && !pControl->GetAnimationFunction())
  {
    pControl->OnGesture(info);
    return;
  }
  for (size_t i = 0; i < mGestureRegions.size(); ++i)
    if (RectHolds(mGestureRegions[i], info.x, info.y))
    {
      auto found = mGestureRegionFuncs.find(int(i));
      if (found != mGestureRegionFuncs.end() && found->second) found->second(nullptr, info);
      return;
    }
}
} // namespace iplugin::igraphics
