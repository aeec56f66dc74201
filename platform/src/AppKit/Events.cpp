#include <AppKit/NSAppearance.h>
#include <AppKit/NSCursor.h>
#include <AppKit/NSEvent.h>
#include <AppKit/NSScreen.h>
#include <CoreFoundation/CFDate.h>
#include <CoreGraphics/CGDirectDisplay.h>
#include <QorvPlatform/Events.h>

#include "platform/src/AppKit/NativeWindow.h"
#include "platform/src/QorvPlatform/PngFile.h"

#include <QorvPlatform/Metal.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <set>

const char* const NSAppearanceNameAqua = "NSAppearanceNameAqua";
const char* const NSAppearanceNameDarkAqua = "NSAppearanceNameDarkAqua";

namespace
{
struct InputState
{
  CGPoint pointer = {0, 0}; // screen points, origin top left
  double scale = 0;         // 0: the environment's
  bool dark = false;
  int hideLevel = 0;
  bool associated = true;
  std::vector<CGPoint> moves;
  NSCursor* cursor = nullptr;
  bool helpCursor = false;
  // Click counting.
  int lastButton = 0;
  double lastTime = -1e9;
  CGPoint lastPoint = {0, 0};
  long clicks = 0;
  unsigned buttonsDown = 0;
  bool logEvents = std::getenv("QORV_LOG_EVENTS") && std::getenv("QORV_LOG_EVENTS")[0] == '1';
};

InputState& State()
{
  static InputState s;
  return s;
}

double ScreenHeight()
{
  return NSScreen::mainScreen()->frame().size.height;
}

// Content points (origin top left) to the window's base coordinates (origin bottom left).
NSPoint ToBase(const NSWindow& w, double x, double y)
{
  return NSMakePoint(x, w.contentRect().size.height - y);
}

void ForTree(NSView* v, void (*f)(NSView*))
{
  if (!v) return;
  f(v);
  for (NSView* c : std::vector<NSView*>(v->subviews()))
    ForTree(c, f);
}
} // namespace

NSScreen* NSScreen::mainScreen()
{
  static NSScreen screen;
  return &screen;
}

CGFloat NSScreen::backingScaleFactor() const
{
  const InputState& s = State();
  if (s.scale > 0) return s.scale;
  const char* env = std::getenv("QORV_SCREEN_SCALE");
  return env && std::atof(env) >= 2 ? 2.0 : 1.0;
}

NSRect NSScreen::frame() const
{
  double w = 0, h = 0;
  if (qorvplatform::detail::NativeScreenSize(w, h))
    return NSMakeRect(0, 0, w / backingScaleFactor(), h / backingScaleFactor());
  return NSMakeRect(0, 0, 1920, 1080);
}

NSRect NSScreen::visibleFrame() const
{
  const NSRect whole = frame();
  double x = 0, y = 0, w = 0, h = 0;
  if (!qorvplatform::detail::NativeWorkArea(x, y, w, h)) return whole;
  const double s = backingScaleFactor();
  // Within the screen, counted from its bottom.
  const double left = std::clamp(x / s, 0.0, whole.size.width);
  const double top = std::clamp(y / s, 0.0, whole.size.height);
  const double right = std::clamp((x + w) / s, left, whole.size.width);
  const double bottom = std::clamp((y + h) / s, top, whole.size.height);
  return NSMakeRect(left, whole.size.height - bottom, right - left, bottom - top);
}

const NSAppearance* NSAppearance::currentDrawingAppearance()
{
  static const NSAppearance light(NSAppearanceNameAqua), dark(NSAppearanceNameDarkAqua);
  return State().dark ? &dark : &light;
}

NSPoint NSEvent::mouseLocation()
{
  const CGPoint p = State().pointer;
  return NSMakePoint(p.x, ScreenHeight() - p.y);
}

// --- Cursors ---------------------------------------------------------------------------------------

namespace
{
NSCursor* Named(const char* name)
{
  // System cursors live as long as the process.
  static auto* cursors = new std::map<std::string, std::unique_ptr<NSCursor>>;
  std::unique_ptr<NSCursor>& c = (*cursors)[name];
  if (!c) c = std::make_unique<NSCursor>(name);
  return c.get();
}
} // namespace

NSCursor* NSCursor::arrowCursor()
{
  return Named("arrow");
}
NSCursor* NSCursor::IBeamCursor()
{
  return Named("ibeam");
}
NSCursor* NSCursor::crosshairCursor()
{
  return Named("crosshair");
}
NSCursor* NSCursor::pointingHandCursor()
{
  return Named("hand");
}
NSCursor* NSCursor::operationNotAllowedCursor()
{
  return Named("not-allowed");
}
NSCursor* NSCursor::resizeUpCursor()
{
  return Named("resize-up");
}
NSCursor* NSCursor::resizeLeftRightCursor()
{
  return Named("resize-left-right");
}
NSCursor* NSCursor::resizeUpDownCursor()
{
  return Named("resize-up-down");
}

NSCursor* NSCursor::privateCursor(const std::string& selector)
{
  static const std::map<std::string, const char*> known = {
      {"busyButClickableCursor", "busy"},
      {"_windowResizeNorthCursor", "resize-north"},
      {"_windowResizeNorthWestSouthEastCursor", "resize-nwse"},
      {"_windowResizeNorthEastSouthWestCursor", "resize-nesw"},
      {"_windowResizeEastWestCursor", "resize-east-west"},
      {"_windowResizeNorthSouthCursor", "resize-north-south"},
      {"_helpCursor", "help"}};
  auto it = known.find(selector);
  return it == known.end() ? nullptr : Named(it->second);
}

bool NSCursor::helpCursorShown()
{
  return State().helpCursor;
}
void NSCursor::setHelpCursor(bool on)
{
  State().helpCursor = on;
}
NSCursor* NSCursor::currentCursor()
{
  return State().cursor ? State().cursor : arrowCursor();
}

void NSCursor::set()
{
  State().cursor = this;
  if (m_name == "help") State().helpCursor = true;
  qorvplatform::detail::NativeSetCursor(m_name);
}

std::shared_ptr<NSCursor> NSCursor::initWithImage(const std::shared_ptr<NSImage>& image, NSPoint hotSpot)
{
  return image ? std::make_shared<NSCursor>("image") : nullptr;
}

std::shared_ptr<NSImage> NSImage::initWithContentsOfFile(const std::string& path)
{
  std::ifstream in(path, std::ios::binary);
  return in ? std::make_shared<NSImage>() : nullptr;
}

// --- Core Graphics display calls -------------------------------------------------------------------

CGDirectDisplayID CGMainDisplayID()
{
  return 1;
}

size_t CGDisplayPixelsHigh(CGDirectDisplayID)
{
  return size_t(ScreenHeight());
}

size_t CGDisplayPixelsWide(CGDirectDisplayID)
{
  return size_t(NSScreen::mainScreen()->frame().size.width);
}

CGError CGDisplayHideCursor(CGDirectDisplayID)
{
  if (State().hideLevel++ == 0) qorvplatform::detail::NativeShowCursor(false);
  return kCGErrorSuccess;
}

CGError CGDisplayShowCursor(CGDirectDisplayID)
{
  if (State().hideLevel > 0 && --State().hideLevel == 0) qorvplatform::detail::NativeShowCursor(true);
  return kCGErrorSuccess;
}

CGError CGDisplayMoveCursorToPoint(CGDirectDisplayID, CGPoint point)
{
  State().pointer = point;
  State().moves.push_back(point);
  qorvplatform::detail::NativeWarpPointer(point);
  return kCGErrorSuccess;
}

CGError CGAssociateMouseAndMouseCursorPosition(bool connected)
{
  State().associated = connected;
  return kCGErrorSuccess;
}

// --- The entry point ---------------------------------------------------------------------------------

namespace qorvplatform
{
void PostEvent(NSWindow& window, const InputEvent& e)
{
  InputState& s = State();
  const double time = e.time >= 0 ? e.time : CFAbsoluteTimeGetCurrent();
  const NSPoint base = ToBase(window, e.x, e.y);
  NSEvent::Fields f;
  f.locationInWindow = base;
  f.modifierFlags = e.modifiers;
  f.timestamp = time;
  f.window = &window;
  f.subtype = e.tablet ? NSEventSubtypeTabletPoint : NSEventSubtypeMouseEvent;
  const bool pointer = e.kind == InputKind::Press || e.kind == InputKind::Release ||
                       e.kind == InputKind::Motion || e.kind == InputKind::Wheel ||
                       e.kind == InputKind::Enter || e.kind == InputKind::Leave || e.kind == InputKind::Drop;
  // A pointer that is not associated stays where it was moved to, as a locked cursor does.
  if (pointer && s.associated)
  {
    const NSRect screen = window.convertRectToScreen(NSMakeRect(base.x, base.y, 0, 0));
    s.pointer = CGPointMake(screen.origin.x, ScreenHeight() - screen.origin.y);
  }
  const bool right = e.button == 3;
  switch (e.kind)
  {
  case InputKind::Press:
  {
    const bool again = e.button == s.lastButton && time - s.lastTime <= kDoubleClickSeconds &&
                       std::hypot(e.x - s.lastPoint.x, e.y - s.lastPoint.y) <= kDoubleClickDistance;
    s.clicks = again ? s.clicks + 1 : 1;
    s.lastButton = e.button;
    s.lastTime = time;
    s.lastPoint = CGPointMake(e.x, e.y);
    s.buttonsDown |= 1u << e.button;
    f.type = right ? NSEventTypeRightMouseDown : NSEventTypeLeftMouseDown;
    f.clickCount = s.clicks;
    break;
  }
  case InputKind::Release:
    s.buttonsDown &= ~(1u << e.button);
    f.type = right ? NSEventTypeRightMouseUp : NSEventTypeLeftMouseUp;
    f.clickCount = s.clicks;
    break;
  case InputKind::Motion:
    if (s.buttonsDown & (1u << 1))
      f.type = NSEventTypeLeftMouseDragged;
    else if (s.buttonsDown & (1u << 3))
      f.type = NSEventTypeRightMouseDragged;
    else
      f.type = NSEventTypeMouseMoved;
    break;
  case InputKind::Wheel:
    f.type = NSEventTypeScrollWheel;
    f.deltaY = e.delta;
    break;
  case InputKind::KeyDown:
  case InputKind::KeyUp:
    f.type = e.kind == InputKind::KeyDown ? NSEventTypeKeyDown : NSEventTypeKeyUp;
    f.keyCode = e.keyCode;
    f.charactersIgnoringModifiers = e.characters;
    break;
  case InputKind::Enter:
    f.type = NSEventTypeMouseEntered;
    break;
  case InputKind::Leave:
    f.type = NSEventTypeMouseExited;
    break;
  case InputKind::FocusGain:
    window.makeKeyAndOrderFront(nullptr);
    return;
  case InputKind::FocusLoss:
    window.resignKeyWindow();
    return;
  case InputKind::Resize:
    window.setContentSize(NSMakeSize(e.width, e.height));
    return;
  case InputKind::BackingScale:
    window.setBackingScaleFactor(e.width);
    return;
  case InputKind::Drop:
    if (s.logEvents && !e.paths.empty())
      std::fprintf(stderr, "drop %g %g %s\n", e.x, e.y, e.paths[0].c_str());
    window.dropFiles(e.paths, base);
    return;
  }
  if (State().logEvents)
    std::fprintf(stderr, "event %d %g %g clicks=%ld mods=%lx key=%u chars=%s\n", int(f.type), e.x, e.y,
                 f.clickCount, f.modifierFlags, unsigned(f.keyCode), f.charactersIgnoringModifiers.c_str());
  NSEvent event(f);
  window.sendEvent(&event);
}

namespace
{
bool EncodeOpaquePNG(std::vector<uint8_t>& rgba, int w, int h, std::vector<unsigned char>& png)
{
  for (size_t i = 3; i < rgba.size(); i += 4)
    rgba[i] = 255;
  return qorvplatform::EncodePng(w, h, rgba, png);
}
} // namespace

bool EncodeViewFramePNG(NSView& view, std::vector<unsigned char>& png)
{
  std::vector<uint8_t> rgba;
  int w = 0, h = 0;
  if (!view.layer()) return false;
  // An opaque layer that was never presented shows black at its drawable size.
  if (!QorvMetalLayerCopyPresentedImage(*view.layer(), rgba, w, h))
  {
    w = int(view.layer()->drawableSize.width);
    h = int(view.layer()->drawableSize.height);
    rgba.assign(size_t(std::max(w, 0)) * size_t(std::max(h, 0)) * 4, 0);
  }
  return EncodeOpaquePNG(rgba, w, h, png);
}

bool EncodeWindowScreenPNG(NSWindow& window, std::vector<unsigned char>& png)
{
  std::vector<uint8_t> rgba;
  int w = 0, h = 0;
  return window.nativeWindow() && window.nativeWindow()->ReadPixels(rgba, w, h) &&
         EncodeOpaquePNG(rgba, w, h, png);
}

bool WindowCloseRequested(NSWindow& window)
{
  return window.nativeWindow() && window.nativeWindow()->CloseRequested();
}

bool GetWindowPresentCounts(NSWindow& window, WindowPresentCounts& counts)
{
  if (!window.nativeWindow()) return false;
  const detail::NativeWindow::Counts c = window.nativeWindow()->PresentCounts();
  counts = WindowPresentCounts{c.copies, c.puts, c.pixels, c.requests, c.sharedMemory};
  return true;
}

void SetLogEvents(bool on)
{
  State().logEvents = on;
}

void SetScreenScale(double scale)
{
  State().scale = scale >= 2 ? 2 : 1;
}

void SetDarkAppearance(bool dark)
{
  if (State().dark == dark) return;
  State().dark = dark;
  if (NSWindow* w = NSWindow::keyWindow())
    ForTree(w->contentView(), [](NSView* v) { v->viewDidChangeEffectiveAppearance(); });
}

bool DisplayAvailable()
{
  const char* display = std::getenv("DISPLAY");
  const char* headless = std::getenv("QORV_HEADLESS");
  return display && *display && !(headless && *headless && std::strcmp(headless, "0") != 0);
}

CGPoint PointerLocation()
{
  return State().pointer;
}
int CursorHideLevel()
{
  return State().hideLevel;
}
bool PointerAssociated()
{
  return State().associated;
}
const std::vector<CGPoint>& CursorMoves()
{
  return State().moves;
}
std::string CurrentCursorName()
{
  return NSCursor::currentCursor()->name();
}

void ResetInput()
{
  State() = InputState{};
}
} // namespace qorvplatform
