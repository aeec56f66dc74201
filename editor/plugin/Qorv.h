// The mixer plug-in: the one class the Audio Unit binding creates when the host opens an instance. It
// owns the parameter table (309 host parameters), the presets, the settings and data folders, and one
// MixerEngine that does the audio work. Construction, destruction, state and parameter changes run on
// the host's main thread (parameter changes from the host may come on its audio thread); ProcessBlock
// runs on the audio thread.
#pragma once

#include "editor/EditorLayout.h"
#include "editor/plugin/IExtPDCHandler.h"
#include "framework/Mutex.h"
#include "framework/PluginConfig.h"
#include "framework/TypedBuf.h"
#include "framework/au/IPluginAU.h"
#include "mixer/ICMessageBox.h"
#include "mixer/IMPlugPaths.h"
#include "mixer/IXMLParameters.h"
#include "mixer/IXMLPreset.h"
#include "mixer/MixerEngine.h"
#include "mixer/PresetLists.h"
#include "mixer/QorvParams.h"

#include <memory>

namespace iplugin
{
namespace igraphics
{
class IGraphics;
}

class Qorv : public IPluginAU,
             private IMPlugPaths,
             private IExtPDCHandler,
             private IXMLPreset,
             public IXMLParameters,
             private ICMessageBox
{
public:
  // The configuration record this plug-in hands to the framework.
  static PluginConfig MakeConfig();

  explicit Qorv(const InstanceInfo& info);
  ~Qorv() override;

  // Editor lifetime.
  void OnEditorOpened() override;
  void OnEditorClosed() override { mEditorOpenFlag = false; }

  // The single place where a parameter's new value, or an editor message tag (309 and up), reaches the
  // mixer.
  void HandleParamChange(int paramIdx, EParamSource source, int sampleOffset = -1) override;

  // The state chunk.
  bool SerializeState(ByteChunk& chunk) const override { return WriteStateChunk(chunk); }
  int UnserializeState(const ByteChunk& chunk, int startPos) override
  {
    return ReadStateChunk(chunk, startPos);
  }
  bool WriteStateChunk(ByteChunk& chunk) const;
  int ReadStateChunk(const ByteChunk& chunk, int startPos);

  // Keeps the host's latency up to date and publishes the gains as automation when due; while the
  // editor is open, serves its requests (rescale, about box, update page, message box, meters). Main
  // thread, every 20 ms.
  void OnIdleTick() override;

  // With the dynamic preset list on, the factory presets live in the plug-in's own list: the host lists
  // those, and choosing one copies it into the current record (0) and restores that.
  int NHostPresets() const override;
  const char* GetHostPresetName(int idx) const override;
  bool RestoreHostPreset(int idx) override;
  // The factory preset last chosen while the current record still carries its name, else 0.
  int GetHostPresetIdx() const override;
  // Each mixed channel's gain in dB into its output parameter "OUT:ChNN Strength" (mixer modes only).
  // Main thread only: informing the host is not for the audio thread.
  void PublishGainParameters();
  // A gain as published: its magnitude in dB, -144 for silence.
  static double GainToPublishedDb(double gain);

  // The about text, line by line, and the box that shows it on the editor.
  void BuildAboutText(StringBuf& text) const;
  void ShowAboutBox();
  // Opens the update page in the browser through the editor; returns false.
  bool OpenUpdatePage(const char* product, const char* version, const char* addressFormat);
  // The update page's address: the product without a trailing "nogpu", then the format with product
  // and version, at most 1,024 characters.
  static void UpdatePageAddress(const char* product, const char* version, const char* addressFormat,
                                StringBuf& address);
  // Refreshes the editor's level meters from the engine; main thread, editor open.
  void UpdateMeters();
  // A message box for the idle tick to show once the editor is open.
  using ICMessageBox::RequestMessageBox;

  // Processor hooks.
  void OnProcessingReset() override;
  void OnActivationChanged(bool active) override {}
  void ProcessBlock(double** inputs, double** outputs, int nFrames) override;
  // The block for every "Plugin Mode", with the connected channel counts. Audio thread.
  void ProcessMix(double** inputs, double** outputs, int nFrames, int connectedInputs, int connectedOutputs);

  // The engine's preparation for the DSP sample rate, its coefficient update and its latency rule.
  void PrepareDsp() { mEngine->PrepareDsp(mEngine->DspSampleRate()); }
  int UpdateEnvelopeCoefficients() { return mEngine->UpdateEnvelopeCoefficients(); }
  uint32_t ComputeLatency() const { return mEngine->ComputeLatency(); }
  // PrepareDsp, then the latency hand-over of a processing reset, without the mutex.
  void RefreshDspAndLatency();

  // Sets a parameter on the plug-in's own initiative, informing host and editor, without the handler.
  void SetParamValueFromUI(int paramIdx, bool normalized, double value);
  // Installs the make-graphics and layout functions in the editor delegate.
  void InitPlugControls();
  // Shows what "Plugin Mode", "Group Number" and "Reverse Mixing" select; nothing until laid out.
  // Main thread: the layout and the idle tick run it.
  void UpdateControlVisibility();
  // Asks the idle tick for a visibility pass; any thread (host parameter changes may come on another).
  void RequestControlVisibility() { mVisibilityRequested = uint8_t{1}; }
  bool ControlVisibilityRequested() const { return mVisibilityRequested.Load() != 0; }
  // Fills a freshly opened editor with the mixer's controls; does nothing on a context that is not
  // ready or already holds controls. Main thread.
  void LayoutControls(igraphics::IGraphicsInterface* pGraphics);
  bool LayoutDone() const { return mLayoutDone; }
  void SetUpdateButtonIdx(int idx) { mEditorControlIndices[kIdxUpdateIcon] = idx; }

  // The control-list positions the layout keeps (EEditorIndex order); valid while its context lives.
  int32_t mEditorControlIndices[kNumEditorIndices] = {-1, -1, -1, -1, -1, -1, -1, -1, -1};

  // The preset actions behind the editor's tags 313, 314 and 316, given the chosen path or folder.
  bool LoadPresetFromPath(const char* path);
  bool SavePresetToPath(const char* path);
  // A save that failed is told through a message box; the old file is untouched.
  void ReportSaveFailure(const char* path);
  void RebuildUserPresets();
  // The file name of path without folder and extension, at most 1,023 characters.
  static void PresetNameFromPath(const char* path, StringBuf& name);

  // Read access for the editor, the idle tick and tests.
  MixerEngine& Engine() { return *mEngine; }
  const MixerEngine& Engine() const { return *mEngine; }
  const PresetLists& Presets() const { return mPresetLists; }
  PresetLists& Presets() { return mPresetLists; }
  const char* DataFolder() const { return IMPlugPaths::DataFolder(); }
  const char* AUFolder() const { return IMPlugPaths::AUFolder(); }
  IParam* FixedGuiScaleParam() const { return mFixedGuiScaleParams.Get(0); }
  int FixedGuiScaleTag() const { return mFixedGuiScaleTag; }
  const TypedBuf<int32_t>& OutputParams() const { return mOutputParams; }
  int OnlineUpdateCheckState() const { return mOnlineUpdateCheckState; }
  bool AboutRequested() const { return mAboutRequested; }
  bool UpdatePageRequested() const { return mUpdatePageRequested; }
  bool GuiRescaleRequested() const { return mGuiRescaleRequested; }
  void ClearGuiRescaleRequest() { mGuiRescaleRequested = false; }
  bool EditorOpenFlag() const { return mEditorOpenFlag; }
  uint32_t HandedLatency() const { return mPDCLatency; }
  bool MessageBoxPending() const { return mMessagePending; }

  // The preset path the editor's preset menu chose last (the menu control writes it).
  StringBuf mPresetMenuPath;

private:
  void DeclareParameters();
  void HandleChannelParam(int paramIdx, int channel, int k, double value);
  void HandleGlobalParam(int paramIdx, double value);
  void HandleTag(int tag);
  void MakeExclusive(int channel, int k);
  void UpdateLatencyAfterChange();
  void HandOverWantedLatency();
  bool WithEditor() const;
  void SetGuiScaleFromTag(double scale, bool requestRescale);
  // The laid-out editor the visibility pass and the meters may touch, else null.
  igraphics::IGraphics* LaidOutEditor() const;
  void HideChannelGroup(bool hide);

  std::unique_ptr<MixerEngine> mEngine;
  int mNInputs = 0;
  int mNOutputs = 0;

  Relaxed<uint8_t> mAboutRequested{0};
  Relaxed<uint8_t> mUpdatePageRequested{0};
  Relaxed<uint8_t> mGuiRescaleRequested{0};
  int mOnlineUpdateCheckState = 1;

  TypedBuf<int32_t> mOutputParams{4096};
  Mutex mMutex;

  PtrList<IParam> mFixedGuiScaleParams{4096};
  int mFixedGuiScaleTag = -1;

  PresetLists mPresetLists;
  int mHostPresetIdx = 0; // the factory preset a host chose last
  bool mStateFilterOn = false;
  const PresetParamKey* mStateFilterKeys = nullptr;

  bool mEditorOpenFlag = false;
  bool mLayoutDone = false;
  Relaxed<uint8_t> mVisibilityRequested{0};
};
} // namespace iplugin
