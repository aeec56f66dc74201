#include "graphics/mac/IGraphicsMenu.h"

#include "graphics/IPopupMenu.h"

#include <cstdio>

namespace iplugin::igraphics
{
IGraphicsMenu_vQorv_au::IGraphicsMenu_vQorv_au(IPopupMenu& menu, IGraphicsMenuRcvr_vQorv_au* receiver)
    : NSMenu("")
{
  setAutoenablesItems(false);
  static const char* const kPrefixFormats[] = {"", "%1d: ", "%02d: ", "%03d: "};
  const int prefix = menu.GetPrefix();
  for (int i = 0; i < menu.NItems(); ++i)
  {
    const IPopupMenu::Item* pItem = menu.GetItem(i);
    const int flags = pItem->GetFlags();
    // A separator is one menu item and nothing else, so that menu indices stay model indices.
    if (flags & IPopupMenu::Item::kSeparator)
    {
      addItem(NSMenuItem::separatorItem());
      continue;
    }

    char number[16] = "";
    if (prefix >= 1 && prefix <= 3) std::snprintf(number, sizeof(number), kPrefixFormats[prefix], i + 1);
    const std::string title = std::string(number) + pItem->GetText();

    NSMenuItem* item = nullptr;
    if (IPopupMenu* pSubMenu = pItem->GetSubmenu())
    {
      item = addItemWithTitle(title, nullptr, "");
      setSubmenu(new IGraphicsMenu_vQorv_au(*pSubMenu, receiver), item);
    }
    else
    {
      item = addItemWithTitle(title, SEL(&IGraphicsMenuRcvr_vQorv_au::onMenuSelection), "");
      item->setTarget(receiver);
    }
    item->setIndentationLevel((flags & IPopupMenu::Item::kTitle) ? 1 : 0);
    item->setEnabled(!(flags & IPopupMenu::Item::kDisabled));
    if (flags & IPopupMenu::Item::kChecked) item->setState(NSControlStateValueOn);
  }
  mIPopupMenu = &menu;
}
} // namespace iplugin::igraphics
