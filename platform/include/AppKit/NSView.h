// Stand-in for AppKit's responders, views and windows: a view tree with frames in points, a window
// with a first responder and a field editor, and one key window for the process. Main thread only.
// Views do not own their subviews: whoever made a view deletes it (a deleted view leaves its
// superview and stops being first responder). A view made by std::make_shared is counted as the
// platform counts its objects: retain adds an owner, release drops one, and the view lives until its
// last owner lets go, so a host keeps the view it was given even after the plug-in released it.
//
// A window is on the screen (origin bottom left, points) at its content rectangle; its views convert
// points through their frames, flipped or not, as the platform does. Events reach the window through
// qorvplatform::PostEvent (QorvPlatform/Events.h), from a test, a script or the X11 window alike, and
// the window hands them to its views: presses to the view under the pointer, drags and the release to
// the view that took the press, keys to the first responder, entering and leaving to the owners of
// tracking areas.
#pragma once

#include <Foundation/NSGeometry.h>
#include <Foundation/NSObject.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class NSWindow;
class NSEvent;
class NSView;
class NSAppearance;
class CAMetalLayer;
struct NSColor;

class NSResponder : public NSObject
{
public:
  virtual bool acceptsFirstResponder() { return true; }
  virtual bool becomeFirstResponder() { return true; }
  virtual bool resignFirstResponder() { return true; }
  // A view's is its superview, or its window for the content view.
  virtual NSResponder* nextResponder() const { return nullptr; }

  // Each event goes on to the next responder unless a subclass takes it.
  virtual void mouseDown(NSEvent* e) { Pass(&NSResponder::mouseDown, e); }
  virtual void mouseUp(NSEvent* e) { Pass(&NSResponder::mouseUp, e); }
  virtual void rightMouseDown(NSEvent* e) { Pass(&NSResponder::rightMouseDown, e); }
  virtual void rightMouseUp(NSEvent* e) { Pass(&NSResponder::rightMouseUp, e); }
  virtual void mouseMoved(NSEvent* e) { Pass(&NSResponder::mouseMoved, e); }
  virtual void mouseDragged(NSEvent* e) { Pass(&NSResponder::mouseDragged, e); }
  virtual void rightMouseDragged(NSEvent* e) { Pass(&NSResponder::rightMouseDragged, e); }
  virtual void mouseEntered(NSEvent* e) {}
  virtual void mouseExited(NSEvent* e) {}
  virtual void scrollWheel(NSEvent* e) { Pass(&NSResponder::scrollWheel, e); }
  virtual void keyDown(NSEvent* e) { Pass(&NSResponder::keyDown, e); }
  virtual void keyUp(NSEvent* e) { Pass(&NSResponder::keyUp, e); }

private:
  void Pass(void (NSResponder::*handler)(NSEvent*), NSEvent* e)
  {
    if (NSResponder* next = nextResponder()) (next->*handler)(e);
  }
};

// Tracking-area options the product uses.
enum : unsigned long
{
  NSTrackingMouseEnteredAndExited = 0x01,
  NSTrackingMouseMoved = 0x02,
  NSTrackingActiveAlways = 0x80,
  NSTrackingEnabledDuringMouseDrag = 0x400
};

class NSTrackingArea : public NSObject
{
public:
  NSTrackingArea(NSRect rect, unsigned long options, NSResponder* owner)
      : m_rect(rect), m_options(options), m_owner(owner)
  {
  }
  NSRect rect() const { return m_rect; }
  unsigned long options() const { return m_options; }
  NSResponder* owner() const { return m_owner; }

private:
  friend class NSWindow;
  NSRect m_rect;
  unsigned long m_options;
  NSResponder* m_owner;
  bool m_inside = false;
};

typedef long NSToolTipTag;
// Whoever registers a tooltip rectangle answers for its text when the pointer rests in it.
class NSViewToolTipOwner
{
public:
  virtual ~NSViewToolTipOwner() = default;
  virtual std::string viewStringForToolTip(NSView* view, NSToolTipTag tag, NSPoint point, void* userData) = 0;
};

// Drag-and-drop destination protocol.
typedef unsigned long NSDragOperation;
enum : NSDragOperation
{
  NSDragOperationNone = 0,
  NSDragOperationCopy = 1,
  NSDragOperationLink = 2,
  NSDragOperationGeneric = 4
};
class NSPasteboard;
class NSDraggingInfo
{
public:
  virtual ~NSDraggingInfo() = default;
  virtual NSPasteboard* draggingPasteboard() const = 0;
  // In the window's base coordinates (origin bottom left).
  virtual NSPoint draggingLocation() const = 0;
};

enum
{
  NSViewLayerContentsRedrawNever = 0,
  NSViewLayerContentsRedrawOnSetNeedsDisplay = 1,
  NSViewLayerContentsRedrawDuringViewResize = 2
};

class NSView : public NSResponder, public std::enable_shared_from_this<NSView>
{
public:
  explicit NSView(NSRect frame = NSMakeRect(0, 0, 0, 0)) : m_frame(frame) {}
  ~NSView() override;

  // One more owner of a counted view, given back; a view owned otherwise (a member, a unique_ptr)
  // lives as its owner says, and for it both do nothing.
  NSView* retain();
  // Drops one owner taken by retain; the view goes when it was the last.
  void release();

  NSRect frame() const { return m_frame; }
  // Posts NSViewFrameDidChangeNotification (the view is its object) when the frame changed.
  void setFrame(NSRect frame);
  void setFrameSize(NSSize size) { setFrame(NSRect{m_frame.origin, size}); }
  NSRect bounds() const { return NSMakeRect(0, 0, m_frame.size.width, m_frame.size.height); }
  virtual bool isFlipped() const { return m_flipped; }
  void setFlipped(bool flipped) { m_flipped = flipped; }
  virtual bool isOpaque() const { return false; }
  virtual bool acceptsFirstMouse(NSEvent* e) { return false; }
  NSResponder* nextResponder() const override;

  void addSubview(NSView* view);
  // Subclasses may take this over; the plain removal is detachFromSuperview.
  virtual void removeFromSuperview() { detachFromSuperview(); }
  NSView* superview() const { return m_superview; }
  const std::vector<NSView*>& subviews() const { return m_subviews; }
  // The window of the view or of its nearest ancestor in one.
  NSWindow* window() const;
  // Told when the view (or an ancestor) enters or leaves a window.
  virtual void viewDidMoveToWindow() {}
  // Told when the window's backing scale changes.
  virtual void viewDidChangeBackingProperties() {}

  // Points between this view and another view of the same window, or the window's base coordinates
  // (origin bottom left) when the other view is null.
  NSPoint convertPointFromView(NSPoint p, const NSView* view) const;
  NSPoint convertPointToView(NSPoint p, const NSView* view) const;
  // The deepest view under p (in the superview's coordinates), or null.
  NSView* hitTest(NSPoint p);

  // The layer the view draws through (a Metal layer here).
  void setWantsLayer(bool wants) { m_wantsLayer = wants; }
  bool wantsLayer() const { return m_wantsLayer; }
  void setLayer(std::shared_ptr<CAMetalLayer> layer) { m_layer = std::move(layer); }
  const std::shared_ptr<CAMetalLayer>& layer() const { return m_layer; }
  void setLayerContentsRedrawPolicy(int policy) { m_redrawPolicy = policy; }
  int layerContentsRedrawPolicy() const { return m_redrawPolicy; }

  // Tracking areas: the window keeps their inside state; updateTrackingAreas runs when the view
  // enters a window and after its frame changes.
  void addTrackingArea(const std::shared_ptr<NSTrackingArea>& area);
  void removeTrackingArea(const NSTrackingArea* area);
  const std::vector<std::shared_ptr<NSTrackingArea>>& trackingAreas() const { return m_trackingAreas; }
  virtual void updateTrackingAreas() {}

  // Tooltip rectangles in the view's coordinates.
  struct ToolTipRect
  {
    NSToolTipTag tag;
    NSRect rect;
    NSViewToolTipOwner* owner;
    void* userData;
  };
  NSToolTipTag addToolTipRect(NSRect rect, NSViewToolTipOwner* owner, void* userData);
  void removeAllToolTips() { m_toolTips.clear(); }
  const std::vector<ToolTipRect>& toolTipRects() const { return m_toolTips; }

  // Dragged types this view accepts (for example NSFilenamesPboardType).
  void registerForDraggedTypes(const std::vector<std::string>& types) { m_draggedTypes = types; }
  const std::vector<std::string>& registeredDraggedTypes() const { return m_draggedTypes; }
  virtual NSDragOperation draggingEntered(NSDraggingInfo* info) { return NSDragOperationNone; }
  virtual bool performDragOperation(NSDraggingInfo* info) { return false; }

  // The process's appearance (QorvPlatform/Events.h sets it); views are told when it changes.
  const NSAppearance* effectiveAppearance() const;
  virtual void viewDidChangeEffectiveAppearance() {}

protected:
  // Takes the view out of its superview without telling any subclass.
  void detachFromSuperview();

private:
  friend class NSWindow;
  void MovedToWindow();
  NSRect m_frame;
  bool m_flipped = false;
  bool m_wantsLayer = false;
  int m_redrawPolicy = NSViewLayerContentsRedrawOnSetNeedsDisplay;
  NSView* m_superview = nullptr;
  std::vector<NSView*> m_subviews;
  NSWindow* m_window = nullptr;
  std::shared_ptr<CAMetalLayer> m_layer;
  std::vector<std::shared_ptr<NSTrackingArea>> m_trackingAreas;
  std::vector<ToolTipRect> m_toolTips;
  NSToolTipTag m_nextToolTip = 1;
  std::vector<std::string> m_draggedTypes;
  std::vector<std::shared_ptr<NSView>> m_retains;
};

// The window's shared editor of the text field being edited.
class NSTextView : public NSView
{
public:
  void setInsertionPointColor(const NSColor& color);
  const NSColor* insertionPointColor() const;

private:
  std::vector<NSColor> m_insertionPointColor; // empty until set
};

namespace qorvplatform::detail
{
class NativeWindow;
}

extern const char* const NSWindowDidResignKeyNotification;
extern const char* const NSWindowDidResignMainNotification;
extern const char* const NSWindowWillCloseNotification;
extern const char* const NSViewFrameDidChangeNotification;

class NSWindow : public NSResponder
{
public:
  // contentRect: where the content sits on the screen, in points.
  explicit NSWindow(NSRect contentRect = NSMakeRect(0, 0, 0, 0));
  ~NSWindow() override;

  void setContentView(NSView* view);
  NSView* contentView() const { return m_contentView; }
  NSRect contentRect() const { return m_contentRect; }
  // Moves the content rectangle's size; the content view and the X11 window follow (its top left stays).
  void setContentSize(NSSize size);
  // Moves the content rectangle's origin (screen points, origin bottom left); the window has no frame
  // around its content.
  void setFrameOrigin(NSPoint origin) { m_contentRect.origin = origin; }
  void setTitle(std::string title) { m_title = std::move(title); }
  const std::string& title() const { return m_title; }

  // Becomes the process's key window and shows itself (in an X11 window while a display is there).
  void makeKeyAndOrderFront(id sender);
  void orderFront(id sender);
  // Takes the window off the screen (and closes its X11 window) without closing it: its views stay.
  void orderOut(id sender);
  bool isVisible() const { return m_visible; }
  bool isKeyWindow() const;
  static NSWindow* keyWindow();
  // Stops being key: posts NSWindowDidResignKeyNotification and NSWindowDidResignMainNotification.
  void resignKeyWindow();
  // Posts NSWindowWillCloseNotification and hides the window.
  void close();
  // The old first responder resigns, then the new one is asked; false leaves the old one.
  bool makeFirstResponder(NSResponder* responder);
  NSResponder* firstResponder() const { return m_firstResponder; }
  NSTextView* fieldEditor() { return &m_fieldEditor; }

  // Screen pixels per point: the window's own once set, else the main screen's.
  CGFloat backingScaleFactor() const;
  void setBackingScaleFactor(CGFloat scale);
  void setAcceptsMouseMovedEvents(bool accepts) { m_acceptsMouseMoved = accepts; }
  bool acceptsMouseMovedEvents() const { return m_acceptsMouseMoved; }
  NSRect convertRectFromScreen(NSRect r) const;
  NSRect convertRectToScreen(NSRect r) const;

  // Hands the event to its view (see the header comment).
  void sendEvent(NSEvent* e);
  // The drop of file names at a point in base coordinates; true when a view took them.
  bool dropFiles(const std::vector<std::string>& paths, NSPoint location);
  // The tooltip text at a point in base coordinates ("" when none).
  std::string toolTipAt(NSPoint location);

  // Stand-in internals: the X11 window behind it, or null when headless.
  qorvplatform::detail::NativeWindow* nativeWindow() const { return m_native.get(); }

private:
  friend class NSView;
  void UpdateTracking(NSEvent* e, bool inWindow);
  NSView* m_contentView = nullptr;
  NSResponder* m_firstResponder = nullptr;
  NSTextView m_fieldEditor;
  NSRect m_contentRect;
  std::string m_title;
  bool m_visible = false;
  bool m_acceptsMouseMoved = false;
  CGFloat m_backingScale = 0; // 0: the screen's
  NSView* m_mouseDownView = nullptr;
  std::unique_ptr<qorvplatform::detail::NativeWindow> m_native;
};
