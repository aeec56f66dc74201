// Size bookkeeping shared by every property request of the Audio Unit binding (internal to framework/au).
// Without a data pointer only the size is reported; with one, the caller's size must hold the property,
// and is then set to the size copied.
#pragma once

#include <AudioUnit/AudioUnit.h>

#include <cstring>

namespace iplugin
{
enum class ESizeCheck
{
  kInfoOnly,
  kCopy,
  kTooSmall
};

inline ESizeCheck CheckSize(UInt32* pDataSize, UInt32 size, const void* pData)
{
  if (!pData)
  {
    *pDataSize = size;
    return ESizeCheck::kInfoOnly;
  }
  if (*pDataSize < size) return ESizeCheck::kTooSmall;
  *pDataSize = size;
  return ESizeCheck::kCopy;
}

// The status of a property call that copies nothing: none for an info request, else too little room.
inline OSStatus Answer(ESizeCheck check)
{
  return check == ESizeCheck::kTooSmall ? OSStatus(kAudioUnitErr_InvalidPropertyValue) : OSStatus(noErr);
}

// A fixed-size property whose value make() returns: made only when the caller's room holds it, since
// making it may allocate (a CFString, say).
template <class Make> OSStatus CopyPropertyValue(UInt32* pDataSize, void* pData, Make make)
{
  using T = decltype(make());
  if (const ESizeCheck c = CheckSize(pDataSize, sizeof(T), pData); c != ESizeCheck::kCopy) return Answer(c);
  const T value = make();
  std::memcpy(pData, &value, sizeof value);
  return noErr;
}

// A fixed-size property record of type T that fill(record) completes in the caller's room (the record
// may carry the request too); fill answers the status.
template <class T, class Fill> OSStatus FillPropertyRecord(UInt32* pDataSize, void* pData, Fill fill)
{
  if (const ESizeCheck c = CheckSize(pDataSize, sizeof(T), pData); c != ESizeCheck::kCopy) return Answer(c);
  return fill(*static_cast<T*>(pData));
}

// A property request's room and writable flag, for answers in one line.
struct PropertyReply
{
  AudioUnitScope scope;
  AudioUnitElement element;
  UInt32* pDataSize;
  Boolean* pWriteable;
  void* pData;

  bool Global() const { return scope == kAudioUnitScope_Global; }
  // A fixed-size property: its writable flag, then its value, which make() returns.
  template <class Make> OSStatus Value(bool writeable, Make make) const
  {
    if (writeable) *pWriteable = true;
    return CopyPropertyValue(pDataSize, pData, make);
  }
  // A property the host sets: its size and writable flag only.
  OSStatus Room(UInt32 size, bool writeable) const
  {
    if (writeable) *pWriteable = true;
    return Answer(CheckSize(pDataSize, size, pData));
  }
};
} // namespace iplugin
