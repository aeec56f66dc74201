#include "framework/au/AUCocoaViewFactory.h"

#include <AppKit/NSView.h>

namespace iplugin
{
NSView* AUCocoaViewFactory::uiViewForAudioUnit(AudioUnit unit, NSSize)
{
  void* object = nullptr;
  UInt32 size = sizeof object;
  if (AudioUnitGetProperty(unit, kIPluginAUPropertyPlugObject, kAudioUnitScope_Global, 0, &object, &size) !=
          noErr ||
      size != sizeof object)
    return nullptr;
  mPlug = static_cast<IPluginAU*>(object);
  // The plug-in's window is its top view.
  if (mPlug && mPlug->HasUI()) return static_cast<NSView*>(mPlug->OpenWindow(nullptr));
  return nullptr;
}

CFStringRef AUCocoaViewFactory::description() const
{
  return CFStringCreateWithCString(kCFAllocatorDefault, mDescription.Get(), kCFStringEncodingUTF8);
}
} // namespace iplugin
