#include "controls/IPopupMenuControl.h"

#include "graphics/IGraphics.h"

#include <algorithm>

namespace iplugin::igraphics
{
namespace
{
constexpr int kFadeMs = 100;
constexpr int kSubMenuDelayMs = 200;
} // namespace

IPopupMenuControl::IPopupMenuControl(int paramIdx, const IText& text, const IRECT& collapsedBounds,
                                     const IRECT& expandedBounds)
    : IControl(collapsedBounds, paramIdx), mCollapsedBounds(collapsedBounds), mExpandedBounds(expandedBounds)
{
  mText = text;
  SetActionFunction(
      [](IControl* pControl)
      {
        auto* pMenu = static_cast<IPopupMenuControl*>(pControl);
        pMenu->SetAnimation(AnimationStep, pMenu->mState == kSubMenuAppearing ? kSubMenuDelayMs : kFadeMs);
      });
  mHide = true;
}

IPopupMenuControl::~IPopupMenuControl()
{
  ClearPanels();
}

void IPopupMenuControl::ClearPanels()
{
  mMouseCell = nullptr;
  mActivePanel = nullptr;
  mAppearingPanel = nullptr;
  mPanels.Empty(true);
}

void IPopupMenuControl::SetAllOpacities(float opacity)
{
  for (int i = 0; i < mPanels.Count(); ++i)
    mPanels.Get(i)->SetOpacity(opacity);
}

int IPopupMenuControl::GetState() const
{
  switch (mState)
  {
  case kClosed:
    return kCollapsed;
  case kFadingIn:
  case kOpen:
  case kSubMenuAppearing:
    return kExpanded;
  default:
    return kCollapsing;
  }
}

IPopupMenu* IPopupMenuControl::CreatePopupMenu(IPopupMenu& menu, const IRECT& anchor)
{
  mMenu = &menu;
  mHasSubMenus = false;
  for (int i = 0; i < menu.NItems() && !mHasSubMenus; ++i)
    mHasSubMenus = menu.GetItem(i)->GetSubmenu() != nullptr;
  if (mGraphics) mArea = IRECT(0.f, 0.f, float(mGraphics->Width()), float(mGraphics->Height()));
  if (mState == kClosed) Expand(anchor);
  return nullptr;
}

void IPopupMenuControl::Expand(const IRECT& a)
{
  const IRECT& area = mArea;
  const float s = mShadowSize;
  const float ts = mText.mSize;
  float w = 0.f, h = 0.f;
  MeasureMenu(*mMenu, w, h);
  const float minX = area.L + s, maxX = area.R - w - 2.f * s;
  const float minY = area.T + s, maxY = area.B - h - 2.f * s;
  auto sidePosition = [&]
  {
    if (area.MW() >= a.MW())
    {
      mPlacement = 1;
      return a.R;
    }
    mPlacement = 3;
    return a.L - w - s;
  };

  Hide(false);
  mState = kFadingIn;
  if (mGraphics) mGraphics->UpdateTooltips();
  ClearPanels();
  mAnchorRect = a;

  float y = area.MH() >= a.MH() ? a.MH() - ts : a.MH() - h + ts;
  float x = sidePosition();

  if (x > maxX || y <= minY || y > maxY || x <= minX)
  {
    // The first guess does not fit: below when there is room, else beside; then above.
    if ((x > maxX || y <= minY || x <= minX) && area.MH() >= a.MH())
    {
      if (a.B <= maxY)
      {
        x = a.MW() - w / 2.f;
        y = a.B;
        mPlacement = 2;
      }
      else
      {
        x = sidePosition();
        y = maxY;
      }
    }
    if ((x > maxX || y > maxY || x <= minX) && a.MH() > area.MH())
    {
      y = a.T - h - s;
      x = a.MW() - w / 2.f;
      mPlacement = 0;
      if (y <= minY)
      {
        x = sidePosition();
        y = minY;
      }
    }
    if (x <= minX) x = minX;
    if (x > maxX) x = maxX;
    if (y <= minY) y = minY;
    if (y > maxY) y = maxY;
    if (y < 0.f) y = 0.f;
  }
  // Below the anchor whenever it has room, whichever way the position was found.
  if (a.B <= maxY)
  {
    x = a.MW() - w / 2.f;
    y = a.B;
    mPlacement = 2;
  }
  if (x <= minX) x = minX;
  if (x > maxX) x = maxX;

  if (mHasSubMenus)
  {
    mSubMenusOpenRight = area.MW() >= a.MW();
    x = a.MW() - w / 2.f;
    if (x <= minX) x = minX;
    if ((area.B - a.B) >= (a.T - area.T))
    {
      y = std::min(maxY, a.B);
      if (y <= minY) y = minY;
      mPlacement = 2;
    }
    else
    {
      y = a.T - h - s;
      if (y <= minY) y = minY;
      y = std::min(maxY, y);
      mPlacement = 0;
    }
    x = std::min(maxX, x);
  }

  PopupPanel* pPanel = mPanels.Add(new PopupPanel(*this, *mMenu, x, y, -1));
  mActivePanel = mAppearingPanel = pPanel;
  mRECT = pPanel->outerRect;
  mTargetRECT = pPanel->panelRect;
  mMouseIsOver = false;
  OnResize();
  SetDirty(true);
}

void IPopupMenuControl::AnimationStep(IControl* pControl)
{
  auto* pMenu = static_cast<IPopupMenuControl*>(pControl);
  const double p = pMenu->GetAnimationProgress();
  if (p > 1.0)
  {
    pMenu->OnEndAnimation();
    return;
  }
  const float opacity = pMenu->mOpacity;
  switch (pMenu->mState)
  {
  case kFadingIn:
    if (pMenu->mAppearingPanel) pMenu->mAppearingPanel->SetOpacity(float(p) * opacity);
    break;
  case kFadingOut:
    pMenu->SetAllOpacities(float(1.0 - p) * opacity);
    break;
  case kSubMenuAppearing:
    if (pMenu->mAppearingPanel) pMenu->mAppearingPanel->SetOpacity(p > 0.9 ? opacity : 0.f);
    break;
  case kClosing:
    pMenu->SetAllOpacities(0.f);
    break;
  default:
    break;
  }
}

void IPopupMenuControl::OnEndAnimation()
{
  switch (mState)
  {
  case kFadingIn:
  case kSubMenuAppearing:
    SetAllOpacities(mOpacity);
    mState = kOpen;
    IControl::OnEndAnimation();
    break;
  case kOpen:
    IControl::OnEndAnimation();
    break;
  case kFadingOut:
    mTargetRECT = mCollapsedBounds;
    SetAllOpacities(0.f);
    mState = kClosing;
    mMouseCell = nullptr;
    mAnchorRect = IRECT();
    SetDirty(true);
    break;
  case kChosen:
    mState = kFadingOut;
    SetDirty(true);
    break;
  case kClosing:
    if (mGraphics) mGraphics->UpdateTooltips();
    ClearPanels();
    mState = kClosed;
    mRECT = mCollapsedBounds;
    IControl::OnEndAnimation();
    break;
  default:
    IControl::OnEndAnimation();
    break;
  }
}

void IPopupMenuControl::OnMouseDown(float x, float y, const IMouseMod& mod)
{
  if (mState == kOpen)
  {
    mMouseCell = mActivePanel ? mActivePanel->HitTest(x, y) : nullptr;
    CollapseEverything();
  }
  // While a panel fades in or a sub-menu waits, the click is the menu's and does nothing.
  else if (mState != kFadingIn && mState != kSubMenuAppearing)
    IControl::OnMouseDown(x, y, mod);
}

void IPopupMenuControl::OnMouseDrag(float x, float y, float dX, float dY, const IMouseMod& mod)
{
  if (!mActivePanel) return;
  mMouseCell = mActivePanel->HitTest(x, y);
  SetDirty(false);
}

void IPopupMenuControl::OnMouseOut()
{
  mMouseCell = nullptr;
}

void IPopupMenuControl::OnMouseOver(float x, float y, const IMouseMod& mod)
{
  if (!mActivePanel) return;
  mMouseCell = mActivePanel->HitTest(x, y);
  if (!mMouseCell)
  {
    for (int i = mPanels.Count() - 1; i >= 0; --i)
    {
      PopupPanel* pPanel = mPanels.Get(i);
      if (pPanel->visible && pPanel->outerRect.Contains(x, y))
      {
        mActivePanel = pPanel;
        mMouseCell = pPanel->HitTest(x, y);
        break;
      }
    }
  }

  UpdateSubMenus();

  PopupPanel& panel = *mActivePanel;
  if (panel.scrolls && mMouseCell)
  {
    const int cells = int(panel.cellRects.size());
    const int cell = panel.CellIndex(mMouseCell);
    if (cell == 0)
      panel.scrollOffset = std::max(panel.scrollOffset - 1, 0);
    else if (cell == cells - 1)
      panel.scrollOffset = std::min(std::max(panel.scrollOffset, 0) + 1, panel.menu->NItems() - cells);
  }
  SetDirty(false);
}

void IPopupMenuControl::UpdateSubMenus()
{
  const int cellIdx = mActivePanel->CellIndex(mMouseCell);
  IPopupMenu::Item* pItem = mActivePanel->ItemOfCell(cellIdx);
  if (cellIdx < 0 || !pItem) return;
  const int activeIdx = IndexOfPanel(mActivePanel);
  IPopupMenu* pSub = pItem->GetSubmenu();

  if (!pSub)
  {
    for (int i = 0; i < mPanels.Count(); ++i)
    {
      PopupPanel* pPanel = mPanels.Get(i);
      if (pPanel->parentIndex == activeIdx)
      {
        pPanel->visible = false;
        mActivePanel->highlightCell = nullptr;
      }
    }
    SetDirty(false);
    return;
  }

  bool shown = false;
  for (int i = 0; i < mPanels.Count(); ++i)
  {
    PopupPanel* pPanel = mPanels.Get(i);
    pPanel->visible = pPanel->menu == pSub;
    shown = shown || pPanel->visible;
  }
  mActivePanel->highlightCell = (pItem->GetFlags() & IPopupMenu::Item::kDisabled) ? nullptr : mMouseCell;

  if (!shown)
  {
    const IRECT& area = mArea;
    const IRECT& cell = *mMouseCell;
    const float s = mShadowSize;
    float w = 0.f, h = 0.f;
    MeasureMenu(*pSub, w, h);
    const float minX = area.L + s, maxX = area.R - w - 2.f * s;
    const float minY = area.T + s, maxY = area.B - h - 2.f * s;
    float y = 0.f;
    if (mPlacement == 0)
    {
      y = cell.T - mPad / 2.f - h + 2.f * mCellGap + s;
      if (y <= minY) y = minY;
      if (y > maxY) y = maxY;
    }
    else if (mPlacement == 2)
    {
      y = std::min(maxY, cell.T - mPad);
      if (y <= minY) y = minY;
    }
    float x = mSubMenusOpenRight ? cell.R + mPad : cell.L - mPad - w - s;
    if (x <= minX) x = minX;
    x = std::min(maxX, x);
    mPanels.Add(new PopupPanel(*this, *pSub, x, y, activeIdx));
  }

  PopupPanel* pShowing = nullptr;
  for (int i = 0; i < mPanels.Count() && !pShowing; ++i)
    if (mPanels.Get(i)->visible) pShowing = mPanels.Get(i);

  IRECT outer, inner;
  for (PopupPanel* p = pShowing; p; p = mPanels.Get(p->parentIndex))
  {
    p->visible = true;
    outer = UnionOfNonEmpty(outer, p->outerRect);
    inner = UnionOfNonEmpty(inner, p->panelRect);
    if (p->parentIndex < 0) break;
  }
  mTargetRECT = UnionOfNonEmpty(mTargetRECT, outer);
  mRECT = UnionOfNonEmpty(mRECT, inner);
  mMouseIsOver = false;
  OnResize();

  if (mAppearingPanel != pShowing)
  {
    mState = kSubMenuAppearing;
    mAppearingPanel = pShowing;
  }
  SetDirty(true);
}

void IPopupMenuControl::CollapseEverything()
{
  PopupPanel* pPanel = mActivePanel;
  if (pPanel)
  {
    IPopupMenu* pMenu = pPanel->menu;
    pMenu->SetChosenItemIdx(-1);
    const int cellIdx = pPanel->CellIndex(mMouseCell);
    const IPopupMenu::Item* pItem = pPanel->ItemOfCell(cellIdx);
    constexpr int kNotChoosable =
        IPopupMenu::Item::kTitle | IPopupMenu::Item::kSeparator | IPopupMenu::Item::kDisabled;
    // An arrow cell scrolls; the item hidden under it is not the one the user saw.
    if (pItem && !pPanel->IsArrowCell(cellIdx) && !(pItem->GetFlags() & kNotChoosable) &&
        !pItem->GetSubmenu())
    {
      pMenu->SetChosenItemIdx(pPanel->scrollOffset + cellIdx);
      pPanel->clickedCell = mMouseCell;
    }
    pMenu->ExecFunction();
    if (mGraphics) mGraphics->SetControlValueAfterPopupMenu(pMenu);
  }
  mActivePanel = nullptr;
  mState = kChosen;
  Hide(true);
  SetDirty(true);
}

void IGraphics::AttachPopupMenuControl(const IText& text, const IRECT& bounds)
{
  if (!mPopupControl) AttachSpecialControl(mPopupControl, new IPopupMenuControl(-1, text, IRECT(), bounds));
}
} // namespace iplugin::igraphics
