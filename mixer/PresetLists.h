// The mixer's own preset records beside the plug-in base's list: the factory presets, the user presets
// read from the data folder, and the "Init" record; and the operations that fill records from
// (index, value) pairs, from preset files and into the base's list. Main thread; the audio thread
// never reads a record.
#pragma once

#include "framework/IPreset.h"
#include "framework/PtrList.h"
#include "mixer/QorvParams.h"

namespace iplugin
{
class IPluginBase;
class IXMLPreset;

class PresetLists
{
public:
  PresetLists() = default;
  ~PresetLists() { DestroyPresetLists(); }
  PresetLists(const PresetLists&) = delete;
  PresetLists& operator=(const PresetLists&) = delete;

  // Marks record initialised, names it and appends a state chunk of the pairs (later pairs for the same
  // parameter win), every other parameter at its default.
  static bool FillPresetFromNamedParams(const IPluginBase& plug, IPreset& record, const char* name,
                                        const NamedParamValue* pairs, int n);
  // With the dynamic switch on appends a new factory record filled so; otherwise fills the base's first
  // uninitialised record (nothing when there is none).
  bool MakePresetFromNamedParams(IPluginBase& plug, const char* name, const NamedParamValue* pairs, int n);
  // The base's record at idx takes source's chunk, name (at most 255 characters) and initialised flag.
  static bool CopyPresetToSlot(IPluginBase& plug, const IPreset& source, int idx);
  static IPreset* FirstUnusedPreset(const IPluginBase& plug);

  // Empties the user list, then reads every acceptable preset file of folder, in name order: regular
  // files whose name holds ".qxs". Files that fail the reader's checks are left out.
  void RebuildUserPresetList(const IPluginBase& plug, const IXMLPreset& xml, const char* folder,
                             bool filter = false);

  // The factory presets: the own "Init" record, then "Init", "Normal Mixing", "Auto Mixing", "Auto
  // Balanced Mixing" and "Prio Mixing"; with the dynamic switch on, base record 0 becomes "Init".
  // Returns 5.
  int MakeFactoryPresets(IPluginBase& plug);

  void DestroyPresetLists();
  static void FreePresetChunk(IPreset& record) { record.mChunk.Resize(0); }

  int NFactoryPresets() const { return mFactoryPresets.Count(); }
  IPreset* GetFactoryPreset(int idx) const { return mFactoryPresets.Get(idx); }
  int NUserPresets() const { return mUserPresets.Count(); }
  IPreset* GetUserPreset(int idx) const { return mUserPresets.Get(idx); }

  PtrList<IPreset> mFactoryPresets{4096};
  PtrList<IPreset> mUserPresets{4096};
  IPreset mInitPreset;
  bool mDynamicPresets = false;
};
} // namespace iplugin
