#include <AppKit/NSMenu.h>
#include <AppKit/NSView.h>

#include "ScriptedAnswers.h"

namespace
{
void Describe(const NSMenu& menu, const std::string& indent, std::vector<std::string>& lines)
{
  for (long i = 0; i < menu.numberOfItems(); ++i)
  {
    const NSMenuItem* item = menu.itemAtIndex(i);
    if (item->isSeparatorItem())
    {
      lines.push_back(indent + "---");
      continue;
    }
    std::string line = indent + item->title();
    if (item->state() == NSControlStateValueOn) line += " [on]";
    if (!item->isEnabled()) line += " [disabled]";
    if (item->indentationLevel()) line += " [indent " + std::to_string(item->indentationLevel()) + "]";
    if (item->hasSubmenu()) line += " >";
    lines.push_back(line);
    if (item->hasSubmenu()) Describe(*item->submenu(), indent + "  ", lines);
  }
}

// The item the path leads to, or null when it leads to nothing a user could choose.
NSMenuItem* Follow(const NSMenu& menu, const std::vector<int>& path)
{
  const NSMenu* current = &menu;
  NSMenuItem* item = nullptr;
  for (size_t k = 0; k < path.size(); ++k)
  {
    if (!current) return nullptr;
    item = current->itemAtIndex(path[k]);
    if (!item) return nullptr;
    current = item->submenu();
  }
  if (!item || item->isSeparatorItem() || !item->isEnabled() || item->hasSubmenu()) return nullptr;
  return item;
}
} // namespace

NSMenuItem* NSMenuItem::separatorItem()
{
  auto* item = new NSMenuItem("", nullptr, "");
  item->m_separator = true;
  item->m_enabled = false;
  return item;
}

NSMenu::~NSMenu() = default;

NSMenuItem* NSMenu::addItemWithTitle(const std::string& title, SEL action, const std::string& keyEquivalent)
{
  auto* item = new NSMenuItem(title, action, keyEquivalent);
  addItem(item);
  return item;
}

void NSMenu::addItem(NSMenuItem* item)
{
  if (!item) return;
  item->m_menu = this;
  m_items.emplace_back(item);
}

void NSMenu::setSubmenu(NSMenu* menu, NSMenuItem* item)
{
  if (!item || indexOfItem(item) < 0)
  {
    delete menu;
    return;
  }
  item->m_submenu.reset(menu);
}

NSMenuItem* NSMenu::itemAtIndex(long index) const
{
  return index >= 0 && index < numberOfItems() ? m_items[size_t(index)].get() : nullptr;
}

long NSMenu::indexOfItem(const NSMenuItem* item) const
{
  for (size_t i = 0; i < m_items.size(); ++i)
    if (m_items[i].get() == item) return long(i);
  return -1;
}

bool NSMenu::popUpMenuPositioningItem(NSMenuItem* item, NSPoint location, NSView* view)
{
  std::vector<std::string> lines;
  Describe(*this, "", lines);
  qorvplatform::detail::RecordShownMenu(std::move(lines), location.x, location.y);

  std::vector<int> path;
  if (!qorvplatform::detail::TakeMenuChoice(path)) return false;
  NSMenuItem* chosen = Follow(*this, path);
  if (!chosen) return false;
  if (chosen->target() && chosen->action()) (chosen->target()->*chosen->action())(chosen);
  return true;
}
