#include "framework/au/AUCocoaViewFactory.h"

namespace iplugin
{
void* AUCocoaViewFactory::uiViewForAudioUnit(AudioUnit unit, double, double)
{
  void* object = nullptr;
  UInt32 size = sizeof object;
  if (AudioUnitGetProperty(unit, kIPluginAUPropertyPlugObject, kAudioUnitScope_Global, 0, &object, &size) !=
          noErr ||
      size != sizeof object)
    return nullptr;
  mPlug = static_cast<IPluginAU*>(object);
  if (mPlug && mPlug->HasUI()) return mPlug->OpenWindow(nullptr);
  return nullptr;
}

CFStringRef AUCocoaViewFactory::description() const
{
  return CFStringCreateWithCString(kCFAllocatorDefault, mDescription.Get(), kCFStringEncodingUTF8);
}
} // namespace iplugin
