// Vector-drawn controls that show rather than edit: the function plot, the frame around a named group of
// controls, and the styled text label. Main thread only.
#pragma once

#include "controls/ITextControl.h"
#include "controls/IVectorBase.h"

#include <functional>
#include <initializer_list>
#include <vector>

namespace iplugin::igraphics
{
class IVPlotControl : public IControl, public IVectorBase
{
public:
  struct Plot
  {
    IColor color;
    std::function<double(double)> func;
  };

  IVPlotControl(const IRECT& bounds, std::initializer_list<Plot> plots, int numPoints, const char* label = "",
                const IVStyle& style = kDefaultStyle, float min = -1.f, float max = 1.f,
                bool useLayer = false);

  void OnResize() override;
  void Draw(IGraphics& g) override;
  void AddPlotFunc(const IColor& color, std::function<double(double)> func);

private:
  void DrawPlots(IGraphics& g);

  ILayerPtr mLayer;
  std::vector<Plot> mPlots;
  float mMin;
  float mMax;
  bool mUseLayer;
  int mHorizontalDivisions = 10;
  int mVerticalDivisions = 10;
  std::vector<float> mPoints;
};

class IVGroupControl : public IControl, public IVectorBase
{
public:
  IVGroupControl(const IRECT& bounds, const char* label = "", const IVStyle& style = kDefaultStyle,
                 float labelOffset = 10.f);
  // Bounds come from the controls attached under groupName, widened by the margins.
  IVGroupControl(const char* label, const char* groupName, const IVStyle& style = kDefaultStyle,
                 float marginL = 0.f, float marginT = 0.f, float marginR = 0.f, float marginB = 0.f);

  void OnResize() override;
  void OnInit() override;
  void Draw(IGraphics& g) override;
  void DrawWidget(IGraphics& g) override;
  void SetBoundsBasedOnGroup(const char* groupName, float marginL, float marginT, float marginR,
                             float marginB);

private:
  StringBuf mGroupName;
  float mMarginL = 0.f;
  float mMarginT = 0.f;
  float mMarginR = 0.f;
  float mMarginB = 0.f;
  float mLabelOffset = 10.f;
  float mLabelMargin = 10.f;
};

class IVLabelControl : public ITextControl, public IVectorBase
{
public:
  IVLabelControl(const IRECT& bounds, const char* str = "", const IVStyle& style = kDefaultStyle);
  void Draw(IGraphics& g) override;
};
} // namespace iplugin::igraphics
