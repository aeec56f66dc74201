#include "graphics/IGraphics.h"

#include "framework/IGEditorDelegate.h"
#include "framework/IParam.h"
#include "graphics/GraphicsCaches.h"

#include <cmath>
#include <cstring>

namespace iplugin::igraphics
{
IGraphics::IGraphics(IGEditorDelegate& dlg, int w, int h, int fps, float scale)
    : mWidth(w), mHeight(h), mFPS(fps > 0 ? fps : 60), mDrawScale(scale), mMinScale(scale / 2.f),
      mMaxScale(scale * 2.f), mDelegate(&dlg)
{
  mCtrlTags.max_load_factor(1.f);
  mCapturedMap.max_load_factor(1.f);
  dlg.SetEditorSize(w, h);
  dlg.SetEditorScale(scale);

  // Bitmap cache first, SVG cache inside it: the same order as the destructor.
  StaticStorage<APIBitmap>& bitmaps = ProcessBitmapCache();
  SVGStorage& svgs = ProcessSVGCache();
  MutexLock bitmapLock(bitmaps.GetMutex());
  MutexLock svgLock(svgs.GetMutex());
  bitmaps.Retain();
  svgs.Retain();
}

IGraphics::~IGraphics()
{
  RemoveAllControls();
  delete mLiveEdit;

  StaticStorage<APIBitmap>& bitmaps = ProcessBitmapCache();
  SVGStorage& svgs = ProcessSVGCache();
  MutexLock bitmapLock(bitmaps.GetMutex());
  bitmaps.Release();
  MutexLock svgLock(svgs.GetMutex());
  svgs.Release();

  while (!mLayers.empty())
  {
    delete mLayers.top();
    mLayers.pop();
  }
}

// --- Attaching ------------------------------------------------------------------------------------------

void IGraphics::InitControl(IControl* pControl)
{
  pControl->SetDelegate(*mDelegate);
  pControl->SetGraphics(dynamic_cast<IGraphics*>(mDelegate->GetUI()));
  pControl->OnInit();
  pControl->OnResize();
  pControl->OnRescale();
}

IControl* IGraphics::AttachControl(IControl* pControl, int ctrlTag, const char* group)
{
  if (!pControl) return nullptr;
  if (ctrlTag >= 0)
  {
    if (mCtrlTags.count(ctrlTag)) return nullptr;
    mCtrlTags[ctrlTag] = pControl;
  }
  InitControl(pControl);
  pControl->SetGroup(group);
  mControls.Add(pControl);
  pControl->OnAttached();
  return pControl;
}

void IGraphics::AttachSpecialControl(IControl*& slot, IControl* pControl)
{
  if (!pControl) return;
  if (slot)
  {
    delete pControl;
    return;
  }
  slot = pControl;
  InitControl(pControl);
}

void IGraphics::AttachCornerResizer(IControl* pControl, EResizeMode sizeMode, bool layoutOnResize)
{
  if (!pControl) return;
  if (mCornerResizer)
  {
    delete pControl;
    return;
  }
  mGUISizeMode = sizeMode;
  mLayoutOnResize = layoutOnResize;
  AttachSpecialControl(mCornerResizer, pControl);
}

void IGraphics::InsertBackground(IControl* pControl)
{
  if (!mControls.Insert(0, pControl)) delete pControl;
}

void IGraphics::AttachBubbleControlInstance(IControl* pControl)
{
  if (!pControl) return;
  InitControl(pControl);
  mBubbleControls.Add(pControl);
}

// --- Removing ---------------------------------------------------------------------------------------

void IGraphics::ForgetControl(const IControl* pControl)
{
  if (ControlIsCaptured(pControl)) ReleaseMouseCapture();
  if (mMouseOver == pControl)
  {
    mMouseOver = nullptr;
    mMouseOverIdx = -1;
  }
  if (mInTextEntry == pControl) mInTextEntry = nullptr;
  if (mInPopupMenu == pControl) mInPopupMenu = nullptr;
}

void IGraphics::RemoveSpecialControl(IControl*& slot)
{
  if (!slot) return;
  ForgetControl(slot);
  IControl* pControl = slot;
  slot = nullptr;
  delete pControl;
}

void IGraphics::RemoveFPSDisplay()
{
  RemoveSpecialControl(mPerfDisplay);
  SetMouseOverControl(nullptr);
  SetAllControlsDirty();
}

void IGraphics::RemoveControl(IControl* pControl)
{
  const int idx = mControls.Find(pControl);
  if (idx < 0) return;
  RemoveControlAtIndex(idx);
}

void IGraphics::DeleteControlAt(int idx)
{
  IControl* pControl = mControls.Get(idx);
  if (!pControl) return;
  ForgetControl(pControl);
  for (auto it = mCtrlTags.begin(); it != mCtrlTags.end(); ++it)
    if (it->second == pControl)
    {
      mCtrlTags.erase(it);
      break;
    }
  mControls.Delete(idx, true);
  if (mMouseOverIdx > idx) --mMouseOverIdx;
}

void IGraphics::RemoveControlAtIndex(int idx)
{
  if (!mControls.Get(idx)) return;
  DeleteControlAt(idx);
  SetAllControlsDirty();
}

void IGraphics::RemoveControls(int fromIdx)
{
  for (int idx = NControls() - 1; idx >= std::max(fromIdx, 0); --idx)
    DeleteControlAt(idx);
  SetAllControlsDirty();
}

void IGraphics::RemoveControlWithTag(int ctrlTag)
{
  auto found = mCtrlTags.find(ctrlTag);
  if (found == mCtrlTags.end()) return;
  IControl* pControl = found->second;
  ForgetControl(pControl);
  const int idx = mControls.Find(pControl);
  mControls.Delete(idx);
  if (mMouseOverIdx > idx && idx >= 0) --mMouseOverIdx;
  mCtrlTags.erase(found);
  SetAllControlsDirty();
}

void IGraphics::RemoveAllControls()
{
  ReleaseMouseCapture();
  mMouseOver = nullptr;
  mMouseOverIdx = -1;
  mInTextEntry = nullptr;
  mInPopupMenu = nullptr;
  RemoveSpecialControl(mPopupControl);
  RemoveSpecialControl(mTextEntryControl);
  RemoveSpecialControl(mCornerResizer);
  RemoveSpecialControl(mPerfDisplay);
  mBubbleControls.Empty(true);
  mCtrlTags.clear();
  mControls.Empty(true);
}

// --- Looking up and traversals ------------------------------------------------------------------------

IControl* IGraphics::GetControlWithTag(int ctrlTag) const
{
  auto found = mCtrlTags.find(ctrlTag);
  return found == mCtrlTags.end() ? nullptr : found->second;
}

int IGraphics::GetParamIdxForControlIdx(int controlIdx) const
{
  const IControl* pControl = mControls.Get(controlIdx);
  return pControl ? pControl->GetParamIdx(0) : -1;
}

void IGraphics::ForStandardControlsFunc(std::function<void(IControlInterface*)> func)
{
  ForStandardControlsFunc(IControlFunction([&func](IControl* pControl) { func(pControl); }));
}

void IGraphics::ForStandardControlsFunc(IControlFunction func)
{
  for (int i = 0; i < NControls(); ++i)
    func(mControls.Get(i));
}

void IGraphics::ForControlInGroup(const char* group, IControlFunction func)
{
  if (!group) return;
  for (int i = 0; i < NControls(); ++i)
  {
    IControl* pControl = mControls.Get(i);
    if (*pControl->GetGroup() && std::strcmp(pControl->GetGroup(), group) == 0) func(pControl);
  }
}

void IGraphics::ForMatchingControlsFunc(int paramIdx, IControlFunction func)
{
  for (int i = 0; i < NControls(); ++i)
  {
    IControl* pControl = mControls.Get(i);
    if (pControl->LinkedToParam(paramIdx) >= 0) func(pControl);
  }
}

void IGraphics::SetControlPosition(int idx, float x, float y)
{
  IControl* pControl = GetControl(idx);
  if (!pControl) return;
  pControl->SetPosition(x, y);
  if (!pControl->IsHidden()) SetAllControlsDirty();
}

void IGraphics::SetControlSize(int idx, float w, float h)
{
  IControl* pControl = GetControl(idx);
  if (!pControl) return;
  pControl->SetSize(w, h);
  if (!pControl->IsHidden()) SetAllControlsDirty();
}

void IGraphics::SetControlBounds(int idx, const IRECT& r)
{
  IControl* pControl = GetControl(idx);
  if (!pControl) return;
  pControl->SetTargetAndDrawRECTs(r);
  if (!pControl->IsHidden()) SetAllControlsDirty();
}

// --- Size and scale -----------------------------------------------------------------------------------

void IGraphics::ResizeToWindow(int w, int h, float scale, bool needsPlatformResize)
{
  const int windowW = int(float(int(float(w) * scale)) * GetPlatformWindowScale());
  const int windowH = int(float(int(float(h) * scale)) * GetPlatformWindowScale());
  PlatformResize(mDelegate->EditorResizeFromUI(windowW, windowH, needsPlatformResize));
}

namespace
{
// A delegate's maximum below its minimum gives way to the minimum (std::clamp needs min <= max).
int ClampToLimits(int v, int minimum, int maximum)
{
  return std::clamp(v, minimum, std::max(minimum, maximum));
}
} // namespace

void IGraphics::Resize(int w, int h, float scale, bool needsPlatformResize)
{
  w = ClampToLimits(w, mDelegate->GetMinWidth(), mDelegate->GetMaxWidth());
  h = ClampToLimits(h, mDelegate->GetMinHeight(), mDelegate->GetMaxHeight());
  scale = std::clamp(scale, mMinScale, mMaxScale);
  if (w == mWidth && h == mHeight && scale == mDrawScale) return;

  ReleaseMouseCapture();
  mDrawScale = scale;
  mWidth = w;
  mHeight = h;
  if (mCornerResizer) mCornerResizer->OnRescale();
  ResizeToWindow(w, h, scale, needsPlatformResize);
  ForAllControls(&IControl::OnResize);
  SetAllControlsDirty();
  DrawResize();
  if (mLayoutOnResize) mDelegate->LayoutUI(this);
}

void IGraphics::ResizeFromWindow(int w, int h, float scale, bool needsPlatformResize, bool sizeInPoints)
{
  scale = std::clamp(scale, mMinScale, mMaxScale);
  if (!sizeInPoints)
  {
    w = int(float(ClampToLimits(int(float(w) * scale), mDelegate->GetMinWidth(), mDelegate->GetMaxWidth())) /
            scale);
    h = int(
        float(ClampToLimits(int(float(h) * scale), mDelegate->GetMinHeight(), mDelegate->GetMaxHeight())) /
        scale);
  }
  Resize(w, h, scale, needsPlatformResize);
}

void IGraphics::SetScreenScale(float scale)
{
  mScreenScale = scale;
  ResizeToWindow(mWidth, mHeight, mDrawScale, true);
  ForAllControls(&IControl::OnRescale);
  SetAllControlsDirty();
  DrawResize();
}

bool IGraphics::ControlIsCaptured(const IControl* pControl) const
{
  for (const auto& entry : mCapturedMap)
    if (entry.second == pControl) return true;
  return false;
}

void IGraphics::SetMouseOverControl(IControl* pControl)
{
  mMouseOver = pControl;
  mMouseOverIdx = pControl ? mControls.Find(pControl) : -1;
}

void IGraphics::AddGestureType(EGestureType type)
{
  for (EGestureType known : mRegisteredGestures)
    if (known == type) return;
  mRegisteredGestures.push_back(type);
}

void IGraphics::EnableTooltips(bool enable)
{
  if (enable == mEnableTooltips) return;
  mEnableTooltips = enable;
  UpdateTooltips();
}

// --- Fonts ------------------------------------------------------------------------------------------

namespace
{
bool LoadThroughPlatform(IGraphics& g, const char* fontID, PlatformFontPtr font)
{
  if (!font) return false;
  if (!g.LoadAPIFont(fontID, font)) return false;
  g.CachePlatformFont(fontID, font);
  return true;
}
} // namespace

bool IGraphics::LoadFont(const char* fontID, const char* fileNameOrResID)
{
  if (LoadThroughPlatform(*this, fontID, LoadPlatformFont(fontID, fileNameOrResID))) return true;
  ReportUnloadedResource("font", fileNameOrResID);
  return false;
}

bool IGraphics::LoadFontFromMemory(const char* fontID, const void* pData, int dataSize)
{
  return LoadThroughPlatform(*this, fontID, LoadPlatformFontFromMemory(fontID, pData, dataSize));
}

bool IGraphics::LoadFontFromSystem(const char* fontID, const char* fontName, int style)
{
  return LoadThroughPlatform(*this, fontID, LoadPlatformFontFromSystem(fontID, fontName, style));
}

// --- Rotated text ------------------------------------------------------------------------------------

void IGraphics::CalculateTextRotation(const IText& text, const IRECT& bounds, IRECT& rect, double& tx,
                                      double& ty) const
{
  if (text.mAngle == 0.f) return;
  const double a = text.mAngle / 180.0 * 3.1415927;
  const double c = std::cos(a), s = std::sin(a);
  const double xs[4] = {rect.L, rect.R, rect.R, rect.L};
  const double ys[4] = {rect.T, rect.T, rect.B, rect.B};
  double l = 0, t = 0, r = 0, b = 0;
  for (int i = 0; i < 4; ++i)
  {
    const double x = xs[i] * c - ys[i] * s;
    const double y = xs[i] * s + ys[i] * c;
    l = i ? std::min(l, x) : x;
    r = i ? std::max(r, x) : x;
    t = i ? std::min(t, y) : y;
    b = i ? std::max(b, y) : y;
  }
  rect = IRECT(float(l), float(t), float(r), float(b));

  switch (text.mAlign)
  {
    case kAlignNear: tx = bounds.L - rect.L; break;
    case kAlignCenter: tx = bounds.MW() - rect.MW(); break;
    case kAlignFar: tx = bounds.R - rect.R; break;
    default: tx = 0.0; break;
  }
  switch (text.mVAlign)
  {
    case kVAlignTop: ty = bounds.T - rect.T; break;
    case kVAlignMiddle: ty = bounds.MH() - rect.MH(); break;
    case kVAlignBottom: ty = bounds.B - rect.B; break;
    default: ty = 0.0; break;
  }
}

void IGraphics::CalculateTextRotation(const IText& text, const IRECT& bounds, IRECT& rect) const
{
  double tx = 0.0, ty = 0.0;
  CalculateTextRotation(text, bounds, rect, tx, ty);
  rect = rect.GetTranslated(float(tx), float(ty));
}
} // namespace iplugin::igraphics
