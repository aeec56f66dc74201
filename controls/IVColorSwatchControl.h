// The vector-drawn colour editor: one cell per named style colour, each a swatch (with a label beside it
// when it has one); a click opens the platform colour picker, and the chosen colour replaces that style
// colour and is reported to the colour-chosen function. Main thread only.
#pragma once

#include "controls/IVectorBase.h"

#include <functional>
#include <initializer_list>
#include <vector>

namespace iplugin::igraphics
{
class IVColorSwatchControl : public IControl, public IVectorBase
{
public:
  using ColorChosenFunc = std::function<void(int cellIdx, const IColor& color)>;

  enum ECellLayout
  {
    kGrid = 0,
    kHorizontal,
    kVertical
  };

  IVColorSwatchControl(const IRECT& bounds, const char* label = "", ColorChosenFunc func = nullptr,
                       const IVStyle& style = kDefaultStyle, ECellLayout layout = kGrid,
                       std::initializer_list<EVColor> colorIdsToAdd = {kBG, kFG, kPR, kFR, kHL, kSH, kX1, kX2,
                                                                       kX3},
                       std::initializer_list<const char*> labelsForIDs = {});

  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnMouseOver(float x, float y, const IMouseMod& mod) override;
  void OnMouseOut() override;
  void OnResize() override;
  void Draw(IGraphics& g) override;
  void DrawWidget(IGraphics& g) override;

  const IRECT& GetCellRect(int idx) const { return mCellRects[size_t(idx)]; }

private:
  int CellForPoint(float x, float y) const;

  ColorChosenFunc mColorChosenFunc;
  std::vector<IRECT> mCellRects;
  int mMouseOverCell = -1;
  ECellLayout mLayout;
  std::vector<StringBuf> mLabels;
  std::vector<EVColor> mColorIdForCells;
};
} // namespace iplugin::igraphics
