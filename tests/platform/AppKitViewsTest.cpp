// The AppKit stand-ins behind native menus and text fields: strings counted in UTF-16 units, the view
// tree and first responder, menus that own their items and answer scripted choices, and typing.
#include <AppKit/AppKit.h>
#include <QorvPlatform/Dialogs.h>

#include <gtest/gtest.h>

namespace
{
class AppKitViewsTest : public testing::Test
{
protected:
  void SetUp() override { qorvplatform::ResetDialogs(); }
  void TearDown() override { qorvplatform::ResetDialogs(); }
};

class Target : public NSObject
{
public:
  void pick(NSObject* sender) { picked = dynamic_cast<NSMenuItem*>(sender); }
  NSMenuItem* picked = nullptr;
};

class Refusing : public NSResponder
{
public:
  bool becomeFirstResponder() override { return false; }
};
} // namespace

TEST_F(AppKitViewsTest, StringsCountUtf16UnitsAndReadLeadingIntegers)
{
  EXPECT_EQ(NSString("a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80").characters(),
            (std::vector<char16_t>{u'a', u'\u00e9', u'\u20ac', 0xD83D, 0xDE00}));
  EXPECT_EQ(NSString("\xFFx").length(), 2u); // a stray byte counts as one unit
  const std::vector<std::pair<const char*, int>> ints{
      {"42abc", 42}, {" -7", -7}, {"+3", 3}, {"x1", 0}, {"", 0}, {"99999999999", 2147483647}};
  for (const auto& [text, value] : ints)
    EXPECT_EQ(NSString(text).intValue(), value) << text;
  auto set = NSCharacterSet::characterSetWithCharactersInString("0\xC3\xA9");
  EXPECT_TRUE(set->characterIsMember(u'\u00e9'));
  EXPECT_FALSE(set->characterIsMember(u'1'));
}

TEST_F(AppKitViewsTest, ViewsWindowsAndTheFirstResponder)
{
  auto window = std::make_unique<NSWindow>();
  NSView content(NSMakeRect(0, 0, 100, 100));
  window->setContentView(&content);
  auto child = std::make_unique<NSView>(NSMakeRect(1, 2, 3, 4));
  content.addSubview(child.get());
  EXPECT_EQ(child->window(), window.get());
  EXPECT_TRUE(window->makeFirstResponder(child.get()));
  Refusing refusing;
  EXPECT_FALSE(window->makeFirstResponder(&refusing));
  EXPECT_EQ(window->firstResponder(), nullptr);
  window->makeFirstResponder(child.get());
  child.reset(); // a deleted view leaves its window
  EXPECT_TRUE(content.subviews().empty());
  EXPECT_EQ(window->firstResponder(), nullptr);
  window->makeKeyAndOrderFront(nullptr);
  EXPECT_EQ(NSWindow::keyWindow(), window.get());
  // Off the screen and back: the window keeps its views.
  window->orderOut(nullptr);
  EXPECT_FALSE(window->isVisible());
  EXPECT_EQ(content.window(), window.get());
  window->orderFront(nullptr);
  EXPECT_TRUE(window->isVisible());
  window.reset();
  EXPECT_EQ(NSWindow::keyWindow(), nullptr);
  EXPECT_FALSE(qorvplatform::TypeIntoKeyField("1", qorvplatform::FieldEnd::Return));
}

// A counted view lives while any owner holds it, as the platform's objects do.
TEST_F(AppKitViewsTest, CountedViewsLiveUntilTheirLastOwnerLetsGo)
{
  struct Counted : NSView
  {
    explicit Counted(int& gone) : gone(gone) {}
    ~Counted() override { ++gone; }
    int& gone;
  };
  int gone = 0;
  auto made = std::make_shared<Counted>(gone);
  NSView* view = made.get();
  EXPECT_EQ(view->retain(), view);
  view->retain();
  made.reset();
  view->release();
  EXPECT_EQ(gone, 0);
  view->release();
  EXPECT_EQ(gone, 1);

  // A view owned otherwise goes with its owner; retain and release leave it alone.
  {
    Counted member(gone);
    member.retain();
    member.release();
    member.release();
    EXPECT_EQ(gone, 1);
  }
  EXPECT_EQ(gone, 2);
}

TEST_F(AppKitViewsTest, MenusSendTheScriptedChoiceToItsTarget)
{
  Target target;
  NSMenu menu("");
  NSMenuItem* a = menu.addItemWithTitle("A", SEL(&Target::pick), "");
  a->setTarget(&target);
  menu.addItem(NSMenuItem::separatorItem());
  NSMenuItem* more = menu.addItemWithTitle("More", nullptr, "");
  auto* sub = new NSMenu("");
  sub->addItemWithTitle("B", SEL(&Target::pick), "")->setTarget(&target);
  menu.setSubmenu(sub, more);
  NSMenuItem stranger("S", nullptr, "");
  menu.setSubmenu(new NSMenu(""), &stranger); // not this menu's item: the sub-menu is dropped
  EXPECT_EQ(menu.indexOfItem(&stranger), -1);
  EXPECT_EQ(menu.itemAtIndex(3), nullptr);

  const std::vector<std::pair<std::vector<int>, const char*>> choices{
      {{0}, "A"},    {{2, 0}, "B"},  {{1}, nullptr},      {{2}, nullptr},
      {{}, nullptr}, {{5}, nullptr}, {{2, 0, 0}, nullptr}};
  for (const auto& [path, title] : choices)
  {
    target.picked = nullptr;
    qorvplatform::ScriptMenuChoice(path);
    EXPECT_EQ(menu.popUpMenuPositioningItem(nullptr, NSMakePoint(0, 0), nullptr), title != nullptr);
    EXPECT_EQ(target.picked ? target.picked->title() : "none", title ? title : "none") << path.size();
  }
  EXPECT_FALSE(menu.popUpMenuPositioningItem(nullptr, NSMakePoint(0, 0), nullptr)); // nothing queued
  EXPECT_EQ(qorvplatform::ShownMenus().back().items, (std::vector<std::string>{"A", "---", "More >", "  B"}));
}
