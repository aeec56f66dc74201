// The plug-in's editor: the make-graphics and layout functions it hands the editor delegate, and the
// layout that fills a new graphics context with the mixer's controls. Main thread.
#include "editor/EditorColors.h"
#include "editor/EditorLayout.h"
#include "editor/IBInfoMenuLK.h"
#include "editor/IBKnobMultiControlLK.h"
#include "editor/IBPopupMenuLK.h"
#include "editor/IBPresetMenuLK.h"
#include "editor/IBSwitchControlLK.h"
#include "editor/SimpleEditorControlsLK.h"
#include "graphics/IGraphics.h"
#include "editor/plugin/Qorv.h"
#include "editor/plugin/QorvEditorGraphics.h"
#include "mixer/UpdatePage.h"

#include <algorithm>

namespace iplugin
{
using namespace igraphics;

namespace
{
constexpr int kCtrlTagResetArea = 0;
constexpr int kCtrlTagPluginMenu = 1;
constexpr int kCtrlTagPresetMenu = 3;

IBitmap Load(IGraphics& ui, EEditorBitmap which)
{
  const EditorBitmap& b = kEditorBitmaps[which];
  return ui.LoadBitmap(b.name, b.frames, b.horizontal, 0);
}

// The position the control just attached holds in the list.
int LastIndex(const IGraphics& ui)
{
  return ui.NControls() - 1;
}
} // namespace

void Qorv::InitPlugControls()
{
  mMakeGraphicsFunc = [this]() -> IGraphicsInterface*
  {
    const float scale = float(mEngine->mGuiScale.Load());
    return MakeQorvEditorGraphics(*this, scale);
  };
  mLayoutFunc = [this](IGraphicsInterface* pGraphics) { LayoutControls(pGraphics); };
}

void Qorv::LayoutControls(IGraphicsInterface* pGraphics)
{
  auto* pUI = dynamic_cast<IGraphics*>(pGraphics);
  if (!pUI || !pUI->IsContextReady())
  {
    SetHasUI(false);
    return;
  }
  IGraphics& ui = *pUI;
  if (ui.NControls() > 0) return;

  ui.LoadFont("Roboto-Regular", "Roboto-Regular.ttf");
  ui.LoadFont("Verdana Normal", "verdana.ttf");
  ui.LoadFont("Verdana Bold", "verdanab.ttf");
  ui.AttachTextEntryControl();
  ui.AttachPopupMenuControl(kDefaultLabelText, IRECT());
  ui.SetMultiTouch(false);
  ui.EnableMouseOver(true);

  for (int i = 0; i < kNumHiddenParamControls; ++i)
    ui.AttachControl(new IVParameterControlHiddenLK(HiddenParamControlParam(i)));

  auto* resizer = new IBCornerResizerControlLK(ui.GetBounds(), Load(ui, kBitmapResizer), -1, -1,
                                               kTagGuiScaleFromEditor, kTagGuiScaleReset, 0.f, 0.f);
  ui.AttachCornerResizer(resizer, kResizeScale, true);
  double lo = 0.0, hi = 0.0;
  GetParam(kParamGuiScale)->GetBounds(lo, hi);
  ui.SetScaleConstraints(std::min(float(lo), float(hi)), std::max(float(lo), float(hi)));

  const IColor boxColor = ColorFromHexString(this, "#13161a", 255);
  const IText knobText(13.f, ColorFromHexString(this, "#c5c6c7", 255), "Verdana Bold", kAlignCenter,
                       kVAlignMiddle, 0.f, kDefaultTextEntryBGColor, kDefaultTextEntryFGColor);
  const IText presetText(16.f, IColor(255, 159, 160, 161), "Verdana Bold", kAlignCenter, kVAlignMiddle, 0.f,
                         kDefaultTextEntryBGColor, kDefaultTextEntryFGColor);

  // Attaches one control of the tables at x0 with parameter param; returns its list position.
  auto attach = [&](const EditorControlPlace& p, int x0, int param)
  {
    const IBitmap bitmap = Load(ui, p.bitmap);
    const int x = p.x + x0;
    IControl* c = nullptr;
    switch (p.kind)
    {
    case EEditorControl::kBitmap:
      c = new IBBitmapControlLK(x, p.y, bitmap);
      break;
    case EEditorControl::kSwitch:
      c = new IBSwitchControlLK(float(x), float(p.y), bitmap, param);
      break;
    case EEditorControl::kPopup:
    case EEditorControl::kPopupWheel:
      c = new IBPopupMenuLK(x, p.y, param, bitmap, p.kind == EEditorControl::kPopupWheel);
      break;
    case EEditorControl::kKnob:
      c = new IBKnobMultiControlLK(x, p.y, param, bitmap, knobText, boxColor, p.labelChars, kVertical, false,
                                   true, false, 1, false, true, 4.0, 0.f);
      break;
    }
    ui.AttachControl(c);
    if (p.tooltip) c->SetTooltip(p.tooltip);
    return LastIndex(ui);
  };

  for (const EditorControlPlace& p : kGlobalControls)
  {
    const int idx = attach(p, 0, p.param);
    if (p.keep >= 0) mEditorControlIndices[p.keep] = idx;
  }
  for (int c = 0; c < kEditorChannels; ++c)
    for (const EditorControlPlace& p : kStripControls)
    {
      const int idx =
          attach(p, (c % 8) * kStripWidth, p.param < 0 ? -1 : kParamFirstChannel + 8 * c + p.param);
      if (p.keep >= 0) mEngine->mChannels[c].mStripControlTags[p.keep] = idx;
    }

  IBPresetMenuLK::Tags tags;
  tags.load = kTagLoadPreset;
  tags.save = kTagSavePreset;
  tags.saveDefault = kTagSaveDefaultPreset;
  tags.rebuildUserList = kTagRebuildUserPresets;
  IBPresetMenuLK::Store store;
  store.factory = &mPresetLists.mFactoryPresets;
  store.user = &mPresetLists.mUserPresets;
  store.defaultPreset = &mPresetLists.mInitPreset;
  store.load = [this](const IPreset& record)
  {
    PresetLists::CopyPresetToSlot(*this, record, 0);
    RestorePreset(0);
    NotifyPresentPresetChanged();
  };
  auto* presets =
      new IBPresetMenuLK(*this, IRECT(351, 14, 577, 36), IRECT(395, 14, 577, 36), IRECT(400, 14, 552, 36),
                         351, 14, Load(ui, kBitmapPrevious), 373, 14, Load(ui, kBitmapNext), presetText, tags,
                         std::move(store), DataFolder(), mPresetMenuPath, "qxs", 19, true, false);
  ui.AttachControl(presets, kCtrlTagPresetMenu);
  presets->SetTooltip("Preset menu");
  mEditorControlIndices[kIdxPresetMenu] = LastIndex(ui);

  ui.AttachControl(new IVClickControlHiddenLK(IRECT(216, 16, 328, 36), kTagResetSendSlots),
                   kCtrlTagResetArea);

  IBInfoMenuLK::Config info;
  info.aboutTag = kTagAbout;
  info.updateCheckTag = kTagUpdatePage;
  info.dataFolder = DataFolder();
  info.changelogAddress = QORV_MAKER_WEB_SERVER "/products/qor#Changelog";
  info.tooltipsParam = kParamToggleTooltips;
  info.resetScaleTag = kTagGuiScaleReset;
  info.minScaleTag = kTagGuiScaleMinimum;
  info.optionParams = {kParamPropagateSenderGain, kParamDawSync, kParamReverseMixing};
  info.scaleParams = {FixedGuiScaleParam()};
  info.scaleBaseTag = FixedGuiScaleTag();
  IControl* infoMenu = ui.AttachControl(
      new IBInfoMenuLK(195, 14, Load(ui, kBitmapPluginMenu), std::move(info)), kCtrlTagPluginMenu);
  if (infoMenu) infoMenu->SetTooltip("Plugin info and options");

  ui.AttachControl(new IBUpdateControlLK(331, 13, Load(ui, kBitmapUpdate), kTagUpdatePage));
  mEditorControlIndices[kIdxUpdateIcon] = LastIndex(ui);

  mLayoutDone = true;
  UpdateControlVisibility();
}
} // namespace iplugin
