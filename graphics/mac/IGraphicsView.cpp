#include "graphics/mac/IGraphicsView.h"

#include "framework/IGEditorDelegate.h"
#include "framework/IParam.h"
#include "framework/Utf8.h"
#include "graphics/IGraphics.h"
#include "graphics/mac/FontDescriptorCache.h"
#include "graphics/mac/IGraphicsMac.h"
#include "graphics/mac/IGraphicsMenu.h"

#include <AppKit/NSAppearance.h>
#include <AppKit/NSEvent.h>
#include <AppKit/NSPasteboard.h>
#include <Foundation/NSNotification.h>
#include <QuartzCore/CAMetalLayer.h>

#include <algorithm>
#include <cmath>
#include <map>

namespace iplugin::igraphics
{
namespace
{
NSColor DeviceColor(const IColor& c)
{
  return NSColor::colorWithDeviceRed(c.R / 255.0, c.G / 255.0, c.B / 255.0, c.A / 255.0);
}

// The text's font at the editor's draw scale. A font that was never loaded has no descriptor: the
// system font stands in.
NSFont TextFieldFont(const IText& text, float drawScale)
{
  StaticStorage<CoreTextFontDescriptor>& cache = FontDescriptorCache();
  MutexLock lock(cache.GetMutex());
  const CoreTextFontDescriptor* pEntry = cache.Find(text.mFont, 1.0);
  const double size = double(text.mSize) * double(drawScale);
  if (!pEntry) return NSFont::systemFontOfSize(size);
  return NSFont::fontWithDescriptor(pEntry->mDescriptor, size * pEntry->mEMRatio);
}
} // namespace

IGraphicsView_vQorv_au::IGraphicsView_vQorv_au(IGraphics* pGraphics, NSRect frame)
    : NSView(frame), mGraphics(pGraphics), mDirtyRects()
{
  setFlipped(true);
}

std::shared_ptr<IGraphicsView_vQorv_au> IGraphicsView_vQorv_au::initWithIGraphics(IGraphicsMac* pGraphics)
{
  const float scale = pGraphics->GetDrawScale();
  const NSRect frame = NSMakeRect(0, 0, double(int(float(pGraphics->Width()) * scale)),
                                  double(int(float(pGraphics->Height()) * scale)));
  auto view = std::make_shared<IGraphicsView_vQorv_au>(pGraphics, frame);
  view->mSelf = view;
  view->setWantsLayer(true);
  view->setLayerContentsRedrawPolicy(NSViewLayerContentsRedrawDuringViewResize);
  view->registerForDraggedTypes({NSFilenamesPboardType});
  auto layer = CAMetalLayer::layer();
  layer->opaque = true;
  layer->pixelFormat = MTLPixelFormatBGRA8Unorm;
  layer->device = MTLCreateSystemDefaultDevice();
  view->setLayer(layer);
  view->setTimer();
  return view;
}

IGraphicsView_vQorv_au::~IGraphicsView_vQorv_au()
{
  killTimer();
  endUserInput();
  if (NSColorPanel::sharedColorPanelExists()) NSColorPanel::sharedColorPanel()->close();
  NSNotificationCenter::defaultCenter()->removeObserver(this);
}

IGraphicsMac* IGraphicsView_vQorv_au::Mac() const
{
  return dynamic_cast<IGraphicsMac*>(mGraphics);
}

// --- Redraw -----------------------------------------------------------------------------------------

void IGraphicsView_vQorv_au::setTimer()
{
  killTimer();
  const int fps = mGraphics ? mGraphics->FPS() : 60;
  mTimer = NSTimer::timerWithTimeInterval(1.0 / double(fps), true, [this](NSTimer*) { render(); });
  NSRunLoop::currentRunLoop()->addTimer(mTimer, kCFRunLoopCommonModes);
}

void IGraphicsView_vQorv_au::killTimer()
{
  if (mTimer) mTimer->invalidate();
  mTimer.reset();
}

double IGraphicsView_vQorv_au::timerInterval() const
{
  return mTimer ? mTimer->timeInterval() : 0.0;
}

void IGraphicsView_vQorv_au::render()
{
  if (!mGraphics) return;
  // A window off the screen shows nothing: what becomes dirty meanwhile is drawn once it is shown.
  if (NSWindow* w = window(); w && !w->isVisible()) return;
  mDirtyRects.Clear();
  if (mGraphics->IsDirty(mDirtyRects))
  {
    mGraphics->ClearAllControlsDirty();
    mGraphics->DrawDirtyRects(mDirtyRects);
  }
}

// --- The window -------------------------------------------------------------------------------------

void IGraphicsView_vQorv_au::SetDrawableSize(double scale)
{
  if (layer()) layer()->drawableSize = CGSizeMake(frame().size.width * scale, frame().size.height * scale);
}

void IGraphicsView_vQorv_au::viewDidMoveToWindow()
{
  NSWindow* w = window();
  NSNotificationCenter* center = NSNotificationCenter::defaultCenter();
  center->removeObserver(this);
  if (!w || !mGraphics) return;
  w->makeFirstResponder(this);
  w->setAcceptsMouseMovedEvents(true);
  mGraphics->SetScreenScale(float(w->backingScaleFactor()));
  SetDrawableSize(w->backingScaleFactor());
  center->addObserver(
      this, [this](NSNotification*) { WindowDidResign(); }, NSWindowDidResignKeyNotification, w);
  center->addObserver(
      this, [this](NSNotification*) { WindowDidResign(); }, NSWindowDidResignMainNotification, w);
  center->addObserver(
      this,
      [this](NSNotification*)
      {
        if (NSWindow* win = window()) SetDrawableSize(win->backingScaleFactor());
      },
      NSViewFrameDidChangeNotification, this);
}

void IGraphicsView_vQorv_au::viewDidChangeBackingProperties()
{
  NSWindow* w = window();
  if (!w || !mGraphics) return;
  mGraphics->SetPlatformInstance(nullptr);
  const float scale = float(w->backingScaleFactor());
  if (scale != mGraphics->GetScreenScale()) mGraphics->SetScreenScale(scale);
  SetDrawableSize(scale);
}

void IGraphicsView_vQorv_au::viewDidChangeEffectiveAppearance()
{
  if (!mGraphics) return;
  const bool dark = effectiveAppearance()->name() == NSAppearanceNameDarkAqua;
  mGraphics->OnAppearanceChanged(dark ? EUIAppearance::Dark : EUIAppearance::Light);
}

void IGraphicsView_vQorv_au::WindowDidResign()
{
  if (mGraphics && mTimer) mGraphics->OnFocusLost();
}

bool IGraphicsView_vQorv_au::resignFirstResponder()
{
  if (mGraphics) mGraphics->OnFocusLost();
  return true;
}

void IGraphicsView_vQorv_au::removeFromSuperview()
{
  // Keeps the view alive while the delegate closes the editor, which releases it.
  std::shared_ptr<IGraphicsView_vQorv_au> keep = mSelf.lock();
  if (IGraphics* pGraphics = mGraphics)
  {
    endUserInput();
    pGraphics->SetPlatformInstance(nullptr);
    mGraphics = nullptr;
    if (IGEditorDelegate* pDelegate = pGraphics->GetDelegate()) pDelegate->CloseWindow();
  }
  detachFromSuperview();
}

void IGraphicsView_vQorv_au::updateTrackingAreas()
{
  if (mTrackingArea) removeTrackingArea(mTrackingArea.get());
  mTrackingArea = std::make_shared<NSTrackingArea>(
      bounds(), NSTrackingMouseEnteredAndExited | NSTrackingActiveAlways | NSTrackingEnabledDuringMouseDrag,
      this);
  addTrackingArea(mTrackingArea);
}

// --- Mouse --------------------------------------------------------------------------------------------

void IGraphicsView_vQorv_au::GetMouseXY(NSEvent* e, float& x, float& y)
{
  const NSPoint p = convertPointFromView(e->locationInWindow(), nullptr);
  const float scale = mGraphics->GetDrawScale();
  x = float(p.x) / scale;
  y = float(p.y) / scale;
  // The event keeps its own point; only the previous position becomes the lock point while the cursor
  // is locked, so the next drag measures from where the cursor was put back.
  float storedX = x, storedY = y;
  if (IGraphicsMac* mac = Mac())
  {
    mac->StoreCursorPosition(storedX, storedY);
    mac->SetTabletInput(e->subtype() == NSEventSubtypeTabletPoint);
  }
  mPrevX = storedX;
  mPrevY = storedY;
}

IMouseInfo IGraphicsView_vQorv_au::GetMouseLeft(NSEvent* e)
{
  IMouseInfo info;
  GetMouseXY(e, info.x, info.y);
  const unsigned long mods = e->modifierFlags();
  const NSEventType type = e->type();
  info.ms = IMouseMod(type == NSEventTypeLeftMouseDown || type == NSEventTypeLeftMouseDragged,
                      (mods & NSEventModifierFlagCommand) != 0, (mods & NSEventModifierFlagShift) != 0,
                      (mods & NSEventModifierFlagControl) != 0, (mods & NSEventModifierFlagOption) != 0);
  return info;
}

IMouseInfo IGraphicsView_vQorv_au::GetMouseRight(NSEvent* e)
{
  IMouseInfo info;
  GetMouseXY(e, info.x, info.y);
  const unsigned long mods = e->modifierFlags();
  info.ms = IMouseMod(false, true, (mods & NSEventModifierFlagShift) != 0,
                      (mods & NSEventModifierFlagControl) != 0, (mods & NSEventModifierFlagOption) != 0);
  return info;
}

void IGraphicsView_vQorv_au::MouseDown(NSEvent* e, bool right)
{
  if (!mGraphics) return;
  const IMouseInfo info = right ? GetMouseRight(e) : GetMouseLeft(e);
  if (e->clickCount() % 2 == 0)
    mGraphics->OnMouseDblClick(info.x, info.y, info.ms);
  else
    mGraphics->OnMouseDown({info});
}

void IGraphicsView_vQorv_au::mouseDown(NSEvent* e)
{
  MouseDown(e, false);
}

void IGraphicsView_vQorv_au::rightMouseDown(NSEvent* e)
{
  MouseDown(e, true);
}

void IGraphicsView_vQorv_au::mouseUp(NSEvent* e)
{
  if (!mGraphics) return;
  mGraphics->OnMouseUp({GetMouseLeft(e)});
  if (mMouseOutDuringDrag && mGraphics)
  {
    mGraphics->OnMouseOut();
    mMouseOutDuringDrag = false;
  }
}

void IGraphicsView_vQorv_au::rightMouseUp(NSEvent* e)
{
  if (mGraphics) mGraphics->OnMouseUp({GetMouseRight(e)});
}

void IGraphicsView_vQorv_au::MouseDrag(NSEvent* e, bool right)
{
  if (!mGraphics) return;
  // Nothing moves while a value is typed into a native field.
  const bool nativeEntry = mGraphics->GetControlInTextEntry() && !mGraphics->GetTextEntryControl();
  if (right ? mTextFieldView != nullptr : nativeEntry) return;
  const float prevX = mPrevX, prevY = mPrevY;
  IMouseInfo info = right ? GetMouseRight(e) : GetMouseLeft(e);
  info.dX = info.x - prevX;
  info.dY = info.y - prevY;
  mGraphics->OnMouseDrag({info});
}

void IGraphicsView_vQorv_au::mouseDragged(NSEvent* e)
{
  MouseDrag(e, false);
}

void IGraphicsView_vQorv_au::rightMouseDragged(NSEvent* e)
{
  MouseDrag(e, true);
}

void IGraphicsView_vQorv_au::mouseMoved(NSEvent* e)
{
  if (!mGraphics) return;
  const IMouseInfo info = GetMouseLeft(e);
  mGraphics->OnMouseOver(info.x, info.y, info.ms);
}

void IGraphicsView_vQorv_au::mouseEntered(NSEvent* e)
{
  if (!mGraphics) return;
  mMouseOutDuringDrag = false;
  if (IGraphicsMac* mac = Mac()) mac->SetMouseCursor(mac->GetMouseCursorKind());
}

void IGraphicsView_vQorv_au::mouseExited(NSEvent* e)
{
  if (!mGraphics) return;
  if (!mGraphics->ControlIsCaptured())
    mGraphics->OnMouseOut();
  else
    mMouseOutDuringDrag = true;
}

void IGraphicsView_vQorv_au::scrollWheel(NSEvent* e)
{
  if (!mGraphics) return;
  endUserInput();
  const IMouseInfo info = GetMouseLeft(e);
  mGraphics->OnMouseWheel(info.x, info.y, info.ms, float(e->deltaY()));
}

// --- Keys ----------------------------------------------------------------------------------------------

namespace
{
enum : int
{
  kMapped = 1,
  kShift = 4,
  kCommand = 8,
  kOption = 16,
  kControl = 32
};

int KeyCodeFromMacKey(unsigned short key)
{
  static const std::map<unsigned short, int> table = {
      {51, 8},    {65, 110},  {67, 106},  {69, 107},  {71, 144},  {75, 111},  {76, 32781}, {78, 109},
      {81, 108},  {82, 96},   {83, 97},   {84, 98},   {85, 99},   {86, 100},  {87, 101},   {88, 102},
      {89, 103},  {91, 104},  {92, 105},  {122, 112}, {120, 113}, {99, 114},  {118, 115},  {96, 116},
      {97, 117},  {98, 118},  {100, 119}, {101, 120}, {109, 121}, {103, 122}, {111, 123},  {105, 124},
      {107, 125}, {113, 126}, {106, 127}, {114, 45},  {115, 36},  {116, 33},  {117, 46},   {119, 35},
      {121, 34},  {123, 37},  {124, 39},  {125, 40},  {126, 38}};
  auto it = table.find(key);
  return it == table.end() ? -1 : it->second;
}

// The UTF-16 units of UTF-8 text (enough for one character).
std::vector<char16_t> Utf16(const NSString& s)
{
  return s.characters();
}
} // namespace

IKeyPress IGraphicsView_vQorv_au::KeyPressFromEvent(NSEvent* e)
{
  const unsigned long mods = e->modifierFlags();
  int flags = 0;
  if (mods & NSEventModifierFlagShift) flags |= kShift;
  if (mods & NSEventModifierFlagCommand) flags |= kCommand;
  if (mods & NSEventModifierFlagOption) flags |= kOption;
  if (mods & NSEventModifierFlagControl) flags |= kControl;

  const std::vector<char16_t> chars = Utf16(e->charactersIgnoringModifiers());
  int code = KeyCodeFromMacKey(e->keyCode());
  if (code >= 0)
    flags |= kMapped;
  else if (chars.empty())
  {
    code = 1024 + e->keyCode();
    flags |= kMapped;
  }
  else
  {
    int c = chars[0];
    if (c >= 0xF704 && c <= 0xF71B)
    {
      code = 112 + (c - 0xF704);
      flags |= kMapped;
    }
    else
    {
      if (c >= 'a' && c <= 'z') c -= 'a' - 'A';
      if (c == 25 && (flags & kCommand)) c = 9;
      code = c;
      const bool alnum = (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
      if (alnum || c == 9 || c == 10 || c == 13 || c == 27 || c == 32)
        flags |= kMapped;
      else
        flags &= ~kShift;
    }
  }

  char utf8[5] = {};
  if (chars.size() == 1) EncodeUtf8(chars[0], utf8);
  return IKeyPress(utf8, (flags & kMapped) ? code : 0, flags & kShift, flags & kCommand, flags & kOption);
}

void IGraphicsView_vQorv_au::keyDown(NSEvent* e)
{
  if (!mGraphics) return;
  if (!mGraphics->OnKeyDown(mPrevX, mPrevY, KeyPressFromEvent(e)))
    if (NSResponder* next = nextResponder()) next->keyDown(e);
}

void IGraphicsView_vQorv_au::keyUp(NSEvent* e)
{
  if (!mGraphics) return;
  if (!mGraphics->OnKeyUp(mPrevX, mPrevY, KeyPressFromEvent(e)))
    if (NSResponder* next = nextResponder()) next->keyUp(e);
}

// --- Drops --------------------------------------------------------------------------------------------

NSDragOperation IGraphicsView_vQorv_au::draggingEntered(NSDraggingInfo* info)
{
  const std::vector<std::string> types = info->draggingPasteboard()->types();
  return std::find(types.begin(), types.end(), NSFilenamesPboardType) != types.end() ? NSDragOperationGeneric
                                                                                     : NSDragOperationNone;
}

bool IGraphicsView_vQorv_au::performDragOperation(NSDraggingInfo* info)
{
  const std::vector<std::string>& files = info->draggingPasteboard()->filenames();
  if (mGraphics && !files.empty())
  {
    const NSPoint p = convertPointFromView(info->draggingLocation(), nullptr);
    const float scale = mGraphics->GetDrawScale();
    mGraphics->OnDrop(files[0].c_str(), float(p.x) / scale, float(p.y) / scale);
  }
  return true;
}

// --- Tooltips, cursor, colour --------------------------------------------------------------------------

void IGraphicsView_vQorv_au::registerToolTip(const IRECT& bounds)
{
  if (IGraphicsMac* mac = Mac()) addToolTipRect(mac->ToViewRect(bounds), this, nullptr);
}

std::string IGraphicsView_vQorv_au::viewStringForToolTip(NSView*, NSToolTipTag, NSPoint, void*)
{
  if (!mGraphics) return "";
  const int idx = mGraphics->GetMouseOverIdx();
  if (idx < 0 || idx >= mGraphics->NControls()) return "";
  const char* tip = mGraphics->GetControl(idx)->GetTooltip();
  return tip ? tip : "";
}

void IGraphicsView_vQorv_au::setMouseCursor(int kind)
{
  NSCursor* cursor = nullptr;
  auto priv = [](const char* selector) { return NSCursor::privateCursor(selector); };
  switch (kind)
  {
  case 1:
    cursor = NSCursor::IBeamCursor();
    break;
  case 2:
  case 12:
    cursor = priv("busyButClickableCursor");
    break;
  case 3:
    cursor = NSCursor::crosshairCursor();
    break;
  case 4:
    cursor = priv("_windowResizeNorthCursor") ? priv("_windowResizeNorthCursor") : NSCursor::resizeUpCursor();
    break;
  case 5:
    cursor = priv("_windowResizeNorthWestSouthEastCursor");
    break;
  case 6:
    cursor = priv("_windowResizeNorthEastSouthWestCursor");
    break;
  case 7:
    cursor = priv("_windowResizeEastWestCursor") ? priv("_windowResizeEastWestCursor")
                                                 : NSCursor::resizeLeftRightCursor();
    break;
  case 8:
    cursor = priv("_windowResizeNorthSouthCursor") ? priv("_windowResizeNorthSouthCursor")
                                                   : NSCursor::resizeUpDownCursor();
    break;
  case 9:
    if (!mMoveCursor)
    {
      // The system's own move cursor, from its cursor folder; where that is missing the platform's
      // move shape stands in.
      const char* folder = "/System/Library/Frameworks/ApplicationServices.framework/Versions/A/Frameworks/"
                           "HIServices.framework/Versions/A/Resources/cursors/";
      const std::string pdf = std::string(folder) + "move/cursor.pdf";
      mMoveCursor = NSCursor::initWithImage(NSImage::initWithContentsOfFile(pdf), NSMakePoint(0, 0));
      if (!mMoveCursor) mMoveCursor = std::make_shared<NSCursor>("move");
    }
    cursor = mMoveCursor.get();
    break;
  case 10:
    cursor = NSCursor::operationNotAllowedCursor();
    break;
  case 11:
    cursor = NSCursor::pointingHandCursor();
    break;
  case 13:
    cursor = priv("_helpCursor");
    break;
  default:
    cursor = NSCursor::arrowCursor();
    break;
  }
  if (kind != 13 && NSCursor::helpCursorShown()) NSCursor::setHelpCursor(false);
  (cursor ? cursor : NSCursor::arrowCursor())->set();
}

bool IGraphicsView_vQorv_au::promptForColor(const IColor& color, std::function<void(const IColor&)> func)
{
  mColorPickerFunc = std::move(func);
  NSColorPanel* panel = NSColorPanel::sharedColorPanel();
  if (!panel) return false;
  panel->setAction([this](NSColorPanel* p) { onColorPicked(p); });
  panel->setShowsAlpha(true);
  panel->setColor(
      NSColor::colorWithDeviceRed(color.R / 255.0, color.G / 255.0, color.B / 255.0, color.A / 255.0));
  panel->orderFront(nullptr);
  return true;
}

void IGraphicsView_vQorv_au::onColorPicked(NSColorPanel* panel)
{
  // The panel's colour may be grey or extended-range: read it in device RGB, within 0..1.
  const NSColor c = panel->color().colorUsingColorSpaceName(NSDeviceRGBColorSpace);
  auto byte = [](double v) { return int(std::clamp(v, 0.0, 1.0) * 255.0); };
  const IColor picked(byte(c.alphaComponent()), byte(c.redComponent()), byte(c.greenComponent()),
                      byte(c.blueComponent()));
  if (mColorPickerFunc) mColorPickerFunc(picked);
}

// --- Native prompts ------------------------------------------------------------------------------------

IPopupMenu* IGraphicsView_vQorv_au::createPopupMenu(IPopupMenu& menu, NSRect area)
{
  IGraphicsMenuRcvr_vQorv_au receiver(area);
  IGraphicsMenu_vQorv_au nsMenu(menu, &receiver);
  const NSPoint location = NSMakePoint(area.origin.x, area.origin.y + area.size.height + 4);
  nsMenu.popUpMenuPositioningItem(nullptr, location, this);

  NSMenuItem* chosen = receiver.menuItem();
  auto* chosenMenu = chosen ? dynamic_cast<IGraphicsMenu_vQorv_au*>(chosen->menu()) : nullptr;
  IPopupMenu* pResult = chosenMenu ? chosenMenu->iPopupMenu() : nullptr;
  const long index = chosenMenu ? chosenMenu->indexOfItem(chosen) : -1;
  if (!pResult || index < 0) return nullptr;
  pResult->SetChosenItemIdx(int(index));
  return pResult;
}

void IGraphicsView_vQorv_au::createTextEntry(int paramIdx, const IText& text, const char* str, int length,
                                             NSRect area)
{
  if (mTextFieldView) return;

  mTextFieldView = std::make_unique<IGraphicsTextField_vQorv_au>(area);
  if (text.mVAlign == kVAlignMiddle)
  {
    auto* cell = new IGraphicsTextFieldCell_vQorv_au("textfield");
    mTextFieldView->setCell(cell);
    cell->setEditable(true);
    cell->setDrawsBackground(true);
  }

  mTextFieldView->setFont(TextFieldFont(text, mGraphics->GetDrawScale()));

  switch (text.mAlign)
  {
  case kAlignNear:
    mTextFieldView->setAlignment(NSLeftTextAlignment);
    break;
  case kAlignCenter:
    mTextFieldView->setAlignment(NSCenterTextAlignment);
    break;
  case kAlignFar:
    mTextFieldView->setAlignment(NSRightTextAlignment);
    break;
  default:
    break;
  }

  IGEditorDelegate* pDelegate = mGraphics->GetDelegate();
  if (paramIdx >= 0 && pDelegate && paramIdx < pDelegate->NParams())
  {
    auto formatter = std::make_shared<IGraphicsFormatter_vQorv_au>();
    const IParam::EParamType type = pDelegate->GetParam(paramIdx)->Type();
    const char* accepted = "";
    if (type == IParam::kTypeBool || type == IParam::kTypeInt || type == IParam::kTypeEnum)
      accepted = "0123456789-+";
    else if (type == IParam::kTypeDouble)
      accepted = "0123456789.-+kK";
    formatter->setAcceptableCharacterSet(NSCharacterSet::characterSetWithCharactersInString(accepted));
    formatter->setMaximumLength(length);
    mTextFieldView->setFormatter(formatter);
  }

  NSTextFieldCell* cell = mTextFieldView->cell();
  cell->setLineBreakMode(NSLineBreakByTruncatingTail);
  cell->setAllowsEditingTextAttributes(false);
  mTextFieldView->setTextColor(DeviceColor(text.mTextEntryFGColor));
  mTextFieldView->setBackgroundColor(DeviceColor(text.mTextEntryBGColor));
  mTextFieldView->setStringValue(str ? str : "");
  mTextFieldView->setBordered(false);
  mTextFieldView->setFocusRingType(NSFocusRingTypeNone);
  mTextFieldView->setDelegate(this);

  addSubview(mTextFieldView.get());
  if (NSWindow* w = window())
  {
    w->makeKeyAndOrderFront(this);
    w->makeFirstResponder(mTextFieldView.get());
  }
}

void IGraphicsView_vQorv_au::controlTextDidEndEditing(NSNotification* notification)
{
  if (!mTextFieldView) return;
  const std::string text = mTextFieldView->stringValue();
  mGraphics->SetControlValueAfterTextEdit(text.c_str());
  mGraphics->SetAllControlsDirty();
  endUserInput();
}

void IGraphicsView_vQorv_au::endUserInput()
{
  if (!mTextFieldView) return;
  mTextFieldView->setDelegate(nullptr);
  mTextFieldView->removeFromSuperview();
  if (NSWindow* w = window()) w->makeFirstResponder(this);
  mTextFieldView.reset();
}
} // namespace iplugin::igraphics
