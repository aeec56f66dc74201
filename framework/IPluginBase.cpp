#include "framework/IPluginBase.h"

#include "framework/Base64.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace iplugin
{
namespace
{
constexpr int kStrLimit = 128;

// Makes the record an initialised preset holding the state bytes under the name.
void FillPreset(IPreset& preset, const char* name, const ByteChunk& state)
{
  preset.mInitialized = true;
  preset.SetName(name);
  preset.mChunk.Clear();
  preset.mChunk.PutChunk(&state);
}
} // namespace

IPluginBase::IPluginBase(int nParams, int nPresets) : IGEditorDelegate(nParams)
{
  for (int i = 0; i < nPresets; ++i)
    AddPreset();
}

IPluginBase::~IPluginBase()
{
  mPresets.Empty(true);
}

// Identity ---------------------------------------------------------------------------------------------

int IPluginBase::VersionValue(int packed, bool decimal)
{
  if (!decimal) return packed;
  const int major = (packed >> 16) & 0xFFFF;
  const int minor = (packed >> 8) & 0xFF;
  const int patch = packed & 0xFF;
  return major * 1000 + minor * 100 + patch * 10;
}

void IPluginBase::VersionText(int packed, StringBuf& str)
{
  str.SetFormatted(32, "v%d.%d.%d", (packed >> 16) & 0xFFFF, (packed >> 8) & 0xFF, packed & 0xFF);
}

const char* IPluginBase::GetAPIStr() const
{
  static const char* const kNames[] = {"VST2", "VST3", "AU", "AUv3", "AAX", "APP", "WAM", "WEB"};
  return mAPI >= 0 && mAPI < int(sizeof kNames / sizeof kNames[0]) ? kNames[mAPI] : "";
}

void IPluginBase::GetBuildInfoStr(StringBuf& str, const char* date, const char* time) const
{
  StringBuf version;
  GetPluginVersionStr(version);
  str.SetFormatted(256, "%s version %s %s (%s), built on %s at %.5s ", GetPluginName(), version.Get(),
                   GetAPIStr(), GetArchStr(), date, time);
}

// Preset records --------------------------------------------------------------------------------------

IPreset* IPluginBase::AddPreset()
{
  return mPresets.AddOwned(new IPreset);
}

const char* IPluginBase::GetPresetName(int idx) const
{
  const IPreset* preset = mPresets.Get(idx);
  return preset ? preset->mName : "";
}

IPreset* IPluginBase::FirstUninitializedPreset() const
{
  for (int i = 0; i < NPresets(); ++i)
    if (!mPresets.Get(i)->mInitialized) return mPresets.Get(i);
  return nullptr;
}

void IPluginBase::PruneUninitializedPresets()
{
  for (int i = NPresets() - 1; i >= 0; --i)
    if (!mPresets.Get(i)->mInitialized) mPresets.Delete(i, true);
}

bool IPluginBase::RestorePreset(int idx)
{
  IPreset* preset = mPresets.Get(idx);
  if (!preset) return false;

  if (preset->mInitialized)
  {
    if (UnserializeState(preset->mChunk, 0) < 1) return false;
  }
  else
  {
    // An empty record becomes a user preset holding the present state.
    int n = 0;
    for (int i = 0; i < NPresets(); ++i)
      if (std::strstr(mPresets.Get(i)->mName, "user preset")) ++n;
    ByteChunk state;
    if (!SerializeState(state)) return false;
    StringBuf name;
    name.SetFormatted(IPreset::kNameLen, "%s %d", "user preset", n + 1);
    FillPreset(*preset, name.Get(), state);
  }

  mCurrentPresetIdx = idx;
  OnPresetRestored();
  HandleRestoreState();
  return true;
}

bool IPluginBase::RestorePresetByName(const char* name)
{
  if (!name || !*name) return false;
  for (int i = 0; i < NPresets(); ++i)
    if (std::strcmp(mPresets.Get(i)->mName, name) == 0) return RestorePreset(i);
  return false;
}

bool IPluginBase::ModifyCurrentPreset(const char* name)
{
  IPreset* preset = mPresets.Get(mCurrentPresetIdx);
  if (!preset) return false;
  // Serialise aside first, so that a failure keeps the record's previous state.
  ByteChunk state;
  if (!SerializeState(state)) return false;
  preset->mChunk.Clear();
  if (preset->mChunk.PutChunk(&state) != state.Size()) return false;
  if (name && *name) preset->SetName(name);
  return true;
}

// Parameter-double and preset-list formats ------------------------------------------------------------

bool IPluginBase::SerializeParams(ByteChunk& chunk) const
{
  for (int i = 0; i < NParams(); ++i)
  {
    const double v = GetParam(i)->Value();
    chunk.Put(&v);
  }
  return NParams() == 0 || chunk.Size() > 0;
}

int IPluginBase::UnserializeParams(const ByteChunk& chunk, int startPos)
{
  const int64_t end = int64_t(startPos) + int64_t(NParams()) * int64_t(sizeof(double));
  if (startPos < 0 || end > chunk.Size()) return -1;
  int pos = startPos;
  for (int i = 0; i < NParams(); ++i)
  {
    double v = 0.0;
    pos = chunk.Get(&v, pos);
    IParam* param = GetParam(i);
    param->Set(param->Constrain(v));
  }
  HandleParamReset(kPresetRecall);
  return pos;
}

bool IPluginBase::SerializePresets(ByteChunk& chunk) const
{
  for (int i = 0; i < NPresets(); ++i)
  {
    const IPreset* preset = mPresets.Get(i);
    chunk.PutStr(preset->mName);
    const uint8_t initialized = preset->mInitialized ? 1 : 0;
    chunk.Put(&initialized);
    if (preset->mInitialized) chunk.PutChunk(&preset->mChunk);
  }
  return true;
}

void IPluginBase::SnapshotParams(std::vector<double>& values) const
{
  values.resize(size_t(NParams()));
  for (int i = 0; i < NParams(); ++i)
    values[size_t(i)] = GetParam(i)->Value();
}

void IPluginBase::RestoreParams(const std::vector<double>& values)
{
  for (int i = 0; i < NParams() && size_t(i) < values.size(); ++i)
    GetParam(i)->Set(values[size_t(i)]);
}

int IPluginBase::UnserializePresets(const ByteChunk& chunk, int startPos)
{
  struct Record
  {
    StringBuf name;
    bool initialized = false;
    int from = 0, to = 0;
  };
  std::vector<Record> records(static_cast<size_t>(NPresets()));
  std::vector<double> before;
  SnapshotParams(before);

  // Reading a state moves the parameters; they are put back whatever the outcome, then the current
  // preset is restored from the new records.
  int pos = startPos;
  bool readState = false;
  for (Record& r : records)
  {
    pos = chunk.GetStr(r.name, pos);
    uint8_t flag = 0;
    if (pos >= 0) pos = chunk.Get(&flag, pos);
    if (pos < 0) break;
    r.initialized = flag != 0;
    if (r.initialized)
    {
      r.from = pos;
      readState = true;
      pos = UnserializeState(chunk, pos);
      if (pos < r.from)
      {
        pos = -1;
        break;
      }
      r.to = pos;
    }
  }
  RestoreParams(before);
  if (pos < 0)
  {
    if (readState) HandleParamReset(kPresetRecall);
    return -1;
  }

  for (size_t i = 0; i < records.size(); ++i)
  {
    IPreset* preset = mPresets.Get(int(i));
    preset->SetName(records[i].name.Get());
    preset->mInitialized = records[i].initialized;
    preset->mChunk.Clear();
    if (records[i].initialized)
      preset->mChunk.PutBytes(chunk.GetData() + records[i].from, records[i].to - records[i].from);
  }
  RestorePreset(mCurrentPresetIdx);
  return pos;
}

// Preset makers ---------------------------------------------------------------------------------------

void IPluginBase::MakeDefaultPreset(const char* name, int nPresets)
{
  for (int i = 0; i < nPresets; ++i)
  {
    IPreset* preset = FirstUninitializedPreset();
    if (!preset) return;
    ByteChunk state;
    if (!SerializeState(state)) return;
    FillPreset(*preset, name ? name : "Empty", state);
  }
}

void IPluginBase::MakePreset(const char* name, ...)
{
  IPreset* preset = FirstUninitializedPreset();
  if (!preset) return;
  ByteChunk values;
  va_list args;
  va_start(args, name);
  for (int i = 0; i < NParams(); ++i)
  {
    const IParam::EParamType type = GetParam(i)->Type();
    double v;
    if (type == IParam::kTypeBool || type == IParam::kTypeInt || type == IParam::kTypeEnum)
      v = va_arg(args, int);
    else
      v = va_arg(args, double);
    values.Put(&v);
  }
  va_end(args);
  FillPreset(*preset, name, values);
}

void IPluginBase::MakePresetFromNamedParams(const char* name, int nParamsNamed, ...)
{
  IPreset* preset = FirstUninitializedPreset();
  if (!preset) return;
  std::vector<double> values;
  SnapshotParams(values);
  va_list args;
  va_start(args, nParamsNamed);
  for (int i = 0; i < nParamsNamed; ++i)
  {
    const int idx = va_arg(args, int);
    const double v = va_arg(args, double);
    if (idx >= 0 && idx < NParams()) values[size_t(idx)] = v;
  }
  va_end(args);
  ByteChunk chunk;
  for (double v : values)
    chunk.Put(&v);
  FillPreset(*preset, name, chunk);
}

void IPluginBase::MakePresetFromChunk(const char* name, const ByteChunk& chunk)
{
  IPreset* preset = FirstUninitializedPreset();
  if (!preset) return;
  FillPreset(*preset, name, chunk);
}

void IPluginBase::MakePresetFromBlob(const char* name, const char* blob, int sizeOfChunk)
{
  ByteChunk chunk;
  if (!blob || sizeOfChunk < 0 || !Base64Decode(blob, int(std::strlen(blob)), chunk) ||
      chunk.Size() < sizeOfChunk)
    return;
  chunk.Resize(sizeOfChunk);
  MakePresetFromChunk(name, chunk);
}

void IPluginBase::FillUninitializedPresets()
{
  for (int i = 0; i < NPresets(); ++i)
  {
    IPreset* preset = mPresets.Get(i);
    if (preset->mInitialized) continue;
    ByteChunk state;
    if (!SerializeState(state)) return;
    FillPreset(*preset, "Empty", state);
  }
}

// Source dumps ----------------------------------------------------------------------------------------

void IPluginBase::ParamValueSrcText(int paramIdx, StringBuf& str) const
{
  const IParam* param = GetParam(paramIdx);
  switch (param->Type())
  {
  case IParam::kTypeBool:
    str.Set(param->Value() >= 0.5 ? "true" : "false");
    break;
  case IParam::kTypeInt:
    str.SetFormatted(kStrLimit, "%d", int(param->Value()));
    break;
  default:
    str.SetFormatted(kStrLimit, "%.6f", param->Value());
    break;
  }
}

bool IPluginBase::DumpMakePresetSrc(const char* path) const
{
  FILE* f = path ? std::fopen(path, "a") : nullptr;
  if (!f) return false;
  std::fprintf(f, "MakePreset(\"%s\"", GetPresetName(mCurrentPresetIdx));
  StringBuf value;
  for (int i = 0; i < NParams(); ++i)
  {
    ParamValueSrcText(i, value);
    std::fprintf(f, ", %s", value.Get());
  }
  std::fprintf(f, ");\n");
  return std::fclose(f) == 0;
}

bool IPluginBase::DumpMakePresetFromNamedParamsSrc(const char* path, const char* const* paramEnumNames) const
{
  FILE* f = path && paramEnumNames ? std::fopen(path, "a") : nullptr;
  if (!f) return false;
  std::fprintf(f, "  MakePresetFromNamedParams(\"%s\", %d", GetPresetName(mCurrentPresetIdx), NParams());
  StringBuf value;
  for (int i = 0; i < NParams(); ++i)
  {
    ParamValueSrcText(i, value);
    std::fprintf(f, ",\n    %s, %s", paramEnumNames[i] ? paramEnumNames[i] : "", value.Get());
  }
  std::fprintf(f, ");\n");
  return std::fclose(f) == 0;
}

bool IPluginBase::DumpPresetBlob(const char* path) const
{
  const IPreset* preset = mPresets.Get(mCurrentPresetIdx);
  FILE* f = path ? std::fopen(path, "a") : nullptr;
  if (!f) return false;
  StringBuf blob;
  int size = 0;
  if (preset)
  {
    Base64Encode(preset->mChunk.GetData(), preset->mChunk.Size(), blob);
    size = preset->mChunk.Size();
  }
  std::fprintf(f, "MakePresetFromBlob(\"%s\", \"%s\", %d);\n", GetPresetName(mCurrentPresetIdx), blob.Get(),
               size);
  return std::fclose(f) == 0;
}

// Parameter ranges ------------------------------------------------------------------------------------

void IPluginBase::InitParamRange(int startIdx, int endIdx, int countStart, const char* nameFmtStr,
                                 double defaultVal, double minVal, double maxVal, double step,
                                 const char* label, int flags, const char* group, const IParam::Shape& shape,
                                 IParam::EParamUnit unit, IParam::DisplayFunc displayFunc)
{
  StringBuf name;
  for (int i = startIdx; i <= endIdx; ++i)
  {
    IParam* param = GetParam(i);
    if (!param) continue;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    name.SetFormatted(IParam::kTextLen, nameFmtStr ? nameFmtStr : "", countStart + (i - startIdx));
#pragma GCC diagnostic pop
    param->InitDouble(name.Get(), defaultVal, minVal, maxVal, step, label, flags, group, shape, unit,
                      displayFunc);
  }
}

void IPluginBase::CloneParamRange(int cloneStartIdx, int cloneEndIdx, int startIdx, const char* searchStr,
                                  const char* replaceStr, const char* newGroup)
{
  for (int i = cloneStartIdx; i <= cloneEndIdx; ++i)
  {
    const IParam* source = GetParam(i);
    IParam* target = GetParam(startIdx + (i - cloneStartIdx));
    if (!source || !target || source == target) continue;
    target->InitFromParam(*source, searchStr, replaceStr, newGroup);
    target->Set(source->Value());
  }
}

void IPluginBase::CopyParamValues(int startIdx, int destIdx, int nParams)
{
  for (int i = 0; i < nParams; ++i)
  {
    const IParam* source = GetParam(startIdx + i);
    IParam* target = GetParam(destIdx + i);
    if (source && target) target->Set(target->Constrain(source->Value()));
  }
}

void IPluginBase::CopyParamValuesByGroup(const char* inGroup, const char* outGroup)
{
  std::vector<int> in, out;
  for (int i = 0; i < NParams(); ++i)
  {
    if (inGroup && std::strcmp(GetParam(i)->GetGroup(), inGroup) == 0) in.push_back(i);
    if (outGroup && std::strcmp(GetParam(i)->GetGroup(), outGroup) == 0) out.push_back(i);
  }
  for (size_t i = 0; i < in.size() && i < out.size(); ++i)
  {
    IParam* target = GetParam(out[i]);
    target->Set(target->Constrain(GetParam(in[i])->Value()));
  }
}

void IPluginBase::ForParamInRange(int startIdx, int endIdx, const ParamFunc& func)
{
  for (int i = startIdx; i <= endIdx; ++i)
    if (IParam* param = GetParam(i)) func(i, *param);
}

void IPluginBase::ForParamInGroup(const char* paramGroup, const ParamFunc& func)
{
  if (!paramGroup) return;
  for (int i = 0; i < NParams(); ++i)
    if (IParam* param = GetParam(i); param && std::strcmp(param->GetGroup(), paramGroup) == 0) func(i, *param);
}

namespace
{
void SetToDefault(int, IParam& param)
{
  param.Set(param.Constrain(param.GetDefault()));
}

void Randomise(int, IParam& param)
{
  param.Set(param.Constrain(param.FromNormalized(std::rand() * 4.656613e-10f)));
}
} // namespace

void IPluginBase::DefaultParamValues()
{
  ForParamInRange(0, NParams() - 1, SetToDefault);
}

void IPluginBase::DefaultParamValues(int startIdx, int endIdx)
{
  ForParamInRange(startIdx, endIdx, SetToDefault);
}

void IPluginBase::DefaultParamValues(const char* paramGroup)
{
  ForParamInGroup(paramGroup, SetToDefault);
}

void IPluginBase::RandomiseParamValues()
{
  ForParamInRange(0, NParams() - 1, Randomise);
}

void IPluginBase::RandomiseParamValues(int startIdx, int endIdx)
{
  ForParamInRange(startIdx, endIdx, Randomise);
}

void IPluginBase::RandomiseParamValues(const char* paramGroup)
{
  ForParamInGroup(paramGroup, Randomise);
}

void IPluginBase::PrintParamValues()
{
  ForParamInRange(0, NParams() - 1, [](int, IParam&) {});
}
} // namespace iplugin
