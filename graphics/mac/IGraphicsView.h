// The editor's Cocoa view, which the platform graphics class places into the host's window. It carries
// the Metal layer the back end renders into, redraws the dirty controls on a timer at the editor's
// frame rate, turns mouse, key, wheel and drop events into the graphics context's input calls in editor
// coordinates (view points over the draw scale; the view is flipped, origin top left), sets cursors,
// answers tooltips, shows the colour panel, and hosts the native popup menu and text field. Main thread
// only. Every handler does nothing once the view is detached from its graphics context.
#pragma once

#include "graphics/IGraphicsStructs.h"
#include "graphics/IRECTList.h"
#include "graphics/interface/IKeyPress.h"
#include "graphics/mac/IGraphicsTextField.h"

#include <AppKit/NSColorPanel.h>
#include <AppKit/NSCursor.h>
#include <AppKit/NSView.h>
#include <Foundation/NSTimer.h>

#include <functional>
#include <memory>

class NSEvent;

namespace iplugin::igraphics
{
class IGraphics;
class IGraphicsMac;
class IPopupMenu;
struct IText;

class IGraphicsView_vQorv_au : public NSView, public NSTextFieldDelegate, public NSViewToolTipOwner
{
public:
  // A bare view over frame (no layer, no timer): what the native prompts need.
  IGraphicsView_vQorv_au(IGraphics* pGraphics, NSRect frame);
  // The editor's view: frame of the editor's size times the draw scale, a Metal layer, registered for
  // dropped files, its display timer running.
  static std::shared_ptr<IGraphicsView_vQorv_au> initWithIGraphics(IGraphicsMac* pGraphics);
  ~IGraphicsView_vQorv_au() override;

  // Forgets the graphics context: from then on nothing reaches it.
  void detachGraphics() { mGraphics = nullptr; }
  IGraphics* graphics() const { return mGraphics; }

  // --- Redraw ---
  void setTimer();
  void killTimer();
  bool timerRunning() const { return mTimer != nullptr; }
  double timerInterval() const;
  // One display tick: draws the dirty areas, nothing when none is dirty or the window is off the screen.
  void render();

  // --- NSView ---
  bool isOpaque() const override { return mGraphics != nullptr; }
  bool acceptsFirstResponder() override { return true; }
  bool acceptsFirstMouse(NSEvent*) override { return true; }
  bool resignFirstResponder() override;
  void viewDidMoveToWindow() override;
  void viewDidChangeBackingProperties() override;
  void viewDidChangeEffectiveAppearance() override;
  // Ends a native text entry and asks the editor delegate to close the editor (which deletes the
  // graphics context) while still attached to one, then leaves the superview.
  void removeFromSuperview() override;
  void updateTrackingAreas() override;

  // --- Input ---
  void mouseDown(NSEvent* e) override;
  void rightMouseDown(NSEvent* e) override;
  void mouseUp(NSEvent* e) override;
  void rightMouseUp(NSEvent* e) override;
  void mouseDragged(NSEvent* e) override;
  void rightMouseDragged(NSEvent* e) override;
  void mouseMoved(NSEvent* e) override;
  void mouseEntered(NSEvent* e) override;
  void mouseExited(NSEvent* e) override;
  void scrollWheel(NSEvent* e) override;
  void keyDown(NSEvent* e) override;
  void keyUp(NSEvent* e) override;
  NSDragOperation draggingEntered(NSDraggingInfo* info) override;
  bool performDragOperation(NSDraggingInfo* info) override;

  // --- Tooltips, cursor, colour ---
  void registerToolTip(const IRECT& bounds);
  std::string viewStringForToolTip(NSView* view, NSToolTipTag tag, NSPoint point, void* userData) override;
  void setMouseCursor(int kind);
  bool promptForColor(const IColor& color, std::function<void(const IColor&)> func);
  void onColorPicked(NSColorPanel* panel);

  // --- Native prompts ---
  // Shows the menu 4 points below area until it closes; the menu (or sub-menu) holding the chosen
  // item, its chosen index set, or null when nothing was chosen.
  IPopupMenu* createPopupMenu(IPopupMenu& menu, NSRect area);
  // Opens a text field over area holding str, unless one is open already.
  void createTextEntry(int paramIdx, const IText& text, const char* str, int length, NSRect area);
  // Return or loss of focus: the text goes to the graphics context, then the field closes.
  void controlTextDidEndEditing(NSNotification* notification) override;
  // Closes the field without delivering its text.
  void endUserInput();

  IGraphicsTextField_vQorv_au* textField() const { return mTextFieldView.get(); }

  // The platform's key mapping: the key code (when mapped) and the text of a key event.
  static IKeyPress KeyPressFromEvent(NSEvent* e);

private:
  IGraphicsMac* Mac() const;
  void GetMouseXY(NSEvent* e, float& x, float& y);
  IMouseInfo GetMouseLeft(NSEvent* e);
  IMouseInfo GetMouseRight(NSEvent* e);
  void MouseDown(NSEvent* e, bool right);
  void MouseDrag(NSEvent* e, bool right);
  void WindowDidResign();
  void SetDrawableSize(double scale);

  IGraphics* mGraphics;
  std::weak_ptr<IGraphicsView_vQorv_au> mSelf;
  IRECTList mDirtyRects;
  std::shared_ptr<NSTimer> mTimer;
  std::shared_ptr<NSTrackingArea> mTrackingArea;
  std::unique_ptr<IGraphicsTextField_vQorv_au> mTextFieldView;
  float mPrevX = 0.f;
  float mPrevY = 0.f;
  bool mMouseOutDuringDrag = false;
  std::shared_ptr<NSCursor> mMoveCursor;
  std::function<void(const IColor&)> mColorPickerFunc;
};
} // namespace iplugin::igraphics
