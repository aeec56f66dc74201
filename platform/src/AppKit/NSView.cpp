#include <AppKit/NSColor.h>
#include <AppKit/NSView.h>

#include <algorithm>

namespace
{
NSWindow* sKeyWindow = nullptr;
}

NSView::~NSView()
{
  removeFromSuperview();
  for (NSView* child : m_subviews)
    child->m_superview = nullptr;
  if (m_window && m_window->m_contentView == this) m_window->m_contentView = nullptr;
}

void NSView::addSubview(NSView* view)
{
  if (!view || view == this) return;
  view->removeFromSuperview();
  view->m_superview = this;
  m_subviews.push_back(view);
}

void NSView::removeFromSuperview()
{
  // A view that leaves the window stops being its first responder.
  if (NSWindow* w = window(); w && w->m_firstResponder == this) w->m_firstResponder = nullptr;
  if (!m_superview) return;
  auto& siblings = m_superview->m_subviews;
  siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
  m_superview = nullptr;
}

NSWindow* NSView::window() const
{
  for (const NSView* v = this; v; v = v->m_superview)
    if (v->m_window) return v->m_window;
  return nullptr;
}

void NSTextView::setInsertionPointColor(const NSColor& color)
{
  m_insertionPointColor.assign(1, color);
}

const NSColor* NSTextView::insertionPointColor() const
{
  return m_insertionPointColor.empty() ? nullptr : &m_insertionPointColor[0];
}

NSWindow::NSWindow() = default;

NSWindow::~NSWindow()
{
  if (sKeyWindow == this) sKeyWindow = nullptr;
  if (m_contentView) m_contentView->m_window = nullptr;
}

void NSWindow::setContentView(NSView* view)
{
  if (m_contentView) m_contentView->m_window = nullptr;
  m_contentView = view;
  if (view) view->m_window = this;
}

void NSWindow::makeKeyAndOrderFront(id sender)
{
  sKeyWindow = this;
}

bool NSWindow::isKeyWindow() const
{
  return sKeyWindow == this;
}

NSWindow* NSWindow::keyWindow()
{
  return sKeyWindow;
}

bool NSWindow::makeFirstResponder(NSResponder* responder)
{
  if (responder == m_firstResponder) return true;
  if (m_firstResponder && !m_firstResponder->resignFirstResponder()) return false;
  // The new responder is in place while it is asked, so that it finds the field editor.
  m_firstResponder = responder;
  if (responder && (!responder->acceptsFirstResponder() || !responder->becomeFirstResponder()))
  {
    m_firstResponder = nullptr;
    return false;
  }
  return true;
}
