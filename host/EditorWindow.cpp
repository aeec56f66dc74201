#include "host/EditorWindow.h"

#include "host/CFText.h"

#include <AppKit/NSScreen.h>
#include <AppKit/NSView.h>
#include <CoreFoundation/CFBundle.h>
#include <CoreFoundation/CFURL.h>
#include <Foundation/NSNotification.h>
#include <Foundation/NSObjCRuntime.h>
#include <QorvPlatform/Bundles.h>
#include <QorvPlatform/Dialogs.h>
#include <QorvPlatform/Events.h>

#include <cstdlib>

namespace qorvhost
{
namespace
{
// The view factory named by the CocoaUI property, from the bundle it names.
std::unique_ptr<AUCocoaUIBase> FindViewFactory(AudioUnit unit, std::string& error)
{
  AudioUnitCocoaViewInfo info{};
  UInt32 size = sizeof info;
  if (AudioUnitGetProperty(unit, kAudioUnitProperty_CocoaUI, kAudioUnitScope_Global, 0, &info, &size) !=
      noErr)
  {
    error = "the plug-in has no editor view";
    return nullptr;
  }
  UInt8 path[4096] = {};
  const bool located =
      CFURLGetFileSystemRepresentation(info.mCocoaAUViewBundleLocation, true, path, sizeof path);
  const std::string className = Text(info.mCocoaAUViewClass[0]);
  CFRelease(info.mCocoaAUViewBundleLocation);
  CFRelease(info.mCocoaAUViewClass[0]);
  if (!located)
  {
    error = "the editor's bundle cannot be located";
    return nullptr;
  }
  // The component runtime has loaded the binary already; loading it again only finds it.
  CFBundleRef bundle = qorvplatform::RegisterBundle(reinterpret_cast<const char*>(path));
  if (!bundle || !CFBundleLoadExecutable(bundle))
  {
    error = "the editor's bundle cannot be loaded";
    return nullptr;
  }
  return MakeViewFactory(className, error);
}
} // namespace

std::unique_ptr<AUCocoaUIBase> MakeViewFactory(const std::string& className, std::string& error)
{
  const NSString name(className);
  Class c = NSClassFromString(&name);
  std::unique_ptr<NSObject> object(c ? c->alloc() : nullptr);
  auto* factory = dynamic_cast<AUCocoaUIBase*>(object.get());
  if (!factory)
  {
    error = c && object ? "the view class " + className + " is no Cocoa UI view factory"
                        : "the bundle has no view class " + className;
    return nullptr;
  }
  object.release();
  return std::unique_ptr<AUCocoaUIBase>(factory);
}

std::unique_ptr<EditorWindow> EditorWindow::Open(AudioUnit unit, const std::string& title, std::string& error)
{
  std::unique_ptr<AUCocoaUIBase> factory = FindViewFactory(unit, error);
  return factory ? Open(unit, std::move(factory), title, error) : nullptr;
}

std::unique_ptr<EditorWindow> EditorWindow::Open(AudioUnit unit, std::unique_ptr<AUCocoaUIBase> factory,
                                                 const std::string& title, std::string& error)
{
  std::unique_ptr<EditorWindow> w(new EditorWindow);
  w->mFactory = std::move(factory);
  w->mView = w->mFactory ? w->mFactory->uiViewForAudioUnit(unit, NSMakeSize(0, 0)) : nullptr;
  if (!w->mView)
  {
    if (error.empty()) error = "the plug-in gave no editor view";
    return nullptr;
  }
  // A host owns a reference to the view it was given: the view stays valid until the window lets it go,
  // also when the plug-in releases it first (instance disposed, or a second view asked for).
  w->mView->retain();
  const NSRect frame = w->mView->frame();
  // At the main screen's top left (screen points count up from its bottom).
  const double top = NSScreen::mainScreen()->frame().size.height - frame.size.height;
  w->mWindow = std::make_unique<NSWindow>(NSMakeRect(0, top, frame.size.width, frame.size.height));
  w->mWindow->setTitle(title);
  w->mContent = std::make_unique<NSView>();
  // The view keeps to the top left corner, where the window grows from, also in a window that a window
  // manager made larger than the view.
  w->mContent->setFlipped(true);
  w->mWindow->setContentView(w->mContent.get());
  w->mContent->addSubview(w->mView);
  // The plug-in resizes its view (its corner, its scale menu, a GUI scale setting); the window follows.
  NSNotificationCenter::defaultCenter()->addObserver(
      w->mContent.get(), [editor = w.get()](NSNotification*) { editor->FollowView(); },
      NSViewFrameDidChangeNotification, w->mView);
  w->mWindow->makeKeyAndOrderFront(nullptr);
  // Message boxes and the pages and files the plug-in opens reach the person at the window.
  qorvplatform::SetShowToUser(true);
  return w;
}

void EditorWindow::FollowView()
{
  const NSSize size = mView->frame().size;
  const NSRect content = mWindow->contentRect();
  if (size.width == content.size.width && size.height == content.size.height) return;
  const double top = content.origin.y + content.size.height;
  mWindow->setContentSize(size);
  mWindow->setFrameOrigin(NSMakePoint(content.origin.x, top - size.height));
}

bool EditorWindow::CloseRequested()
{
  return qorvplatform::WindowCloseRequested(*mWindow);
}

EditorWindow::~EditorWindow()
{
  if (mContent) NSNotificationCenter::defaultCenter()->removeObserver(mContent.get());
  // As a host closing its window: the view leaves, and the plug-in closes its editor (when it has not
  // already); then the host lets the view go.
  if (mView)
  {
    mView->removeFromSuperview();
    mView->release();
  }
  if (mWindow) mWindow->close();
  qorvplatform::SetShowToUser(false);
}

std::string NoDisplayReason()
{
  const char* display = std::getenv("DISPLAY");
  const char* headless = std::getenv("QORV_HEADLESS");
  if (headless && *headless && std::string(headless) != "0") return "QORV_HEADLESS is set";
  if (!display || !*display) return "DISPLAY is not set";
  return "";
}

std::string HeadlessReason(NSWindow& window)
{
  if (window.nativeWindow()) return "";
  const std::string reason = NoDisplayReason();
  if (!reason.empty()) return reason;
  const std::string refusal = qorvplatform::DisplayRefusal();
  return refusal.empty() ? std::string("the display ") + std::getenv("DISPLAY") + " cannot be opened" : refusal;
}
} // namespace qorvhost
