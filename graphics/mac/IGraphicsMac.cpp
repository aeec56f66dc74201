#include "graphics/mac/IGraphicsMac.h"

#include "framework/IGEditorDelegate.h"
#include "graphics/mac/CoreTextFont.h"
#include "graphics/ISpecialControlInterfaces.h"
#include "graphics/mac/IGraphicsView.h"

#include <AppKit/NSApplication.h>
#include <AppKit/NSAppearance.h>
#include <AppKit/NSEvent.h>
#include <AppKit/NSPanel.h>
#include <AppKit/NSPasteboard.h>
#include <AppKit/NSSavePanel.h>
#include <AppKit/NSScreen.h>
#include <AppKit/NSWorkspace.h>
#include <CoreGraphics/CGDirectDisplay.h>
#include <Foundation/NSFileManager.h>
#include <Foundation/NSPathUtilities.h>

#include <cmath>
#include <cstring>
#include <string>

namespace iplugin::igraphics
{
namespace
{
bool HasScheme(const char* address)
{
  // scheme ":" "//", the scheme a letter followed by letters, digits, "+", "-" or ".".
  const char* p = address;
  if (!std::isalpha(static_cast<unsigned char>(*p))) return false;
  while (std::isalnum(static_cast<unsigned char>(*p)) || *p == '+' || *p == '-' || *p == '.')
    ++p;
  return std::strncmp(p, "://", 3) == 0;
}

// "~" and "~/..." with the home folder in front.
std::string ExpandTilde(const std::string& path)
{
  if (path.empty() || path[0] != '~' || (path.size() > 1 && path[1] != '/')) return path;
  return NSHomeDirectory() + path.substr(1);
}
} // namespace

IGraphicsMac::IGraphicsMac(IGEditorDelegate& dlg, int w, int h, int fps, float scale)
    : IGraphicsVector(dlg, w, h, fps, scale)
{
  NSApplicationLoad();
  StaticStorage<CoreTextFontDescriptor>& cache = FontDescriptorCache();
  MutexLock lock(cache.GetMutex());
  cache.Retain();
}

IGraphicsMac::~IGraphicsMac()
{
  StaticStorage<CoreTextFontDescriptor>& cache = FontDescriptorCache();
  MutexLock lock(cache.GetMutex());
  cache.Release();
  if (mView) ReleaseView();
}

IGraphicsMac* MakeQorvGraphics(IGEditorDelegate& dlg, int w, int h, int fps, float scale)
{
  auto* pGraphics = new IGraphicsMac(dlg, w, h, fps, scale);
  pGraphics->SetBundleID("com.Lumenkraft.audiounit.Qorv");
  pGraphics->SetSharedResourcesSubPath("Qorv");
  return pGraphics;
}

// --- The view ------------------------------------------------------------------------------------------

void IGraphicsMac::ReleaseView()
{
  // Both sides let go before the view leaves its superview: the view must not ask the delegate to close
  // the editor (which deletes this context) while this context is still working.
  std::shared_ptr<IGraphicsView_vQorv_au> view = std::move(mView);
  view->removeAllToolTips();
  view->killTimer();
  view->endUserInput();
  view->detachGraphics();
  view->removeFromSuperview();
  view.reset();
  OnViewDestroyed();
}

void* IGraphicsMac::OpenWindow(void* pParent)
{
  if (mView) ReleaseView();
  mView = IGraphicsView_vQorv_au::initWithIGraphics(this);
  std::shared_ptr<CAMetalLayer> layer = mView->layer();
  OnViewInitialized(&layer);
  if (auto* pDelegate = dynamic_cast<IGEditorDelegate*>(GetDelegate()))
    pDelegate->SetEditorOpen(IsContextReady());
  SetScreenScale(float(NSScreen::mainScreen()->backingScaleFactor()));
  GetDelegate()->LayoutUI(this);
  UpdateTooltips();
  GetDelegate()->OnEditorOpened();
  if (pParent) static_cast<NSView*>(pParent)->addSubview(mView.get());
  return mView.get();
}

void IGraphicsMac::CloseWindow()
{
  if (mView) ReleaseView();
}

void* IGraphicsMac::GetWindow()
{
  return mView.get();
}

NSRect IGraphicsMac::ToViewRect(const IRECT& r) const
{
  const double s = GetDrawScale();
  const double l = std::floor(r.L * s), t = std::floor(r.T * s);
  return NSMakeRect(l, t, std::ceil(r.R * s) - l, std::ceil(r.B * s) - t);
}

void IGraphicsMac::PlatformResize(bool parentHasResized)
{
  if (mView)
  {
    NSAnimationContext::runAnimationGroup(
        [this](NSAnimationContext* context)
        {
          context->setDuration(0.0);
          mView->setFrameSize(NSMakeSize(double(int(float(Width()) * GetDrawScale())),
                                         double(int(float(Height()) * GetDrawScale()))));
        });
  }
  UpdateTooltips();
}

bool IGraphicsMac::GetPlatformWindowRoom(float& width, float& height) const
{
  NSWindow* w = mView ? mView->window() : nullptr;
  if (!w) return false;
  const NSPoint inWindow =
      mView->convertPointToView(NSMakePoint(0, mView->isFlipped() ? 0 : mView->frame().size.height), nullptr);
  const NSPoint topLeft = w->convertRectToScreen(NSMakeRect(inWindow.x, inWindow.y, 0, 0)).origin;
  const NSRect area = NSScreen::mainScreen()->visibleFrame();
  width = float(area.origin.x + area.size.width - topLeft.x);
  height = float(topLeft.y - area.origin.y);
  return true;
}

void IGraphicsMac::AttachPlatformView(const IRECT& area, void* pView)
{
  if (!mView || !pView) return;
  auto* view = static_cast<NSView*>(pView);
  view->setFrame(ToViewRect(area));
  mView->addSubview(view);
}

void IGraphicsMac::RemovePlatformView(void* pView)
{
  if (pView) static_cast<NSView*>(pView)->removeFromSuperview();
}

void IGraphicsMac::UpdateTooltips()
{
  if (!mView) return;
  mView->removeAllToolTips();
  if (IControl* popup = GetPopupMenuControl())
    if (popup && PopupMenuControl() && PopupMenuControl()->GetState() != 0) return;
  for (int i = 0; i < NControls(); ++i)
  {
    IControl* c = GetControl(i);
    const IRECT r = c->GetTargetRECT();
    if (c->IsHidden() || (r.L == 0.f && r.T == 0.f && r.R == 0.f && r.B == 0.f)) continue;
    mView->registerToolTip(r);
  }
}

bool IGraphicsMac::IsDarkMode() const
{
  return mView && mView->effectiveAppearance()->name() == NSAppearanceNameDarkAqua;
}

// --- Mouse and cursor ------------------------------------------------------------------------------------

NSPoint IGraphicsMac::ScreenToEditor(NSPoint screen) const
{
  NSWindow* w = mView->window();
  const NSRect inWindow =
      w ? w->convertRectFromScreen(NSMakeRect(screen.x, screen.y, 0, 0)) : NSRect{screen, {0, 0}};
  const NSPoint p = mView->convertPointFromView(inWindow.origin, nullptr);
  return NSMakePoint(p.x / GetDrawScale(), p.y / GetDrawScale());
}

void IGraphicsMac::GetMouseLocation(float& x, float& y) const
{
  if (!mView)
  {
    x = y = 0.f;
    return;
  }
  const NSPoint p = ScreenToEditor(NSEvent::mouseLocation());
  x = float(p.x);
  y = float(p.y);
}

void IGraphicsMac::CaptureCursorScreenPosition()
{
  const NSPoint screen = NSEvent::mouseLocation();
  mCursorLockX = std::round(screen.x);
  mCursorLockY = std::round(screen.y);
  if (!mView) return;
  const NSPoint p = ScreenToEditor(NSMakePoint(mCursorLockX, mCursorLockY));
  mCursorX = float(p.x);
  mCursorY = float(p.y);
}

void IGraphicsMac::RepositionCursor(NSPoint screenPoint)
{
  const double height = double(CGDisplayPixelsHigh(CGMainDisplayID()));
  CGAssociateMouseAndMouseCursorPosition(false);
  CGDisplayMoveCursorToPoint(CGMainDisplayID(), CGPointMake(screenPoint.x, height - screenPoint.y));
  CGAssociateMouseAndMouseCursorPosition(true);
}

void IGraphicsMac::StoreCursorPosition(float& x, float& y)
{
  if (mCursorHidden && mCursorLock && !mTabletInput)
  {
    RepositionCursor(NSMakePoint(mCursorLockX, mCursorLockY));
    x = mCursorX;
    y = mCursorY;
    return;
  }
  mCursorX = x;
  mCursorY = y;
}

void IGraphicsMac::HideMouseCursor(bool hide, bool lock)
{
  if (mCursorHidden == hide) return;
  if (hide)
  {
    CaptureCursorScreenPosition();
    CGDisplayHideCursor(CGMainDisplayID());
    mCursorHidden = true;
    mCursorLock = lock;
  }
  else
  {
    float x = mCursorX, y = mCursorY;
    StoreCursorPosition(x, y);
    CGDisplayShowCursor(CGMainDisplayID());
    mCursorHidden = false;
    mCursorLock = false;
  }
}

void IGraphicsMac::MoveMouseCursor(float x, float y)
{
  if (mTabletInput || !mView) return;
  const NSPoint inWindow =
      mView->convertPointToView(NSMakePoint(double(x) * GetDrawScale(), double(y) * GetDrawScale()), nullptr);
  NSWindow* w = mView->window();
  const NSRect screen =
      w ? w->convertRectToScreen(NSMakeRect(inWindow.x, inWindow.y, 0, 0)) : NSRect{inWindow, {0, 0}};
  RepositionCursor(screen.origin);
  CaptureCursorScreenPosition();
}

int IGraphicsMac::SetMouseCursor(int cursorType)
{
  if (mView) mView->setMouseCursor(cursorType);
  return IGraphicsVector::SetMouseCursor(cursorType);
}

NSPoint IGraphicsMac::ViewPointToScreen(NSPoint p) const
{
  if (!mView) return p;
  const NSPoint inWindow = mView->convertPointToView(p, nullptr);
  NSWindow* w = mView->window();
  return w ? w->convertRectToScreen(NSMakeRect(inWindow.x, inWindow.y, 0, 0)).origin : inWindow;
}

NSPoint IGraphicsMac::ScreenPointToView(NSPoint p) const
{
  if (!mView) return p;
  NSWindow* w = mView->window();
  const NSPoint inWindow = w ? w->convertRectFromScreen(NSMakeRect(p.x, p.y, 0, 0)).origin : p;
  return mView->convertPointFromView(inWindow, nullptr);
}

int IGraphicsMac::GetSystemVersion()
{
  // The platform's newest answer (application kit 1404 or later).
  static const int version = 0x10B0;
  return version;
}

// --- Prompts, dialogs and the system ----------------------------------------------------------------------

EMsgBoxResult IGraphicsMac::ShowMessageBox(const char* text, const char* title, EMsgBoxType type,
                                           IMsgBoxCompletionHandlerFunc completion)
{
  ReleaseMouseCapture();
  const std::string message = text ? text : "", heading = title ? title : "";
  EMsgBoxResult result = kCANCEL;
  auto run = [&](const char* a, const char* b, const char* c)
  { return NSRunAlertPanel(heading, "%@", a, b, c, message); };
  switch (type)
  {
  case kMB_OK:
    run("OK", nullptr, nullptr);
    result = kOK;
    break;
  case kMB_OKCANCEL:
    result = run("OK", "Cancel", nullptr) == NSAlertDefaultReturn ? kOK : kCANCEL;
    break;
  case kMB_YESNOCANCEL:
  {
    const long r = run("Yes", "Cancel", "No");
    result = r == NSAlertDefaultReturn ? kYES : r == NSAlertOtherReturn ? kNO : kCANCEL;
    break;
  }
  case kMB_YESNO:
    result = run("Yes", "No", nullptr) == NSAlertDefaultReturn ? kYES : kNO;
    break;
  case kMB_RETRYCANCEL:
    result = run("Retry", "Cancel", nullptr) == NSAlertDefaultReturn ? kRETRY : kCANCEL;
    break;
  default:
    result = kCANCEL;
    break;
  }
  if (completion) completion(result);
  return result;
}

void IGraphicsMac::PromptForFile(StringBuf& fileName, StringBuf& path, EFileAction action, const char* ext)
{
  if (!mView)
  {
    fileName.Set("");
    return;
  }
  const std::string startFile = fileName.Get(), startDir = path.Get();
  fileName.Set("");
  std::vector<std::string> types;
  if (ext && *ext)
  {
    const std::string all = ext;
    for (size_t start = 0; start <= all.size();)
    {
      const size_t space = all.find(' ', start);
      const std::string one =
          all.substr(start, space == std::string::npos ? std::string::npos : space - start);
      if (!one.empty()) types.push_back(one);
      if (space == std::string::npos) break;
      start = space + 1;
    }
  }
  long answer = 0;
  std::string chosen;
  if (action == kFileSave)
  {
    NSSavePanel* panel = NSSavePanel::savePanel();
    panel->setAllowedFileTypes(types);
    panel->setAllowsOtherFileTypes(false);
    panel->setFloatingPanel(true);
    answer = panel->runModalForDirectory(startDir, startFile);
    chosen = panel->filename();
  }
  else
  {
    NSOpenPanel* panel = NSOpenPanel::openPanel();
    panel->setCanChooseFiles(true);
    panel->setCanChooseDirectories(false);
    panel->setResolvesAliases(true);
    panel->setFloatingPanel(true);
    answer = panel->runModalForDirectory(startDir, startFile, types);
    chosen = panel->filename();
  }
  if (answer != NSModalResponseOK) return;
  fileName.Set(chosen.c_str());
  const size_t slash = chosen.rfind('/');
  const std::string folder = slash == std::string::npos ? "" : chosen.substr(0, slash);
  path.Set((folder + "/").c_str());
}

void IGraphicsMac::PromptForDirectory(StringBuf& dir)
{
  if (!*dir.Get()) dir.Set("~/Desktop");
  // The panel takes a file URL, which does not expand "~" itself.
  const std::string start = ExpandTilde(dir.Get());
  NSOpenPanel* panel = NSOpenPanel::openPanel();
  panel->setTitle("Choose a Directory");
  panel->setCanChooseFiles(false);
  panel->setCanChooseDirectories(true);
  panel->setResolvesAliases(true);
  panel->setCanCreateDirectories(true);
  NSURL* url = NSURL::fileURLWithPath(start);
  panel->setDirectoryURL(url);
  if (panel->runModal() == NSModalResponseOK)
    dir.Set((panel->filename() + "/").c_str());
  else
    dir.Set("");
}

bool IGraphicsMac::PromptForColor(IColor& color, const char* str, IColorPickerHandlerFunc func)
{
  return mView && mView->promptForColor(color, std::move(func));
}

bool IGraphicsMac::OpenURL(const char* url)
{
  if (!url) return false;
  // Only an address with a scheme is a web address: "/home/u/httpd/a.txt" is a file.
  NSURL* nsURL = HasScheme(url) ? NSURL::URLWithString(url) : NSURL::fileURLWithPath(url);
  const bool opened = NSWorkspace::sharedWorkspace()->openURL(nsURL);
  return opened;
}

bool IGraphicsMac::RevealPathInFinder(StringBuf& path, bool select)
{
  const std::string p = path.Get();
  if (p.empty() || !NSFileManager::defaultManager()->fileExistsAtPath(p)) return false;
  NSWorkspace* ws = NSWorkspace::sharedWorkspace();
  if (!select) return ws->openFile(p);
  const size_t slash = p.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : p.substr(0, slash);
  if (!ws->openFile(folder)) return false;
  return ws->selectFile(p, folder);
}

bool IGraphicsMac::GetTextFromClipboard(StringBuf& str)
{
  std::string text;
  const bool found = NSPasteboard::generalPasteboard()->stringForType(NSStringPboardType, text);
  str.Set(text.c_str());
  return found;
}

bool IGraphicsMac::SetTextInClipboard(const char* str)
{
  NSPasteboard* board = NSPasteboard::generalPasteboard();
  board->clearContents();
  return board->setString(str ? str : "", NSStringPboardType);
}

void IGraphicsMac::EndUserInput()
{
  if (mView) mView->endUserInput();
}

void IGraphicsMac::CreatePlatformTextEntry(int paramIdx, const IText& text, const IRECT& bounds, int length,
                                           const char* str)
{
  if (mView) mView->createTextEntry(paramIdx, text, str, length, ToViewRect(bounds));
}

IPopupMenu* IGraphicsMac::CreatePlatformPopupMenu(IPopupMenu& menu, const IRECT& bounds, bool& isAsync)
{
  if (!mView) return nullptr;
  IPopupMenu* chosen = mView->createPopupMenu(menu, ToViewRect(bounds));
  if (chosen) chosen->ExecFunction();
  return chosen;
}

// --- Fonts ------------------------------------------------------------------------------------------------

PlatformFontPtr IGraphicsMac::LoadPlatformFont(const char* fontID, const char* fileNameOrResID)
{
  return LoadCoreTextFontFromFile(fontID, fileNameOrResID, GetBundleID(), GetSharedResourcesSubPath());
}

PlatformFontPtr IGraphicsMac::LoadPlatformFontFromMemory(const char* fontID, const void* pData, int dataSize)
{
  return LoadCoreTextFontFromMemory(fontID, pData, dataSize);
}

PlatformFontPtr IGraphicsMac::LoadPlatformFontFromSystem(const char* fontID, const char* fontName, int style)
{
  return LoadCoreTextFontFromSystem(fontID, fontName, style);
}

void IGraphicsMac::CachePlatformFont(const char* fontID, const PlatformFontPtr& font)
{
  CacheCoreTextFont(fontID, font.get());
}
} // namespace iplugin::igraphics
