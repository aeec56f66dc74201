#include "GraphicsDoubles.h"

#include <gtest/gtest.h>

using namespace iplugin;
using namespace iplugin::igraphics;
using qorvtest::FakeControl;
using qorvtest::FakeGraphics;

namespace
{
// A delegate with three parameters: 0 double 0..10 stepped by 0.5, 1 and 2 plain 0..1.
class Delegate : public IGEditorDelegate
{
public:
  Delegate() : IGEditorDelegate(3)
  {
    GetParam(0)->InitDouble("stepped", 0, 0, 10, 0.5, "", IParam::kFlagStepped);
    GetParam(1)->InitDouble("one", 0, 0, 1, 0.01);
    GetParam(2)->InitDouble("two", 0, 0, 1, 0.01);
    mMakeGraphicsFunc = [this] { return mLast = new FakeGraphics(*this, 875, 580, 1.f, &mLog); };
  }
  // The base part deletes the context after this part's log is gone.
  ~Delegate() override
  {
    if (Graphics()) Graphics()->mLog = nullptr;
  }
  void OnEditorClosed() override { mLog += "closed;"; }
  void HandleParamChange(int idx, EParamSource source, int offset) override
  {
    mLog += "change" + std::to_string(idx) + "/" + std::to_string(source) + ";";
  }
  void HandleParamChangeUI(int idx, EParamSource source) override
  {
    mLog += "ui" + std::to_string(idx) + "/" + std::to_string(source) + ";";
  }
  void HandleMidiMsgUI(const IMidiMsg& msg) override { mLog += "midi;"; }

  FakeGraphics* Graphics() const { return static_cast<FakeGraphics*>(GetUI()); }

  std::string mLog;
  FakeGraphics* mLast = nullptr;
};
} // namespace

TEST(EditorDelegate, TableHoldsDefaultParametersAndResetVisitsEachInOrder)
{
  Delegate d;
  EXPECT_EQ(d.NParams(), 3);
  EXPECT_EQ(d.GetParam(3), nullptr);
  d.HandleParamReset(kPresetRecall);
  EXPECT_EQ(d.mLog, "change0/2;ui0/2;change1/2;ui1/2;change2/2;ui2/2;");
}

TEST(EditorDelegate, OpenWithoutMakeGraphicsGivesNoEditor)
{
  Delegate d;
  d.mMakeGraphicsFunc = nullptr;
  EXPECT_EQ(d.OpenWindow(nullptr), nullptr);
  EXPECT_EQ(d.GetUI(), nullptr);
}

TEST(EditorDelegate, OpenLaysOutAndReturnsThePlatformView)
{
  Delegate d;
  int layouts = 0;
  d.mLayoutFunc = [&](IGraphicsInterface* g)
  {
    ++layouts;
    static_cast<FakeGraphics*>(g)->Attach(new FakeControl({1}));
  };
  void* view = d.OpenWindow(nullptr);
  ASSERT_NE(d.Graphics(), nullptr);
  EXPECT_EQ(view, &d.Graphics()->mView);
  EXPECT_EQ(layouts, 1);
  EXPECT_TRUE(d.IsEditorOpen());
}

TEST(EditorDelegate, ReopeningRestoresSizeAndScaleOfTheLastClose)
{
  Delegate d;
  d.OpenWindow(nullptr);
  d.Graphics()->Resize(1312, 870, 1.5f, true);
  d.CloseWindow();
  EXPECT_EQ(d.GetUI(), nullptr);
  EXPECT_FALSE(d.IsEditorOpen());
  d.mLog.clear();
  d.OpenWindow(nullptr);
  EXPECT_EQ(d.mLog, "resize;open;");
  EXPECT_EQ(d.Graphics()->Width(), 1312);
  EXPECT_EQ(d.Graphics()->Height(), 870);
  EXPECT_EQ(d.Graphics()->GetDrawScale(), 1.5f);
}

TEST(EditorDelegate, OpeningTwiceClosesTheFirstContext)
{
  Delegate d;
  d.OpenWindow(nullptr);
  d.mLog.clear();
  d.OpenWindow(nullptr);
  EXPECT_EQ(d.mLog, "closed;close;deleted;resize;open;");
}

TEST(EditorDelegate, CloseWithoutContextOnlyNotifies)
{
  Delegate d;
  d.OpenWindow(nullptr);
  d.mLog.clear();
  d.CloseWindow();
  EXPECT_EQ(d.mLog, "closed;close;deleted;");
  d.mLog.clear();
  d.CloseWindow();
  EXPECT_EQ(d.mLog, "closed;");
}

// The platform view asks the delegate to close while it is being closed; that inner request is ignored.
TEST(EditorDelegate, CloseRequestedDuringCloseIsIgnored)
{
  Delegate d;
  d.OpenWindow(nullptr);
  d.Graphics()->mCloseReenters = true;
  d.mLog.clear();
  d.CloseWindow();
  EXPECT_EQ(d.mLog, "closed;close;deleted;");
}

TEST(EditorDelegate, ParameterValuesReachEveryBoundValueOfEveryControl)
{
  Delegate d;
  d.OpenWindow(nullptr);
  FakeGraphics* g = d.Graphics();
  FakeControl* twice = g->Attach(new FakeControl({0, 1, 0}));
  FakeControl* other = g->Attach(new FakeControl({2}));
  FakeControl* unbound = g->Attach(new FakeControl({-1}));
  d.mLog.clear();
  // 3.3 lies between the steps 3.0 and 3.5: the controls get the normalised value of 3.5.
  d.SendParameterValueFromDelegate(0, 3.3, false);
  ASSERT_EQ(twice->mReceived.size(), 2u);
  EXPECT_EQ(twice->mReceived[0], (std::pair<int, double>{0, 0.35}));
  EXPECT_EQ(twice->mReceived[1], (std::pair<int, double>{2, 0.35}));
  EXPECT_TRUE(other->mReceived.empty());
  EXPECT_TRUE(unbound->mReceived.empty());
  EXPECT_EQ(d.mLog, "ui0/4;");

  d.SendParameterValueFromDelegate(2, 0.25, true);
  EXPECT_EQ(other->mReceived.back(), (std::pair<int, double>{0, 0.25}));
}

TEST(EditorDelegate, ParameterValueWithoutEditorOnlyNotifiesThePlugin)
{
  Delegate d;
  d.SendParameterValueFromDelegate(1, 0.5, true);
  EXPECT_EQ(d.mLog, "ui1/4;");
}

TEST(EditorDelegate, RestoreStateRefreshesAllParametersNormalised)
{
  Delegate d;
  d.OpenWindow(nullptr);
  FakeControl* c = d.Graphics()->Attach(new FakeControl({0, 1}));
  d.GetParam(0)->Set(5.0);
  d.GetParam(1)->Set(0.2);
  d.HandleRestoreState();
  ASSERT_EQ(c->mReceived.size(), 2u);
  EXPECT_DOUBLE_EQ(c->mReceived[0].second, 0.5);
  EXPECT_DOUBLE_EQ(c->mReceived[1].second, 0.2);
}

TEST(EditorDelegate, ControlSendsFindTheTaggedControlOrNothing)
{
  Delegate d;
  d.SendControlValueFromDelegate(7, 0.5); // no editor: nothing
  d.OpenWindow(nullptr);
  FakeControl* tagged = d.Graphics()->Attach(new FakeControl({-1}), 7);
  d.SendControlValueFromDelegate(7, 0.75);
  d.SendControlValueFromDelegate(8, 0.1);
  d.SendControlMsgFromDelegate(7, 42);
  d.SendControlMsgFromDelegate(9, 43);
  EXPECT_EQ(tagged->mReceived, (std::vector<std::pair<int, double>>{{0, 0.75}}));
  EXPECT_EQ(tagged->mMsgTags, std::vector<int>{42});
}

TEST(EditorDelegate, MidiGoesToControlsThatWantItThenToThePlugin)
{
  Delegate d;
  d.OpenWindow(nullptr);
  FakeControl* wants = d.Graphics()->Attach(new FakeControl({-1}, true));
  FakeControl* deaf = d.Graphics()->Attach(new FakeControl({-1}, false));
  d.mLog.clear();
  d.SendMidiMsgFromDelegate(IMidiMsg(0, 0x90, 60, 100));
  EXPECT_EQ(wants->mMidi, std::vector<int>{0x90});
  EXPECT_TRUE(deaf->mMidi.empty());
  EXPECT_EQ(d.mLog, "midi;");
}

TEST(EditorDelegate, KeysNeedAnOpenEditor)
{
  Delegate d;
  IKeyPress key("a", 65);
  EXPECT_FALSE(d.OnKeyDown(key));
  d.OpenWindow(nullptr);
  d.SetEditorOpen(false);
  d.mLog.clear();
  EXPECT_FALSE(d.OnKeyDown(key));
  EXPECT_EQ(d.mLog, "");
  d.SetEditorOpen(true);
  EXPECT_TRUE(d.OnKeyDown(key));
  EXPECT_FALSE(d.OnKeyUp(key));
  EXPECT_EQ(d.mLog, "mouse;keydown@12,34;mouse;keyup;");
}

TEST(EditorDelegate, EditorSizeRoundTripsThroughAChunk)
{
  Delegate d;
  d.OpenWindow(nullptr);
  d.Graphics()->Resize(1000, 700, 2.f, true);
  ByteChunk chunk;
  int32_t marker = 99;
  chunk.Put(&marker);
  EXPECT_TRUE(d.SerializeEditorSize(chunk));
  EXPECT_EQ(chunk.Size(), 16);

  Delegate closed;
  EXPECT_EQ(closed.UnserializeEditorSize(chunk, 4), 16);
  closed.OpenWindow(nullptr);
  EXPECT_EQ(closed.Graphics()->Width(), 875); // restored values apply only after a close saved a size

  // With the editor open the context is resized right away.
  EXPECT_EQ(closed.UnserializeEditorSize(chunk, 4), 16);
  EXPECT_EQ(closed.Graphics()->Width(), 1000);
  EXPECT_EQ(closed.Graphics()->GetDrawScale(), 2.f);
}

TEST(EditorDelegate, ShortSizeChunkGivesMinusOneAndZeroes)
{
  Delegate d;
  ByteChunk chunk;
  int32_t w = 800, h = 600;
  chunk.Put(&w);
  chunk.Put(&h);
  EXPECT_EQ(d.UnserializeEditorSize(chunk, 0), -1);
  ByteChunk out;
  d.SerializeEditorSize(out);
  int32_t rw = 0, rh = 0;
  float rs = -1.f;
  EXPECT_EQ(out.Get(&rw, 0), 4);
  out.Get(&rh, 4);
  out.Get(&rs, 8);
  EXPECT_EQ(rw, 800);
  EXPECT_EQ(rh, 600);
  EXPECT_EQ(rs, 0.f);
  EXPECT_EQ(d.UnserializeEditorSize(chunk, -4), -1);

  // Open: an unreadable size changes nothing.
  d.OpenWindow(nullptr);
  EXPECT_EQ(d.UnserializeEditorSize(chunk, 0), -1);
  EXPECT_EQ(d.Graphics()->Width(), 875);
}

TEST(EditorDelegate, ScreenScaleNeedsAnOpenEditor)
{
  Delegate d;
  d.OpenWindow(nullptr);
  d.SetEditorOpen(false);
  d.SetScreenScale(2.f);
  EXPECT_EQ(d.Graphics()->mScreenScale, 1.f);
  d.SetEditorOpen(true);
  d.SetScreenScale(2.f);
  EXPECT_EQ(d.Graphics()->mScreenScale, 2.f);
}

TEST(EditorDelegate, BaseDelegateForwardsMessagesToHandleMessage)
{
  struct Base : IEditorDelegate
  {
    Base() : IEditorDelegate(0) {}
    bool HandleMessage(int msgTag, int ctrlTag, int size, const void* data) override
    {
      calls.emplace_back(msgTag, ctrlTag);
      return true;
    }
    std::vector<std::pair<int, int>> calls;
  } b;
  b.SendControlMsgFromDelegate(5, 6);
  b.SendArbitraryMsgFromDelegate(7);
  EXPECT_EQ(b.calls, (std::vector<std::pair<int, int>>{{6, 5}, {7, -1}}));
  EXPECT_EQ(b.OpenWindow(nullptr), nullptr);
}
