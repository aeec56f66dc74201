// A layout placeholder: a crossed box that shows its string and its own position, width and height;
// a double click edits the string. Main thread only.
#pragma once

#include "controls/ITextControl.h"

namespace iplugin::igraphics
{
class PlaceHolder : public ITextControl
{
public:
  explicit PlaceHolder(const IRECT& bounds, const char* str = "Place Holder");

  void OnResize() override;
  void OnMouseDblClick(float x, float y, const IMouseMod& mod) override;
  void OnTextEntryCompletion(const char* str, int valIdx) override;
  void Draw(IGraphics& g) override;

  const char* GetPositionStr() const { return mTLText.Get(); }
  const char* GetWidthStr() const { return mWidthText.Get(); }
  const char* GetHeightStr() const { return mHeightText.Get(); }

private:
  StringBuf mTLText;
  StringBuf mWidthText;
  StringBuf mHeightText;
  IText mTLGCText;
  IText mWidthGCText;
  IText mHeightGCText;
};
} // namespace iplugin::igraphics
