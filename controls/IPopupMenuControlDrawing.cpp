// Measuring the popup menu's panels and drawing them through the overridable hooks.
#include "controls/IPopupMenuControl.h"

#include "graphics/IGraphics.h"

namespace iplugin::igraphics
{
IRECT IPopupMenuControl::MeasureTextUnion(const IPopupMenu& menu)
{
  IRECT u;
  if (!mGraphics) return u;
  for (int i = 0; i < menu.NItems(); ++i)
  {
    const IPopupMenu::Item* pItem = menu.GetItem(i);
    IRECT bounds;
    mGraphics->MeasureText(mText, pItem->GetText() ? pItem->GetText() : "", bounds);
    u = UnionOfNonEmpty(u, bounds);
  }
  return u;
}

void IPopupMenuControl::MeasureMenu(const IPopupMenu& menu, float& w, float& h)
{
  const IRECT u = MeasureTextUnion(menu);
  w = u.W() + mTextPad + mTickSize + mTextPad + mArrowSize;
  const float ch = u.H();
  int separators = 0;
  const int n = menu.NItems();
  for (int i = 0; i < n; ++i)
    if (menu.GetItem(i)->GetFlags() & IPopupMenu::Item::kSeparator) ++separators;
  h = float(separators) * mSeparatorSize + float(n - separators) * ch + float(n - 1) * mCellGap;
}

void IPopupMenuControl::Draw(IGraphics& g)
{
  for (int p = 0; p < mPanels.Count(); ++p)
  {
    PopupPanel& panel = *mPanels.Get(p);
    if (!panel.visible) continue;
    DrawPanelShadow(g, panel);
    DrawPanelBackground(g, panel);

    const IBlend* pBlend = &panel.blend;
    const int c = int(panel.cellRects.size());
    auto highlighted = [&](const IRECT& cell) { return &cell == mMouseCell || &cell == panel.highlightCell; };
    int first = 0, last = c - 1;
    if (c > 0 && panel.IsUpArrowCell(0))
    {
      const IRECT& cell = panel.cellRects.front();
      DrawCellBackground(g, cell, nullptr, highlighted(cell), pBlend);
      DrawUpArrow(g, cell, highlighted(cell), pBlend);
      first = 1;
    }
    if (c > 0 && panel.IsDownArrowCell(c - 1))
    {
      const IRECT& cell = panel.cellRects.back();
      DrawCellBackground(g, cell, nullptr, highlighted(cell), pBlend);
      DrawDownArrow(g, cell, highlighted(cell), pBlend);
      last = c - 2;
    }

    for (int i = first; i <= last; ++i)
    {
      const IRECT& cell = panel.cellRects[size_t(i)];
      const IPopupMenu::Item* pItem = panel.ItemOfCell(i);
      if (!pItem) continue;
      if (pItem->GetFlags() & IPopupMenu::Item::kSeparator)
      {
        DrawSeparator(g, cell, pBlend);
        continue;
      }
      const bool lit = highlighted(cell);
      DrawCellBackground(g, cell, pItem, lit, pBlend);
      DrawCellText(g, cell, pItem, lit, pBlend);
      if (pItem->GetChecked()) DrawTick(g, cell, pItem, lit, pBlend);
      if (pItem->GetSubmenu()) DrawSubMenuArrow(g, cell, pItem, lit, pBlend);
    }
  }
}

void IPopupMenuControl::DrawPanelShadow(IGraphics& g, PopupPanel& panel)
{
  const IRECT inner = panel.outerRect.GetPadded(-mShadowSize);
  g.DrawFastDropShadow(inner, panel.outerRect, 2.f, mRoundness, 10.f, &panel.blend);
}

void IPopupMenuControl::DrawPanelBackground(IGraphics& g, PopupPanel& panel)
{
  g.FillRoundRect(mPanelColor, panel.panelRect, mRoundness, &panel.blend);
}

void IPopupMenuControl::DrawCellBackground(IGraphics& g, const IRECT& cell, const IPopupMenu::Item* pItem,
                                           bool highlighted, const IBlend* pBlend)
{
  if (highlighted) g.FillRect(mHighlightColor, IRECT(cell.L - mPad, cell.T, cell.R + mPad, cell.B), pBlend);
}

void IPopupMenuControl::DrawCellText(IGraphics& g, const IRECT& cell, const IPopupMenu::Item* pItem,
                                     bool highlighted, const IBlend* pBlend)
{
  const IRECT textRect(cell.L + mTickSize + mTextPad, cell.T, cell.R - mTextPad, cell.B);
  if (highlighted)
    mText.mFGColor = mSelectedTextColor;
  else if (pItem->GetFlags() & IPopupMenu::Item::kDisabled)
    mText.mFGColor = mDisabledTextColor;
  else
    mText.mFGColor = mTextColor;
  mText.mAlign = kAlignNear;
  g.DrawText(mText, pItem->GetText(), textRect, pBlend);
}

void IPopupMenuControl::DrawTick(IGraphics& g, const IRECT& cell, const IPopupMenu::Item* pItem,
                                 bool highlighted, const IBlend* pBlend)
{
  const float cx = cell.L + mTickSize / 2.f, cy = cell.MH(), half = mTickSize / 4.f;
  g.FillRoundRect(highlighted ? mSelectedTextColor : mTextColor,
                  IRECT(cx - half, cy - half, cx + half, cy + half), 2.f, pBlend);
}

void IPopupMenuControl::DrawSubMenuArrow(IGraphics& g, const IRECT& cell, const IPopupMenu::Item* pItem,
                                         bool highlighted, const IBlend* pBlend)
{
  const float ch = cell.H(), cy = cell.MH();
  const float tip = mSubMenusOpenRight ? cell.R + mPad / 2.f : cell.L - mPad / 2.f;
  const float base = mSubMenusOpenRight ? tip - ch / 2.f : tip + ch / 2.f;
  g.FillTriangle(highlighted ? mSelectedTextColor : mTextColor, tip, cy, base, cy - ch / 4.f, base,
                 cy + ch / 4.f, pBlend);
}

void IPopupMenuControl::DrawUpArrow(IGraphics& g, const IRECT& cell, bool highlighted, const IBlend* pBlend)
{
  const float cx = cell.MW(), cy = cell.MH(), d = 0.3f * cell.H();
  g.FillTriangle(highlighted ? mSelectedTextColor : mTextColor, cx - d, cy + d, cx + d, cy + d, cx, cy - d,
                 pBlend);
}

void IPopupMenuControl::DrawDownArrow(IGraphics& g, const IRECT& cell, bool highlighted, const IBlend* pBlend)
{
  const float cx = cell.MW(), cy = cell.MH(), d = 0.3f * cell.H();
  g.FillTriangle(highlighted ? mSelectedTextColor : mTextColor, cx - d, cy - d, cx + d, cy - d, cx, cy + d,
                 pBlend);
}

void IPopupMenuControl::DrawSeparator(IGraphics& g, const IRECT& cell, const IBlend* pBlend)
{
  if (pBlend && pBlend->mWeight > 0.9f)
  {
    const IBlend faint(kBlendDefault, 0.25f);
    g.FillRect(mSeparatorColor, cell, &faint);
  }
}
} // namespace iplugin::igraphics
