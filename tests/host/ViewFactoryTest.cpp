// The view factory finds the plug-in behind a unit through the private property and asks it for its
// editor; without an editor that can be made it answers nil.
#include "framework/au/AUComponentInterface.h"
#include "graphics/mac/IGraphicsMac.h"
#include "host/EditorCommand.h"
#include "tests/framework/GraphicsDoubles.h"
#include "tests/host/InProcessPlugin.h"

#include <AppKit/NSView.h>
#include <QorvPlatform/Classes.h>

#include <cstdlib>
#include <string>

using qorvtest::HostDoorTest;

namespace
{
// The in-process plug-in's view factory class, found by its name as a host finds it.
std::unique_ptr<iplugin::AUCocoaViewFactory> MakeFactory()
{
  std::string error;
  std::unique_ptr<AUCocoaUIBase> made = qorvhost::MakeViewFactory("HostTestExample_View", error);
  EXPECT_TRUE(made) << error;
  return std::unique_ptr<iplugin::AUCocoaViewFactory>(
      dynamic_cast<iplugin::AUCocoaViewFactory*>(made.release()));
}

// A class on the list that is no view factory, and one of the same name registered after it.
class NotAViewFactory : public NSObject
{
};
NSObject* MakeNotAViewFactory()
{
  return new NotAViewFactory;
}
NSObject* MakeNothing()
{
  return nullptr;
}
} // namespace

class ViewFactory : public HostDoorTest
{
};

// A host makes only what the class list holds under the name, and only a class that adopts the protocol.
TEST(ViewFactoryClass, OnlyAListedClassThatAdoptsTheProtocolIsMade)
{
  qorvplatform::RegisterClass("HostTest_NotAView", MakeNotAViewFactory);
  EXPECT_FALSE(qorvplatform::RegisterClass("HostTest_NotAView", MakeNothing)); // the first one stays
  EXPECT_FALSE(qorvplatform::RegisterClass("HostTestExample_View", MakeNothing));
  const NSString listed("HostTest_NotAView");
  ASSERT_NE(NSClassFromString(&listed), nullptr);
  EXPECT_EQ(NSClassFromString(&listed)->name(), "HostTest_NotAView");
  std::unique_ptr<NSObject> made(NSClassFromString(&listed)->alloc());
  EXPECT_NE(dynamic_cast<NotAViewFactory*>(made.get()), nullptr);
  const NSString unknown("HostTest_Unknown");
  EXPECT_EQ(NSClassFromString(&unknown), nullptr);
  EXPECT_EQ(NSClassFromString(nullptr), nullptr);

  std::string error;
  EXPECT_FALSE(qorvhost::MakeViewFactory("HostTest_NotAView", error));
  EXPECT_EQ(error, "the view class HostTest_NotAView is no Cocoa UI view factory");
  EXPECT_FALSE(qorvhost::MakeViewFactory("HostTest_Unknown", error));
  EXPECT_EQ(error, "the bundle has no view class HostTest_Unknown");
  EXPECT_TRUE(MakeFactory()); // the example's, registered when the binary was loaded
}

TEST_P(ViewFactory, FindsThePlugInAndItsCocoaName)
{
  auto au = Open();
  ASSERT_TRUE(au);
  // The class that the CocoaUI property names is made by that name and describes itself after the plug-in.
  std::unique_ptr<iplugin::AUCocoaViewFactory> made = MakeFactory();
  ASSERT_TRUE(made);
  iplugin::AUCocoaViewFactory& factory = *made;
  EXPECT_EQ(factory.mPlug, nullptr); // made initialised
  ASSERT_EQ(factory.init(), &factory);
  EXPECT_EQ(factory.interfaceVersion(), 0u);
  CFStringRef description = factory.description();
  char text[64] = "";
  CFStringGetCString(description, text, sizeof text, kCFStringEncodingUTF8);
  CFRelease(description);
  EXPECT_STREQ(text, "HostTestExample View");

  // The example has no make-graphics function, so no editor can be made.
  EXPECT_EQ(factory.uiViewForAudioUnit(au->Unit(), NSMakeSize(100, 100)), nullptr);
  EXPECT_EQ(factory.mPlug, qorvtest::PlugOf(*au));

  // Every instance names its view class; the bundle of the in-process plug-in is not known.
  EXPECT_STREQ(qorvtest::PlugOf(*au)->GetCocoaViewClassName(), "HostTestExample_View");
  AudioUnitCocoaViewInfo info = {};
  EXPECT_EQ(au->Get(kAudioUnitProperty_CocoaUI, kAudioUnitScope_Global, 0, info),
            kAudioUnitErr_InvalidProperty);
}

TEST_P(ViewFactory, AnswersNilForAPlugInWithoutEditor)
{
  auto au = Open();
  ASSERT_TRUE(au);
  qorvtest::PlugOf(*au)->SetHasUI(false);
  iplugin::AUCocoaViewFactory factory("x");
  factory.init();
  EXPECT_EQ(factory.uiViewForAudioUnit(au->Unit(), NSMakeSize(0, 0)), nullptr);
  EXPECT_NE(factory.mPlug, nullptr);
  AudioUnitCocoaViewInfo info = {};
  EXPECT_EQ(au->Get(kAudioUnitProperty_CocoaUI, kAudioUnitScope_Global, 0, info),
            kAudioUnitErr_InvalidProperty);
}
// Each request opens the editor anew; the delegate closes the one that is open first.
TEST_P(ViewFactory, AskingTwiceOpensTheEditorTwice)
{
  auto au = Open();
  ASSERT_TRUE(au);
  iplugin::IPluginAU* plug = qorvtest::PlugOf(*au);
  std::string log;
  plug->mMakeGraphicsFunc = [plug, &log]
  {
    log += "make;";
    return new qorvtest::FakeGraphics(*plug, 875, 580, 1.f, &log);
  };
  std::unique_ptr<iplugin::AUCocoaViewFactory> factory = MakeFactory();
  ASSERT_TRUE(factory);
  NSView* first = factory->uiViewForAudioUnit(au->Unit(), NSMakeSize(0, 0));
  EXPECT_NE(first, nullptr);
  EXPECT_EQ(log, "make;open;");
  log.clear();
  EXPECT_NE(factory->uiViewForAudioUnit(au->Unit(), NSMakeSize(0, 0)), nullptr);
  EXPECT_EQ(log, "close;deleted;make;resize;open;"); // the second takes the size the first closed at
  plug->CloseWindow();
}

// The platform's graphics class behind the example, so that its view is the editor's real view.
class HostWindowView : public ViewFactory
{
protected:
  std::unique_ptr<qorvhost::EditorWindow> OpenEditor(qorvhost::HostInstance& au)
  {
    iplugin::IPluginAU* plug = qorvtest::PlugOf(au);
    plug->mMakeGraphicsFunc = [plug] { return iplugin::igraphics::MakeQorvGraphics(*plug, 300, 200, 60); };
    std::string error;
    auto editor = qorvhost::EditorWindow::Open(au.Unit(), MakeFactory(), "Example", error);
    EXPECT_TRUE(editor) << error;
    return editor;
  }
  void SetUp() override
  {
    ViewFactory::SetUp();
    setenv("QORV_HEADLESS", "1", 1);
  }
};

// The instance goes while its window is open: the plug-in's view leaves the window, and the host's
// reference stays valid until the window closes.
TEST_P(HostWindowView, TheViewOutlivesAnInstanceDisposedWithItsWindowOpen)
{
  auto au = Open();
  ASSERT_TRUE(au);
  std::unique_ptr<qorvhost::EditorWindow> editor = OpenEditor(*au);
  ASSERT_TRUE(editor);
  NSView& view = editor->View();
  EXPECT_EQ(view.window(), &editor->Window());
  au.reset();
  EXPECT_EQ(view.superview(), nullptr);
  EXPECT_EQ(view.window(), nullptr);
  editor.reset();
}

// A second view asked for closes the first editor; the host still closes the first window itself.
TEST_P(HostWindowView, TheFirstViewOutlivesASecondOneAskedFor)
{
  auto au = Open();
  ASSERT_TRUE(au);
  std::unique_ptr<qorvhost::EditorWindow> first = OpenEditor(*au);
  ASSERT_TRUE(first);
  std::unique_ptr<qorvhost::EditorWindow> second = OpenEditor(*au);
  ASSERT_TRUE(second);
  NSView& firstView = first->View();
  EXPECT_NE(&firstView, &second->View());
  EXPECT_EQ(firstView.superview(), nullptr);
  first.reset();
  EXPECT_TRUE(qorvtest::PlugOf(*au)->GetUI()); // closing the old window leaves the new editor open
  EXPECT_EQ(second->View().window(), &second->Window());
  second.reset();
  EXPECT_FALSE(qorvtest::PlugOf(*au)->GetUI());
}

// The plug-in resizes its view (its corner, its scale menu); the host's window takes the view's size and
// keeps its top left corner where it was.
TEST_P(HostWindowView, TheWindowFollowsTheViewKeepingItsTopLeftCorner)
{
  auto au = Open();
  ASSERT_TRUE(au);
  std::unique_ptr<qorvhost::EditorWindow> editor = OpenEditor(*au);
  ASSERT_TRUE(editor);
  NSWindow& window = editor->Window();
  const NSRect before = window.contentRect();
  EXPECT_EQ(before.size.width, 300);
  EXPECT_EQ(before.size.height, 200);
  const double top = before.origin.y + before.size.height;
  for (NSSize size : {NSMakeSize(450, 300), NSMakeSize(150, 100), NSMakeSize(300, 200)})
  {
    editor->View().setFrameSize(size);
    const NSRect r = window.contentRect();
    EXPECT_EQ(r.size.width, size.width);
    EXPECT_EQ(r.size.height, size.height);
    EXPECT_EQ(r.origin.x, before.origin.x);
    EXPECT_EQ(r.origin.y + r.size.height, top);
    // The view fills the content: its top left corner is the window's.
    NSView& view = editor->View();
    const NSPoint topLeft =
        view.convertPointToView(NSMakePoint(0, view.isFlipped() ? 0 : size.height), nullptr);
    EXPECT_EQ(topLeft.x, 0);
    EXPECT_EQ(topLeft.y, size.height);
  }
}

QORV_INSTANTIATE_DOORS(ViewFactory);
QORV_INSTANTIATE_DOORS(HostWindowView);
