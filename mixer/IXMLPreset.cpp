#include "mixer/IXMLPreset.h"

#include "framework/AtomicFile.h"
#include "framework/IPluginBase.h"
#include "mixer/IXMLParameters.h"
#include "mixer/PresetXmlTree.h"

#include <cstdio>

#include <tinyxml.h>

namespace iplugin
{
void PresetFilePath(StringBuf& path, const char* folder, const char* name)
{
  path.Set(folder ? folder : "");
  path.Append("/");
  path.Append(name);
  path.Append(".qxs");
}

bool IXMLPreset::WritePresetFile(const IPluginBase& plug, const char* path, const char* presetName,
                                 bool filter, bool withData, const char* dataText) const
{
  TiXmlDocument doc;
  PresetXmlWriteOptions options;
  options.presetName = presetName;
  options.nameOverride = mOverrideName.Get();
  options.versionOverride = mOverrideVersion.Get();
  options.onlyKeys = filter ? ActiveKeys() : nullptr;
  options.dataText = withData ? (dataText ? dataText : "") : nullptr;
  BuildPresetXmlTree(doc, plug, options);

  AtomicFile file;
  FILE* f = file.Open(path) ? file.Stream() : nullptr;
  return f && doc.SaveFile(f) && file.Commit();
}

bool IXMLPreset::SaveDefaultPreset(const IPluginBase& plug, const char* folder) const
{
  StringBuf path;
  PresetFilePath(path, folder, "default");
  return WritePresetFile(plug, path.Get(), "Init");
}

bool IXMLPreset::ReadChecked(const IPluginBase& plug, const char* path, PresetXmlContent& content) const
{
  TiXmlDocument doc;
  return LoadPresetXmlFile(path, doc) &&
         ReadPresetXmlTree(doc, plug, mAltNamesOn ? mAltNames : nullptr, content);
}

bool IXMLPreset::LoadPresetFileAndApply(IPluginBase& plug, const char* path, StringBuf* outName, bool startup,
                                        bool testOnly, bool filter, bool withData, StringBuf* outData) const
{
  PresetXmlContent content;
  if (!ReadChecked(plug, path, content)) return false;
  if (outName) outName->Set(content.presetName.Get());
  if (withData && outData && content.hasData) outData->Set(content.data.Get());
  if (testOnly) return true;

  if (const PresetParamKey* keys = ActiveKeys())
    for (const PresetParamKey* k = keys; k->mParamIdx != PresetParamKey::kEndIdx; ++k)
      if (IParam* p = plug.GetParam(int(k->mParamIdx))) p->SetToDefault();
  ApplyPresetValues(plug, content.values, filter ? ActiveKeys() : nullptr);

  const char* name = content.presetName.Get();
  plug.ModifyCurrentPreset(name);
  if (startup) return true;
  plug.RestorePreset(plug.GetCurrentPresetIdx());
  plug.ModifyCurrentPreset(name);
  plug.NotifyPresentPresetChanged();
  return true;
}

bool IXMLPreset::IsAcceptablePresetFile(const IPluginBase& plug, const char* path) const
{
  PresetXmlContent content;
  return ReadChecked(plug, path, content);
}

bool IXMLPreset::ReadPresetFile(const IPluginBase& plug, const char* path, double* values, StringBuf* outName,
                                bool filter) const
{
  PresetXmlContent content;
  if (!values || !ReadChecked(plug, path, content)) return false;
  if (outName) outName->Set(content.presetName.Get());
  const PresetParamKey* keys = ActiveKeys();
  if (keys)
    for (const PresetParamKey* k = keys; k->mParamIdx != PresetParamKey::kEndIdx; ++k)
      if (const IParam* p = plug.GetParam(int(k->mParamIdx))) values[k->mParamIdx] = p->GetDefault();
  for (const NamedParamValue& v : content.values)
    if (!(filter && keys) || PresetParamKeysContain(keys, v.paramIdx)) values[v.paramIdx] = v.value;
  return true;
}

bool IXMLPreset::LoadDefaultPreset(IPluginBase& plug, const char* folder, bool filter, bool withData,
                                   StringBuf* outData) const
{
  StringBuf path, name;
  PresetFilePath(path, folder, "default");
  return LoadPresetFileAndApply(plug, path.Get(), &name, true, false, filter, withData, outData);
}

bool IXMLPreset::LoadPresetFileToSlot(const IPluginBase& plug, IPreset& record, const char* path,
                                      bool filter) const
{
  record.mInitialized = true;
  std::vector<double> values = UnsetPresetValues(plug);
  StringBuf name;
  const bool read = ReadPresetFile(plug, path, values.data(), &name, filter);
  DefaultUnsetPresetValues(plug, values);
  record.SetName(name.Get());
  return IXMLParameters::WriteStateChunk(plug, record.mChunk, values.data(), record.mName) && read;
}
} // namespace iplugin
