#include "mixer/PresetLists.h"

#include "framework/IPluginBase.h"
#include "mixer/IXMLParameters.h"
#include "mixer/IXMLPreset.h"
#include "mixer/PresetXmlTree.h"

#include <cstdlib>
#include <cstring>

#include <dirent.h>
#include <sys/stat.h>

namespace iplugin
{
bool PresetLists::FillPresetFromNamedParams(const IPluginBase& plug, IPreset& record, const char* name,
                                            const NamedParamValue* pairs, int n)
{
  record.mInitialized = true;
  record.SetName(name);
  std::vector<double> values = UnsetPresetValues(plug);
  for (int i = 0; pairs && i < n; ++i)
  {
    const IParam* p = plug.GetParam(pairs[i].paramIdx);
    if (!p) continue;
    // Boolean, integer and enumerated parameters take whole numbers.
    const bool whole =
        p->Type() == IParam::kTypeBool || p->Type() == IParam::kTypeInt || p->Type() == IParam::kTypeEnum;
    values[size_t(pairs[i].paramIdx)] = whole ? double(int(pairs[i].value)) : pairs[i].value;
  }
  DefaultUnsetPresetValues(plug, values);
  return IXMLParameters::WriteStateChunk(plug, record.mChunk, values.data(), record.mName);
}

bool PresetLists::MakePresetFromNamedParams(IPluginBase& plug, const char* name, const NamedParamValue* pairs,
                                            int n)
{
  IPreset* record = nullptr;
  if (mDynamicPresets)
  {
    record = mFactoryPresets.AddOwned(new IPreset);
    if (!record) return false;
  }
  else
    record = FirstUnusedPreset(plug);
  return record && FillPresetFromNamedParams(plug, *record, name, pairs, n);
}

bool PresetLists::CopyPresetToSlot(IPluginBase& plug, const IPreset& source, int idx)
{
  IPreset* slot = plug.GetPreset(idx);
  if (!slot) return false;
  slot->mChunk.Clear();
  const bool copied = slot->mChunk.PutChunk(&source.mChunk) == source.mChunk.Size();
  slot->mInitialized = true;
  slot->SetName(source.mName);
  return copied;
}

IPreset* PresetLists::FirstUnusedPreset(const IPluginBase& plug)
{
  for (int i = 0; i < plug.NPresets(); ++i)
    if (!plug.GetPreset(i)->mInitialized) return plug.GetPreset(i);
  return nullptr;
}

void PresetLists::RebuildUserPresetList(const IPluginBase& plug, const IXMLPreset& xml, const char* folder,
                                        bool filter)
{
  mUserPresets.Empty(true);
  const char* dir = folder ? folder : "";
  dirent** entries = nullptr;
  const int n = scandir(dir, &entries, nullptr, alphasort);
  if (n < 0) return;

  StringBuf path;
  for (int i = 0; i < n; ++i)
  {
    const char* name = entries[i]->d_name;
    path.Set(dir);
    path.Append("/");
    path.Append(name);
    struct stat st;
    // lstat: a symbolic link is not a regular file of the folder.
    const bool regular = lstat(path.Get(), &st) == 0 && S_ISREG(st.st_mode);
    if (n >= 2 && regular && std::strstr(name, ".qxs") && xml.IsAcceptablePresetFile(plug, path.Get()))
    {
      auto* record = new IPreset;
      xml.LoadPresetFileToSlot(plug, *record, path.Get(), filter);
      mUserPresets.AddOwned(record);
    }
    std::free(entries[i]);
  }
  std::free(entries);
}

int PresetLists::MakeFactoryPresets(IPluginBase& plug)
{
  FillPresetFromNamedParams(plug, mInitPreset, "Init", nullptr, 0);
  MakePresetFromNamedParams(plug, "Init", nullptr, 0);
  if (mDynamicPresets) CopyPresetToSlot(plug, mInitPreset, 0);
  static constexpr struct
  {
    const char* name;
    int mixMode;
    double strength;
  } kMixing[] = {{"Normal Mixing", 0, 0.0},
                 {"Auto Mixing", 1, 0.5},
                 {"Auto Balanced Mixing", 2, 0.0},
                 {"Prio Mixing", 3, 0.0}};
  NamedParamValue pairs[kMixingPresetPairs];
  for (const auto& preset : kMixing)
  {
    const int n = MixingPresetPairs(preset.mixMode, preset.strength, pairs, kMixingPresetPairs);
    MakePresetFromNamedParams(plug, preset.name, pairs, n);
  }
  return 5;
}

void PresetLists::DestroyPresetLists()
{
  mFactoryPresets.Empty(true);
  mUserPresets.Empty(true);
  FreePresetChunk(mInitPreset);
}
} // namespace iplugin
