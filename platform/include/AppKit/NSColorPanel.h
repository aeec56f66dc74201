// Stand-in for the shared colour panel. It stays open once ordered front; each colour the user picks
// (qorvplatform::PickPanelColor) calls the action. Main thread only.
#pragma once

#include <AppKit/NSColor.h>

#include <functional>

class NSColorPanel
{
public:
  static NSColorPanel* sharedColorPanel();
  // Whether the shared panel was made already (sharedColorPanel makes it).
  static bool sharedColorPanelExists();

  // Target and action in one: called with the panel for every change.
  void setAction(std::function<void(NSColorPanel*)> action) { m_action = std::move(action); }
  void setShowsAlpha(bool on) { m_showsAlpha = on; }
  bool showsAlpha() const { return m_showsAlpha; }
  void setColor(const NSColor& c) { m_color = c; }
  NSColor color() const { return m_color; }
  void orderFront(void* sender) { m_visible = true; }
  void close();
  bool isVisible() const { return m_visible; }

  // Stand-in: the user picks c.
  void Pick(const NSColor& c);

private:
  std::function<void(NSColorPanel*)> m_action;
  NSColor m_color;
  bool m_showsAlpha = false;
  bool m_visible = false;
};
