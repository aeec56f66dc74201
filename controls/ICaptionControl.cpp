#include "controls/ICaptionControl.h"

#include "controls/ParamDisplay.h"
#include "controls/RectLayout.h"
#include "framework/IParam.h"
#include "graphics/IGraphics.h"

namespace iplugin::igraphics
{
ICaptionControl::ICaptionControl(const IRECT& bounds, int paramIdx, const IText& text, const IColor& bgColor,
                                 bool showParamLabel)
    : ITextControl(bounds, "", text, bgColor), mShowParamLabel(showParamLabel)
{
  SetParamIdx(paramIdx);
  mIgnoreMouse = false;
  mDisablePrompt = false;
  mDblAsSingleClick = true;
}

void ICaptionControl::OnMouseDown(float x, float y, const IMouseMod& mod)
{
  if ((mod.L || mod.R) && GetParam(0) && !mDisablePrompt && GetUI())
    GetUI()->PromptUserInput(*this, mRECT, 0);
}

void ICaptionControl::OnResize()
{
  const IParam* pParam = GetParam(0);
  mTri = pParam && pParam->Type() == IParam::kTypeEnum
             ? CentredAt(mRECT.R - 0.1f * mRECT.W(), mRECT.MH(), 8.f, 5.f)
             : IRECT();
}

void ICaptionControl::Draw(IGraphics& g)
{
  if (const IParam* pParam = GetParam(0))
  {
    StringBuf str;
    DisplayWithLabel(*pParam, str, mShowParamLabel);
    SetStr(str.Get());
  }
  ITextControl::Draw(g);
  if (!mTri.Empty())
    g.FillTriangle(mMouseIsOver ? mTriangleMouseOverColor : mTriangleColor, mTri.L, mTri.T, mTri.R, mTri.T,
                   mTri.MW(), mTri.B, &mBlend);
}
} // namespace iplugin::igraphics
