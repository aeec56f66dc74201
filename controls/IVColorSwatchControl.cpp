#include "controls/IVColorSwatchControl.h"

namespace iplugin::igraphics
{
IVColorSwatchControl::IVColorSwatchControl(const IRECT& bounds, const char* label, ColorChosenFunc func,
                                           const IVStyle& style, ECellLayout layout,
                                           std::initializer_list<EVColor> colorIdsToAdd,
                                           std::initializer_list<const char*> labelsForIDs)
    : IControl(bounds), IVectorBase(style), mColorChosenFunc(std::move(func)), mLayout(layout),
      mColorIdForCells(colorIdsToAdd)
{
  for (const char* cellLabel : labelsForIDs)
    mLabels.emplace_back(cellLabel ? cellLabel : "");
  AttachIControl(this, label);
}

void IVColorSwatchControl::OnResize()
{
  MakeRects(mRECT, true);
  const int n = int(mColorIdForCells.size());
  const int cols = mLayout == kGrid ? 3 : mLayout == kHorizontal ? n : 1;
  const int rows = mLayout == kGrid ? 3 : mLayout == kHorizontal ? 1 : n;
  const IRECT& w = mWidgetBounds;
  mCellRects.clear();
  for (int k = 0; k < n; ++k)
  {
    IRECT cell = w;
    if (k < cols * rows)
    {
      const int c = k % cols, r = k / cols;
      cell = IRECT(w.L + w.W() * c / cols, w.T + w.H() * r / rows, w.L + w.W() * (c + 1) / cols,
                   w.T + w.H() * (r + 1) / rows);
    }
    mCellRects.push_back(cell.GetPadded(-2.f));
  }
  SetDirty(false);
}

void IVColorSwatchControl::Draw(IGraphics& g)
{
  DrawWidget(g);
  DrawLabel(g);
}

void IVColorSwatchControl::DrawWidget(IGraphics& g)
{
  for (size_t i = 0; i < mCellRects.size(); ++i)
  {
    const IRECT& cell = mCellRects[i];
    IRECT swatch = cell;
    if (i < mLabels.size() && mLabels[i].GetLength())
    {
      g.DrawText(mStyle.mValueText, mLabels[i].Get(), IRECT(cell.L, cell.T, cell.L + cell.W() * 0.7f, cell.B),
                 GetBlend());
      swatch = IRECT(cell.R - cell.W() * 0.25f, cell.T, cell.R, cell.B);
    }
    g.FillRect(GetColor(mColorIdForCells[i]), swatch, GetBlend());
    const IColor outline = int(i) == mMouseOverCell ? kColorGray : kColorDarkGray;
    g.DrawRect(outline, swatch.GetPadded(0.5f), GetBlend());
  }
}

int IVColorSwatchControl::CellForPoint(float x, float y) const
{
  for (size_t i = 0; i < mCellRects.size(); ++i)
    if (mCellRects[i].Contains(x, y)) return int(i);
  return -1;
}

void IVColorSwatchControl::OnMouseOver(float x, float y, const IMouseMod& mod)
{
  mMouseOverCell = CellForPoint(x, y);
  IControl::OnMouseOver(x, y, mod);
  SetDirty(false);
}

void IVColorSwatchControl::OnMouseOut()
{
  mMouseOverCell = -1;
  IControl::OnMouseOut();
  SetDirty(false);
}

void IVColorSwatchControl::OnMouseDown(float x, float y, const IMouseMod& mod)
{
  const int cell = CellForPoint(x, y);
  if (cell < 0 || !GetUI()) return;
  const EVColor colorIdx = mColorIdForCells[size_t(cell)];
  IColor color = GetColor(colorIdx);
  GetUI()->PromptForColor(color, "Choose a color",
                          [this, cell, colorIdx](const IColor& chosen)
                          {
                            SetColor(colorIdx, chosen);
                            SetDirty(false);
                            if (mColorChosenFunc) mColorChosenFunc(cell, chosen);
                          });
}
} // namespace iplugin::igraphics
