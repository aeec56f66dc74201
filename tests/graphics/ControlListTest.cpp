// The graphics context's control list: attaching, finding, removing (and what removal must forget),
// the special controls, traversals, resizing and rescaling, fonts and rotated text placement.
#include "tests/support/RecordingGraphics.h"

#include <gtest/gtest.h>

#include <functional>

using namespace iplugin;
using namespace iplugin::igraphics;
using qorvtest::RecordingDelegate;
using qorvtest::RecordingGraphics;
using qorvtest::TestControl;

namespace
{
TestControl* Make(int* deleted = nullptr, int paramIdx = -1)
{
  auto* control = new TestControl(IRECT(0, 0, 10, 10), paramIdx);
  control->mDeleted = deleted;
  return control;
}

TEST(GraphicsLifetimeTest, ConstructionSetsRatesScalesAndTellsTheDelegate)
{
  RecordingDelegate dlg;
  RecordingGraphics g(dlg, 300, 200, 0, 1.5f);
  EXPECT_EQ(g.FPS(), 60);
  EXPECT_EQ(g.GetMinScale(), 0.75f);
  EXPECT_EQ(g.GetMaxScale(), 3.f);
  EXPECT_EQ(dlg.GetEditorWidth(), 300);
  EXPECT_EQ(dlg.GetEditorHeight(), 200);
  EXPECT_EQ(dlg.GetEditorScale(), 1.5f);
  EXPECT_EQ(RecordingGraphics(dlg, 10, 10, -5).FPS(), 60);
  EXPECT_EQ(RecordingGraphics(dlg, 10, 10, 30).FPS(), 30);
}

TEST(ControlListTest, AttachRunsTheHooksAndRegistersTags)
{
  RecordingDelegate dlg;
  RecordingGraphics& g = dlg.Open();
  int deleted = 0;
  TestControl* first = Make(&deleted);
  EXPECT_EQ(g.AttachControl(first, 7, "strip"), first);
  EXPECT_EQ(first->mHooks, "init;resize;rescale;attached;");
  EXPECT_EQ(first->GetUI(), &g);
  EXPECT_EQ(first->GetDelegate(), &dlg);
  EXPECT_STREQ(first->GetGroup(), "strip");

  // A second control under the same tag stays the caller's.
  TestControl* second = Make(&deleted);
  EXPECT_EQ(g.AttachControl(second, 7), nullptr);
  EXPECT_EQ(second->mHooks, "");
  EXPECT_EQ(g.NControls(), 1);
  EXPECT_EQ(g.GetControlWithTag(7), first);
  delete second;

  for (int i = 0; i < 3; ++i)
    g.AttachControl(Make(&deleted), -1, nullptr);
  EXPECT_EQ(g.NControls(), 4);
  EXPECT_STREQ(g.GetControl(3)->GetGroup(), "");
  EXPECT_EQ(g.GetControlWithTag(-1), nullptr);
  EXPECT_EQ(g.GetControlWithTag(12345), nullptr);
  EXPECT_EQ(g.GetControl(4), nullptr);
  EXPECT_EQ(g.GetControl(-1), nullptr);

  dlg.CloseWindow();
  EXPECT_EQ(deleted, 5);
}

// Every way a control leaves the context must forget it wherever the context points at it.
struct RemovalCase
{
  const char* name;
  bool special; // a special control rather than a list control
  std::function<void(RecordingGraphics&, IControl*)> remove;
  bool deletes;
};

TEST(ControlListTest, EveryRemovalForgetsCaptureHoverTextEntryAndPopup)
{
  const RemovalCase cases[] = {
      {"RemoveControl", false, [](RecordingGraphics& g, IControl* c) { g.RemoveControl(c); }, true},
      {"RemoveControlAtIndex", false, [](RecordingGraphics& g, IControl* c) { g.RemoveControlAtIndex(g.GetControlIdx(c)); }, true},
      {"RemoveControls", false, [](RecordingGraphics& g, IControl* c) { g.RemoveControls(g.GetControlIdx(c)); }, true},
      {"RemoveControlWithTag", false, [](RecordingGraphics& g, IControl*) { g.RemoveControlWithTag(5); }, false},
      {"RemoveAllControls", false, [](RecordingGraphics& g, IControl*) { g.RemoveAllControls(); }, true},
      {"RemovePopupMenuControl", true, [](RecordingGraphics& g, IControl* c) { g.InstallPopupMenuControl(c), g.RemovePopupMenuControl(); }, true},
      {"RemoveTextEntryControl", true, [](RecordingGraphics& g, IControl* c) { g.InstallTextEntryControl(c), g.RemoveTextEntryControl(); }, true},
      {"FPS display", true, [](RecordingGraphics& g, IControl* c) { g.InstallFPSDisplay(c), g.HideFPSDisplay(); }, true},
  };
  for (const RemovalCase& c : cases)
  {
    RecordingDelegate dlg;
    RecordingGraphics& g = dlg.Open();
    int deleted = 0;
    TestControl* below = Make();
    g.AttachControl(below);
    TestControl* victim = Make(&deleted);
    if (!c.special) g.AttachControl(victim, 5);
    g.AttachControl(Make());

    g.SetCaptured(1, victim);
    g.SetCaptured(2, below);
    g.SetMouseOverControl(victim);
    g.SetInTextEntry(victim);
    g.SetInPopupMenu(victim);
    c.remove(g, victim);

    EXPECT_FALSE(g.ControlIsCaptured()) << c.name; // removing a captured control releases all captures
    EXPECT_EQ(g.GetMouseOverControl(), nullptr) << c.name;
    EXPECT_EQ(g.GetMouseOverIdx(), -1) << c.name;
    EXPECT_EQ(g.GetControlInTextEntry(), nullptr) << c.name;
    EXPECT_EQ(g.GetControlInPopupMenu(), nullptr) << c.name;
    EXPECT_EQ(g.GetControlWithTag(5), nullptr) << c.name;
    EXPECT_EQ(deleted, c.deletes ? 1 : 0) << c.name;
    if (!c.deletes) delete victim;
  }
}

TEST(ControlListTest, RemovalKeepsOthersAndIgnoresUnknownTargets)
{
  RecordingDelegate dlg;
  RecordingGraphics& g = dlg.Open();
  int deleted = 0;
  TestControl* controls[4];
  for (int i = 0; i < 4; ++i)
    g.AttachControl(controls[i] = Make(&deleted, i), 10 + i);

  // Unknown tags, out-of-range indices and foreign controls change nothing.
  g.RemoveControlWithTag(99);
  g.RemoveControlAtIndex(4);
  g.RemoveControlAtIndex(-1);
  TestControl stranger(IRECT(0, 0, 1, 1));
  g.RemoveControl(&stranger);
  g.RemoveControl(nullptr);
  EXPECT_EQ(g.NControls(), 4);

  // The mouse-over control keeps its index when a control below it goes.
  g.SetMouseOverControl(controls[3]);
  g.RemoveControlWithTag(11);
  EXPECT_EQ(g.NControls(), 3);
  EXPECT_EQ(g.GetControl(1), controls[2]);
  EXPECT_EQ(g.GetMouseOverIdx(), 2);
  EXPECT_EQ(deleted, 0);
  delete controls[1];

  g.RemoveControls(1);
  EXPECT_EQ(g.NControls(), 1);
  EXPECT_EQ(deleted, 3);
  EXPECT_EQ(g.GetControlWithTag(13), nullptr);
  EXPECT_EQ(g.GetControlWithTag(10), controls[0]);
  EXPECT_EQ(g.GetParamIdxForControlIdx(0), 0);
  EXPECT_EQ(g.GetParamIdxForControlIdx(1), -1);
}

TEST(ControlListTest, SpecialControlsAreKeptOnceAndVisitedAfterTheList)
{
  RecordingDelegate dlg;
  RecordingGraphics& g = dlg.Open();
  std::vector<IControl*> made;
  auto make = [&]() {
    made.push_back(Make());
    return made.back();
  };
  g.AttachControl(make());
  g.AttachControl(make());
  g.AttachBubbleControlInstance(make());
  g.InstallPopupMenuControl(make());
  g.InstallTextEntryControl(make());
  g.AttachCornerResizer(make(), kResizeSize, true);
  g.InstallFPSDisplay(make());
  // Second ones are deleted at once.
  int deleted = 0;
  g.AttachCornerResizer(Make(&deleted));
  g.InstallPopupMenuControl(Make(&deleted));
  EXPECT_EQ(deleted, 2);

  std::vector<IControl*> visited;
  g.ForAllControlsFunc([&](IControl* c) { visited.push_back(c); });
  const std::vector<IControl*> expected{made[0], made[1], made[6], made[5], made[4], made[3], made[2]};
  EXPECT_EQ(visited, expected);
  EXPECT_EQ(static_cast<TestControl*>(made[5])->mHooks, "init;resize;rescale;");

  int standard = 0;
  static_cast<IGraphicsInterface&>(g).ForStandardControlsFunc([&](IControlInterface*) { ++standard; });
  g.ForStandardControlsFunc([&](IControl* c) { standard += c == made[1]; });
  EXPECT_EQ(standard, 3);

  g.SetAllControlsClean();
  g.SetAllControlsDirty();
  for (IControl* c : made)
    EXPECT_TRUE(c->IsDirty());
}

TEST(ControlListTest, GroupAndParameterTraversals)
{
  RecordingDelegate dlg;
  RecordingGraphics& g = dlg.Open();
  auto* a = new TestControl(IRECT(0, 0, 1, 1), {3, 4});
  auto* b = new TestControl(IRECT(0, 0, 1, 1), 4);
  auto* c = new TestControl(IRECT(0, 0, 1, 1), 5);
  g.AttachControl(a, -1, "left");
  g.AttachControl(b, -1, "right");
  g.AttachControl(c);

  std::vector<IControl*> seen;
  g.ForControlInGroup("left", [&](IControl* x) { seen.push_back(x); });
  g.ForControlInGroup("", [&](IControl* x) { seen.push_back(x); });
  EXPECT_EQ(seen, std::vector<IControl*>{a});

  g.HideControl(4, true);
  EXPECT_TRUE(a->IsHidden());
  EXPECT_TRUE(b->IsHidden());
  EXPECT_FALSE(c->IsHidden());
  g.GrayOutControl(5, true);
  EXPECT_TRUE(c->IsDisabled());
  g.SetControlHighlightForParam(3, true, 2);
  EXPECT_TRUE(a->GetHighlightShown());
  EXPECT_EQ(a->GetHighlightColor(), kColorGreen);

  // Moving a visible control marks everything dirty; a hidden one does not.
  g.SetAllControlsClean();
  g.SetControlBounds(1, IRECT(5, 5, 9, 9));
  EXPECT_EQ(b->GetTargetRECT(), IRECT(5, 5, 9, 9));
  EXPECT_FALSE(c->IsDirty());
  g.SetControlPosition(2, 20, 30);
  EXPECT_TRUE(a->IsDirty());
  g.SetControlSize(7, 1, 1);
}

struct ResizeCase
{
  int w, h;
  float scale;
  int expectW, expectH;
  float expectScale;
};

TEST(ResizeTest, ClampsToTheDelegateLimitsAndTheScaleRange)
{
  const ResizeCase cases[] = {
      {300, 200, 1.5f, 300, 200, 1.5f}, {50, 20, 1.f, 100, 50, 1.f},      {5000, 5000, 1.f, 1000, 1000, 1.f},
      {300, 200, 0.1f, 300, 200, 0.5f}, {300, 200, 9.f, 300, 200, 2.f},
  };
  for (const ResizeCase& c : cases)
  {
    RecordingDelegate dlg;
    RecordingGraphics& g = dlg.Open(400, 300);
    auto* control = Make();
    g.AttachControl(control);
    g.SetCaptured(0, control);
    g.TakeLog();
    control->mHooks.clear();
    g.Resize(c.w, c.h, c.scale);
    EXPECT_EQ(g.Width(), c.expectW);
    EXPECT_EQ(g.Height(), c.expectH);
    EXPECT_EQ(g.GetDrawScale(), c.expectScale);
    ASSERT_EQ(dlg.mWindowSizes.size(), 1u);
    EXPECT_EQ(dlg.mWindowSizes[0], std::make_pair(int(c.expectW * c.expectScale), int(c.expectH * c.expectScale)));
    EXPECT_FALSE(g.ControlIsCaptured());
    EXPECT_EQ(control->mHooks, "resize;");
    EXPECT_EQ(g.TakeLog(), std::vector<std::string>{"drawresize"});
  }
}

TEST(ResizeTest, AnUnchangedSizeDoesNothingAndLayoutRunsOncePerEffectiveResize)
{
  RecordingDelegate dlg;
  RecordingGraphics& g = dlg.Open(400, 300);
  g.SetLayoutOnResize(true);
  g.AttachControl(Make());
  g.SetAllControlsClean();
  g.TakeLog();
  g.Resize(400, 300, 1.f);
  g.Resize(401, 300, 0.25f); // clamps to 0.5
  g.Resize(401, 300, 0.5f);
  EXPECT_EQ(dlg.mLayouts, 1);
  EXPECT_EQ(dlg.mWindowSizes.size(), 1u);
  EXPECT_EQ(g.TakeLog().size(), 1u);

  g.ResizeFromWindow(600, 450, 2.f, true, false);
  EXPECT_EQ(g.Width(), 500);
  EXPECT_EQ(g.Height(), 450);
  g.SetAllControlsClean();
  static_cast<TestControl*>(g.GetControl(0))->mHooks.clear();
  g.SetScreenScale(2.f);
  EXPECT_EQ(g.GetScreenScale(), 2.f);
  EXPECT_EQ(g.GetBackingPixelScale(), 4.f);
  EXPECT_EQ(dlg.mWindowSizes.back(), std::make_pair(1000, 900));
  EXPECT_TRUE(g.GetControl(0)->IsDirty());
  EXPECT_EQ(static_cast<TestControl*>(g.GetControl(0))->mHooks, "rescale;");
}

// A delegate whose maxima lie below its minima: both resizes keep to the minima. (The checking build
// asserts the ordered limits that std::clamp needs.)
TEST(ResizeTest, MaximaBelowTheMinimaGiveWayToTheMinima)
{
  RecordingDelegate dlg;
  RecordingGraphics& g = dlg.Open(400, 300);
  dlg.SetSizeConstraints(500, 200, 350, 100);
  for (const bool inPoints : {false, true})
  {
    g.ResizeFromWindow(900, 900, 1.5f, true, inPoints);
    EXPECT_EQ(g.Width(), 500) << inPoints;
    EXPECT_EQ(g.Height(), 350) << inPoints;
    g.Resize(50, 50, 1.f);
    EXPECT_EQ(g.Width(), 500) << inPoints;
    EXPECT_EQ(g.Height(), 350) << inPoints;
  }
}

TEST(FontTest, LoadsThroughThePlatformAndTheBackEnd)
{
  RecordingDelegate dlg;
  RecordingGraphics& g = dlg.Open();
  EXPECT_TRUE(g.LoadFont("Roboto-Regular", "Roboto-Regular.ttf"));
  EXPECT_EQ(g.TakeLog(), std::vector<std::string>{"cachefont Roboto-Regular"});
  g.mAPIFontLoads = false;
  EXPECT_FALSE(g.LoadFontFromSystem("Sys", "Helvetica", 0));
  g.mAPIFontLoads = true;
  g.mPlatformFontAvailable = false;
  EXPECT_FALSE(g.LoadFontFromMemory("Mem", "x", 1));
  EXPECT_TRUE(g.TakeLog().empty());
}

// A font file of the bundle that cannot be loaded (missing, or refused by the back end) is named once on
// standard error, however often it is asked for.
TEST(FontTest, AFontFileThatCannotBeLoadedIsNamedOnce)
{
  RecordingDelegate dlg;
  RecordingGraphics& g = dlg.Open();
  testing::internal::CaptureStderr();
  g.mPlatformFontAvailable = false;
  EXPECT_FALSE(g.LoadFont("Verdana Bold", "verdanab.ttf"));
  EXPECT_FALSE(g.LoadFont("Verdana Bold", "verdanab.ttf"));
  g.mPlatformFontAvailable = true;
  g.mAPIFontLoads = false;
  EXPECT_FALSE(g.LoadFont("Roboto", "Roboto-Regular.ttf"));
  g.mAPIFontLoads = true;
  EXPECT_TRUE(g.LoadFont("Verdana Normal", "verdana.ttf"));
  EXPECT_EQ(
      testing::internal::GetCapturedStderr(),
      "The font \"verdanab.ttf\" could not be loaded (missing from the bundle or not readable).\n"
      "The font \"Roboto-Regular.ttf\" could not be loaded (missing from the bundle or not readable).\n");
}

TEST(TextRotationTest, RotatedBoxesAreAlignedInsideTheBounds)
{
  RecordingDelegate dlg;
  RecordingGraphics& g = dlg.Open();
  IText text = kDefaultText;
  IRECT rect(0, 0, 40, 10);
  g.CalculateTextRotation(text, IRECT(100, 100, 200, 200), rect);
  EXPECT_EQ(rect, IRECT(0, 0, 40, 10));

  text.mAngle = 90.f;
  text.mAlign = kAlignNear;
  text.mVAlign = kVAlignBottom;
  rect = IRECT(0, 0, 40, 10);
  double tx = 0, ty = 0;
  g.CalculateTextRotation(text, IRECT(100, 100, 200, 200), rect, tx, ty);
  // Rotated a quarter turn about the origin the box spans x -10..0, y 0..40.
  EXPECT_NEAR(rect.L, -10.f, 1e-4);
  EXPECT_NEAR(rect.B, 40.f, 1e-4);
  EXPECT_NEAR(tx, 110.0, 1e-4);
  EXPECT_NEAR(ty, 160.0, 1e-4);
}
TEST(GraphicsDefaultsTest, MinorOperationsAnswerPlainly)
{
  RecordingDelegate dlg;
  RecordingGraphics& g = dlg.Open();
  EXPECT_EQ(g.SetMouseCursor(kHandCursor), kArrowCursor);
  EXPECT_EQ(g.SetMouseCursor(kSizeNWSECursor), kHandCursor);
  EXPECT_TRUE(g.WindowIsOpen());
  EXPECT_EQ(g.GetPlatformInstance(), nullptr);
  int instance = 0;
  g.SetPlatformInstance(&instance);
  EXPECT_EQ(g.GetPlatformInstance(), &instance);
  EXPECT_STREQ(g.GetBundleID(), "");
  EXPECT_STREQ(g.GetPlatformAPIStr(), "");
  EXPECT_TRUE(g.HasPathSupport());
  EXPECT_EQ(g.GetPlatformWindowScale(), 1.f);
  EXPECT_EQ(g.ReservedQueryA(), 0);
  EXPECT_TRUE(g.ReservedQueryB());
  EXPECT_FALSE(g.IsDarkMode());
  StringBuf path("x");
  EXPECT_FALSE(g.RevealPathInFinder(path));

  // Tooltips are rebuilt only when the flag changes.
  g.TakeLog();
  g.EnableTooltips(true);
  g.EnableTooltips(true);
  g.EnableTooltips(false);
  EXPECT_EQ(g.TakeLog(), (std::vector<std::string>{"tooltips", "tooltips"}));
}
} // namespace
