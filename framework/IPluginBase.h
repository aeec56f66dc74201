// Between the editor delegate and the API base: the plug-in's identity and version, what is known of
// the host, the preset records with the current preset, and the default ways to turn parameter values
// and presets into bytes. Preset operations run on the main thread and take no lock.
#pragma once

#include "framework/ByteChunk.h"
#include "framework/Hosts.h"
#include "framework/IGEditorDelegate.h"
#include "framework/IPreset.h"
#include "framework/PtrList.h"
#include "framework/StringBuf.h"

#include <functional>
#include <vector>

namespace iplugin
{
// Plug-in API kinds; GetAPIStr names them.
enum EAPI
{
  kAPIVST2 = 0,
  kAPIVST3,
  kAPIAU,
  kAPIAUv3,
  kAPIAAX,
  kAPIAPP,
  kAPIWAM,
  kAPIWEB
};

class IPluginBase : public igraphics::IGEditorDelegate
{
public:
  using ParamFunc = std::function<void(int paramIdx, IParam& param)>;

  IPluginBase(int nParams, int nPresets);
  ~IPluginBase() override;

  // Identity and text.
  const char* GetPluginName() const { return mPluginName.Get(); }
  const char* GetMfrName() const { return mMfrName.Get(); }
  const char* GetBundleID() const { return mBundleID.Get(); }
  int GetUniqueID() const { return mUniqueID; }
  int GetMfrID() const { return mMfrID; }
  // Packed (major << 16 | minor << 8 | patch), or with decimal major x 1000 + minor x 100 + patch x 10.
  int GetPluginVersion(bool decimal) const { return VersionValue(mVersion, decimal); }
  int GetHostVersion(bool decimal) const { return VersionValue(mHostVersion, decimal); }
  void GetPluginVersionStr(StringBuf& str) const { VersionText(mVersion, str); }
  void GetHostVersionStr(StringBuf& str) const { VersionText(mHostVersion, str); }
  int GetHost() const { return mHost; }
  const char* GetHostName() const { return mHostName.Get(); }
  const char* GetAPIStr() const;
  const char* GetArchStr() const { return "x64"; }
  void GetBuildInfoStr(StringBuf& str, const char* date = __DATE__, const char* time = __TIME__) const;
  bool DoesStateChunks() const { return mStateChunks; }
  bool HasUI() const { return mHasUI; }
  void SetHasUI(bool hasUI) { mHasUI = hasUI; }

  // Preset records; indices are zero-based.
  int NPresets() const { return mPresets.Count(); }
  int GetCurrentPresetIdx() const { return mCurrentPresetIdx; }
  IPreset* GetPreset(int idx) const { return mPresets.Get(idx); }
  // Appends an uninitialised record named "empty"; null when the list cannot grow.
  IPreset* AddPreset();
  const char* GetPresetName(int idx) const;
  void PruneUninitializedPresets();
  bool RestorePreset(int idx);
  bool RestorePresetByName(const char* name);
  // Writes the present state into the current record and, when given, renames it. When the state
  // cannot be written the record keeps its previous bytes and name; the result says which happened.
  bool ModifyCurrentPreset(const char* name = nullptr);

  // State slots of the plug-in class chain; the plug-in overrides them with its own format.
  virtual void NotifyParameterListChanged() {}
  virtual bool SerializeState(ByteChunk& chunk) const { return SerializeParams(chunk); }
  virtual int UnserializeState(const ByteChunk& chunk, int startPos)
  {
    return UnserializeParams(chunk, startPos);
  }
  virtual bool SerializeAuxState(ByteChunk& chunk) const { return true; }
  virtual int UnserializeAuxState(const ByteChunk& chunk, int startPos) { return startPos; }
  virtual void NotifyPresentPresetChanged() {}
  virtual void OnPresetRestored() {}

  // Parameter values as 8-byte doubles in index order.
  bool SerializeParams(ByteChunk& chunk) const;
  // Reads one double per parameter; a chunk that does not hold them all changes nothing and gives -1.
  int UnserializeParams(const ByteChunk& chunk, int startPos);
  // Every record: name, initialised byte and, when initialised, its state bytes.
  bool SerializePresets(ByteChunk& chunk) const;
  // Reads what SerializePresets wrote, then restores the current preset; a malformed chunk changes
  // nothing and gives -1.
  int UnserializePresets(const ByteChunk& chunk, int startPos);

  // Preset makers: each fills the first uninitialised record (nothing happens when none is free).
  void MakeDefaultPreset(const char* name = nullptr, int nPresets = 1);
  // One value per parameter in index order: int for bool, int and enum parameters, else double.
  void MakePreset(const char* name, ...);
  // nParamsNamed pairs of (int index, double value) replace the present values.
  void MakePresetFromNamedParams(const char* name, int nParamsNamed, ...);
  void MakePresetFromChunk(const char* name, const ByteChunk& chunk);
  // A Base64 text of sizeOfChunk state bytes; a text that does not decode to that many is refused.
  void MakePresetFromBlob(const char* name, const char* blob, int sizeOfChunk);
  void FillUninitializedPresets();

  // Source dumps, each appending to the text file at path.
  bool DumpMakePresetSrc(const char* path) const;
  bool DumpMakePresetFromNamedParamsSrc(const char* path, const char* const* paramEnumNames) const;
  bool DumpPresetBlob(const char* path) const;

  // Parameter range operations.
  void InitParamRange(int startIdx, int endIdx, int countStart, const char* nameFmtStr, double defaultVal,
                      double minVal, double maxVal, double step, const char* label = "", int flags = 0,
                      const char* group = "", const IParam::Shape& shape = IParam::ShapeLinear(),
                      IParam::EParamUnit unit = IParam::kUnitCustom,
                      IParam::DisplayFunc displayFunc = nullptr);
  void CloneParamRange(int cloneStartIdx, int cloneEndIdx, int startIdx, const char* searchStr = "",
                       const char* replaceStr = "", const char* newGroup = "");
  void CopyParamValues(int startIdx, int destIdx, int nParams);
  void CopyParamValuesByGroup(const char* inGroup, const char* outGroup);
  void ForParamInRange(int startIdx, int endIdx, const ParamFunc& func);
  void ForParamInGroup(const char* paramGroup, const ParamFunc& func);
  void DefaultParamValues();
  void DefaultParamValues(int startIdx, int endIdx);
  void DefaultParamValues(const char* paramGroup);
  void RandomiseParamValues();
  void RandomiseParamValues(int startIdx, int endIdx);
  void RandomiseParamValues(const char* paramGroup);
  void PrintParamValues();

  // VST program and bank files (big-endian). The loaders check the layout, the plug-in's unique id and
  // every size before anything changes.
  bool SavePresetAsFXP(const char* path) const;
  bool SaveBankAsFXB(const char* path) const;
  bool LoadPresetFromFXP(const char* path);
  bool LoadBankFromFXB(const char* path);

protected:
  static int VersionValue(int packed, bool decimal);
  static void VersionText(int packed, StringBuf& str);
  // The first record whose initialised flag is clear, or null.
  IPreset* FirstUninitializedPreset() const;
  // The present parameter values, or restores them.
  void SnapshotParams(std::vector<double>& values) const;
  void RestoreParams(const std::vector<double>& values);
  // Writes the current value text of a parameter for the source dumps.
  void ParamValueSrcText(int paramIdx, StringBuf& str) const;

  int mCurrentPresetIdx = 0;
  bool mStateChunks = false;
  StringBuf mPluginName;
  StringBuf mProductName;
  StringBuf mMfrName;
  int mUniqueID = 0;
  int mMfrID = 0;
  int mVersion = 0;
  int mHostVersion = 0;
  int mHost = kHostUninit;
  int mAPI = kAPIAU;
  StringBuf mHostName;
  StringBuf mBundleID;
  bool mHasUI = false;
  PtrList<IPreset> mPresets{4096};
};
} // namespace iplugin
