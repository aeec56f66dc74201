// The two doors through which a host reaches a plug-in class, and the macro that exports them:
// - the Component Manager entry (parameter record and instance storage -> DispatchComponentSelector);
// - the Audio Component factory, which returns an interface record whose method table the host uses.
// Both run on the host's thread; Render, reached through either, on its audio thread.
#pragma once

#include "framework/au/AUCocoaViewFactory.h"
#include "framework/au/IPluginAU.h"

#include <QorvPlatform/Classes.h>

#include <cstddef>
#include <new>

namespace iplugin
{
// The record the factory returns: the host's plug-in interface, then the hooks that build and tear
// down the plug-in object, then the storage of that one object, all in one block.
struct AUComponentInterface
{
  using ConstructFunc = IPluginAU* (*)(void* memory);
  using DestroyFunc = void (*)(IPluginAU* plug);

  AudioComponentPlugInInterface mInterface;
  ConstructFunc mConstruct;
  DestroyFunc mDestroy;
  IPluginAU* mPlug; // the object in mStorage, once constructed
  size_t mStorageSize;
  alignas(std::max_align_t) unsigned char mStorage[1];

  // A new record with room for an object of storageSize bytes; null when out of memory.
  static AUComponentInterface* Create(ConstructFunc construct, DestroyFunc destroy, size_t storageSize);

  static OSStatus Open(void* self, AudioComponentInstance instance);
  static OSStatus Close(void* self);
  static AudioComponentMethod Lookup(SInt16 selector);

  // The plug-in object behind a record handed to a method.
  static IPluginAU* Plug(void* self)
  {
    return self ? static_cast<AUComponentInterface*>(self)->mPlug : nullptr;
  }
};

// Makes the plug-in object: allocated when memory is null, else constructed in memory. Every
// instance is told the name of the view factory class.
template <class Plug> IPluginAU* CreatePluginInstance(void* memory, const char* viewClassName)
{
  static_assert(alignof(Plug) <= alignof(std::max_align_t),
                "the interface record's storage is max_align_t aligned");
  InstanceInfo info;
  info.mCocoaViewFactoryClassName.Set(viewClassName);
  if (!memory) return new (std::nothrow) Plug(info);
  return new (memory) Plug(info);
}

template <class Plug> void DestroyPluginInstance(IPluginAU* plug)
{
  static_cast<Plug*>(plug)->~Plug();
}
} // namespace iplugin

// Exports <Prefix>_Entry and <Prefix>_Factory for the plug-in class, and defines the view factory class
// <Prefix>_View (described as "<Prefix> View") that the CocoaUI property names, registered under that name
// when the binary is loaded, so that a host finds it with NSClassFromString.
#define IPLUGIN_AU_ENTRY_POINTS(PLUG, PREFIX)                                                                \
  class PREFIX##_View : public iplugin::AUCocoaViewFactory                                                   \
  {                                                                                                          \
  public:                                                                                                    \
    PREFIX##_View() : iplugin::AUCocoaViewFactory(#PREFIX " View") {}                                        \
  };                                                                                                         \
  namespace                                                                                                  \
  {                                                                                                          \
  NSObject* PREFIX##_NewView()                                                                               \
  {                                                                                                          \
    auto* view = new (std::nothrow) PREFIX##_View;                                                           \
    return view ? view->init() : nullptr;                                                                    \
  }                                                                                                          \
  const qorvplatform::ClassRegistration PREFIX##_ViewClass(#PREFIX "_View", PREFIX##_NewView);               \
  iplugin::IPluginAU* PREFIX##_Create(void* memory)                                                          \
  {                                                                                                          \
    return iplugin::CreatePluginInstance<PLUG>(memory, #PREFIX "_View");                                     \
  }                                                                                                          \
  }                                                                                                          \
  extern "C" __attribute__((visibility("default")))                                                          \
  OSStatus PREFIX##_Entry(ComponentParameters* params, void* obj)                                            \
  {                                                                                                          \
    return iplugin::IPluginAU::DispatchComponentSelector(params, static_cast<iplugin::IPluginAU*>(obj),      \
                                                         PREFIX##_Create);                                   \
  }                                                                                                          \
  extern "C" __attribute__((visibility("default")))                                                          \
  AudioComponentPlugInInterface* PREFIX##_Factory(const AudioComponentDescription*)                          \
  {                                                                                                          \
    auto* record = iplugin::AUComponentInterface::Create(                                                    \
        PREFIX##_Create, iplugin::DestroyPluginInstance<PLUG>, sizeof(PLUG));                                \
    return record ? &record->mInterface : nullptr;                                                           \
  }
