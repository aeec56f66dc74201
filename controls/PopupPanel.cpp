#include "controls/PopupPanel.h"

#include "controls/IPopupMenuControl.h"

#include <algorithm>

namespace iplugin::igraphics
{
IRECT UnionOfNonEmpty(const IRECT& a, const IRECT& b)
{
  if (b.Empty()) return a;
  if (a.Empty()) return b;
  return IRECT(std::min(a.L, b.L), std::min(a.T, b.T), std::max(a.R, b.R), std::max(a.B, b.B));
}

PopupPanel::PopupPanel(IPopupMenuControl& control, IPopupMenu& m, float x, float y, int parent)
    : menu(&m), parentIndex(parent)
{
  const IRECT& area = control.GetArea();
  const float pad = control.mPad;
  const float gap = control.mCellGap;
  const IRECT text = control.MeasureTextUnion(m);
  const float w = text.W() + control.mTextPad + control.mTickSize + control.mTextPad + control.mArrowSize;
  const float ch = text.H();
  cellTemplate = IRECT(x, y, x + w, y + ch);

  const int n = m.NItems();
  auto rowHeight = [&](int i)
  {
    const IPopupMenu::Item* pItem = m.GetItem(i);
    return pItem && (pItem->GetFlags() & IPopupMenu::Item::kSeparator) ? control.mSeparatorSize : ch;
  };
  const float left = x + pad;
  auto layOut = [&](float top, int count)
  {
    for (int i = 0; i < count; ++i)
    {
      const float r = rowHeight(i);
      cellRects.emplace_back(left, top, left + w, top + r);
      top += r + gap;
    }
  };

  float top = y + pad;
  bool overflows = false;
  for (int i = 0; i < n && !overflows; ++i)
  {
    const float r = rowHeight(i);
    if (top + r + pad > area.B)
      overflows = true;
    else
    {
      cellRects.emplace_back(left, top, left + w, top + r);
      top += r + gap;
    }
  }

  if (overflows)
  {
    maxRows = int((area.B - pad - (area.T + pad + control.mShadowSize)) / (ch + gap));
    // A window too short for one row still gets one, so no cell index falls below 0.
    maxRows = std::max(maxRows, 1);
    cellRects.clear();
    if (n < maxRows)
      layOut(y + pad + ch - float(n) * ch, n);
    else
    {
      scrolls = true;
      layOut(area.T + pad + control.mShadowSize, maxRows);
    }
  }

  IRECT span;
  for (const IRECT& cell : cellRects)
    span = UnionOfNonEmpty(span, cell);
  if (control.mExpandedBounds.W() != 0.f) span = control.mExpandedBounds;
  panelRect = span.GetPadded(pad);
  outerRect = span.GetPadded(pad + control.mShadowSize);
}

int PopupPanel::CellIndex(const IRECT* pCell) const
{
  if (!pCell || cellRects.empty() || pCell < cellRects.data() || pCell >= cellRects.data() + cellRects.size())
    return -1;
  return int(pCell - cellRects.data());
}

IPopupMenu::Item* PopupPanel::ItemOfCell(int i) const
{
  return i >= 0 ? menu->GetItem(scrollOffset + i) : nullptr;
}

bool PopupPanel::IsUpArrowCell(int i) const
{
  const int c = int(cellRects.size());
  // One cell has no room for an arrow and its items; it shows its item.
  return c >= 2 && menu->NItems() > c && i == 0 && scrollOffset > 0;
}

bool PopupPanel::IsDownArrowCell(int i) const
{
  const int c = int(cellRects.size());
  return c >= 2 && menu->NItems() > c && i == c - 1 && scrollOffset < menu->NItems() - c;
}

const IRECT* PopupPanel::HitTest(float x, float y) const
{
  for (size_t i = 0; i < cellRects.size(); ++i)
  {
    const IRECT& cell = cellRects[i];
    if (!cell.Contains(x, y)) continue;
    // An arrow cell scrolls whatever item lies under it, a disabled one included.
    if (IsArrowCell(int(i))) return &cell;
    const IPopupMenu::Item* pItem = ItemOfCell(int(i));
    if (pItem && !(pItem->GetFlags() & IPopupMenu::Item::kDisabled)) return &cell;
  }
  return nullptr;
}
} // namespace iplugin::igraphics
