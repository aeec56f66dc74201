// The mixer's editor opened headless and used as a person would: the layout and its kept positions,
// paging by mode and group, the knobs, switches and value menus, the preset and plug-in menus, the
// corner resizer, and the meters following a rendered signal.
#include "controls/IBitmapBase.h"
#include "editor/EditorLayout.h"
#include "tests/plugin/EditorTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

using namespace iplugin;
using namespace iplugin::igraphics;
using mixtest::EditorTest;

namespace
{
constexpr int kReturn = 0x0D, kEscape = 0x1B;

// Centre of a control of the tables at channel c's strip.
std::pair<float, float> Centre(const EditorControlPlace& p, int channel = 0)
{
  const EditorBitmap& b = kEditorBitmaps[p.bitmap];
  return {float(p.x + (channel % 8) * kStripWidth) + b.frameWidth / 2.f, float(p.y) + b.frameHeight / 2.f};
}
constexpr const EditorControlPlace& kNoiseGate = kGlobalControls[7];
constexpr const EditorControlPlace& kPluginMode = kGlobalControls[2];
constexpr const EditorControlPlace& kChannelCount = kGlobalControls[4];
constexpr const EditorControlPlace& kGroup = kGlobalControls[5];
constexpr const EditorControlPlace& kMute = kStripControls[2];
constexpr const EditorControlPlace& kSolo = kStripControls[3];
} // namespace

TEST_F(EditorTest, LayoutAttachesEveryControlOnceAndKeepsItsPositions)
{
  Open();
  IGraphics& ui = UI();
  ASSERT_EQ(ui.NControls(), kNumEditorControls);
  EXPECT_TRUE(plug.LayoutDone());
  EXPECT_EQ(plug.mEditorControlIndices[kIdxMainLeftBar], 56);
  EXPECT_EQ(plug.mEditorControlIndices[kIdxPresetMenu], 572);
  EXPECT_EQ(plug.mEditorControlIndices[kIdxUpdateIcon], 575);
  for (int c = 0; c < kEditorChannels; ++c)
  {
    EXPECT_EQ(plug.Engine().mChannels[c].mStripControlTags[kStripPriorityLamp], 60 + 16 * c + 14);
    EXPECT_EQ(plug.Engine().mChannels[c].mStripControlTags[kStripInactiveOverlay], 60 + 16 * c + 15);
  }
  // Channel 9 lies on channel 1; tooltips sit on the upper meter layers.
  EXPECT_EQ(Control(StripControlIndex(9, 5))->GetRECT(), IRECT(124, 127, 164, 167));
  EXPECT_EQ(Control(StripControlIndex(9, 2))->GetRECT().L, 164.f);
  EXPECT_STREQ(Control(57)->GetTooltip(), "Main output meter");
  EXPECT_STREQ(Control(56)->GetTooltip(), "");
  EXPECT_STREQ(Control(StripControlIndex(0, 10))->GetTooltip(), "Channel input meter");
  EXPECT_STREQ(Control(575)->GetTooltip(), "Click to check for updates");
  EXPECT_EQ(ui.GetControlWithTag(3), Control(572));
  EXPECT_EQ(ui.GetMinScale(), 0.5f);
  EXPECT_EQ(ui.GetMaxScale(), 3.f);

  // A second layout (the one a resize asks for) changes nothing.
  plug.LayoutControls(&ui);
  EXPECT_EQ(ui.NControls(), kNumEditorControls);
  EXPECT_EQ(plug.mEditorControlIndices[kIdxUpdateIcon], 575);
}

TEST_F(EditorTest, OpensAtGuiScaleAndAsksForDoubleSizeBitmapsAtScreenScaleTwo)
{
  plug.Change(kParamGuiScale, 2.0);
  Open(2.f);
  IGraphics& ui = UI();
  EXPECT_EQ(ui.GetDrawScale(), 2.f);
  EXPECT_EQ(ui.Width(), 875);
  EXPECT_EQ(ui.Height(), 580);
  auto* knob = dynamic_cast<IBitmapBase*>(Control(kNumHiddenParamControls + 7));
  ASSERT_NE(knob, nullptr);
  EXPECT_EQ(knob->GetBitmap().GetScale(), 2.f);
  EXPECT_EQ(knob->GetBitmap().FW(), 40);
}

TEST_F(EditorTest, OpeningOnAContextThatIsNotReadyAttachesNothingAndLaterTicksTouchNothing)
{
  // First a laid-out editor, so indices are kept; then one whose context is not ready.
  Open();
  Close();
  Open(1.f, false);
  EXPECT_EQ(UI().NControls(), 0);
  EXPECT_FALSE(plug.HasUI());
  EXPECT_TRUE(plug.EditorOpenFlag());
  plug.Change(kParamGroupNumber, 2);
  plug.Engine().mMetersDue = uint8_t{1};
  Idle(); // reads no kept position in the empty list
  SUCCEED();
}

TEST_F(EditorTest, ABitmapMissingFromTheBundleLeavesItsControlsEmptyAndEverythingElseWorking)
{
  for (const char* missing :
       {"/KnobCntrl3.png", "/button_previous.png", "/button_resize.png", "/pluginmenu.png"})
  {
    SCOPED_TRACE(missing);
    testing::internal::CaptureStderr();
    Open(1.f, true, missing);
    ASSERT_EQ(UI().NControls(), kNumEditorControls);
    Advance(100);             // draws every control
    UI().SetScreenScale(2.f); // and fetches every bitmap again
    Advance(100);
    // Said once, although every control of the bitmap asked for it at both scales.
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "The bitmap \"" + std::string(missing + 1) +
                  "\" could not be loaded (missing from the bundle or "
                  "not readable).\n");
    const auto [x, y] = Centre(kGlobalControls[16]); // "Main Volume"
    const double before = Value(kParamMainVolume);
    Hover(x, y);
    Press(x, y);
    DragBy(x, y, -20.f);
    Release(x, y);
    Wheel(x, y, 1.f);
    DblClick(x, y);
    Key("\x1b", kEscape);
    Click(362.f, 25.f); // the previous preset
    Advance(100);
    const bool knobMissing = std::string(missing) == "/KnobCntrl3.png";
    EXPECT_EQ(Control(kNumHiddenParamControls + 16)->GetRECT().W(), knobMissing ? 0.f : 40.f);
    EXPECT_EQ(Value(kParamMainVolume) == before, knobMissing);
    auto [gx, gy] = Centre(kNoiseGate); // the other knobs keep working
    const double gate = Value(kParamNoiseGate);
    Wheel(gx, gy, 1.f);
    EXPECT_GT(Value(kParamNoiseGate), gate);
    Close();
  }
}

TEST_F(EditorTest, GroupsPageAndSendModesLeaveOnlyTheSelectorMenusAndIcon)
{
  Open();
  auto visible = [this](int idx) { return !Control(idx)->IsHidden(); };
  auto stripVisible = [&](int c)
  { return visible(StripControlIndex(c, 5)) && visible(StripControlIndex(c, 9)); };
  for (int c = 0; c < kEditorChannels; ++c)
    EXPECT_EQ(stripVisible(c), c < 8) << c;
  EXPECT_EQ(Control(plug.mEditorControlIndices[kIdxGroupOverlay])->GetValue(), 0.0);

  plug.Change(kParamGroupNumber, 2);
  Idle();
  for (int c = 0; c < kEditorChannels; ++c)
    EXPECT_EQ(stripVisible(c), c >= 16 && c < 24) << c;
  EXPECT_EQ(Control(plug.mEditorControlIndices[kIdxGroupOverlay])->GetValue(), 2.0 / 3.0);
  EXPECT_TRUE(visible(plug.mEditorControlIndices[kIdxMainLeftBar]));

  plug.Change(kParamPluginMode, 5); // "Send CH 4"
  Idle();
  std::vector<int> shown;
  for (int i = kNumHiddenParamControls; i < kNumEditorControls; ++i)
    if (visible(i)) shown.push_back(i);
  const int sendBackground = plug.mEditorControlIndices[kIdxSendBackground];
  EXPECT_EQ(shown, (std::vector<int>{sendBackground, kNumHiddenParamControls + 2, 573, 574, 575}));

  // "Ext. Mixer" with Reverse Mixing greys "PreDelay"; "Int. Mixer" leaves it so.
  IControl* preDelay = Control(kNumHiddenParamControls + 6);
  plug.Change(kParamPluginMode, 1);
  plug.Change(kParamReverseMixing, 1);
  Idle();
  EXPECT_TRUE(preDelay->IsDisabled());
  plug.Change(kParamPluginMode, 0);
  Idle();
  EXPECT_TRUE(preDelay->IsDisabled());
  plug.Change(kParamPluginMode, 1);
  plug.Change(kParamReverseMixing, 0);
  Idle();
  EXPECT_FALSE(preDelay->IsDisabled());
}

// A host may change "Group Number" on its own thread while the editor draws: the pass waits for the
// idle tick on the main thread.
TEST_F(EditorTest, AHostChangeFromAnotherThreadPagesOnlyInTheIdleTick)
{
  Open();
  std::thread host([this] { plug.Change(kParamGroupNumber, 1, kHost); });
  host.join();
  EXPECT_TRUE(plug.ControlVisibilityRequested());
  EXPECT_FALSE(Control(StripControlIndex(0, 5))->IsHidden());
  EXPECT_TRUE(Control(StripControlIndex(8, 5))->IsHidden());
  Idle();
  EXPECT_TRUE(Control(StripControlIndex(0, 5))->IsHidden());
  EXPECT_FALSE(Control(StripControlIndex(8, 5))->IsHidden());
  EXPECT_FALSE(plug.ControlVisibilityRequested());

  // The same value again asks for nothing.
  plug.Change(kParamGroupNumber, 1, kHost);
  EXPECT_FALSE(plug.ControlVisibilityRequested());
}

TEST_F(EditorTest, KnobDragsWheelsResetsAndTakesTypedValues)
{
  Open();
  auto [x, y] = Centre(kNoiseGate);
  const IParam& gate = *plug.GetParam(kParamNoiseGate);
  const double start = gate.GetNormalized();

  Press(x, y);
  DragBy(x, y, -40.f); // one knob height up: a quarter of the range at gearing 4
  Release(x, y - 40.f);
  EXPECT_NEAR(gate.GetNormalized(), start + 0.25, 1e-3);

  const IMouseMod shift(true, false, true);
  Press(x, y, shift);
  DragBy(x, y, -40.f, shift);
  Release(x, y, shift);
  EXPECT_NEAR(gate.GetNormalized(), start + 0.275, 1e-3);

  const IMouseMod control(true, false, false, true);
  Press(x, y, control);
  DragBy(x, y, -40.f, control); // still held: nothing
  Release(x, y, control);
  EXPECT_DOUBLE_EQ(Value(kParamNoiseGate), gate.GetDefault());

  const double base = gate.GetNormalized();
  Wheel(x, y, 1.f);
  EXPECT_NEAR(gate.GetNormalized(), base + 0.01, 2e-3);
  Wheel(x, y, 1.f, IMouseMod(false, false, true));
  EXPECT_NEAR(gate.GetNormalized(), base + 0.011, 2e-3);
  Wheel(x, y, 1.f, IMouseMod(false, false, true, true)); // Control wins
  EXPECT_NEAR(gate.GetNormalized(), base + 0.111, 2e-3);

  // A double click types in the label's place; a letter is refused, Escape keeps the value.
  DblClick(x, y);
  ASSERT_NE(UI().GetControlInTextEntry(), nullptr);
  Key("-", '-');
  Key("x", 'X');
  Key("3", '3');
  Key("0", '0');
  Key("\r", kReturn);
  EXPECT_NEAR(Value(kParamNoiseGate), -30.0, 1e-9);
  DblClick(x, y);
  Key("1", '1');
  Key("\x1b", kEscape);
  EXPECT_NEAR(Value(kParamNoiseGate), -30.0, 1e-9);
  // Undo at the start of an edit has nothing to undo: Return keeps the shown value.
  DblClick(x, y);
  Key("z", 'Z', true);
  Key("\r", kReturn);
  EXPECT_NEAR(Value(kParamNoiseGate), -30.0, 1e-9);
}

TEST_F(EditorTest, ValueMenusChooseModesIncludingAScrolledOneAndTheWheelSteps)
{
  Open();
  auto [mx, my] = Centre(kPluginMode);
  ChooseFrom(mx, my, "Ext. Mixer");
  EXPECT_EQ(Value(kParamPluginMode), 1.0);
  ChooseFrom(mx, my, "Send CH 1");
  EXPECT_EQ(Value(kParamPluginMode), 2.0);
  ChooseFrom(mx, my, "Send CH 32"); // below the editor's height: reached by scrolling
  EXPECT_EQ(Value(kParamPluginMode), 33.0);
  Idle();

  plug.Change(kParamPluginMode, 0);
  Idle();
  auto [cx, cy] = Centre(kChannelCount);
  plug.Change(kParamChannelCount, 0);
  Wheel(cx, cy, 1.f); // at "1", up stays there
  EXPECT_EQ(Value(kParamChannelCount), 0.0);
  Wheel(cx, cy, -3.f);
  EXPECT_EQ(Value(kParamChannelCount), 3.0);
  Wheel(cx, cy, 0.5f);
  EXPECT_EQ(Value(kParamChannelCount), 3.0);
  auto [gx, gy] = Centre(kGroup);
  Wheel(gx, gy, -1.f); // no wheel on "Group Number"
  EXPECT_EQ(Value(kParamGroupNumber), 0.0);
  ChooseFrom(gx, gy, "9 - 16");
  EXPECT_EQ(Value(kParamGroupNumber), 1.0);
}

TEST_F(EditorTest, StripSwitchesAnswerOnceTheInputsAreLive)
{
  plug.SetChannelConnections(ERoute::kInput, 0, 6, true);
  Open();
  Mix(0.2);
  plug.Engine().mMetersDue = uint8_t{1};
  Advance(40);
  EXPECT_TRUE(Control(plug.Engine().mChannels[1].mStripControlTags[kStripInactiveOverlay])->IsHidden());
  auto [x, y] = Centre(kMute, 1);
  Click(x, y);
  EXPECT_EQ(Value(kParamFirstChannel + 8 + 2), 1.0);
  Click(x, y);
  EXPECT_EQ(Value(kParamFirstChannel + 8 + 2), 0.0);
  auto [sx, sy] = Centre(kSolo, 1);
  Click(sx, sy);
  EXPECT_EQ(Value(kParamFirstChannel + 8 + 3), 1.0);
}

TEST_F(EditorTest, MetersPeaksMarksLampsAndOverlaysFollowTheSignal)
{
  plug.SetChannelConnections(ERoute::kInput, 0, 6, true);
  plug.Change(kParamChannelCount, 3); // four channels
  plug.Change(kParamNoiseGate, -30.0);
  Open();
  Mix(0.3);
  plug.Engine().mMetersDue = uint8_t{1};
  Idle();
  auto value = [this](int c, int k)
  { return Control(plug.Engine().mChannels[c].mStripControlTags[k])->GetValue(); };
  for (int c = 0; c < 4; ++c)
  {
    EXPECT_EQ(value(c, kStripInputBar) > 0.5, c < 2) << c;
    EXPECT_GE(value(c, kStripInputPeak), value(c, kStripInputBar)) << c;
    EXPECT_DOUBLE_EQ(value(c, kStripInputMark), 0.5) << c; // -30 dBFS: the middle
    EXPECT_EQ(value(c, kStripOutputMark), 0.0);
    // Inputs are connected: every used strip of the group loses its grey.
    EXPECT_TRUE(Control(plug.Engine().mChannels[c].mStripControlTags[kStripInactiveOverlay])->IsHidden());
  }
  EXPECT_NEAR(value(0, kStripInputBar) - value(1, kStripInputBar), 6.0 / 60.0, 0.02); // half: 6 dB lower
  EXPECT_GT(value(0, kStripPriorityLamp), 0.0);
  for (int c = 4; c < kEditorChannels; ++c)
  {
    EXPECT_EQ(value(c, kStripInputBar), 0.0);
    EXPECT_EQ(value(c, kStripPriorityLamp), 0.0);
    if (c < 8)
    {
      EXPECT_FALSE(Control(plug.Engine().mChannels[c].mStripControlTags[kStripInactiveOverlay])->IsHidden());
    }
  }
  EXPECT_GT(Control(plug.mEditorControlIndices[kIdxMainLeftBar])->GetValue(), 0.0);

  // Silence lets the bars fall; a send mode leaves the meters as they are.
  const double before = value(0, kStripInputBar);
  plug.Change(kParamPluginMode, 2);
  plug.Engine().mMetersDue = uint8_t{1};
  Idle();
  EXPECT_EQ(value(0, kStripInputBar), before);
}

// A meter pass over levels that have not moved marks no control for redraw: not the meters, and not the
// tall overlays, whichever state they hold. Silence in either mixer mode, then a held signal.
TEST_F(EditorTest, AMeterPassOverUnchangedLevelsMarksNothingDirty)
{
  plug.SetChannelConnections(ERoute::kInput, 0, 6, true);
  Open();
  auto pass = [this]()
  {
    plug.Engine().mMetersDue = uint8_t{1};
    Idle();
  };
  auto dirtyAfterSecondPass = [&]()
  {
    pass();
    UI().ClearAllControlsDirty();
    pass();
    std::vector<int> dirty;
    for (int i = 0; i < UI().NControls(); ++i)
      if (Control(i)->IsDirty()) dirty.push_back(i);
    return dirty;
  };
  auto overlay = [this](int c)
  { return Control(plug.Engine().mChannels[c].mStripControlTags[kStripInactiveOverlay]); };

  // "Int. Mixer" with connected inputs: the used strips lose their grey, the rest keep it.
  plug.Change(kParamChannelCount, 3);
  EXPECT_EQ(dirtyAfterSecondPass(), std::vector<int>{});
  EXPECT_TRUE(overlay(0)->IsHidden());
  EXPECT_FALSE(overlay(5)->IsHidden());
  // "Ext. Mixer" without senders: every strip greyed.
  plug.Change(kParamPluginMode, 1);
  pass();
  EXPECT_FALSE(overlay(0)->IsHidden());
  EXPECT_EQ(dirtyAfterSecondPass(), std::vector<int>{});
  // A signal mixed, then held: the first pass moves the meters, the next has nothing to change.
  plug.Change(kParamPluginMode, 0);
  Mix(0.3);
  pass();
  EXPECT_GT(Control(plug.Engine().mChannels[0].mStripControlTags[kStripInputBar])->GetValue(), 0.5);
  EXPECT_EQ(dirtyAfterSecondPass(), std::vector<int>{});
  // A state that does change still redraws its overlay.
  UI().ClearAllControlsDirty();
  plug.Change(kParamChannelCount, 0);
  pass();
  EXPECT_FALSE(overlay(1)->IsHidden());
  EXPECT_TRUE(overlay(1)->IsDirty());
}

TEST_F(EditorTest, PresetMenuStepsLoadsResetsAndSaves)
{
  Open();
  const float nextX = 384.f, prevX = 362.f, rowY = 25.f;
  Click(prevX, rowY); // at the first: nothing
  EXPECT_STREQ(plug.GetPresetName(plug.GetCurrentPresetIdx()), plug.Presets().GetFactoryPreset(0)->mName);
  Click(nextX, rowY);
  EXPECT_STREQ(plug.GetPresetName(0), plug.Presets().GetFactoryPreset(1)->mName);
  for (int i = 0; i < 10; ++i)
    Click(nextX, rowY); // no wrap past the last
  const int last = plug.Presets().NFactoryPresets() - 1;
  EXPECT_STREQ(plug.GetPresetName(0), plug.Presets().GetFactoryPreset(last)->mName);

  Click(480.f, rowY);
  EXPECT_EQ(CellText(0), ">> Preset menu <<");
  ChooseItem("Factory");
  ChooseItem("Auto Mixing", 1);
  EXPECT_STREQ(plug.GetPresetName(0), "Auto Mixing");
  EXPECT_EQ(Value(kParamMixMode), 1.0);

  plug.Change(kParamNoiseGate, -12.0);
  ChooseFrom(480.f, rowY, "Reset to default");
  EXPECT_EQ(Value(kParamNoiseGate), plug.GetParam(kParamNoiseGate)->GetDefault());

  // A save whose dialog is cancelled sends its tag with an empty path: nothing is written.
  ChooseFrom(480.f, rowY, "Save preset ...");
  EXPECT_STREQ(plug.mPresetMenuPath.Get(), "");

  // Saved through the dialog, changed, loaded back.
  const std::string path = home.QorvFolder() + "/Mine.qxs";
  UI().mFileAnswer = path;
  plug.Change(kParamNoiseGate, -42.0);
  ChooseFrom(480.f, rowY, "Save preset ...");
  plug.Change(kParamNoiseGate, -12.0);
  ChooseFrom(480.f, rowY, "Load preset ...");
  EXPECT_NEAR(Value(kParamNoiseGate), -42.0, 1e-9);
}

TEST_F(EditorTest, PluginMenuTogglesTooltipsSetsOptionsScalesAndSendsItsTags)
{
  Open();
  const float x = 205.f, y = 25.f;
  const double tooltips = Value(kParamToggleTooltips);
  Click(x, y);
  EXPECT_EQ(CellText(0), ">> Plugin menu <<");
  ChooseItem("Tooltips");
  EXPECT_EQ(Value(kParamToggleTooltips), 1.0 - tooltips);
  Idle();
  EXPECT_EQ(UI().TooltipsEnabled(), tooltips == 0.0);

  ChooseFrom(x, y, plug.GetParam(kParamReverseMixing)->GetName());
  ChooseItem("On", 1);
  EXPECT_EQ(Value(kParamReverseMixing), 1.0);

  plug.Change(kParamGuiScale, 1.5);
  ChooseFrom(x, y, "Reset GUI scale");
  EXPECT_EQ(Value(kParamGuiScale), 1.0);
  ChooseFrom(x, y, "Set min GUI scale");
  EXPECT_EQ(Value(kParamGuiScale), 0.5);
  Idle();
  EXPECT_EQ(UI().GetDrawScale(), 0.5f);

  // "Fixed GUI Scale" 150 % (index 4) scales the editor; nothing in it is checked.
  Click(x, y);
  ChooseItem("Fixed GUI Scale");
  EXPECT_EQ(Popup().GetPanel(1)->menu->GetItem(4)->GetChecked(), false);
  ChooseItem("150%", 1);
  EXPECT_EQ(Value(kParamGuiScale), 1.5);
  ChooseFrom(x, y, "Reset GUI scale");

  // The data folder and the update page open through the platform.
  ChooseFrom(x, y, "Open data folder ...");
  ChooseFrom(x, y, "Check for update ...");
  ASSERT_EQ(UI().mURLs.size(), 2u);
  EXPECT_EQ(UI().mURLs[0], plug.DataFolder());
  EXPECT_NE(UI().mURLs[1].find("productversioncheck?product=Qorv"), std::string::npos);

  // The about box is shown by the next idle tick, which also empties the stream counter.
  plug.Engine().mInternalBufferCount = 5u;
  ChooseFrom(x, y, "About ...");
  EXPECT_EQ(plug.Engine().mInternalBufferCount.Load(), 0u);
}

TEST_F(EditorTest, CornerResizerReportsEachRescaleAndItsDoubleClickResets)
{
  Open();
  plug.Change(kParamGuiScale, 1.5);
  Idle(); // resizes the context; the resizer reports the scale on screen with 319
  EXPECT_EQ(UI().GetDrawScale(), 1.5f);
  EXPECT_EQ(Value(kParamGuiScale), 1.5);
  const IRECT corner = UI().GetCornerResizer()->GetRECT();
  UI().OnMouseDblClick(corner.MW(), corner.MH(), IMouseMod(true));
  EXPECT_EQ(Value(kParamGuiScale), 1.0);
  Idle();
  EXPECT_EQ(UI().GetDrawScale(), 1.f);

  // Dragging the corner outwards by a fifth scales the editor by a fifth, and "GUI Scale" follows.
  const IRECT start = UI().GetCornerResizer()->GetRECT();
  Press(start.MW(), start.MH());
  UI().OnMouseDrag({qorvtest::MouseAt(start.MW() * 1.2f, start.MH() * 1.2f, IMouseMod(true), 1.f, 1.f)});
  Release(start.MW() * 1.2f, start.MH() * 1.2f);
  EXPECT_NEAR(UI().GetDrawScale(), 1.2f, 1e-4);
  EXPECT_NEAR(Value(kParamGuiScale), 1.2, 0.006);         // the parameter's step is 0.01
  EXPECT_EQ(UI().GetCornerResizer()->GetRECT().R, 875.f); // still in the corner
  const IRECT back = UI().GetCornerResizer()->GetRECT();
  UI().OnMouseDblClick(back.MW(), back.MH(), IMouseMod(true));
  Idle();
  EXPECT_EQ(UI().GetDrawScale(), 1.f);

  // The update icon and the reset area send their tags.
  Click(341.f, 25.f);
  EXPECT_TRUE(plug.UpdatePageRequested());
  Click(270.f, 26.f);
  EXPECT_EQ(plug.Engine().mResetRequest.Load(), 1);
}

TEST_F(EditorTest, KnobLabelShowsOnHoverAndThePresetNameIsShortened)
{
  Open();
  Advance(20);
  UI().TakeLog();
  auto has = [](const std::vector<std::string>& lines, const std::string& line)
  { return std::find(lines.begin(), lines.end(), line) != lines.end(); };

  // The label box is six "0" wide in 13-point text (6.5 points each here), centred on the knob.
  auto [x, y] = Centre(kNoiseGate);
  Hover(x, y);
  Advance(20);
  std::vector<std::string> log = UI().TakeLog({"text", "fill"});
  EXPECT_TRUE(has(log, "text -INF 320.5 74.5 359.5 87.5")) << log.size();
  Hover(438.f, 81.f); // "Mod. Attn.": another text, the same box width
  Advance(20);
  log = UI().TakeLog({"text"});
  EXPECT_FALSE(has(log, "text -INF 320.5 74.5 359.5 87.5"));
  bool found = false;
  for (const std::string& line : log)
    found |= line.ends_with(" 418.5 74.5 457.5 87.5");
  EXPECT_TRUE(found);

  // "Auto Balanced Mixing" (20 characters) is drawn shortened; the tooltip keeps the whole name.
  for (int i = 0; i < 3; ++i)
    Click(384.f, 25.f);
  Advance(20);
  EXPECT_TRUE(has(UI().TakeLog({"text"}), "text Auto Ba ...  Mixing 400 14 552 36"));
  EXPECT_STREQ(Control(572)->GetTooltip(), "Preset menu: Auto Balanced Mixing");
}
