// The plug-in's data folders: "Qorv" in the user's Application Support folder (user presets and the
// settings file "plugin.ini") and its sub-folder "AU" (the default preset). Main thread.
#pragma once

#include "framework/StringBuf.h"

#include <cstdint>

namespace iplugin
{
class IPluginBase;

class IMPlugPaths
{
public:
  explicit IMPlugPaths(IPluginBase* plug) : mPlug(plug) {}

  // Builds both paths and creates each folder that does not exist, missing parents included, with the
  // user's file-creation mask. False when a folder cannot be created; its path stays in place.
  bool CreatePluginFolders();
  // The value of the last line of "plugin.ini" that reads key=integer, or defaultValue when the file
  // cannot be opened or no line matches. The section is not used.
  int32_t ReadIniInt(const char* section, const char* key, int32_t defaultValue) const;

  const char* DataFolder() const { return mDataFolder.Get(); }
  const char* AUFolder() const { return mAUFolder.Get(); }

protected:
  IPluginBase* mPlug;
  StringBuf mDataFolder;
  StringBuf mAUFolder;
};
} // namespace iplugin
