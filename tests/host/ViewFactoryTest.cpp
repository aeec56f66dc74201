// The view factory finds the plug-in behind a unit through the private property and asks it for its
// editor; without an editor that can be made it answers nil.
#include "framework/au/AUComponentInterface.h"
#include "tests/host/InProcessPlugin.h"

using qorvtest::HostDoorTest;

// Exported next to the entry points of the in-process plug-in.
extern "C" iplugin::AUCocoaViewFactory* HostTestExample_View_New();

class ViewFactory : public HostDoorTest
{
};

TEST_P(ViewFactory, FindsThePlugInAndItsCocoaName)
{
  auto au = Open();
  ASSERT_TRUE(au);
  // The class that the CocoaUI property names is made by that name and describes itself after the plug-in.
  std::unique_ptr<iplugin::AUCocoaViewFactory> made(HostTestExample_View_New());
  ASSERT_TRUE(made);
  iplugin::AUCocoaViewFactory& factory = *made;
  ASSERT_EQ(factory.init(), &factory);
  EXPECT_EQ(factory.interfaceVersion(), 0u);
  CFStringRef description = factory.description();
  char text[64] = "";
  CFStringGetCString(description, text, sizeof text, kCFStringEncodingUTF8);
  CFRelease(description);
  EXPECT_STREQ(text, "HostTestExample View");

  // The example has no make-graphics function, so no editor can be made.
  EXPECT_EQ(factory.uiViewForAudioUnit(au->Unit(), 100, 100), nullptr);
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
  EXPECT_EQ(factory.uiViewForAudioUnit(au->Unit(), 0, 0), nullptr);
  EXPECT_NE(factory.mPlug, nullptr);
  AudioUnitCocoaViewInfo info = {};
  EXPECT_EQ(au->Get(kAudioUnitProperty_CocoaUI, kAudioUnitScope_Global, 0, info),
            kAudioUnitErr_InvalidProperty);
}
QORV_INSTANTIATE_DOORS(ViewFactory);
