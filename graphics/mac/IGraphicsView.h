// The editor's Cocoa view: here its native prompts, the popup menu and the text field over a
// control, which the platform graphics class forwards to when no in-window menu or text entry is
// attached. Areas are in view points (flipped: y grows downwards). Main thread only.
#pragma once

#include "graphics/mac/IGraphicsTextField.h"

#include <AppKit/NSView.h>

#include <memory>

namespace iplugin::igraphics
{
class IGraphics;
class IPopupMenu;
struct IText;

class IGraphicsView_vQorv_au : public NSView, public NSTextFieldDelegate
{
public:
  IGraphicsView_vQorv_au(IGraphics* pGraphics, NSRect frame);
  ~IGraphicsView_vQorv_au() override;

  // Shows the menu 4 points below area until it closes; the menu (or sub-menu) holding the chosen
  // item, its chosen index set, or null when nothing was chosen.
  IPopupMenu* createPopupMenu(IPopupMenu& menu, NSRect area);
  // Opens a text field over area holding str, unless one is open already.
  void createTextEntry(int paramIdx, const IText& text, const char* str, int length, NSRect area);
  // Return or loss of focus: the text goes to the graphics context, then the field closes.
  void controlTextDidEndEditing(NSNotification* notification) override;
  // Closes the field without delivering its text.
  void endUserInput();

  IGraphicsTextField_vQorv_au* textField() const { return mTextFieldView.get(); }

private:
  IGraphics* mGraphics;
  std::unique_ptr<IGraphicsTextField_vQorv_au> mTextFieldView;
};
} // namespace iplugin::igraphics
