// The plug-in's editor in a window of the host, opened as a host opens a plug-in's window: it reads the
// CocoaUI property, finds the view factory class it names among the classes of the plug-in's bundle,
// makes one and asks it for the view, which goes into the window. The host knows the factory only
// through the Cocoa UI protocol (AudioUnit/AUCocoaUIView.h). The window follows the view's frame, as a
// host's window follows a plug-in view that resizes itself; the user does not resize it.
#pragma once

#include <AudioUnit/AUCocoaUIView.h>
#include <AudioUnit/AudioUnit.h>

#include <memory>
#include <string>

class NSView;
class NSWindow;

namespace qorvhost
{
// A new instance of the view factory class of that name, among the classes of the binaries loaded so
// far; null with a message when there is none or it does not adopt the protocol.
std::unique_ptr<AUCocoaUIBase> MakeViewFactory(const std::string& className, std::string& error);

// Main thread only. While it is open, the plug-in's message boxes and the pages and files it opens are
// told on standard error (and opened with xdg-open when a display is there): QorvPlatform/Dialogs.h,
// SetShowToUser.
class EditorWindow
{
public:
  // Null with a message when the instance has no editor view.
  static std::unique_ptr<EditorWindow> Open(AudioUnit unit, const std::string& title, std::string& error);
  // The same with the view factory given instead of the one the instance names.
  static std::unique_ptr<EditorWindow> Open(AudioUnit unit, std::unique_ptr<AUCocoaUIBase> factory,
                                            const std::string& title, std::string& error);
  // The view leaves and the window closes.
  ~EditorWindow();
  EditorWindow(const EditorWindow&) = delete;
  EditorWindow& operator=(const EditorWindow&) = delete;

  NSView& View() { return *mView; }
  NSWindow& Window() { return *mWindow; }
  // True once the user asked to close the window.
  bool CloseRequested();

private:
  EditorWindow() = default;
  // The window takes the view's size; its top left corner stays where it is.
  void FollowView();

  std::unique_ptr<AUCocoaUIBase> mFactory;
  NSView* mView = nullptr;
  std::unique_ptr<NSWindow> mWindow;
  std::unique_ptr<NSView> mContent;
};

// Why the window is not on the screen ("" when it is in an X11 window): no DISPLAY, QORV_HEADLESS set, a
// display that cannot be opened, or one that cannot show a window.
std::string HeadlessReason(NSWindow& window);
// Why no window can be tried before one opens ("" when a display is named): no DISPLAY, or QORV_HEADLESS
// set.
std::string NoDisplayReason();
} // namespace qorvhost
