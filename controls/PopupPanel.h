// One open level of the in-window popup menu: a rounded panel holding one cell per shown item, laid
// out in a single column that scrolls when the editor is too short for it. Owned by the
// IPopupMenuControl that made it. Main thread only.
#pragma once

#include "graphics/IGraphicsStructs.h"
#include "graphics/IPopupMenu.h"
#include "graphics/IRECT.h"

#include <vector>

namespace iplugin::igraphics
{
class IPopupMenuControl;

struct PopupPanel
{
  // Lays out the cells with (x, y) as the panel's top left corner, within the control's area.
  PopupPanel(IPopupMenuControl& control, IPopupMenu& menu, float x, float y, int parentIndex);

  // Index of the cell, or -1 when it is none of this panel's.
  int CellIndex(const IRECT* pCell) const;
  // The item shown in cell i (scrolled), or null.
  IPopupMenu::Item* ItemOfCell(int i) const;
  // True when cell i shows a scroll arrow instead of its item.
  bool IsUpArrowCell(int i) const;
  bool IsDownArrowCell(int i) const;
  bool IsArrowCell(int i) const { return IsUpArrowCell(i) || IsDownArrowCell(i); }
  // The first cell holding the point whose item is enabled, or an arrow cell; null when none.
  const IRECT* HitTest(float x, float y) const;
  void SetOpacity(float opacity) { blend.mWeight = opacity; }

  IPopupMenu* menu;
  std::vector<IRECT> cellRects;
  IRECT outerRect;
  IRECT panelRect;
  int maxRows = 0;
  bool visible = true;
  IBlend blend = IBlend(kBlendDefault, 0.f);
  IRECT cellTemplate;
  const IRECT* highlightCell = nullptr;
  const IRECT* clickedCell = nullptr;
  int parentIndex;
  bool scrolls = false;
  int scrollOffset = 0;
};

// Union of two rectangles where an all-zero rectangle counts as nothing.
IRECT UnionOfNonEmpty(const IRECT& a, const IRECT& b);
} // namespace iplugin::igraphics
