// Preset files (".qxs", an XML document rooted at "PresetXMLTree"): writing the current values,
// reading into a value array, and reading and applying. A file is read and checked whole before
// anything is applied, so a bad file changes nothing. Main thread.
#pragma once

#include "framework/IPreset.h"
#include "framework/StringBuf.h"
#include "mixer/PresetParamKey.h"

namespace iplugin
{
class IPluginBase;

class IXMLPreset
{
public:
  // When not empty, written as "PluginName" and "PluginVersion" instead of the plug-in's own.
  StringBuf mOverrideName;
  StringBuf mOverrideVersion;
  // The preset-relevant parameters and whether that list is in force.
  const PresetParamKey* mFilterKeys = nullptr;
  bool mFilterOn = false;
  // Further "PluginName" texts accepted from files (null-terminated list) and whether it is consulted.
  const char* const* mAltNames = nullptr;
  bool mAltNamesOn = false;

  // Writes the current values under presetName to path through a new file renamed over the old one;
  // with filter (and the list in force) only the listed parameters, with withData a "Data" element.
  // False when the file cannot be written; the old file is then as it was.
  bool WritePresetFile(const IPluginBase& plug, const char* path, const char* presetName, bool filter = false,
                       bool withData = false, const char* dataText = nullptr) const;
  // folder + "/default.qxs", the current values as preset "Init".
  bool SaveDefaultPreset(const IPluginBase& plug, const char* folder) const;

  // Reads and checks the whole file; false changes nothing. With testOnly that is all. Otherwise the
  // listed parameters (when the list is in force) go back to their defaults, the file's values are
  // applied (with filter, only listed ones) and the current preset record takes the state and the
  // file's preset name; unless at start-up, the record is then restored, which passes every parameter
  // to the handler, and the host is told.
  bool LoadPresetFileAndApply(IPluginBase& plug, const char* path, StringBuf* outName = nullptr,
                              bool startup = false, bool testOnly = false, bool filter = false,
                              bool withData = false, StringBuf* outData = nullptr) const;
  // Whether the file passes every check (LoadPresetFileAndApply in test-only mode).
  bool IsAcceptablePresetFile(const IPluginBase& plug, const char* path) const;
  // The same checks, the values written into values (one per parameter, as read, not constrained);
  // entries the file does not name keep their contents, except that listed ones (list in force) first
  // take their defaults. Nothing is written when the file fails.
  bool ReadPresetFile(const IPluginBase& plug, const char* path, double* values, StringBuf* outName = nullptr,
                      bool filter = false) const;
  // folder + "/default.qxs" through LoadPresetFileAndApply at start-up.
  bool LoadDefaultPreset(IPluginBase& plug, const char* folder, bool filter = false, bool withData = false,
                         StringBuf* outData = nullptr) const;
  // Fills record from the file: initialised, the file's preset name ("" without one), and a state chunk
  // of the file's values with every other parameter at its default.
  bool LoadPresetFileToSlot(const IPluginBase& plug, IPreset& record, const char* path,
                            bool filter = false) const;

private:
  bool ReadChecked(const IPluginBase& plug, const char* path, struct PresetXmlContent& content) const;
  const PresetParamKey* ActiveKeys() const { return mFilterOn ? mFilterKeys : nullptr; }
};

// folder + "/" + name + ".qxs"; an empty folder gives "/name.qxs".
void PresetFilePath(StringBuf& path, const char* folder, const char* name);
} // namespace iplugin
