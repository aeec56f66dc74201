// A static label: a string drawn in the control's text style over a filled background, optionally
// sized to fit its string around its centre. It ignores the mouse, so clicks reach what lies below.
// Main thread only.
#pragma once

#include "framework/StringBuf.h"
#include "graphics/IControl.h"

namespace iplugin::igraphics
{
class ITextControl : public IControl
{
public:
  ITextControl(const IRECT& bounds, const char* str = "", const IText& text = kDefaultText,
               const IColor& bgColor = kColorTransparent, bool setBoundsBasedOnStr = false);

  // Sizes a label made before attaching, once the context can measure.
  void OnInit() override;
  void Draw(IGraphics& g) override;
  // Replaces a different string (and re-measures when sized to its text); no redraw.
  virtual void SetStr(const char* str);
  // Formats at most maxLength characters; no comparison, measuring or redraw.
  virtual void SetStrFmt(int maxLength, const char* fmt, ...) __attribute__((format(printf, 3, 4)));
  virtual void ClearStr() { SetStr(""); }

  // The rectangle takes the measured size of the string, keeping its centre.
  void SetBoundsBasedOnStr();
  const char* GetStr() const { return mStr.Get(); }

protected:
  StringBuf mStr;
  IColor mBGColor;
  bool mSetBoundsBasedOnStr;
};
} // namespace iplugin::igraphics
