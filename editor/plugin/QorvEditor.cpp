// The plug-in's side of its editor: the visibility pass with channel-group paging, and the meter
// update. Both run on the main thread only (the layout, the idle tick) and touch controls only through
// the positions the layout kept, each checked against the control list of the open context.
#include "controls/IBitmapBase.h"
#include "editor/EditorLayout.h"
#include "editor/MeterScale.h"
#include "graphics/IControl.h"
#include "graphics/IGraphics.h"
#include "editor/plugin/Qorv.h"

#include <algorithm>

namespace iplugin
{
namespace
{
using igraphics::IBitmapBase;
using igraphics::IControl;
using igraphics::IGraphics;

// The control at a kept position; null for a position the list does not hold.
IControl* ControlAt(const IGraphics& ui, int idx)
{
  return idx >= 0 && idx < ui.NControls() ? ui.GetControl(idx) : nullptr;
}

void HideAt(const IGraphics& ui, int idx, bool hide)
{
  if (IControl* c = ControlAt(ui, idx)) c->Hide(hide);
}

// Meters and lamps show their value as one frame of a bitmap: a new value that stays on the frame shown,
// or that a hidden control takes, changes nothing on the screen and marks nothing for redraw (showing a
// control again redraws it). The value is kept as a redraw keeps it: NaN as 0, within 0 to 1.
void SetIfChanged(const IGraphics& ui, int idx, double value)
{
  IControl* c = ControlAt(ui, idx);
  if (!c) return;
  const double from = c->GetValue(0), to = !(value >= 0.0) ? 0.0 : std::min(value, 1.0);
  if (from == to) return;
  c->SetValue(to, 0);
  const auto* bitmap = dynamic_cast<const IBitmapBase*>(c);
  if (!c->IsHidden() && (!bitmap || bitmap->FrameForValue(from) != bitmap->FrameForValue(to)))
    c->SetDirty(true, -1);
}

constexpr int kMainMeters[] = {kIdxMainLeftBar, kIdxMainLeftPeak, kIdxMainRightBar, kIdxMainRightPeak};
} // namespace

IGraphics* Qorv::LaidOutEditor() const
{
  if (!IsEditorOpen() || !mLayoutDone) return nullptr;
  auto* ui = dynamic_cast<IGraphics*>(GetUI());
  return ui && ui->NControls() > 0 ? ui : nullptr;
}

void Qorv::UpdateControlVisibility()
{
  IGraphics* ui = LaidOutEditor();
  if (!ui) return;
  const MixerEngine& e = *mEngine;
  ui->EnableTooltips(e.mToggleTooltips.Load() > 0);

  const uint32_t mode = e.mPluginMode.Load();
  if (mode <= kPluginModeSendLast)
  {
    const bool mixer = mode <= kPluginModeExtMixer;
    HideAt(*ui, mEditorControlIndices[kIdxBackground], !mixer);
    HideAt(*ui, mEditorControlIndices[kIdxSendBackground], mixer);
    HideAt(*ui, mEditorControlIndices[kIdxPresetMenu], !mixer);
    HideAt(*ui, mEditorControlIndices[kIdxGroupOverlay], !mixer);
    for (int p = kParamChannelCount; p <= kParamMultiChannelOutput; ++p)
      ui->HideControl(p, !mixer);
    for (int idx : kMainMeters)
      HideAt(*ui, mEditorControlIndices[idx], true);
    for (int p = kParamFirstChannel; p < kParamFirstOutput; ++p)
      ui->HideControl(p, true);
    for (const ChannelParamState& ch : e.mChannels)
      for (int32_t idx : ch.mStripControlTags)
        HideAt(*ui, idx, true);
    if (mode == kPluginModeExtMixer) ui->GrayOutControl(kParamPreDelay, e.mReverseMixing.Load() > 0);
    if (mixer) HideChannelGroup(false);
  }

  const uint32_t g = e.mGroupNumber.Load();
  if (g > 3) return;
  IControl* overlay = ControlAt(*ui, mEditorControlIndices[kIdxGroupOverlay]);
  const double target = g / 3.0;
  if (!overlay || overlay->GetValue(0) == target) return;
  overlay->SetValue(target, 0);
  overlay->SetDirty(true, -1);
}

void Qorv::HideChannelGroup(bool hide)
{
  IGraphics* ui = LaidOutEditor();
  if (!ui) return;
  const int g = int(mEngine->mGroupNumber.Load());
  if (g > 3) return;
  for (int p = 64 * g + kParamFirstChannel; p < 64 * g + kParamFirstChannel + 64; ++p)
    ui->HideControl(p, hide);
  for (int c = 8 * g; c < 8 * g + 8; ++c)
    for (int32_t idx : mEngine->mChannels[c].mStripControlTags)
      HideAt(*ui, idx, hide);
  for (int idx : kMainMeters)
    HideAt(*ui, mEditorControlIndices[idx], hide);
}

void Qorv::UpdateMeters()
{
  IGraphics* ui = LaidOutEditor();
  if (!ui) return;
  const MixerEngine& e = *mEngine;
  const uint32_t mode = e.mPluginMode.Load();
  if (mode > kPluginModeExtMixer) return;

  const int n = e.ChannelsInUse();
  const double gateMark = MeterValue(e.mNoiseGate.Load());
  for (int c = 0; c < kEditorChannels; ++c)
  {
    const int32_t* idx = e.mChannels[c].mStripControlTags;
    const bool used = c < n;
    const LevelDetector& in = e.mBankA[c];
    const LevelDetector& out = e.mBankB[c];
    SetIfChanged(*ui, idx[kStripInputBar], used ? MeterValue(MeterDb(in.Level())) : 0.0);
    SetIfChanged(*ui, idx[kStripInputPeak], used ? MeterValue(MeterDb(in.Peak())) : 0.0);
    SetIfChanged(*ui, idx[kStripInputMark], used ? gateMark : 0.0);
    SetIfChanged(*ui, idx[kStripOutputBar], used ? MeterValue(MeterDb(out.Level())) : 0.0);
    SetIfChanged(*ui, idx[kStripOutputPeak], used ? MeterValue(MeterDb(out.Peak())) : 0.0);
    SetIfChanged(*ui, idx[kStripOutputMark], 0.0);
  }
  const LevelDetector& left = e.mMasterDetectors[0];
  const LevelDetector& right = e.mMasterDetectors[1];
  SetIfChanged(*ui, mEditorControlIndices[kIdxMainLeftBar], MeterValue(MeterDb(left.Level())));
  SetIfChanged(*ui, mEditorControlIndices[kIdxMainLeftPeak], MeterValue(MeterDb(left.Peak())));
  SetIfChanged(*ui, mEditorControlIndices[kIdxMainRightBar], MeterValue(MeterDb(right.Level())));
  SetIfChanged(*ui, mEditorControlIndices[kIdxMainRightPeak], MeterValue(MeterDb(right.Peak())));
  for (int c = 0; c < kEditorChannels; ++c)
    SetIfChanged(*ui, e.mChannels[c].mStripControlTags[kStripPriorityLamp], c < n ? e.MixGain(c) : 0.0);

  // The overlays of the current group grey the strips without a signal. Each is hidden or shown only
  // when its state changes: Hide marks a control for redraw even when nothing changes, and the overlays
  // are the tallest controls of the strips.
  const int g = int(e.mGroupNumber.Load());
  if (g > 3) return;
  const bool anyInput = NChannelsConnected(ERoute::kInput) > 0;
  for (int c = 8 * g; c < 8 * g + 8; ++c)
  {
    const bool active =
        c < n && (mode == kPluginModeIntMixer ? anyInput : e.mChannels[c].mActive.Load() != 0);
    IControl* overlay = ControlAt(*ui, e.mChannels[c].mStripControlTags[kStripInactiveOverlay]);
    if (overlay && overlay->IsHidden() != active) overlay->Hide(active);
  }
}
} // namespace iplugin
