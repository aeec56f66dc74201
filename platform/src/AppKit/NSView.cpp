#include <AppKit/NSAppearance.h>
#include <AppKit/NSColor.h>
#include <AppKit/NSEvent.h>
#include <AppKit/NSPasteboard.h>
#include <AppKit/NSScreen.h>
#include <AppKit/NSView.h>
#include <Foundation/NSNotification.h>

#include <QorvPlatform/Events.h>

#include "platform/src/AppKit/NativeWindow.h"

#include <algorithm>

const char* const NSWindowDidResignKeyNotification = "NSWindowDidResignKeyNotification";
const char* const NSWindowDidResignMainNotification = "NSWindowDidResignMainNotification";
const char* const NSWindowWillCloseNotification = "NSWindowWillCloseNotification";
const char* const NSViewFrameDidChangeNotification = "NSViewFrameDidChangeNotification";

namespace
{
NSWindow* sKeyWindow = nullptr;

bool Contains(NSRect r, NSPoint p)
{
  return p.x >= r.origin.x && p.y >= r.origin.y && p.x < r.origin.x + r.size.width &&
         p.y < r.origin.y + r.size.height;
}

// Visits the view and every view below it.
template <class F> void ForTree(NSView* v, F&& f)
{
  if (!v) return;
  f(v);
  const std::vector<NSView*> children = v->subviews();
  for (NSView* c : children)
    ForTree(c, f);
}

// The pasteboard and location of one drop.
class DropInfo : public NSDraggingInfo
{
public:
  DropInfo(const std::vector<std::string>& paths, NSPoint location) : mLocation(location)
  {
    mPasteboard.setFilenames(paths);
  }
  NSPasteboard* draggingPasteboard() const override { return &mPasteboard; }
  NSPoint draggingLocation() const override { return mLocation; }

private:
  mutable NSPasteboard mPasteboard;
  NSPoint mLocation;
};
} // namespace

NSView::~NSView()
{
  detachFromSuperview();
  for (NSView* child : m_subviews)
    child->m_superview = nullptr;
  if (m_window && m_window->m_contentView == this) m_window->m_contentView = nullptr;
  if (NSWindow* w = window(); w && w->m_mouseDownView == this) w->m_mouseDownView = nullptr;
}

NSView* NSView::retain()
{
  if (std::shared_ptr<NSView> self = weak_from_this().lock()) m_retains.push_back(std::move(self));
  return this;
}

void NSView::release()
{
  if (m_retains.empty()) return;
  // The last owner may be this one: the view goes when `last` does, after the final use of a member.
  std::shared_ptr<NSView> last = std::move(m_retains.back());
  m_retains.pop_back();
}

void NSView::setFrame(NSRect frame)
{
  const bool changed = frame.origin.x != m_frame.origin.x || frame.origin.y != m_frame.origin.y ||
                       frame.size.width != m_frame.size.width || frame.size.height != m_frame.size.height;
  m_frame = frame;
  if (!changed) return;
  updateTrackingAreas();
  NSNotificationCenter::defaultCenter()->postNotificationName(NSViewFrameDidChangeNotification, this);
}

NSResponder* NSView::nextResponder() const
{
  if (m_superview) return m_superview;
  return m_window;
}

void NSView::addSubview(NSView* view)
{
  if (!view || view == this) return;
  view->detachFromSuperview();
  view->m_superview = this;
  m_subviews.push_back(view);
  if (window()) view->MovedToWindow();
}

void NSView::detachFromSuperview()
{
  NSWindow* w = window();
  // A view that leaves the window stops being its first responder and loses the mouse.
  if (w)
    ForTree(this,
            [w](NSView* v)
            {
              if (w->m_firstResponder == v) w->m_firstResponder = nullptr;
              if (w->m_mouseDownView == v) w->m_mouseDownView = nullptr;
            });
  if (!m_superview) return;
  auto& siblings = m_superview->m_subviews;
  siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
  m_superview = nullptr;
  if (w && !m_window) MovedToWindow();
}

void NSView::MovedToWindow()
{
  ForTree(this,
          [](NSView* v)
          {
            v->updateTrackingAreas();
            v->viewDidMoveToWindow();
          });
}

NSWindow* NSView::window() const
{
  for (const NSView* v = this; v; v = v->m_superview)
    if (v->m_window) return v->m_window;
  return nullptr;
}

NSPoint NSView::convertPointFromView(NSPoint p, const NSView* view) const
{
  if (view) p = view->convertPointToView(p, nullptr);
  // Walk down from the window: each level takes its frame origin off and flips as its superview differs.
  std::vector<const NSView*> chain;
  for (const NSView* v = this; v; v = v->m_superview)
    chain.push_back(v);
  for (auto it = chain.rbegin(); it != chain.rend(); ++it)
  {
    const NSView* v = *it;
    const bool parentFlipped = v->m_superview && v->m_superview->isFlipped();
    const double dx = p.x - v->m_frame.origin.x;
    const double dy = p.y - v->m_frame.origin.y;
    p = NSMakePoint(dx, v->isFlipped() == parentFlipped ? dy : v->m_frame.size.height - dy);
  }
  return p;
}

NSPoint NSView::convertPointToView(NSPoint p, const NSView* view) const
{
  for (const NSView* v = this; v; v = v->m_superview)
  {
    const bool parentFlipped = v->m_superview && v->m_superview->isFlipped();
    const double dy = v->isFlipped() == parentFlipped ? p.y : v->m_frame.size.height - p.y;
    p = NSMakePoint(p.x + v->m_frame.origin.x, dy + v->m_frame.origin.y);
  }
  return view ? view->convertPointFromView(p, nullptr) : p;
}

NSView* NSView::hitTest(NSPoint p)
{
  if (!Contains(m_frame, p)) return nullptr;
  const NSPoint local = m_superview
                            ? convertPointFromView(m_superview->convertPointToView(p, nullptr), nullptr)
                            : convertPointFromView(p, nullptr);
  for (auto it = m_subviews.rbegin(); it != m_subviews.rend(); ++it)
    if (NSView* hit = (*it)->hitTest(local)) return hit;
  return this;
}

void NSView::addTrackingArea(const std::shared_ptr<NSTrackingArea>& area)
{
  if (area) m_trackingAreas.push_back(area);
}

void NSView::removeTrackingArea(const NSTrackingArea* area)
{
  m_trackingAreas.erase(std::remove_if(m_trackingAreas.begin(), m_trackingAreas.end(),
                                       [area](const auto& a) { return a.get() == area; }),
                        m_trackingAreas.end());
}

NSToolTipTag NSView::addToolTipRect(NSRect rect, NSViewToolTipOwner* owner, void* userData)
{
  const NSToolTipTag tag = m_nextToolTip++;
  m_toolTips.push_back(ToolTipRect{tag, rect, owner, userData});
  return tag;
}

const NSAppearance* NSView::effectiveAppearance() const
{
  return NSAppearance::currentDrawingAppearance();
}

void NSTextView::setInsertionPointColor(const NSColor& color)
{
  m_insertionPointColor.assign(1, color);
}

const NSColor* NSTextView::insertionPointColor() const
{
  return m_insertionPointColor.empty() ? nullptr : &m_insertionPointColor[0];
}

NSWindow::NSWindow(NSRect contentRect) : m_contentRect(contentRect) {}

NSWindow::~NSWindow()
{
  m_native.reset();
  if (sKeyWindow == this) sKeyWindow = nullptr;
  if (m_contentView) m_contentView->m_window = nullptr;
}

void NSWindow::setContentView(NSView* view)
{
  if (m_contentView) m_contentView->m_window = nullptr;
  m_contentView = view;
  if (!view) return;
  view->m_window = this;
  view->setFrame(NSMakeRect(0, 0, m_contentRect.size.width, m_contentRect.size.height));
  view->MovedToWindow();
}

void NSWindow::setContentSize(NSSize size)
{
  m_contentRect.size = size;
  if (m_contentView) m_contentView->setFrameSize(size);
  if (m_native) m_native->FollowContentSize();
}

void NSWindow::orderFront(id sender)
{
  m_visible = true;
  if (!m_native && qorvplatform::DisplayAvailable())
    m_native = qorvplatform::detail::NativeWindow::Open(*this);
}

void NSWindow::orderOut(id sender)
{
  m_visible = false;
  m_native.reset();
}

void NSWindow::makeKeyAndOrderFront(id sender)
{
  orderFront(sender);
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

void NSWindow::resignKeyWindow()
{
  if (sKeyWindow == this) sKeyWindow = nullptr;
  NSNotificationCenter::defaultCenter()->postNotificationName(NSWindowDidResignKeyNotification, this);
  NSNotificationCenter::defaultCenter()->postNotificationName(NSWindowDidResignMainNotification, this);
}

void NSWindow::close()
{
  NSNotificationCenter::defaultCenter()->postNotificationName(NSWindowWillCloseNotification, this);
  m_visible = false;
  m_native.reset();
  if (sKeyWindow == this) sKeyWindow = nullptr;
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

CGFloat NSWindow::backingScaleFactor() const
{
  return m_backingScale > 0 ? m_backingScale : NSScreen::mainScreen()->backingScaleFactor();
}

void NSWindow::setBackingScaleFactor(CGFloat scale)
{
  if (scale == backingScaleFactor()) return;
  m_backingScale = scale;
  ForTree(m_contentView, [](NSView* v) { v->viewDidChangeBackingProperties(); });
}

NSRect NSWindow::convertRectFromScreen(NSRect r) const
{
  return NSMakeRect(r.origin.x - m_contentRect.origin.x, r.origin.y - m_contentRect.origin.y, r.size.width,
                    r.size.height);
}

NSRect NSWindow::convertRectToScreen(NSRect r) const
{
  return NSMakeRect(r.origin.x + m_contentRect.origin.x, r.origin.y + m_contentRect.origin.y, r.size.width,
                    r.size.height);
}

void NSWindow::UpdateTracking(NSEvent* e, bool inWindow)
{
  const bool dragging = m_mouseDownView != nullptr;
  std::vector<std::pair<NSView*, std::shared_ptr<NSTrackingArea>>> areas;
  ForTree(m_contentView,
          [&](NSView* v)
          {
            for (const auto& a : v->trackingAreas())
              areas.emplace_back(v, a);
          });
  for (auto& [view, area] : areas)
  {
    if (!(area->options() & NSTrackingMouseEnteredAndExited)) continue;
    if (dragging && !(area->options() & NSTrackingEnabledDuringMouseDrag)) continue;
    const bool inside =
        inWindow && Contains(area->rect(), view->convertPointFromView(e->locationInWindow(), nullptr));
    if (inside == area->m_inside) continue;
    area->m_inside = inside;
    NSEvent::Fields f;
    f.type = inside ? NSEventTypeMouseEntered : NSEventTypeMouseExited;
    f.locationInWindow = e->locationInWindow();
    f.modifierFlags = e->modifierFlags();
    f.timestamp = e->timestamp();
    f.window = this;
    f.trackingArea = area.get();
    NSEvent crossing(f);
    if (NSResponder* owner = area->owner())
      inside ? owner->mouseEntered(&crossing) : owner->mouseExited(&crossing);
  }
}

void NSWindow::sendEvent(NSEvent* e)
{
  const NSPoint p = e->locationInWindow();
  NSView* hit = m_contentView ? m_contentView->hitTest(p) : nullptr;
  switch (e->type())
  {
  case NSEventTypeLeftMouseDown:
  case NSEventTypeRightMouseDown:
    m_mouseDownView = hit;
    if (hit && hit->acceptsFirstResponder()) makeFirstResponder(hit);
    if (hit) e->type() == NSEventTypeLeftMouseDown ? hit->mouseDown(e) : hit->rightMouseDown(e);
    break;
  case NSEventTypeLeftMouseDragged:
  case NSEventTypeRightMouseDragged:
    UpdateTracking(e, true);
    if (NSView* v = m_mouseDownView ? m_mouseDownView : hit)
      e->type() == NSEventTypeLeftMouseDragged ? v->mouseDragged(e) : v->rightMouseDragged(e);
    break;
  case NSEventTypeLeftMouseUp:
  case NSEventTypeRightMouseUp:
  {
    NSView* v = m_mouseDownView ? m_mouseDownView : hit;
    m_mouseDownView = nullptr;
    if (v) e->type() == NSEventTypeLeftMouseUp ? v->mouseUp(e) : v->rightMouseUp(e);
    UpdateTracking(e, hit != nullptr);
    break;
  }
  case NSEventTypeMouseMoved:
    UpdateTracking(e, hit != nullptr);
    if (hit && m_acceptsMouseMoved) hit->mouseMoved(e);
    break;
  case NSEventTypeMouseExited:
    UpdateTracking(e, false);
    break;
  case NSEventTypeMouseEntered:
    UpdateTracking(e, hit != nullptr);
    break;
  case NSEventTypeScrollWheel:
    if (hit) hit->scrollWheel(e);
    break;
  case NSEventTypeKeyDown:
  case NSEventTypeKeyUp:
    if (NSResponder* r = m_firstResponder ? m_firstResponder : m_contentView)
      e->type() == NSEventTypeKeyDown ? r->keyDown(e) : r->keyUp(e);
    break;
  }
}

bool NSWindow::dropFiles(const std::vector<std::string>& paths, NSPoint location)
{
  NSView* v = m_contentView ? m_contentView->hitTest(location) : nullptr;
  for (; v; v = v->superview())
  {
    const auto& types = v->registeredDraggedTypes();
    if (std::find(types.begin(), types.end(), NSFilenamesPboardType) != types.end()) break;
  }
  if (!v) return false;
  DropInfo info(paths, location);
  if (v->draggingEntered(&info) == NSDragOperationNone) return false;
  return v->performDragOperation(&info);
}

std::string NSWindow::toolTipAt(NSPoint location)
{
  for (NSView* v = m_contentView ? m_contentView->hitTest(location) : nullptr; v; v = v->superview())
  {
    const NSPoint local = v->convertPointFromView(location, nullptr);
    for (const auto& t : v->toolTipRects())
      if (Contains(t.rect, local) && t.owner)
        return t.owner->viewStringForToolTip(v, t.tag, local, t.userData);
  }
  return "";
}
