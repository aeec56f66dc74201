#include "platform/src/AudioUnit/ComponentRecords.h"

#include <AudioUnit/AudioComponent.h>
#include <CoreAudio/CoreAudioTypes.h>
#include <CoreFoundation/CoreFoundation.h>
#include <QorvPlatform/Bundles.h>
#include <QorvPlatform/ComponentGlue.h>

#include <dlfcn.h>

#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

namespace
{
struct Registry
{
  std::mutex mutex;
  std::vector<std::unique_ptr<OpaqueAudioComponent>> components;
};

Registry& TheRegistry()
{
  static Registry* registry = new Registry; // components live as long as the process
  return *registry;
}

bool Matches(const AudioComponentDescription& have, const AudioComponentDescription* want)
{
  if (!want) return true;
  return (!want->componentType || want->componentType == have.componentType) &&
         (!want->componentSubType || want->componentSubType == have.componentSubType) &&
         (!want->componentManufacturer || want->componentManufacturer == have.componentManufacturer);
}

AudioComponent Add(std::unique_ptr<OpaqueAudioComponent> component)
{
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  registry.components.push_back(std::move(component));
  return registry.components.back().get();
}

bool IsEntryDoor(ComponentInstance ci)
{
  return ci->component->door == qorvplatform::ComponentDoor::EntryFunction;
}

void Fail(std::string* error, const std::string& message)
{
  if (error) *error = message;
}
} // namespace

AudioComponent AudioComponentFindNext(AudioComponent inComponent, const AudioComponentDescription* inDesc)
{
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  bool passed = inComponent == nullptr;
  for (auto& c : registry.components)
  {
    if (!passed)
    {
      passed = c.get() == inComponent;
      continue;
    }
    if (c->registered && Matches(c->desc, inDesc)) return c.get();
  }
  return nullptr;
}

OSStatus AudioComponentCopyName(AudioComponent inComponent, CFStringRef* outName)
{
  if (!inComponent || !outName) return kAudio_ParamError;
  *outName = CFStringCreateWithCString(nullptr, inComponent->name.c_str(), kCFStringEncodingUTF8);
  return noErr;
}

OSStatus AudioComponentGetDescription(AudioComponent inComponent, AudioComponentDescription* outDesc)
{
  if (!inComponent || !outDesc) return kAudio_ParamError;
  *outDesc = inComponent->desc;
  return noErr;
}

OSStatus AudioComponentGetVersion(AudioComponent inComponent, UInt32* outVersion)
{
  if (!inComponent || !outVersion) return kAudio_ParamError;
  *outVersion = inComponent->version;
  return noErr;
}

OSStatus AudioComponentInstanceNew(AudioComponent inComponent, AudioComponentInstance* outInstance)
{
  if (!inComponent || !outInstance) return kAudio_ParamError;
  *outInstance = nullptr;
  auto ci = std::make_unique<ComponentInstanceRecord>();
  ci->component = inComponent;
  OSStatus status;
  if (inComponent->door == qorvplatform::ComponentDoor::EntryFunction)
  {
    if (!inComponent->entry) return badComponentSelector;
    qorvplatform::ComponentCall<0> open(kComponentOpenSelect, ci.get());
    status = inComponent->entry(open.Params(), nullptr);
  }
  else
  {
    AudioComponentPlugInInterface* plugin =
        inComponent->factory ? inComponent->factory(&inComponent->desc) : nullptr;
    if (!plugin || !plugin->Open || !plugin->Close || !plugin->Lookup) return kAudio_MemFullError;
    ci->plugin = plugin;
    for (int s = 0; s < ComponentInstanceRecord::kMethodSlots; ++s)
      ci->methods[s] = plugin->Lookup(static_cast<SInt16>(s));
    for (int s = 0; s < ComponentInstanceRecord::kMusicSlots; ++s)
      ci->musicMethods[s] = plugin->Lookup(static_cast<SInt16>(0x100 + s));
    status = plugin->Open(plugin, ci.get());
  }
  // A component whose Open failed was never opened: nothing to close.
  if (status != noErr) return status;
  *outInstance = ci.release();
  return noErr;
}

OSStatus AudioComponentInstanceDispose(AudioComponentInstance inInstance)
{
  if (!qorvcomponent::IsValid(inInstance)) return badComponentInstance;
  OSStatus status;
  if (IsEntryDoor(inInstance))
  {
    qorvplatform::ComponentCall<0> close(kComponentCloseSelect, inInstance);
    status = inInstance->component->entry(close.Params(), inInstance->storage);
  }
  else
    status = inInstance->plugin->Close(inInstance->plugin);
  inInstance->magic = 0;
  delete inInstance;
  return status;
}

AudioComponent AudioComponentRegister(const AudioComponentDescription* inDesc, CFStringRef inName,
                                      UInt32 inVersion, AudioComponentFactoryFunction inFactory)
{
  if (!inDesc || !inFactory) return nullptr;
  auto c = std::make_unique<OpaqueAudioComponent>();
  c->desc = *inDesc;
  const char* name = CFStringGetCStringPtr(inName, kCFStringEncodingUTF8);
  c->name = name ? name : "";
  c->version = inVersion;
  c->door = qorvplatform::ComponentDoor::Factory;
  c->factory = inFactory;
  return Add(std::move(c));
}

Handle GetComponentInstanceStorage(ComponentInstance aComponentInstance)
{
  if (!qorvcomponent::IsValid(aComponentInstance)) return nullptr;
  if (aComponentInstance->storageSet) return aComponentInstance->storage;
  return reinterpret_cast<Handle>(aComponentInstance->plugin);
}

void SetComponentInstanceStorage(ComponentInstance aComponentInstance, Handle theStorage)
{
  if (!qorvcomponent::IsValid(aComponentInstance)) return;
  aComponentInstance->storage = theStorage;
  aComponentInstance->storageSet = true;
}

long ComponentFunctionImplemented(ComponentInstance ci, SInt16 ftnNumber)
{
  if (!qorvcomponent::IsValid(ci)) return 0;
  if (IsEntryDoor(ci))
  {
    qorvplatform::ComponentCall<1> canDo(kComponentCanDoSelect, ci);
    canDo.Set<SInt16>(0, ftnNumber);
    return ci->component->entry(canDo.Params(), ci->storage);
  }
  return ci->plugin->Lookup(ftnNumber) != nullptr ? 1 : 0;
}

long GetComponentVersion(ComponentInstance aComponentInstance)
{
  if (!qorvcomponent::IsValid(aComponentInstance)) return badComponentInstance;
  if (IsEntryDoor(aComponentInstance))
  {
    qorvplatform::ComponentCall<0> version(kComponentVersionSelect, aComponentInstance);
    return aComponentInstance->component->entry(version.Params(), aComponentInstance->storage);
  }
  return static_cast<long>(aComponentInstance->component->version);
}

namespace qorvplatform
{
OSType FourCharCodeFromString(const char* text)
{
  if (!text || std::strlen(text) != 4) return 0;
  OSType code = 0;
  for (int i = 0; i < 4; ++i)
    code = (code << 8) | static_cast<unsigned char>(text[i]);
  return code;
}

AudioComponent RegisterComponentEntry(const AudioComponentDescription& desc, const char* name, UInt32 version,
                                      ComponentRoutineProcPtr entry)
{
  if (!entry) return nullptr;
  auto c = std::make_unique<OpaqueAudioComponent>();
  c->desc = desc;
  c->name = name ? name : "";
  c->version = version;
  c->door = ComponentDoor::EntryFunction;
  c->entry = entry;
  return Add(std::move(c));
}

AudioComponent LoadComponentLibrary(const char* libraryPath, const char* functionName, ComponentDoor door,
                                    const AudioComponentDescription& desc, const char* name, UInt32 version,
                                    std::string* error)
{
  if (!libraryPath || !functionName) return Fail(error, "no library or function name given"), nullptr;
  void* library = dlopen(libraryPath, RTLD_NOW | RTLD_LOCAL);
  if (!library)
  {
    const char* why = dlerror();
    return Fail(error, std::string("cannot load ") + libraryPath + ": " + (why ? why : "unknown error")),
           nullptr;
  }
  void* function = dlsym(library, functionName);
  if (!function) return Fail(error, std::string(libraryPath) + " exports no " + functionName), nullptr;
  if (door == ComponentDoor::EntryFunction)
    return RegisterComponentEntry(desc, name, version, reinterpret_cast<ComponentRoutineProcPtr>(function));
  CFStringRef cfName = CFStringCreateWithCString(nullptr, name ? name : "", kCFStringEncodingUTF8);
  AudioComponent c = AudioComponentRegister(&desc, cfName, version,
                                            reinterpret_cast<AudioComponentFactoryFunction>(function));
  CFRelease(cfName);
  return c;
}

AudioComponent LoadComponentBundle(const char* bundlePath, ComponentDoor door, std::string* error)
{
  CFBundleRef bundle = RegisterBundle(bundlePath);
  if (!bundle)
    return Fail(error, std::string("no bundle at ") + (bundlePath ? bundlePath : "(null)")), nullptr;
  auto list = static_cast<CFArrayRef>(CFBundleGetValueForInfoDictionaryKey(bundle, CFSTR("AudioComponents")));
  auto entry = static_cast<CFDictionaryRef>(CFArrayGetValueAtIndex(list, 0));
  if (CFGetTypeID(list) != CFArrayGetTypeID() || CFGetTypeID(entry) != CFDictionaryGetTypeID())
    return Fail(error, "Info.plist lists no AudioComponents"), nullptr;
  auto text = [&](const char* key)
  {
    CFStringRef k = CFStringCreateWithCString(nullptr, key, kCFStringEncodingUTF8);
    const char* value = CFStringGetCStringPtr(static_cast<CFStringRef>(CFDictionaryGetValue(entry, k)),
                                              kCFStringEncodingUTF8);
    CFRelease(k);
    return std::string(value ? value : "");
  };
  AudioComponentDescription desc{};
  desc.componentType = FourCharCodeFromString(text("type").c_str());
  desc.componentSubType = FourCharCodeFromString(text("subtype").c_str());
  desc.componentManufacturer = FourCharCodeFromString(text("manufacturer").c_str());
  if (!desc.componentType || !desc.componentSubType || !desc.componentManufacturer)
    return Fail(error, "Info.plist gives no four-character type, subtype and manufacturer"), nullptr;
  SInt64 version = 0;
  CFNumberGetValue(static_cast<CFNumberRef>(CFDictionaryGetValue(entry, CFSTR("version"))),
                   kCFNumberSInt64Type, &version);
  std::string function = text(door == ComponentDoor::Factory ? "factoryFunction" : "entryFunction");
  if (function.empty()) return Fail(error, "Info.plist names no function for that door"), nullptr;
  CFURLRef executable = CFBundleCopyExecutableURL(bundle);
  char path[4096];
  bool havePath =
      CFURLGetFileSystemRepresentation(executable, true, reinterpret_cast<UInt8*>(path), sizeof path);
  CFRelease(executable);
  if (!havePath) return Fail(error, "Info.plist names no executable"), nullptr;
  return LoadComponentLibrary(path, function.c_str(), door, desc, text("name").c_str(),
                              static_cast<UInt32>(version), error);
}

ComponentDoor GetComponentDoor(AudioComponent component)
{
  return component ? component->door : ComponentDoor::EntryFunction;
}

void UnregisterComponent(AudioComponent component)
{
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  if (component) component->registered = false;
}
} // namespace qorvplatform
