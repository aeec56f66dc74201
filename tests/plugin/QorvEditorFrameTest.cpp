// The mixer's whole editor frame at "GUI Scale" 1, on screens of scale 1 and 2, in "Int. Mixer" and in a
// send mode, compared with reviewed golden pictures tightly enough that anti-aliasing off, a half-pixel
// shift or 85 % alpha fail it. The editor is opened as a host opens it: the plug-in makes its platform
// graphics context and view, the view goes into a host window, and the display timer draws its frames.
// At rest the editor is bitmaps on whole pixels and text, which anti-aliasing does not change; so a menu
// is open in each, drawn as vector shapes over the page.
#include "editor/EditorBitmaps.h"
#include "graphics/mac/IGraphicsMac.h"
#include "graphics/vector/MVGrenderer.h"
#include "mixer/QorvParams.h"
#include "tests/plugin/QorvTestInstance.h"
#include "tests/support/HostWindow.h"
#include "tests/support/PictureFaults.h"

#include <AppKit/NSView.h>
#include <QorvPlatform/Bundles.h>
#include <QorvPlatform/Events.h>
#include <QorvPlatform/Metal.h>
#include <QorvPlatform/RunLoopClock.h>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <random>
#include <string>
#include <vector>

using namespace iplugin;
using namespace iplugin::igraphics;
using qorvtest::PictureFault;
using qorvtest::RgbaImage;

namespace
{
constexpr int kIntMixer = 0, kSendChannel1 = 2; // "Plugin Mode" values

// What the user has done before the frame: pointer events at window points.
struct PointerStep
{
  qorvplatform::InputKind kind;
  double x, y;
};

// The editor in a host window, its first frames drawn; closed as a host closes its window.
class EditorOnScreen
{
public:
  EditorOnScreen(int pluginMode, double screenScale, const std::vector<PointerStep>& steps)
      : mHome("editor-frame")
  {
    qorvplatform::ResetMainRunLoop();
    qorvplatform::ResetInput();
    qorvplatform::SetScreenScale(screenScale);
    qorvplatform::RegisterBundle((qorvtest::BinaryDir() + "/Qorv.component").c_str());
    mPlug.Change(kParamPluginMode, pluginMode);
    // What the product's bundle makes for the view factory.
    mPlug.mMakeGraphicsFunc = [this]() -> IGraphicsInterface* {
      return MakeQorvGraphics(mPlug, kEditorWidth, kEditorHeight, 60, float(mPlug.Engine().mGuiScale.Load()));
    };
    mView = static_cast<NSView*>(mPlug.OpenWindow(nullptr));
    if (!mView) return;
    mHost = std::make_unique<qorvtest::HostWindow>(mView);
    qorvplatform::AdvanceClock(2.0 / 30.0); // the first frames, as the host waits for them
    double time = 10.0;
    for (const PointerStep& step : steps)
    {
      qorvplatform::InputEvent e;
      e.kind = step.kind;
      e.x = step.x;
      e.y = step.y;
      e.time = time += 0.5;
      qorvplatform::PostEvent(*mHost->window, e);
    }
    qorvplatform::AdvanceClock(0.5); // fades and the frames after them
  }
  ~EditorOnScreen()
  {
    if (mView) mView->removeFromSuperview();
    if (mHost) mHost->window->close();
    mPlug.CloseWindow();
    qorvplatform::SetScreenScale(1.0);
    qorvplatform::ResetInput();
    qorvplatform::ResetMainRunLoop();
  }
  EditorOnScreen(const EditorOnScreen&) = delete;
  EditorOnScreen& operator=(const EditorOnScreen&) = delete;

  bool Open() const { return mView && mHost && mPlug.GetUI(); }
  mixtest::RecordingQorv& Plug() { return mPlug; }
  IGraphics& UI() { return *static_cast<IGraphics*>(mPlug.GetUI()); }

  // What the view's layer shows now.
  RgbaImage Shown()
  {
    RgbaImage image;
    if (!QorvMetalLayerCopyPresentedImage(*mView->layer(), image.rgba, image.width, image.height)) return {};
    return image;
  }

  // One frame of every control, drawn as the display timer draws a frame, with the fault applied.
  RgbaImage DrawFrame(PictureFault fault)
  {
    IGraphics& ui = UI();
    qorvtest::ShiftControlsForFault(ui, fault);
    auto* vg = static_cast<VGcontext*>(ui.GetDrawContext());
    ui.BeginFrame();
    // From nothing, as the first frame: drawn over the frames before, a fault would hardly show.
    MvgClearWithColor(vg, vgRGBAf(0.f, 0.f, 0.f, 0.f));
    // Again before each control: a layer restarts the drawing state.
    ui.ForAllControlsFunc(
        [&ui, vg, fault](IControl* pControl)
        {
          qorvtest::ApplyDrawingFault(vg, fault);
          ui.DrawControl(pControl, ui.GetBounds(), ui.GetBackingPixelScale());
        });
    ui.EndFrame();
    return Shown();
  }

private:
  mixtest::ScopedDataHome mHome;
  mixtest::RecordingQorv mPlug;
  NSView* mView = nullptr;
  std::unique_ptr<qorvtest::HostWindow> mHost;
};

// Exact but for rounding: a few levels, and not one pixel beyond (a fault may touch only the edges of
// one label or one menu).
qorvtest::ImageTolerance EditorTolerance()
{
  return qorvtest::ImageTolerance{2, 8, 0.0, 0};
}

struct FrameCase
{
  const char* golden;
  int pluginMode;
  double screenScale;
  std::vector<PointerStep> steps;
};

// A click on a menu button: "Channels" on the mixer's page, "Plugin Mode" on a sender's.
const std::vector<PointerStep> kChannelsMenuOpen = {{qorvplatform::InputKind::Press, 826, 196},
                                                    {qorvplatform::InputKind::Release, 826, 196}};
const std::vector<PointerStep> kModeMenuOpen = {{qorvplatform::InputKind::Press, 63, 47},
                                                {qorvplatform::InputKind::Release, 63, 47}};

class EditorFrame : public testing::TestWithParam<FrameCase>
{
};
} // namespace

TEST_P(EditorFrame, MatchesItsReviewedPicture)
{
  const FrameCase& k = GetParam();
  const int pixelWidth = static_cast<int>(kEditorWidth * k.screenScale);
  const int pixelHeight = static_cast<int>(kEditorHeight * k.screenScale);
  // What the display timer drew is the picture a host shows.
  {
    EditorOnScreen editor(k.pluginMode, k.screenScale, k.steps);
    ASSERT_TRUE(editor.Open());
    if (!qorvtest::UpdateGolden())
    {
      EXPECT_TRUE(qorvtest::MatchesGolden(editor.Shown(), "editor", k.golden, EditorTolerance()));
    }
  }
  qorvtest::ExpectMatchesOnlyWhenRight(
      [&k](PictureFault fault)
      {
        EditorOnScreen editor(k.pluginMode, k.screenScale, k.steps);
        return editor.Open() ? editor.DrawFrame(fault) : RgbaImage{};
      },
      pixelWidth, pixelHeight, "editor", k.golden, EditorTolerance());
}

INSTANTIATE_TEST_SUITE_P(Modes, EditorFrame,
                         testing::Values(FrameCase{"int-mixer", kIntMixer, 1.0, kChannelsMenuOpen},
                                         FrameCase{"int-mixer@2x", kIntMixer, 2.0, kChannelsMenuOpen},
                                         FrameCase{"send", kSendChannel1, 1.0, kModeMenuOpen},
                                         FrameCase{"send@2x", kSendChannel1, 2.0, kModeMenuOpen}),
                         [](const testing::TestParamInfo<FrameCase>& info)
                         {
                           std::string name = info.param.golden;
                           for (char& c : name)
                             if (c == '-' || c == '@') c = '_';
                           return name;
                         });

// The software GPU's shortcuts for images (texels taken as stored where they are sampled on centres, and
// rectangles' rows taken at once) give the editor's frame the bytes of the general path. Taking a sample a
// rounding from a texel centre as that texel (as a GPU's filter does) puts a few bytes of the frame, on
// knobs' edges, a level from the exact filter's, and no more. Each picture is a frame of every control drawn
// with the editor's renderer switched so.
TEST(EditorFrameShortcuts, GiveTheGeneralPathsBytes)
{
  for (int mode : {kIntMixer, kSendChannel1})
    for (double scale : {1.0, 2.0})
    {
      auto shown = [scale, mode](bool shortcuts, bool snap)
      {
        EditorOnScreen editor(mode, scale, {});
        if (!editor.Open()) return RgbaImage{};
        VGoptions options;
        options.gpu.texelCopies = shortcuts;
        options.gpu.texelSnap = snap;
        vgSetOptions(static_cast<VGcontext*>(editor.UI().GetDrawContext()), options);
        return editor.DrawFrame(PictureFault::kNone);
      };
      const RgbaImage fast = shown(true, true), general = shown(false, true), exact = shown(true, false);
      ASSERT_FALSE(fast.rgba.empty());
      ASSERT_EQ(fast.rgba.size(), general.rgba.size());
      ASSERT_EQ(fast.rgba.size(), exact.rgba.size());
      int differ = 0, apart = 0;
      for (size_t i = 0; i < fast.rgba.size(); ++i)
      {
        if (fast.rgba[i] != general.rgba[i] && differ++ < 8)
          ADD_FAILURE() << "mode " << mode << " scale " << scale << " pixel (" << i / 4 % (size_t)fast.width
                        << ", " << i / 4 / (size_t)fast.width << ") channel " << i % 4 << ": "
                        << (int)fast.rgba[i] << " against " << (int)general.rgba[i];
        if (fast.rgba[i] != exact.rgba[i])
        {
          ++apart;
          ASSERT_LE(std::abs(fast.rgba[i] - exact.rgba[i]), 1) << "mode " << mode << " scale " << scale;
        }
      }
      EXPECT_EQ(differ, 0) << "mode " << mode << " scale " << scale;
      EXPECT_LE(apart, 16) << "mode " << mode << " scale " << scale;
    }
}

// Meters and lamps are marked for redraw only when the frame they show changes, and not while hidden:
// over random levels (steps within a frame and across many, silence, a group paged away and back) what
// the display timer drew is what a redraw of every control draws.
TEST(EditorMeters, DrawWhatARedrawOfEveryControlDraws)
{
  for (double scale : {1.0, 2.0})
  {
    EditorOnScreen editor(kIntMixer, scale, {});
    ASSERT_TRUE(editor.Open());
    mixtest::RecordingQorv& plug = editor.Plug();
    plug.SetChannelConnections(ERoute::kInput, 0, 6, true);
    plug.Change(kParamChannelCount, 3); // four channels, three with inputs
    std::mt19937 rng{unsigned(scale)};
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    constexpr int kFrames = 512;
    std::vector<std::vector<double>> in(6, std::vector<double>(kFrames)),
        out(2, std::vector<double>(kFrames));
    const double* inputs[6];
    double* outputs[2] = {out[0].data(), out[1].data()};
    for (int c = 0; c < 6; ++c)
      inputs[c] = in[size_t(c)].data();
    double level[3] = {0.1, 0.1, 0.1};
    for (int step = 0; step < 48; ++step)
    {
      // Each pair's level moves by a fraction of a dB or jumps anywhere, or falls silent.
      for (double& l : level)
      {
        const double r = unit(rng);
        l = r < 0.15 ? 0.0 : r < 0.4 ? std::pow(10.0, -3.0 * unit(rng)) : l * (0.97 + 0.06 * unit(rng));
      }
      for (int b = 1 + int(3 * unit(rng)); b > 0; --b)
      {
        for (int c = 0; c < 6; ++c)
          for (double& x : in[size_t(c)])
            x = level[c / 2] * (2.0 * unit(rng) - 1.0);
        plug.Engine().ProcessBlock(inputs, outputs, kFrames, 6, 2, true);
      }
      if (step == 20) plug.Change(kParamGroupNumber, 1);
      if (step == 30) plug.Change(kParamGroupNumber, 0);
      plug.Engine().mMetersDue = uint8_t{1};
      plug.OnIdleTick();
      qorvplatform::AdvanceClock(1.0 / 60.0);
      if (step % 8 != 7) continue;
      const RgbaImage drawn = editor.Shown();
      editor.UI().SetAllControlsDirty();
      qorvplatform::AdvanceClock(1.0 / 60.0);
      const RgbaImage redrawn = editor.Shown();
      ASSERT_FALSE(drawn.rgba.empty());
      ASSERT_TRUE(drawn.rgba == redrawn.rgba) << "scale " << scale << ", step " << step;
    }
  }
}
