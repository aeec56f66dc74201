// The native popup menu and text field on the platform stand-ins: a recording context forwards its
// platform prompts to the Cocoa view as the platform class does, and the scripted menus and typing
// stand in for the user.
#include "framework/IParam.h"
#include "graphics/mac/FontDescriptorCache.h"
#include "graphics/mac/IGraphicsMenu.h"
#include "graphics/mac/IGraphicsView.h"
#include "tests/support/RecordingGraphics.h"

#include <QorvPlatform/Dialogs.h>
#include <gtest/gtest.h>

using namespace iplugin;
using namespace iplugin::igraphics;
using qorvplatform::FieldEnd;
using qorvplatform::ShownMenus;
using qorvplatform::TypeIntoKeyField;
using qorvtest::RecordingDelegate;
using qorvtest::RecordingGraphics;
using qorvtest::TestControl;

namespace
{
NSRect ToView(const IRECT& r, float scale)
{
  return NSMakeRect(r.L * scale, r.T * scale, r.W() * scale, r.H() * scale);
}

// The platform class's forwarding of prompts to its view, in view points.
class NativeGraphics : public RecordingGraphics
{
public:
  NativeGraphics(IGEditorDelegate& dlg, int w, int h, float scale)
      : RecordingGraphics(dlg, w, h, 60, scale), mView(this, NSMakeRect(0, 0, w * scale, h * scale))
  {
    mWindow.setContentView(&mView);
  }
  void CreatePlatformTextEntry(int paramIdx, const IText& text, const IRECT& bounds, int length,
                               const char* str) override
  {
    mView.createTextEntry(paramIdx, text, str, length, ToView(bounds, GetDrawScale()));
  }
  IPopupMenu* CreatePlatformPopupMenu(IPopupMenu& menu, const IRECT& bounds, bool& isAsync) override
  {
    isAsync = false;
    return mView.createPopupMenu(menu, ToView(bounds, GetDrawScale()));
  }
  void EndUserInput() override { mView.endUserInput(); }

  NSWindow mWindow;
  IGraphicsView_vQorv_au mView;
};

enum Params
{
  kMode,
  kGain,
  kVoices,
  kLogGain, // a logarithmic shape over a range that reaches below zero
  kNumParams
};

class NativePromptTest : public ::testing::Test
{
protected:
  NativePromptTest() : dlg(kNumParams)
  {
    qorvplatform::ResetDialogs();
    dlg.GetParam(kMode)->InitEnumList("Mix Mode", 1, {"Off", "Auto", "Auto Bal.", "Prio"});
    dlg.GetParam(kGain)->InitDouble("Gain", 0.0, -70.0, 24.0, 0.1, "dB");
    dlg.GetParam(kVoices)->InitInt("Voices", 4, 1, 64);
    dlg.GetParam(kLogGain)->InitDouble("Log Gain", 1.0, -10.0, 10.0, 0.1, "", 0, "", IParam::ShapeExp());
    dlg.mMakeGraphicsFunc = [this]() { return new NativeGraphics(dlg, 200, 100, 2.f); };
    dlg.OpenWindow(nullptr);
    g = static_cast<NativeGraphics*>(dlg.GetUI());
  }
  ~NativePromptTest() override { qorvplatform::ResetDialogs(); }

  TestControl* Attach(int param, const IRECT& r = IRECT(10, 10, 60, 25))
  {
    auto* c = new TestControl(r, param);
    c->DisablePrompt(false);
    g->AttachControl(c);
    return c;
  }

  RecordingDelegate dlg;
  NativeGraphics* g = nullptr;
};
} // namespace

TEST_F(NativePromptTest, TheMenuShowsOneItemPerModelItemAndMapsTheChoiceBack)
{
  using Item = IPopupMenu::Item;
  IPopupMenu menu("", 2);
  menu.AddItem("Open");
  menu.AddItem(new Item("", Item::kSeparator | Item::kDisabled | Item::kTitle | Item::kChecked));
  menu.AddItem(new Item("Heading", Item::kTitle));
  menu.AddItem(new Item("Locked", Item::kDisabled | Item::kChecked));
  auto* presets = new IPopupMenu("", 0, false, {"Factory", "User"});
  menu.AddItem("Presets", presets);
  menu.AddItem("Save");
  const NSRect area = NSMakeRect(10, 20, 30, 40);

  qorvplatform::ScriptMenuChoice({4, 1});
  EXPECT_EQ(g->mView.createPopupMenu(menu, area), presets);
  EXPECT_EQ(presets->GetChosenItemIdx(), 1);
  qorvplatform::ScriptMenuChoice({5});
  EXPECT_EQ(g->mView.createPopupMenu(menu, area), &menu);
  EXPECT_EQ(menu.GetChosenItemIdx(), 5);
  EXPECT_STREQ(menu.GetChosenItem()->GetText(), "Save");
  qorvplatform::ScriptMenuChoice({3}); // disabled
  EXPECT_EQ(g->mView.createPopupMenu(menu, area), nullptr);
  EXPECT_EQ(g->mView.createPopupMenu(menu, area), nullptr); // dismissed

  ASSERT_EQ(ShownMenus().size(), 4u);
  // Four points below the area.
  EXPECT_EQ(ShownMenus()[0].x, 10.0);
  EXPECT_EQ(ShownMenus()[0].y, 64.0);
  EXPECT_EQ(ShownMenus()[0].items, (std::vector<std::string>{"01: Open", "---", "03: Heading [indent 1]",
                                                             "04: Locked [on] [disabled]", "05: Presets >",
                                                             "  Factory", "  User", "06: Save"}));
}

TEST_F(NativePromptTest, AValueMenuSetsTheParameterAndEndsTheGesture)
{
  TestControl* c = Attach(kMode);
  qorvplatform::ScriptMenuChoice({3});
  g->PromptUserInput(*c, c->GetRECT(), 0);
  ASSERT_EQ(ShownMenus().size(), 1u);
  EXPECT_EQ(ShownMenus()[0].items, (std::vector<std::string>{"Off", "Auto [on]", "Auto Bal.", "Prio"}));
  EXPECT_EQ(ShownMenus()[0].y, 2.0 * (c->GetRECT().B) + 4.0);
  EXPECT_EQ(dlg.mSentValues, (std::vector<std::pair<int, double>>{{kMode, 1.0}}));
  EXPECT_EQ(dlg.mGestures, std::vector<int>{-1 - kMode});
}

TEST_F(NativePromptTest, TheTextFieldFiltersWhatIsTypedAndDeliversItOnReturn)
{
  struct Case
  {
    int param;
    const char* typed;
    const char* kept;
  };
  const std::vector<Case> cases{
      {kVoices, "1.5", "15"},             // an integer field rejects the "."
      {kVoices, "+-12345678", "+-12345"}, // seven characters at most
      {kGain, "-1.5k", "-1.5k"},
      {kGain, "2 dB", "2"},
  };
  for (const Case& c : cases)
  {
    TestControl* control = Attach(c.param);
    control->SetValue(0.123); // so that every result is a change
    g->PromptUserInput(*control, control->GetRECT(), 0);
    IGraphicsTextField_vQorv_au* field = g->mView.textField();
    ASSERT_NE(field, nullptr) << c.typed;
    EXPECT_EQ(g->mWindow.firstResponder(), field);
    ASSERT_TRUE(TypeIntoKeyField(c.typed, FieldEnd::Return));
    EXPECT_EQ(g->mView.textField(), nullptr) << c.typed;
    EXPECT_EQ(g->mWindow.firstResponder(), &g->mView);
    EXPECT_EQ(g->GetControlInTextEntry(), nullptr);
    const IParam* p = dlg.GetParam(c.param);
    ASSERT_FALSE(dlg.mSentValues.empty());
    EXPECT_DOUBLE_EQ(dlg.mSentValues.back().second,
                     p->ToNormalizedClamped(std::clamp(p->StringToValue(c.kept), p->GetMin(), p->GetMax())))
        << c.typed;
  }
  EXPECT_FALSE(TypeIntoKeyField("1", FieldEnd::Return));
}

// A value that the parameter's shape cannot normalise (the logarithm of a value below zero) means the
// bottom of the range, never NaN: from the middle the control goes there; already there, it stays and the
// host hears nothing.
TEST_F(NativePromptTest, AValueItsShapeCannotNormaliseMeansTheBottomOfTheRange)
{
  TestControl* c = Attach(kLogGain);
  for (const double start : {0.5, 0.0})
  {
    c->SetValue(start);
    const size_t sent = dlg.mSentValues.size();
    g->PromptUserInput(*c, c->GetRECT(), 0);
    ASSERT_TRUE(TypeIntoKeyField("-5", FieldEnd::Return));
    EXPECT_EQ(c->GetValue(), 0.0);
    if (start == 0.0)
      EXPECT_EQ(dlg.mSentValues.size(), sent);
    else
      EXPECT_EQ(dlg.mSentValues.back(), std::make_pair(int(kLogGain), 0.0));
  }
}

TEST_F(NativePromptTest, TheFieldIsPlacedStyledAndCentredInView)
{
  TestControl* c = Attach(kGain, IRECT(10, 10, 60, 25));
  IText style;
  style.mSize = 10.f;
  style.mAlign = kAlignFar;
  style.mTextEntryFGColor = IColor(255, 255, 0, 0);
  style.mTextEntryBGColor = IColor(255, 0, 0, 255);
  c->SetText(style);
  g->PromptUserInput(*c, c->GetRECT(), 0);
  IGraphicsTextField_vQorv_au* field = g->mView.textField();
  ASSERT_NE(field, nullptr);
  const NSRect frame = field->frame();
  EXPECT_EQ((std::vector<double>{frame.origin.x, frame.origin.y, frame.size.width, frame.size.height}),
            (std::vector<double>{20, 20, 100, 30}));
  EXPECT_EQ(field->stringValue(), "0.0");
  EXPECT_EQ(field->alignment(), NSRightTextAlignment);
  EXPECT_EQ(field->textColor(), NSColor::colorWithDeviceRed(1, 0, 0, 1));
  EXPECT_EQ(field->backgroundColor(), NSColor::colorWithDeviceRed(0, 0, 1, 1));
  EXPECT_EQ(*field->currentEditor()->insertionPointColor(), field->textColor());
  EXPECT_FALSE(field->isBordered());
  EXPECT_EQ(field->focusRingType(), NSFocusRingTypeNone);
  EXPECT_EQ(field->cell()->lineBreakMode(), NSLineBreakByTruncatingTail);
  // A font that was never loaded: the system font at the size times the draw scale.
  EXPECT_EQ(field->font().fontName, ".AppleSystemUIFont");
  EXPECT_EQ(field->font().pointSize, 20.0);
  // Middle alignment: one 24-point line centred in the 30-point field while editing begins.
  auto* cell = dynamic_cast<IGraphicsTextFieldCell_vQorv_au*>(field->cell());
  ASSERT_NE(cell, nullptr);
  EXPECT_EQ(cell->editingFrame().origin.y, 3.0);
  EXPECT_EQ(cell->editingFrame().size.height, 24.0);
  TypeIntoKeyField("1", FieldEnd::Return);

  // A loaded font is sized by its em ratio; top alignment keeps the plain cell.
  {
    StaticStorage<CoreTextFontDescriptor>& cache = FontDescriptorCache();
    MutexLock lock(cache.GetMutex());
    cache.Add(new CoreTextFontDescriptor{{"Roboto-Regular"}, 0.8, nullptr}, "Roboto", 1.0);
  }
  style.SetFont("Roboto");
  style.mVAlign = kVAlignTop;
  c->SetText(style);
  g->PromptUserInput(*c, c->GetRECT(), 0);
  field = g->mView.textField();
  ASSERT_NE(field, nullptr);
  EXPECT_EQ(field->font().fontName, "Roboto-Regular");
  EXPECT_DOUBLE_EQ(field->font().pointSize, 16.0);
  EXPECT_EQ(dynamic_cast<IGraphicsTextFieldCell_vQorv_au*>(field->cell()), nullptr);
  {
    StaticStorage<CoreTextFontDescriptor>& cache = FontDescriptorCache();
    MutexLock lock(cache.GetMutex());
    cache.Clear();
  }
}

TEST_F(NativePromptTest, AnAbandonedFieldGivesWayToTheNextPromptWhoseControlGetsTheText)
{
  TestControl* gain = Attach(kGain);
  TestControl* voices = Attach(kVoices);
  g->PromptUserInput(*gain, gain->GetRECT(), 0);
  ASSERT_TRUE(TypeIntoKeyField("5", FieldEnd::Escape));
  ASSERT_NE(g->mView.textField(), nullptr);
  EXPECT_TRUE(dlg.mSentValues.empty());

  g->PromptUserInput(*voices, voices->GetRECT(), 0);
  ASSERT_NE(g->mView.textField(), nullptr);
  EXPECT_EQ(g->mView.textField()->stringValue(), "4");
  ASSERT_TRUE(TypeIntoKeyField("8", FieldEnd::Return));
  EXPECT_EQ(dlg.mSentValues,
            (std::vector<std::pair<int, double>>{{kVoices, dlg.GetParam(kVoices)->ToNormalized(8.0)}}));
}

TEST(NativeFormatterTest, LimitsAndConversions)
{
  IGraphicsFormatter_vQorv_au f;
  EXPECT_TRUE(f.isPartialStringValid(NSString("anything"), nullptr, nullptr));
  f.setAcceptableCharacterSet(NSCharacterSet::characterSetWithCharactersInString("0123456789"));
  f.setMaximumLength(3);
  f.setMaximumValue(500);
  EXPECT_TRUE(f.isPartialStringValid(NSString("499"), nullptr, nullptr));
  EXPECT_FALSE(f.isPartialStringValid(NSString("501"), nullptr, nullptr));
  EXPECT_FALSE(f.isPartialStringValid(NSString("1000"), nullptr, nullptr));
  EXPECT_FALSE(f.isPartialStringValid(NSString("4a"), nullptr, nullptr));
  const NSString text("12");
  EXPECT_STREQ(f.stringForObjectValue(&text)->UTF8String(), "12");
  const NSCharacterSet notText;
  EXPECT_EQ(f.stringForObjectValue(&notText), nullptr);
  std::shared_ptr<NSObject> value;
  EXPECT_TRUE(f.getObjectValue(&value, text, nullptr));
  EXPECT_STREQ(dynamic_cast<NSString*>(value.get())->UTF8String(), "12");
  EXPECT_TRUE(f.getObjectValue(nullptr, text, nullptr));
}
