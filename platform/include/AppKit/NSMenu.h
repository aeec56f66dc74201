// Stand-in for AppKit menus. A menu owns its items and an item its sub-menu. Showing a menu is modal:
// the scripted answer of QorvPlatform/Dialogs.h picks an item (or none), whose action is sent to its
// target before popUpMenuPositioningItem returns.
#pragma once

#include <Foundation/NSGeometry.h>
#include <Foundation/NSObject.h>

#include <memory>
#include <string>
#include <vector>

class NSMenu;
class NSView;

enum
{
  NSControlStateValueOff = 0,
  NSControlStateValueOn = 1
};

class NSMenuItem : public NSObject
{
public:
  NSMenuItem(std::string title, SEL action, std::string keyEquivalent)
      : m_title(std::move(title)), m_action(action), m_keyEquivalent(std::move(keyEquivalent))
  {
  }
  // A new separator; the menu it is added to owns it.
  static NSMenuItem* separatorItem();

  const std::string& title() const { return m_title; }
  bool isSeparatorItem() const { return m_separator; }
  SEL action() const { return m_action; }
  id target() const { return m_target; }
  void setTarget(id target) { m_target = target; }
  long indentationLevel() const { return m_indentation; }
  void setIndentationLevel(long level) { m_indentation = level; }
  bool isEnabled() const { return m_enabled; }
  void setEnabled(bool enabled) { m_enabled = enabled; }
  long state() const { return m_state; }
  void setState(long state) { m_state = state; }
  NSMenu* menu() const { return m_menu; }
  NSMenu* submenu() const { return m_submenu.get(); }
  bool hasSubmenu() const { return m_submenu != nullptr; }

private:
  friend class NSMenu;
  std::string m_title;
  SEL m_action = nullptr;
  std::string m_keyEquivalent;
  id m_target = nullptr;
  long m_indentation = 0;
  bool m_enabled = true;
  long m_state = NSControlStateValueOff;
  bool m_separator = false;
  NSMenu* m_menu = nullptr;
  std::unique_ptr<NSMenu> m_submenu;
};

class NSMenu : public NSObject
{
public:
  explicit NSMenu(std::string title = "") : m_title(std::move(title)) {}
  ~NSMenu() override;
  NSMenu(const NSMenu&) = delete;
  NSMenu& operator=(const NSMenu&) = delete;

  const std::string& title() const { return m_title; }
  void setAutoenablesItems(bool on) { m_autoenables = on; }
  bool autoenablesItems() const { return m_autoenables; }

  NSMenuItem* addItemWithTitle(const std::string& title, SEL action, const std::string& keyEquivalent);
  // The menu takes the item over.
  void addItem(NSMenuItem* item);
  // The item takes the sub-menu over.
  void setSubmenu(NSMenu* menu, NSMenuItem* item);
  long numberOfItems() const { return long(m_items.size()); }
  NSMenuItem* itemAtIndex(long index) const;
  // -1 when the item is not in this menu.
  long indexOfItem(const NSMenuItem* item) const;

  // Shows the menu at location in view until it closes; true when an item was chosen.
  bool popUpMenuPositioningItem(NSMenuItem* item, NSPoint location, NSView* view);

private:
  std::string m_title;
  bool m_autoenables = true;
  std::vector<std::unique_ptr<NSMenuItem>> m_items;
};
