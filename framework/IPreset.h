// One preset record, owned by the plug-in's preset list.
#pragma once

#include "framework/BoundedCopy.h"
#include "framework/ByteChunk.h"

namespace iplugin
{
struct IPreset
{
  static constexpr int kNameLen = 256;

  bool mInitialized = false;
  char mName[kNameLen] = "empty";
  ByteChunk mChunk; // the state bytes, as the plug-in's SerializeState writes them

  void SetName(const char* name) { CopyBounded(mName, name); }
};
} // namespace iplugin
