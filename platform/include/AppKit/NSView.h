// Stand-in for AppKit's responders, views and windows: a view tree with frames in points, a window
// with a first responder and a field editor, and one key window for the process. Main thread only.
// Views do not own their subviews: whoever made a view deletes it (a deleted view leaves its
// superview and stops being first responder).
#pragma once

#include <Foundation/NSGeometry.h>
#include <Foundation/NSObject.h>

#include <vector>

class NSWindow;
struct NSColor;

class NSResponder : public NSObject
{
public:
  virtual bool acceptsFirstResponder() { return true; }
  virtual bool becomeFirstResponder() { return true; }
  virtual bool resignFirstResponder() { return true; }
};

class NSView : public NSResponder
{
public:
  explicit NSView(NSRect frame = NSMakeRect(0, 0, 0, 0)) : m_frame(frame) {}
  ~NSView() override;

  NSRect frame() const { return m_frame; }
  void setFrame(NSRect frame) { m_frame = frame; }
  NSRect bounds() const { return NSMakeRect(0, 0, m_frame.size.width, m_frame.size.height); }
  bool isFlipped() const { return m_flipped; }
  void setFlipped(bool flipped) { m_flipped = flipped; }

  void addSubview(NSView* view);
  void removeFromSuperview();
  NSView* superview() const { return m_superview; }
  const std::vector<NSView*>& subviews() const { return m_subviews; }
  // The window of the view or of its nearest ancestor in one.
  NSWindow* window() const;

private:
  friend class NSWindow;
  NSRect m_frame;
  bool m_flipped = false;
  NSView* m_superview = nullptr;
  std::vector<NSView*> m_subviews;
  NSWindow* m_window = nullptr;
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

class NSWindow : public NSResponder
{
public:
  NSWindow();
  ~NSWindow() override;

  void setContentView(NSView* view);
  NSView* contentView() const { return m_contentView; }
  // Becomes the process's key window.
  void makeKeyAndOrderFront(id sender);
  bool isKeyWindow() const;
  static NSWindow* keyWindow();
  // The old first responder resigns, then the new one is asked; false leaves the old one.
  bool makeFirstResponder(NSResponder* responder);
  NSResponder* firstResponder() const { return m_firstResponder; }
  NSTextView* fieldEditor() { return &m_fieldEditor; }

private:
  friend class NSView;
  NSView* m_contentView = nullptr;
  NSResponder* m_firstResponder = nullptr;
  NSTextView m_fieldEditor;
};
