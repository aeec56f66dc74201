// The ClassInfo state of the Audio Unit binding and the factory preset array.
#include "framework/au/AUPresetRecord.h"
#include "framework/au/IPluginAU.h"

#include <cstring>
#include <string>

namespace iplugin
{
namespace
{
// The dictionary's "name" is read into a buffer of this size, cut at a whole UTF-8 character.
constexpr int kClassInfoNameSize = 64;

CFStringRef MakeKey(const char* key)
{
  return CFStringCreateWithCString(kCFAllocatorDefault, key, kCFStringEncodingUTF8);
}

// The value under key when it is of the given type, else null.
CFTypeRef GetTyped(CFDictionaryRef dict, const char* key, CFTypeID type)
{
  CFStringRef k = MakeKey(key);
  CFTypeRef value = k ? CFDictionaryGetValue(dict, k) : nullptr;
  if (k) CFRelease(k);
  return value && CFGetTypeID(value) == type ? value : nullptr;
}

bool GetClassInfoInt(CFDictionaryRef dict, const char* key, SInt32& value)
{
  auto number = CFNumberRef(GetTyped(dict, key, CFNumberGetTypeID()));
  return number && CFNumberGetValue(number, kCFNumberSInt32Type, &value);
}

void SetClassInfoInt(CFMutableDictionaryRef dict, const char* key, SInt32 value)
{
  CFStringRef k = MakeKey(key);
  CFNumberRef number = CFNumberCreate(kCFAllocatorDefault, kCFNumberSInt32Type, &value);
  if (k && number) CFDictionarySetValue(dict, k, number);
  if (number) CFRelease(number);
  if (k) CFRelease(k);
}

std::string Utf8Of(CFStringRef s)
{
  const CFIndex max = CFStringGetMaximumSizeForEncoding(CFStringGetLength(s), kCFStringEncodingUTF8) + 1;
  std::string text(size_t(max > 0 ? max : 1), '\0');
  if (!CFStringGetCString(s, text.data(), CFIndex(text.size()), kCFStringEncodingUTF8)) return {};
  text.resize(std::strlen(text.c_str()));
  return text;
}
} // namespace

void IPluginAU::SetClassInfoString(CFMutableDictionaryRef dict, const char* key, const char* value)
{
  CFStringRef k = MakeKey(key);
  CFStringRef v = CFStringCreateWithCString(kCFAllocatorDefault, value ? value : "", kCFStringEncodingUTF8);
  if (k && v) CFDictionarySetValue(dict, k, v);
  if (v) CFRelease(v);
  if (k) CFRelease(k);
}

bool IPluginAU::GetClassInfoName(CFDictionaryRef dict, const char* key, char* dest, int size)
{
  if (size <= 0) return false;
  dest[0] = '\0';
  auto s = CFStringRef(GetTyped(dict, key, CFStringGetTypeID()));
  if (!s) return false;
  const std::string text = Utf8Of(s);
  size_t n = std::min(text.size(), size_t(size - 1));
  while (n > 0 && n < text.size() && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80)
    --n; // never cut a character in two
  std::memcpy(dest, text.data(), n);
  dest[n] = '\0';
  return true;
}

bool IPluginAU::GetClassInfoData(CFDictionaryRef dict, const char* key, ByteChunk& chunk)
{
  auto data = CFDataRef(GetTyped(dict, key, CFDataGetTypeID()));
  if (!data) return false;
  const CFIndex n = CFDataGetLength(data);
  if (n < 0 || n > INT32_MAX) return false;
  chunk.Resize(0);
  return n == 0 || chunk.PutBytes(CFDataGetBytePtr(data), int(n)) == int(n);
}

OSStatus IPluginAU::SaveStateToClassInfo(CFPropertyListRef* ppPropList)
{
  if (!ppPropList) return kAudio_ParamError;
  CFMutableDictionaryRef dict = CFDictionaryCreateMutable(
      kCFAllocatorDefault, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
  if (!dict) return coreFoundationUnknownErr;

  SetClassInfoInt(dict, "version", SInt32(GetPluginVersion(false)));
  SetClassInfoInt(dict, "type", SInt32(GetAUPluginType()));
  SetClassInfoInt(dict, "subtype", SInt32(GetUniqueID()));
  SetClassInfoInt(dict, "manufacturer", SInt32(GetMfrID()));
  SetClassInfoString(dict, "name", GetPresetName(GetCurrentPresetIdx()));

  ByteChunk chunk;
  if (SerializeState(chunk))
  {
    CFDataRef data = CFDataCreate(kCFAllocatorDefault, chunk.GetData(), chunk.Size());
    CFStringRef k = MakeKey("data");
    if (data && k) CFDictionarySetValue(dict, k, data);
    if (k) CFRelease(k);
    if (data) CFRelease(data);
  }
  *ppPropList = dict;
  return noErr;
}

OSStatus IPluginAU::RestoreStateFromClassInfo(CFPropertyListRef pPropList)
{
  if (!pPropList || CFGetTypeID(pPropList) != CFDictionaryGetTypeID())
    return kAudioUnitErr_InvalidPropertyValue;
  auto dict = CFDictionaryRef(pPropList);

  // Everything is checked before anything changes.
  SInt32 version, type, subtype, manufacturer;
  if (!GetClassInfoInt(dict, "version", version) || !GetClassInfoInt(dict, "type", type) ||
      !GetClassInfoInt(dict, "subtype", subtype) || !GetClassInfoInt(dict, "manufacturer", manufacturer))
    return kAudioUnitErr_InvalidPropertyValue;
  char name[kClassInfoNameSize];
  if (!GetClassInfoName(dict, "name", name, sizeof name)) return kAudioUnitErr_InvalidPropertyValue;
  if (UInt32(type) != GetAUPluginType() || subtype != GetUniqueID() || manufacturer != GetMfrID())
    return kAudioUnitErr_InvalidPropertyValue;
  ByteChunk data;
  if (!GetClassInfoData(dict, "data", data)) return kAudioUnitErr_InvalidPropertyValue;

  // The plug-in may still refuse the state; then the instance goes back to what it was.
  ByteChunk before;
  const bool saved = SerializeState(before);
  const int presetBefore = GetCurrentPresetIdx();

  RestorePresetByName(name);
  if (UnserializeState(data, 0) <= 0)
  {
    if (saved) UnserializeState(before, 0);
    mCurrentPresetIdx = presetBefore;
    return kAudioUnitErr_InvalidPropertyValue;
  }
  HandleRestoreState();
  return noErr;
}

CFMutableArrayRef IPluginAU::CreateFactoryPresetArray() const
{
  const int n = NHostPresets();
  CFMutableArrayRef array = CFArrayCreateMutable(kCFAllocatorDefault, n, &kAUPresetArrayCallBacks);
  if (!array) return nullptr;
  for (int i = 0; i < n; ++i)
  {
    CFStringRef name =
        CFStringCreateWithCString(kCFAllocatorDefault, GetHostPresetName(i), kCFStringEncodingUTF8);
    if (AUPresetRecord* record = AUPresetCreate(kCFAllocatorDefault, SInt32(i), name))
    {
      CFArrayAppendValue(array, record);
      AUPresetRelease(record);
    }
    if (name) CFRelease(name);
  }
  return array;
}
} // namespace iplugin
