// A release that takes the capture away by itself, posted through the platform to the editor's view: a
// control that drops every capture, or removes itself, on its own mouse-up. The host hears the end of
// the gesture once, and nothing reads the removed control.
#include "framework/IGEditorDelegate.h"
#include "graphics/mac/IGraphicsMac.h"

#include <QorvPlatform/Events.h>
#include <QorvPlatform/RunLoopClock.h>

#include <gtest/gtest.h>

#include <memory>
#include <sstream>

using namespace iplugin::igraphics;
using qorvplatform::InputEvent;
using qorvplatform::InputKind;

namespace
{
enum class OnRelease
{
  DropCapture,
  RemoveItself
};

class ReleasingControl : public IControl
{
public:
  ReleasingControl(const IRECT& r, OnRelease what) : IControl(r, 0), mWhat(what) {}
  void Draw(IGraphics& g) override {}
  void OnMouseUp(float x, float y, const IMouseMod& m) override
  {
    if (mWhat == OnRelease::DropCapture)
      GetUI()->ReleaseMouseCapture();
    else
      GetUI()->RemoveControl(this);
  }

private:
  OnRelease mWhat;
};

class GestureDelegate : public IGEditorDelegate
{
public:
  GestureDelegate() : IGEditorDelegate(1)
  {
    GetParam(0)->InitDouble("Gain", 0.0, -70.0, 24.0, 0.1, "dB");
    SetEditorSize(200, 100);
    mMakeGraphicsFunc = [this]() -> IGraphicsInterface* { return MakeQorvGraphics(*this, 200, 100, 60); };
  }
  void BeginInformHostOfParamChangeFromUI(int paramIdx) override { mLog << "begin " << paramIdx << ";"; }
  void EndInformHostOfParamChangeFromUI(int paramIdx) override { mLog << "end " << paramIdx << ";"; }
  std::ostringstream mLog;
};

class ReleaseCaptureTest : public testing::TestWithParam<OnRelease>
{
protected:
  ReleaseCaptureTest()
  {
    qorvplatform::ResetMainRunLoop();
    qorvplatform::ResetInput();
    qorvplatform::SetScreenScale(1.0);
    window = std::make_unique<NSWindow>(NSMakeRect(0, 0, 200, 100));
    window->setContentView(&content);
    window->makeKeyAndOrderFront(nullptr);
  }
  ~ReleaseCaptureTest() override
  {
    dlg.CloseWindow();
    window.reset();
    qorvplatform::ResetInput();
  }
  void Post(InputKind kind, double x, double y)
  {
    InputEvent e;
    e.kind = kind;
    e.x = x;
    e.y = y;
    qorvplatform::PostEvent(*window, e);
  }

  GestureDelegate dlg;
  NSView content;
  std::unique_ptr<NSWindow> window;
};

TEST_P(ReleaseCaptureTest, TheGestureEndsOnceAndNothingReadsARemovedControl)
{
  ASSERT_NE(dlg.OpenWindow(&content), nullptr);
  auto& g = *static_cast<IGraphics*>(dlg.GetUI());
  g.AttachControl(new ReleasingControl(IRECT(10, 10, 90, 90), GetParam()));
  const int controls = g.NControls();
  for (int i = 0; i < 2; ++i)
  {
    Post(InputKind::Press, 50, 50);
    Post(InputKind::Release, 50, 50);
    qorvplatform::AdvanceClock(1.0);
  }
  const bool removed = GetParam() == OnRelease::RemoveItself;
  EXPECT_EQ(dlg.mLog.str(), removed ? "begin 0;end 0;" : "begin 0;end 0;begin 0;end 0;");
  EXPECT_EQ(g.NControls(), removed ? controls - 1 : controls);
  EXPECT_FALSE(g.ControlIsCaptured());
}

INSTANTIATE_TEST_SUITE_P(Releases, ReleaseCaptureTest,
                         testing::Values(OnRelease::DropCapture, OnRelease::RemoveItself),
                         [](const testing::TestParamInfo<OnRelease>& info)
                         { return info.param == OnRelease::DropCapture ? "DropsCapture" : "RemovesItself"; });
} // namespace
