// The native popup menu: an NSMenu built from an IPopupMenu, item for item, and the receiver that
// catches the chosen item. Made and shown by the view's createPopupMenu; main thread only.
#pragma once

#include <AppKit/NSMenu.h>
#include <AppKit/NSView.h>

namespace iplugin::igraphics
{
class IPopupMenu;

class IGraphicsMenuRcvr_vQorv_au : public NSView
{
public:
  explicit IGraphicsMenuRcvr_vQorv_au(NSRect frame) : NSView(frame) {}
  // The action of every item without a sub-menu.
  void onMenuSelection(NSObject* sender) { nsMenuItem = dynamic_cast<NSMenuItem*>(sender); }
  NSMenuItem* menuItem() const { return nsMenuItem; }

private:
  NSMenuItem* nsMenuItem = nullptr;
};

class IGraphicsMenu_vQorv_au : public NSMenu
{
public:
  // initWithIPopupMenuAndReceiver: one menu item per model item (a separator included), numbered by
  // the menu's prefix mode; sub-menus are built the same way with the same receiver.
  IGraphicsMenu_vQorv_au(IPopupMenu& menu, IGraphicsMenuRcvr_vQorv_au* receiver);
  IPopupMenu* iPopupMenu() const { return mIPopupMenu; }

private:
  IPopupMenu* mIPopupMenu = nullptr;
};
} // namespace iplugin::igraphics
