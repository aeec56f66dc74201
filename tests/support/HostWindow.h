// A host's window around a plug-in's view, as an Audio Unit host shows an editor: a window of the view's
// size whose content view holds the plug-in's view, brought to the front. Main thread.
#pragma once

#include <AppKit/NSView.h>

#include <memory>

namespace qorvtest
{
struct HostWindow
{
  // A window of width x height with an empty content view, in front.
  HostWindow(double width, double height)
      : window(std::make_unique<NSWindow>(NSMakeRect(0, 0, width, height))), content(std::make_unique<NSView>())
  {
    window->setContentView(content.get());
    window->makeKeyAndOrderFront(nullptr);
  }
  // A window of the view's size holding the view.
  explicit HostWindow(NSView* view) : HostWindow(view->frame().size.width, view->frame().size.height)
  {
    content->addSubview(view);
  }

  std::unique_ptr<NSWindow> window;
  std::unique_ptr<NSView> content;
};
} // namespace qorvtest
