// The mixer's real editor, opened as a host opens it (the instance through its factory door, the view
// through the view factory the instance names), redrawn through the product's renderer on the software GPU:
// a frame with every control dirty, a frame with one 92 x 30 point control dirty, and the display tick while
// the engine renders a signal (the plug-in's idle tick and the view's redraw, the audio itself not timed),
// at screen scale 1 and 2. Every frame includes the composite of the off-screen buffer onto the drawable.
// Beside it the same editor laid out on the tests' cairo graphics context draws the same full and
// one-control frames, as the reference.
//
// Timed: CPU time of the process, pinned to one core (the renderer may draw large targets in bands on
// threads; they share that core), median of batches. Left out: the copy of the presented frame into an X11
// window (the run is headless), the audio render of the playing ticks, and the cairo side's composite (it
// draws into its image surface only). Both sides draw the same controls at the same scale from the same
// bitmaps; the cairo side's controls keep the values they were laid out with (the plug-in's idle tick
// reaches only its own editor, the renderer's), and cairo sets text with its own rasteriser: the two
// pictures are alike but not byte for byte. EDITOR_FRAME_PROFILE=N draws N full frames and stops, for a profiler
// (at the scale EDITOR_FRAME_PROFILE_SCALE, else 1).
#include <QorvPlatform/Bundles.h>
#include <QorvPlatform/Events.h>
#include <QorvPlatform/Metal.h>
#include <QorvPlatform/RunLoopClock.h>

#include <AppKit/NSView.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <functional>
#include <memory>
#include <sched.h>
#include <string>
#include <vector>

#include "framework/au/AUComponentInterface.h"
#include "graphics/IControl.h"
#include "graphics/mac/IGraphicsView.h"
#include "host/EditorWindow.h"
#include "host/HostInstance.h"
#include "editor/plugin/Qorv.h"
#include "tests/support/HostWindow.h"
#include "tests/vector/CairoGraphics.h"

IPLUGIN_AU_ENTRY_POINTS(iplugin::Qorv, BenchQorv)

using namespace iplugin::igraphics;

namespace
{
constexpr int kBatches = 7;
constexpr double kRate = 48000.0;
constexpr UInt32 kTickFrames = 800; // 1/60 s of audio

double CpuSeconds()
{
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return (double)t.tv_sec + (double)t.tv_nsec * 1e-9;
}

// Median over batches of the CPU milliseconds one call of frame takes; prepare runs untimed before each.
double MedianMs(const std::function<void()>& prepare, const std::function<void()>& frame,
                double batchSeconds = 0.15)
{
  for (int i = 0; i < 3; ++i)
    prepare(), frame();
  double probe = 0;
  for (int i = 0; i < 2; ++i)
  {
    prepare();
    const double s = CpuSeconds();
    frame();
    probe += CpuSeconds() - s;
  }
  const int n = std::clamp((int)(batchSeconds / std::max(probe / 2, 1e-6)), 3, 400);
  std::vector<double> batches;
  for (int b = 0; b < kBatches; ++b)
  {
    double sum = 0;
    for (int i = 0; i < n; ++i)
    {
      prepare();
      const double s = CpuSeconds();
      frame();
      sum += CpuSeconds() - s;
    }
    batches.push_back(sum / n * 1e3);
  }
  std::nth_element(batches.begin(), batches.begin() + kBatches / 2, batches.end());
  return batches[kBatches / 2];
}

qorvhost::PluginEntryPoints& Plugin()
{
  static qorvhost::PluginEntryPoints p = []
  {
    qorvhost::PluginEntryPoints e;
    e.description.componentType = iplugin::FourCC("aufx");
    e.description.componentSubType = iplugin::FourCC("LK54");
    e.description.componentManufacturer = iplugin::FourCC("Lmkr");
    e.name = "Lumenkraft: Qorv";
    e.version = 0x020102;
    e.entry = BenchQorv_Entry;
    e.factory = BenchQorv_Factory;
    return e;
  }();
  return p;
}

const IControl* OneControl(IGraphics& g)
{
  for (int i = 0; i < g.NControls(); ++i)
  {
    const IRECT& r = g.GetControl(i)->GetRECT();
    if (r.W() == 92.f && r.H() == 30.f && !g.GetControl(i)->IsHidden()) return g.GetControl(i);
  }
  return g.NControls() > 1 ? g.GetControl(1) : nullptr;
}

// The editor in a window of the host, headless, at one screen scale.
class Editor
{
public:
  explicit Editor(double scale)
  {
    qorvplatform::SetScreenScale(scale);
    std::string error;
    mInstance = qorvhost::HostInstance::Open(Plugin(), qorvhost::Door::kFactory, error);
    if (!mInstance || mInstance->Configure(kRate, 2, 2, 1024) != noErr || mInstance->Initialize() != noErr)
    {
      std::fprintf(stderr, "editor_frame: cannot open the plug-in: %s\n", error.c_str());
      std::exit(1);
    }
    std::string why;
    mFactory = qorvhost::MakeViewFactory("BenchQorv_View", why);
    mView = mFactory ? mFactory->uiViewForAudioUnit(mInstance->Unit(), NSMakeSize(0, 0)) : nullptr;
    auto* view = dynamic_cast<IGraphicsView_vQorv_au*>(mView);
    if (!view || !view->graphics())
    {
      std::fprintf(stderr, "editor_frame: no editor view\n");
      std::exit(1);
    }
    mEditorView = view;
    mHost = std::make_unique<qorvtest::HostWindow>(mView);
    qorvplatform::AdvanceClock(1.0 / 30.0); // the first frames
    // A voice-like signal: a tone under a syllable envelope, with a little noise.
    mSignal.resize(2);
    for (auto& c : mSignal)
      c.resize((size_t)kRate * 4);
    uint32_t seed = 1;
    for (size_t i = 0; i < mSignal[0].size(); ++i)
    {
      const double t = (double)i / kRate;
      seed = seed * 1664525u + 1013904223u;
      const double env = 0.5 + 0.5 * std::sin(2 * M_PI * 3.1 * t);
      const double v =
          env * (0.4 * std::sin(2 * M_PI * 180 * t) + 0.05 * ((double)(seed >> 8) / (1 << 24) - 0.5));
      mSignal[0][i] = (float)v;
      mSignal[1][i] = (float)(0.7 * v);
    }
    mOut.assign(2, std::vector<float>(kTickFrames));
  }
  ~Editor() { Close(); }
  // As a host closing the window: the view leaves and the plug-in deletes its graphics context (and with
  // the last one the process's bitmaps). The instance stays.
  void Close()
  {
    if (!mView) return;
    mView->removeFromSuperview();
    mHost->window->close();
    mView = nullptr;
    mEditorView = nullptr;
  }

  IGraphics& Graphics() { return *mEditorView->graphics(); }
  iplugin::Qorv* Plug()
  {
    void* object = nullptr;
    mInstance->Get(iplugin::kIPluginAUPropertyPlugObject, kAudioUnitScope_Global, 0, object);
    return dynamic_cast<iplugin::Qorv*>(static_cast<iplugin::IPluginAU*>(object));
  }
  void Render() { mEditorView->render(); }

  // 1/60 s of the signal through the engine (not timed).
  void Play()
  {
    if (mPos + kTickFrames > mSignal[0].size()) mPos = 0;
    const float* in[2] = {&mSignal[0][mPos], &mSignal[1][mPos]};
    float* out[2] = {mOut[0].data(), mOut[1].data()};
    mInstance->Render(in, out, kTickFrames);
    mPos += kTickFrames;
  }
  // The main thread's 1/60 s: the idle timer and the display timer.
  void Tick() { qorvplatform::AdvanceClock(1.0 / 60.0); }

private:
  std::unique_ptr<qorvhost::HostInstance> mInstance;
  std::unique_ptr<AUCocoaUIBase> mFactory;
  NSView* mView = nullptr;
  IGraphicsView_vQorv_au* mEditorView = nullptr;
  std::unique_ptr<qorvtest::HostWindow> mHost;
  std::vector<std::vector<float>> mSignal, mOut;
  size_t mPos = 0;
};

// The tests' cairo graphics context with the bundle's fonts.
class BundleCairo : public qorvtest::CairoGraphics
{
public:
  using CairoGraphics::CairoGraphics;
  const char* GetBundleID() override { return "com.Lumenkraft.audiounit.Qorv"; }
  bool IsContextReady() const override { return true; }
  PlatformFontPtr LoadPlatformFont(const char* fontID, const char* fileNameOrResID) override
  {
    const std::string name = fileNameOrResID ? fileNameOrResID : "";
    return std::make_unique<qorvtest::FileFont>(std::string(QORV_BUNDLE_PATH) + "/Contents/Resources/" +
                                                name);
  }
};

struct Row
{
  double full, one, playing, cairoFull, cairoOne;
};

Row Measure(double scale)
{
  Row row{};
  {
    Editor editor(scale);
    IGraphics& g = editor.Graphics();
    const IControl* one = OneControl(g);
    if (scale == 1.0)
      std::printf("one control: %g x %g points at %g, %g of %d controls\n", one->GetRECT().W(), one->GetRECT().H(),
                  one->GetRECT().L, one->GetRECT().T, g.NControls());
    const char* profile = std::getenv("EDITOR_FRAME_PROFILE");
    const char* profileScale = std::getenv("EDITOR_FRAME_PROFILE_SCALE");
    if (profile && (!profileScale || std::atof(profileScale) == scale))
    {
      // Only full frames, for a profiler, as many as asked.
      for (int i = 0, n = std::atoi(profile); i < n; ++i)
        g.SetAllControlsDirty(), editor.Render();
      std::exit(0);
    }
    else if (profile)
      return row;
    row.full = MedianMs([&] { g.SetAllControlsDirty(); }, [&] { editor.Render(); });
    row.one = MedianMs([&] { const_cast<IControl*>(one)->SetDirty(false); }, [&] { editor.Render(); });
    row.playing = MedianMs([&] { editor.Play(); }, [&] { editor.Tick(); });

    // The same editor laid out on cairo by the same plug-in, after the renderer's context (and the bitmaps it
    // made) went.
    editor.Close();
    iplugin::Qorv* plug = editor.Plug();
    BundleCairo cairo(*plug, 875, 580, (float)scale);
    cairo.SetSharedResourcesSubPath("Qorv");
    plug->LayoutUI(&cairo);
    IRECTList rects;
    const IControl* cairoOne = OneControl(cairo);
    auto draw = [&]
    {
      rects.Clear();
      if (cairo.IsDirty(rects))
      {
        cairo.ClearAllControlsDirty();
        cairo.DrawDirtyRects(rects);
      }
    };
    if (std::getenv("EDITOR_FRAME_DEBUG"))
    {
      cairo.SetAllControlsDirty();
      draw();
      const qorvtest::RgbaImage im = cairo.End();
      size_t nonzero = 0;
      for (uint8_t b : im.rgba)
        nonzero += b != 0;
      std::fprintf(stderr, "cairo %dx%d nonzero %zu bitmap %d\n", im.width, im.height, nonzero,
                   cairo.LoadBitmap("background.png").IsValid());
    }
    row.cairoFull = MedianMs([&] { cairo.SetAllControlsDirty(); }, draw);
    row.cairoOne = MedianMs([&] { const_cast<IControl*>(cairoOne)->SetDirty(false); }, draw);
  }
  return row;
}
} // namespace

int main()
{
  // One core: the one the process starts on.
  cpu_set_t one;
  CPU_ZERO(&one);
  CPU_SET(std::max(sched_getcpu(), 0), &one);
  sched_setaffinity(0, sizeof one, &one);
  setenv("QORV_HEADLESS", "1", 1);
  const std::filesystem::path home = std::filesystem::path(QORV_BENCH_WORK_DIR) / "data";
  std::filesystem::create_directories(home);
  setenv("XDG_DATA_HOME", home.c_str(), 1);
  qorvplatform::RegisterBundle(QORV_BUNDLE_PATH);
  std::string error;
  if (!qorvhost::RegisterDoors(Plugin(), error))
  {
    std::fprintf(stderr, "editor_frame: %s\n", error.c_str());
    return 1;
  }
  std::printf("editor frame, CPU ms on one core (median of %d batches): renderer with the composite onto the "
              "drawable | cairo\n",
              kBatches);
  std::string table = "table: editor frame, CPU ms on one core, renderer / cairo:";
  for (double scale : {1.0, 2.0})
  {
    const Row r = Measure(scale);
    std::printf("scale %.0f: all controls %.2f | %.2f (%.2fx), one control %.2f | %.2f, playing tick %.2f\n",
                scale, r.full, r.cairoFull, r.full / r.cairoFull, r.one, r.cairoOne, r.playing);
    char line[256];
    std::snprintf(line, sizeof line,
                  "  scale %.0f: all %.2f / %.2f = %.2fx (target <= %.1f ms, 1.5x), one %.2f / %.2f, "
                  "playing %.2f (target <= %.0f)",
                  scale, r.full, r.cairoFull, r.full / r.cairoFull, scale == 1 ? 8.0 : 16.7, r.one,
                  r.cairoOne, r.playing, scale == 1 ? 4.0 : 8.0);
    table += line;
  }
  std::printf("%s\n", table.c_str());
  return 0;
}
