// The view factory a host instantiates by the class name that the CocoaUI property gives: it finds the
// plug-in object behind an Audio Unit through a private property and lets the plug-in open its editor.
// A host knows it only through the Cocoa UI protocol; each plug-in binary defines and registers its own
// class (IPLUGIN_AU_ENTRY_POINTS). Main thread only.
#pragma once

#include "framework/StringBuf.h"
#include "framework/au/IPluginAU.h"

#include <AudioUnit/AUCocoaUIView.h>
#include <Foundation/NSObject.h>

namespace iplugin
{
class AUCocoaViewFactory : public NSObject, public AUCocoaUIBase
{
public:
  // description: the text the class describes itself with.
  explicit AUCocoaViewFactory(const char* description) : mDescription(description) {}

  AUCocoaViewFactory* init()
  {
    mPlug = nullptr;
    return this;
  }
  // The editor's top view, or null when the unit is not one of ours or the plug-in has no editor. The
  // preferred size is not used: the editor opens at its own size.
  NSView* uiViewForAudioUnit(AudioUnit unit, NSSize preferredSize) override;
  unsigned interfaceVersion() override { return 0; }
  // A new string the caller releases.
  CFStringRef description() const;

  IPluginAU* mPlug = nullptr;

private:
  StringBuf mDescription;
};
} // namespace iplugin
