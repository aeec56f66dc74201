// What the graphics context needs of its in-window popup menu and text entry. The control library's
// `IPopupMenuControl` and `ITextEntryControl` implement these beside `IControl`; the context reaches
// them only through here, so the graphics core stays below the control library. Main thread only.
#pragma once

#include "graphics/IGraphicsStructs.h"
#include "graphics/IRECT.h"

namespace iplugin::igraphics
{
class IPopupMenu;

class IPopupMenuControlInterface
{
public:
  // 0 idle, 2 expanded and shown, other positive values while opening or closing.
  enum EPopupState
  {
    kCollapsed = 0,
    kExpanding = 1,
    kExpanded = 2,
    kCollapsing = 3
  };

  virtual ~IPopupMenuControlInterface() = default;
  virtual int GetState() const = 0;
  // Starts showing the menu over the anchor; the choice arrives later through the context's
  // SetControlValueAfterPopupMenu.
  virtual IPopupMenu* CreatePopupMenu(IPopupMenu& menu, const IRECT& anchor) = 0;
};

class ITextEntryControlInterface
{
public:
  virtual ~ITextEntryControlInterface() = default;
  virtual bool GetEditing() const = 0;
  // Places the entry over bounds and starts editing str; the value arrives through the context's
  // SetControlValueAfterTextEdit.
  virtual void CreateTextEntry(int paramIdx, const IText& text, const IRECT& bounds, int length,
                               const char* str) = 0;
};
} // namespace iplugin::igraphics
