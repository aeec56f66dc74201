#include "host/StateFiles.h"

#include "host/CFText.h"
#include "host/InputFiles.h"
#include "host/ParameterList.h"
#include "host/PresetDocument.h"

#include <CoreFoundation/CoreFoundation.h>

#include <cstring>
#include <iterator>

namespace qorvhost
{
namespace
{
// Preset files are small; anything larger is no preset of ours.
constexpr size_t kMaxFileBytes = 64u << 20;

bool ReadFile(const std::string& path, std::string& bytes, std::string& error)
{
  std::string why;
  switch (ReadInputFile(path, InputKind::kPresetOrState, kMaxFileBytes, bytes, why))
  {
  case InputRead::kDone:
    return true;
  case InputRead::kTooLarge:
    error = path + ": not a preset or state file (too large)";
    return false;
  case InputRead::kFailed:
    break;
  }
  error = path + ": cannot read (" + why + ")";
  return false;
}

std::string Status(const char* what, OSStatus status)
{
  return std::string(what) + " (status " + std::to_string(status) + ")";
}

CFPropertyListRef CopyClassInfo(AudioUnit unit, std::string& error)
{
  CFPropertyListRef plist = nullptr;
  UInt32 size = sizeof plist;
  const OSStatus status =
      AudioUnitGetProperty(unit, kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0, &plist, &size);
  if (status != noErr || !plist)
  {
    error = Status("the plug-in gave no state", status);
    return nullptr;
  }
  return plist;
}

bool SetClassInfo(AudioUnit unit, CFPropertyListRef plist, std::string& error)
{
  const OSStatus status = AudioUnitSetProperty(unit, kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0,
                                               &plist, sizeof plist);
  if (status != noErr)
  {
    error = Status("the plug-in refused the state", status);
    return false;
  }
  return true;
}

// Every parameter's default, by index, as the instance describes it.
std::vector<double> ParameterDefaults(AudioUnit unit)
{
  std::vector<double> defaults;
  for (AudioUnitParameterID id : ParameterIds(unit))
  {
    AudioUnitParameterInfo info = {};
    UInt32 infoSize = sizeof info;
    if (AudioUnitGetProperty(unit, kAudioUnitProperty_ParameterInfo, kAudioUnitScope_Global, id, &info,
                             &infoSize) != noErr)
      continue;
    if (info.cfNameString && (info.flags & kAudioUnitParameterFlag_CFNameRelease))
      CFRelease(info.cfNameString);
    if (info.unitName) CFRelease(info.unitName);
    if (id >= defaults.size()) defaults.resize(size_t(id) + 1, 0.0);
    defaults[id] = double(info.defaultValue);
  }
  return defaults;
}

void PutLE32(std::vector<unsigned char>& out, uint32_t v)
{
  for (int i = 0; i < 4; ++i)
    out.push_back(static_cast<unsigned char>(v >> (8 * i)));
}

// Byte by byte: gcc 12 takes a list inserted after the pushes for a write past the vector's end.
void PutTag(std::vector<unsigned char>& out, const char* tag)
{
  for (; *tag; ++tag)
    out.push_back(static_cast<unsigned char>(*tag));
}

uint32_t GetLE32(const unsigned char* p)
{
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

} // namespace

std::vector<unsigned char> WrapStateChunk(const std::string& document)
{
  // "RIFF" A 1 "QXCM" "QXCS" B 1 L text [pad]; B = 8 + L, A counts from offset 8 with the pad.
  const uint32_t l = uint32_t(document.size());
  const uint32_t b = 8 + l;
  const uint32_t pad = b & 1u;
  std::vector<unsigned char> out;
  PutTag(out, "RIFF");
  PutLE32(out, 16 + b + pad);
  PutLE32(out, 1);
  PutTag(out, "QXCMQXCS");
  PutLE32(out, b);
  PutLE32(out, 1);
  PutLE32(out, l);
  out.insert(out.end(), document.begin(), document.end());
  if (pad) out.push_back(0);
  return out;
}

bool UnwrapStateChunk(const unsigned char* bytes, size_t size, std::string& document)
{
  if (!bytes || size < 32 || std::memcmp(bytes, "RIFF", 4) != 0 ||
      std::memcmp(bytes + 12, "QXCMQXCS", 8) != 0)
    return false;
  const uint32_t l = GetLE32(bytes + 28);
  if (l > size - 32) return false;
  document.assign(reinterpret_cast<const char*>(bytes + 32), l);
  return true;
}

bool StateFileBytes(AudioUnit unit, std::string& bytes, std::string& error)
{
  CFPropertyListRef plist = CopyClassInfo(unit, error);
  if (!plist) return false;
  CFDataRef data =
      CFPropertyListCreateData(kCFAllocatorDefault, plist, kCFPropertyListXMLFormat_v1_0, 0, nullptr);
  CFRelease(plist);
  if (!data)
  {
    error = "the plug-in's state is no property list";
    return false;
  }
  bytes.assign(reinterpret_cast<const char*>(CFDataGetBytePtr(data)), size_t(CFDataGetLength(data)));
  CFRelease(data);
  return true;
}

bool RestoreStateFile(AudioUnit unit, const std::string& path, std::string& error)
{
  std::string bytes;
  if (!ReadFile(path, bytes, error)) return false;
  CFDataRef data =
      CFDataCreate(kCFAllocatorDefault, reinterpret_cast<const UInt8*>(bytes.data()), CFIndex(bytes.size()));
  CFPropertyListRef plist = data ? CFPropertyListCreateWithData(kCFAllocatorDefault, data,
                                                                kCFPropertyListImmutable, nullptr, nullptr)
                                 : nullptr;
  if (data) CFRelease(data);
  if (!plist)
  {
    error = path + ": not a property list";
    return false;
  }
  const bool ok = SetClassInfo(unit, plist, error);
  CFRelease(plist);
  if (!ok) error = path + ": " + error;
  return ok;
}

std::vector<std::string> FactoryPresetNames(AudioUnit unit)
{
  std::vector<std::string> names;
  CFArrayRef presets = nullptr;
  UInt32 size = sizeof presets;
  if (AudioUnitGetProperty(unit, kAudioUnitProperty_FactoryPresets, kAudioUnitScope_Global, 0, &presets,
                           &size) != noErr ||
      !presets)
    return names;
  for (CFIndex i = 0; i < CFArrayGetCount(presets); ++i)
  {
    const auto* preset = static_cast<const AUPreset*>(CFArrayGetValueAtIndex(presets, i));
    names.push_back(preset ? Text(preset->presetName) : "");
  }
  CFRelease(presets);
  return names;
}

bool SelectFactoryPreset(AudioUnit unit, const std::string& name, std::string& error)
{
  CFArrayRef presets = nullptr;
  UInt32 size = sizeof presets;
  if (AudioUnitGetProperty(unit, kAudioUnitProperty_FactoryPresets, kAudioUnitScope_Global, 0, &presets,
                           &size) != noErr ||
      !presets)
  {
    error = "the plug-in has no factory presets";
    return false;
  }
  std::string known;
  bool found = false;
  AUPreset chosen = {};
  for (CFIndex i = 0; i < CFArrayGetCount(presets); ++i)
  {
    const auto* preset = static_cast<const AUPreset*>(CFArrayGetValueAtIndex(presets, i));
    if (!preset) continue;
    const std::string presetName = Text(preset->presetName);
    known += (known.empty() ? "\"" : ", \"") + presetName + "\"";
    if (!found && presetName == name)
    {
      chosen = *preset;
      found = true;
    }
  }
  OSStatus status = noErr;
  if (found)
    status = AudioUnitSetProperty(unit, kAudioUnitProperty_PresentPreset, kAudioUnitScope_Global, 0, &chosen,
                                  sizeof chosen);
  CFRelease(presets);
  if (!found)
  {
    error = "no factory preset named \"" + name + "\" (" + known + ")";
    return false;
  }
  if (status != noErr)
  {
    error = Status(("the plug-in refused the factory preset \"" + name + "\"").c_str(), status);
    return false;
  }
  return true;
}

bool ApplyPresetFile(AudioUnit unit, const std::string& path, std::string& error)
{
  std::string file;
  if (!ReadFile(path, file, error)) return false;
  CFPropertyListRef current = CopyClassInfo(unit, error);
  if (!current) return false;
  CFMutableDictionaryRef info =
      CFGetTypeID(current) == CFDictionaryGetTypeID()
          ? CFDictionaryCreateMutableCopy(kCFAllocatorDefault, 0, CFDictionaryRef(current))
          : nullptr;
  CFRelease(current);
  std::string state, merged, why;
  CFStringRef key = CFStringCreateWithCString(kCFAllocatorDefault, kAUPresetDataKey, kCFStringEncodingUTF8);
  const void* data = info ? CFDictionaryGetValue(info, key) : nullptr;
  if (!data || CFGetTypeID(data) != CFDataGetTypeID() ||
      !UnwrapStateChunk(CFDataGetBytePtr(CFDataRef(data)), size_t(CFDataGetLength(CFDataRef(data))), state))
  {
    CFRelease(key);
    if (info) CFRelease(info);
    error = "the plug-in's state holds no preset document";
    return false;
  }
  if (!MergePresetIntoState(file, state, ParameterDefaults(unit), merged, why))
  {
    CFRelease(key);
    CFRelease(info);
    error = path + ": not a preset of this plug-in (" + why + ")";
    return false;
  }
  const std::vector<unsigned char> chunk = WrapStateChunk(merged);
  CFDataRef bytes = CFDataCreate(kCFAllocatorDefault, chunk.data(), CFIndex(chunk.size()));
  CFDictionarySetValue(info, key, bytes);
  CFRelease(key);
  CFRelease(bytes);
  const bool ok = SetClassInfo(unit, info, error);
  CFRelease(info);
  if (!ok) error = path + ": not a preset of this plug-in (" + error + ")";
  return ok;
}

bool PresetDocumentFromState(AudioUnit unit, std::string& document, std::string& error)
{
  CFPropertyListRef info = CopyClassInfo(unit, error);
  if (!info) return false;
  CFStringRef key = CFStringCreateWithCString(kCFAllocatorDefault, kAUPresetDataKey, kCFStringEncodingUTF8);
  const void* value = nullptr;
  const bool has = CFGetTypeID(info) == CFDictionaryGetTypeID() &&
                   CFDictionaryGetValueIfPresent(CFDictionaryRef(info), key, &value) && value &&
                   CFGetTypeID(value) == CFDataGetTypeID();
  CFRelease(key);
  const bool ok = has && UnwrapStateChunk(CFDataGetBytePtr(CFDataRef(value)),
                                          size_t(CFDataGetLength(CFDataRef(value))), document);
  CFRelease(info);
  if (!ok)
  {
    error = "the plug-in's state holds no preset document";
    return false;
  }
  return true;
}
} // namespace qorvhost
