// A host that automates "Plugin Mode" and "Group Number" on a thread of its own while the main thread
// draws the mixer's editor and runs the idle tick: the paging must stay on the main thread. Must run
// clean under ThreadSanitizer.
#include "tests/plugin/QorvTestInstance.h"
#include "tests/support/RecordingGraphics.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace iplugin;

namespace
{
// The layout runs inside the opening, as with the platform view.
class LayingOutGraphics : public qorvtest::RecordingGraphics
{
public:
  using RecordingGraphics::RecordingGraphics;
  void* OpenWindow(void* pParent) override
  {
    void* view = RecordingGraphics::OpenWindow(pParent);
    GetDelegate()->LayoutUI(this);
    return view;
  }
};
} // namespace

TEST(EditorPagingThreads, HostAutomationPagesOnlyFromTheIdleTick)
{
  mixtest::ScopedDataHome home("tsan_editor_paging");
  mixtest::RecordingQorv plug;
  plug.mMakeGraphicsFunc = [&plug]() -> igraphics::IGraphicsInterface*
  { return new LayingOutGraphics(plug, 875, 580, 60, 1.f); };
  plug.OpenWindow(nullptr);
  plug.OnEditorOpened();
  auto& ui = *static_cast<LayingOutGraphics*>(plug.GetUI());
  ASSERT_GT(ui.NControls(), 500);

  std::atomic<bool> done{false};
  std::thread host(
      [&]
      {
        for (int i = 0; i < 400; ++i)
        {
          plug.Change(kParamGroupNumber, i % 4, kHost);
          plug.Change(kParamPluginMode, (i / 7) % 3, kHost);
        }
        done = true;
      });
  while (!done)
  {
    plug.OnIdleTick();
    igraphics::IRECTList rects;
    if (ui.IsDirty(rects)) ui.DrawDirtyRects(rects);
  }
  host.join();
  plug.OnIdleTick();
  EXPECT_FALSE(plug.ControlVisibilityRequested());
  plug.CloseWindow();
}
