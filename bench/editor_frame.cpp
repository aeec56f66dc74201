// The mixer's real editor, opened as a host opens it (the instance through its factory door, the view
// through the view factory the instance names), redrawn through the product's renderer on the software GPU,
// at screen scale 1 and 2, as an "Int. Mixer" of eight channels whose microphones all pick up something:
// pink noise switched on and off per channel, so every strip's meters, lamp and overlay move. Timed: a frame
// with every control dirty, a frame with one 92 x 30 point control dirty, and the meter frame of the playing
// mix (a display tick that draws what the idle tick changed; the ticks between meter periods draw nothing and
// are not counted). Every frame includes the composite of the off-screen buffer onto the drawable.
// Beside it the same editor laid out on the tests' cairo graphics context, given the product's visibility,
// states and values, draws the same picture: the run compares the two full frames (a pixel apart when a
// channel differs by more than 10 %; at most 0.1 % of the pixels may be) and fails when they differ more,
// writing both and their difference as PNG files into its work folder.
//
// Timed: CPU time of the process, pinned to one core (the renderer may draw large targets in bands on
// threads; they share that core), median of batches; the cases take turns batch by batch, and a ratio is the
// median of the ratios of batches taken one after the other (each round opens the editor anew), so that the
// machine's changing speed (a shared virtual machine's varies by half within seconds) favours neither side.
// Left out: the copy of the presented frame into an X11 window (the run is headless), the audio (the engine
// mixes the eight channels' blocks straight, between the timed ticks). The cairo side's frame includes what
// showing it takes: the copy of its dirty area's bounds into a window-sized surface (cairo's image has the
// display's byte order, so a plain copy), as the renderer's includes its composite onto the drawable; its
// drawing alone is printed beside. cairo sets text with its own rasteriser, so the pictures are alike, not
// byte for byte. EDITOR_FRAME_PROFILE=N draws N full frames (EDITOR_FRAME_PROFILE_METER=1: N meter frames)
// and stops, for a profiler (at the scale EDITOR_FRAME_PROFILE_SCALE, else 1).
#include <QorvPlatform/Bundles.h>
#include <QorvPlatform/Events.h>
#include <QorvPlatform/Metal.h>
#include <QorvPlatform/RunLoopClock.h>

#include <AppKit/NSView.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <sched.h>
#include <string>
#include <vector>

#include "framework/AtomicFile.h"
#include "framework/au/AUComponentInterface.h"
#include "graphics/IControl.h"
#include "graphics/mac/IGraphicsView.h"
#include "host/EditorWindow.h"
#include "host/HostInstance.h"
#include "bench/Rounds.h"
#include "bench/SwitchedNoise.h"
#include "editor/plugin/Qorv.h"
#include "tests/support/HostWindow.h"
#include "tests/vector/CairoGraphics.h"

IPLUGIN_AU_ENTRY_POINTS(iplugin::Qorv, BenchQorv)

using namespace iplugin::igraphics;

namespace
{
constexpr int kBatches = 9;
constexpr double kRate = 48000.0;
constexpr UInt32 kTickFrames = 800; // 1/60 s of audio
constexpr int kChannels = 8;

using qorvbench::CpuSeconds;
using qorvbench::Median;
using qorvbench::MedianRatio;
using qorvbench::Met;

// One batch of a timed case: frame, as many times as take about 0.15 s of CPU (found by a probe the first
// time, into perBatch); its mean CPU milliseconds a frame. frame gives the CPU seconds of one frame (it may
// time a part of what it does).
double Batch(const std::function<double()>& frame, int& perBatch)
{
  for (int i = 0; i < 3; ++i)
    frame();
  if (perBatch == 0)
  {
    double probe = 0;
    for (int i = 0; i < 2; ++i)
      probe += frame();
    perBatch = std::clamp((int)(0.15 / std::max(probe / 2, 1e-6)), 3, 400);
  }
  double sum = 0;
  for (int i = 0; i < perBatch; ++i)
    sum += frame();
  return sum / perBatch * 1e3;
}

// The same for a frame with prepare untimed before it.
double Batch(const std::function<void()>& prepare, const std::function<void()>& frame, int& perBatch)
{
  return Batch(
      [&]
      {
        prepare();
        const double s = CpuSeconds();
        frame();
        return CpuSeconds() - s;
      },
      perBatch);
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
// The editor of an eight-channel "Int. Mixer" in a window of the host, headless, at one screen scale.
class Editor
{
public:
  explicit Editor(double scale)
  {
    qorvplatform::SetScreenScale(scale);
    std::string error;
    mInstance = qorvhost::HostInstance::Open(Plugin(), qorvhost::Door::kFactory, error);
    if (!mInstance || mInstance->Configure(kRate, 2, 2, 1024) != noErr || mInstance->Initialize() != noErr)
      Fail("cannot open the plug-in: " + error);
    void* object = nullptr;
    mInstance->Get(iplugin::kIPluginAUPropertyPlugObject, kAudioUnitScope_Global, 0, object);
    mPlug = dynamic_cast<iplugin::Qorv*>(static_cast<iplugin::IPluginAU*>(object));
    if (!mPlug) Fail("no plug-in object");
    SetParameter(iplugin::kParamPluginMode, iplugin::kPluginModeIntMixer);
    SetParameter(iplugin::kParamChannelCount, kChannels - 1);
    if (mPlug->Engine().ChannelsInUse() != kChannels) Fail("the mixer did not take eight channels");
    std::string why;
    mFactory = qorvhost::MakeViewFactory("BenchQorv_View", why);
    mView = mFactory ? mFactory->uiViewForAudioUnit(mInstance->Unit(), NSMakeSize(0, 0)) : nullptr;
    auto* view = dynamic_cast<IGraphicsView_vQorv_au*>(mView);
    if (!view || !view->graphics()) Fail("no editor view");
    mEditorView = view;
    mHost = std::make_unique<qorvtest::HostWindow>(mView);
    qorvplatform::AdvanceClock(1.0 / 30.0); // the first frames
    for (int c = 0; c < kChannels; ++c)
      mMics.push_back(qorvbench::SwitchedPinkNoise(c, (size_t)kRate * 4, kRate));
    mOut.assign(2, std::vector<double>(kTickFrames));
    // A second of the mix, so that the full frames show lit meters and lamps.
    for (int i = 0; i < 60; ++i)
      Play(), Tick();
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
  iplugin::Qorv* Plug() { return mPlug; }
  void Render() { mEditorView->render(); }
  uint64_t Presented() { return QorvMetalLayerPresentCount(*mEditorView->layer()); }
  // The frame the view presented last, as rows of RGBA bytes.
  qorvtest::RgbaImage Picture()
  {
    qorvtest::RgbaImage im;
    if (!QorvMetalLayerCopyPresentedImage(*mEditorView->layer(), im.rgba, im.width, im.height))
      Fail("no frame presented");
    return im;
  }

  // 1/60 s of the eight microphones through the engine, each on its stereo input pair (not timed).
  void Play()
  {
    if (mPos + kTickFrames > mMics[0].size()) mPos = 0;
    const double* in[2 * kChannels];
    for (int c = 0; c < kChannels; ++c)
      in[2 * c] = in[2 * c + 1] = &mMics[size_t(c)][mPos];
    double* out[2] = {mOut[0].data(), mOut[1].data()};
    mPlug->Engine().ProcessBlock(in, out, kTickFrames, 2 * kChannels, 2, true);
    mPos += kTickFrames;
  }
  // The main thread's 1/60 s: the idle timer and the display timer.
  void Tick() { qorvplatform::AdvanceClock(1.0 / 60.0); }

private:
  [[noreturn]] static void Fail(const std::string& why)
  {
    std::fprintf(stderr, "editor_frame: %s\n", why.c_str());
    std::exit(1);
  }
  void SetParameter(int idx, double value)
  {
    if (AudioUnitSetParameter(mInstance->Unit(), AudioUnitParameterID(idx), kAudioUnitScope_Global, 0,
                              AudioUnitParameterValue(value), 0) != noErr)
      Fail("cannot set parameter " + std::to_string(idx));
  }

  std::unique_ptr<qorvhost::HostInstance> mInstance;
  iplugin::Qorv* mPlug = nullptr;
  std::unique_ptr<AUCocoaUIBase> mFactory;
  NSView* mView = nullptr;
  IGraphicsView_vQorv_au* mEditorView = nullptr;
  std::unique_ptr<qorvtest::HostWindow> mHost;
  std::vector<std::vector<double>> mMics, mOut;
  size_t mPos = 0;
};

// A meter frame: ticks of the playing mix until one presents a frame, the audio before each untimed; the
// CPU seconds of the tick that drew. ticks and frames count what was played and drawn.
double MeterFrame(Editor& editor, int& ticks, int& frames)
{
  for (;;)
  {
    editor.Play();
    const uint64_t before = editor.Presented();
    const double s = CpuSeconds();
    editor.Tick();
    const double d = CpuSeconds() - s;
    ++ticks;
    if (editor.Presented() != before) return ++frames, d;
  }
}

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
  // Bitmaps of its own, read from the bundle at the screen scale: the process's cache is the renderer's,
  // whose editor opens again after this one.
  IBitmap LoadBitmap(const char* name, int nStates, bool framesAreHorizontal, int targetScale) override
  {
    if (!name) return IBitmap();
    if (targetScale == 0) targetScale = int(GetScreenScale());
    const std::string key = std::string(name) + "@" + std::to_string(targetScale);
    auto found = mBitmaps.find(key);
    if (found == mBitmaps.end())
    {
      const char* dot = std::strrchr(name, '.');
      const char* ext = dot ? dot + 1 : "png";
      iplugin::StringBuf path;
      int sourceScale = 0;
      const int location = SearchImageResource(name, ext, path, targetScale, sourceScale);
      APIBitmap* bitmap =
          location > 0 ? LoadAPIBitmapFromFile(path.Get(), sourceScale, location, ext) : nullptr;
      if (!bitmap || sourceScale != targetScale)
      {
        std::fprintf(stderr, "editor_frame: cairo finds no bitmap %s at scale %d\n", name, targetScale);
        std::exit(1);
      }
      found = mBitmaps.emplace(key, std::unique_ptr<APIBitmap>(bitmap)).first;
    }
    return IBitmap(found->second.get(), nStates, framesAreHorizontal, name);
  }

private:
  std::map<std::string, std::unique_ptr<APIBitmap>> mBitmaps;
};

// What a control draws from besides its place and bitmaps.
struct ControlState
{
  bool hidden, disabled;
  std::vector<double> values;
};

std::vector<ControlState> States(IGraphics& g)
{
  std::vector<ControlState> states;
  for (int i = 0; i < g.NControls(); ++i)
  {
    const IControl* c = g.GetControl(i);
    states.push_back({c->IsHidden(), c->IsDisabled(), {}});
    for (int v = 0; v < c->NVals(); ++v)
      states.back().values.push_back(c->GetValue(v));
  }
  return states;
}

void SetStates(IGraphics& g, const std::vector<ControlState>& states)
{
  for (int i = 0; i < g.NControls(); ++i)
  {
    IControl* c = g.GetControl(i);
    const ControlState& s = states[size_t(i)];
    c->Hide(s.hidden);
    c->SetDisabled(s.disabled);
    for (int v = 0; v < c->NVals() && v < (int)s.values.size(); ++v)
      c->SetValue(s.values[size_t(v)], v);
  }
}

// Pixels where a channel differs by more than 10 % of its range; the picture for the eye marks them red over
// a faded copy of a.
constexpr int kApartLevel = 26;
constexpr double kApartShare = 0.001;

size_t PixelsApart(const qorvtest::RgbaImage& a, const qorvtest::RgbaImage& b, qorvtest::RgbaImage& marked)
{
  marked = a;
  size_t apart = 0;
  for (size_t p = 0; p < a.rgba.size(); p += 4)
  {
    int most = 0;
    for (size_t k = 0; k < 3; ++k)
      most = std::max(most, std::abs((int)a.rgba[p + k] - (int)b.rgba[p + k]));
    uint8_t* m = &marked.rgba[p];
    if (most > kApartLevel)
      ++apart, m[0] = 255, m[1] = m[2] = 0;
    else
      m[0] = uint8_t(128 + m[0] / 2), m[1] = uint8_t(128 + m[1] / 2), m[2] = uint8_t(128 + m[2] / 2);
    m[3] = 255;
  }
  return apart;
}

// An opaque RGBA picture as a PNG file, through the atomic writer.
void WritePicture(const qorvtest::RgbaImage& im, const std::string& path)
{
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, im.width, im.height);
  unsigned char* data = cairo_image_surface_get_data(s);
  const int stride = cairo_image_surface_get_stride(s);
  for (int y = 0; y < im.height; ++y)
    for (int x = 0; x < im.width; ++x)
    {
      const uint8_t* p = im.At(x, y);
      const uint32_t v = 0xff000000u | (uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | p[2];
      std::memcpy(data + (size_t)y * stride + (size_t)x * 4, &v, 4);
    }
  cairo_surface_mark_dirty(s);
  std::vector<unsigned char> png;
  cairo_surface_write_to_png_stream(
      s,
      [](void* closure, const unsigned char* bytes, unsigned int n)
      {
        auto* out = static_cast<std::vector<unsigned char>*>(closure);
        out->insert(out->end(), bytes, bytes + n);
        return CAIRO_STATUS_SUCCESS;
      },
      &png);
  cairo_surface_destroy(s);
  if (!iplugin::WriteFileAtomically(path.c_str(), png.data(), png.size()))
    std::fprintf(stderr, "editor_frame: cannot write %s\n", path.c_str());
}

struct Row
{
  double full, one, meter, meterShare, cairoFull, cairoOne, cairoDrawn;
  double fullRatio, drawnRatio, meterRatio; // medians of the batch pairs' ratios
  int visible, controls;
  size_t apart, pixels;
};

// One timed case's batches and the frames a batch takes.
struct Case
{
  std::vector<double> batches;
  int perBatch = 0;
};

Row Measure(double scale)
{
  Row row{};
  Case full, one, meter, cairoFull, cairoOne, cairoDrawn;
  qorvtest::RgbaImage product;
  std::vector<ControlState> states;
  int ticks = 0, frames = 0;
  // A round a batch of each case: the renderer's editor opened anew, its batches, then (the editor closed,
  // with the process's bitmaps) the same editor on cairo and its batches. Rounds take turns, so that the
  // machine's changing speed meets both sides alike.
  for (int round = 0; round < kBatches; ++round)
  {
    Editor editor(scale);
    IGraphics& g = editor.Graphics();
    const IControl* oneControl = OneControl(g);
    if (round == 0)
    {
      if (scale == 1.0)
        std::printf("one control: %g x %g points at %g, %g of %d controls\n", oneControl->GetRECT().W(),
                    oneControl->GetRECT().H(), oneControl->GetRECT().L, oneControl->GetRECT().T,
                    g.NControls());
      const char* profile = std::getenv("EDITOR_FRAME_PROFILE");
      const char* profileScale = std::getenv("EDITOR_FRAME_PROFILE_SCALE");
      if (profile && (!profileScale || std::atof(profileScale) == scale))
      {
        // Only full frames or only meter frames, for a profiler, as many as asked.
        const bool meterFrames = std::getenv("EDITOR_FRAME_PROFILE_METER") != nullptr;
        for (int i = 0, n = std::atoi(profile); i < n; ++i)
          if (meterFrames)
            MeterFrame(editor, ticks, frames);
          else
            g.SetAllControlsDirty(), editor.Render();
        std::exit(0);
      }
      else if (profile)
        return row;
      // The picture a full frame draws, and what the controls drew it from.
      g.SetAllControlsDirty();
      editor.Render();
      product = editor.Picture();
      states = States(g);
      row.controls = g.NControls();
      for (const ControlState& s : states)
        row.visible += !s.hidden;
    }
    full.batches.push_back(Batch([&] { g.SetAllControlsDirty(); }, [&] { editor.Render(); }, full.perBatch));
    one.batches.push_back(Batch([&] { const_cast<IControl*>(oneControl)->SetDirty(false); },
                                [&] { editor.Render(); }, one.perBatch));
    meter.batches.push_back(Batch([&] { return MeterFrame(editor, ticks, frames); }, meter.perBatch));

    // The same editor laid out on cairo by the same plug-in, after the renderer's context (and the bitmaps it
    // made) went, with the controls as the renderer drew them.
    editor.Close();
    iplugin::Qorv* plug = editor.Plug();
    BundleCairo cairo(*plug, 875, 580, (float)scale);
    cairo.SetSharedResourcesSubPath("Qorv");
    plug->LayoutUI(&cairo);
    if (cairo.NControls() != (int)states.size())
    {
      std::fprintf(stderr, "editor_frame: cairo laid out %d controls, the renderer %zu\n", cairo.NControls(),
                   states.size());
      std::exit(1);
    }
    SetStates(cairo, states);
    IRECTList rects;
    const IControl* cairoOneControl = OneControl(cairo);
    // The window's buffer: cairo's frame is shown by copying what it drew into it (cairo's image has the
    // display's byte order already), as the renderer's is by its composite onto the drawable.
    cairo_surface_t* const shown = cairo_image_surface_create(
        CAIRO_FORMAT_ARGB32, (int)std::lround(875 * scale), (int)std::lround(580 * scale));
    auto present = [&]
    {
      cairo_t* cr = cairo_create(shown);
      const IRECT r = rects.Bounds();
      const double l = std::floor(r.L * scale), t = std::floor(r.T * scale);
      cairo_rectangle(cr, l, t, std::ceil(r.R * scale) - l, std::ceil(r.B * scale) - t);
      cairo_clip(cr);
      cairo_set_source_surface(cr, cairo_get_target(static_cast<cairo_t*>(cairo.GetDrawContext())), 0, 0);
      cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
      cairo_paint(cr);
      cairo_destroy(cr);
    };
    // drawOnly: without showing the frame, for the figure of drawing alone.
    auto drawFrame = [&](bool show)
    {
      rects.Clear();
      if (cairo.IsDirty(rects))
      {
        cairo.ClearAllControlsDirty();
        cairo.DrawDirtyRects(rects);
        if (show) present();
      }
    };
    auto draw = [&] { drawFrame(true); };
    if (round == 0)
    {
      cairo.SetAllControlsDirty();
      draw();
      const qorvtest::RgbaImage reference = cairo.End();
      if (reference.width != product.width || reference.height != product.height)
      {
        std::fprintf(stderr, "editor_frame: cairo drew %d x %d, the renderer %d x %d\n", reference.width,
                     reference.height, product.width, product.height);
        std::exit(1);
      }
      qorvtest::RgbaImage marked;
      row.apart = PixelsApart(product, reference, marked);
      row.pixels = product.rgba.size() / 4;
      const std::string stem = std::string(QORV_BENCH_WORK_DIR) + "/scale" + std::to_string((int)scale);
      WritePicture(product, stem + "-renderer.png");
      WritePicture(reference, stem + "-cairo.png");
      WritePicture(marked, stem + "-apart.png");
    }
    cairoFull.batches.push_back(Batch([&] { cairo.SetAllControlsDirty(); }, draw, cairoFull.perBatch));
    cairoDrawn.batches.push_back(
        Batch([&] { cairo.SetAllControlsDirty(); }, [&] { drawFrame(false); }, cairoDrawn.perBatch));
    cairoOne.batches.push_back(
        Batch([&] { const_cast<IControl*>(cairoOneControl)->SetDirty(false); }, draw, cairoOne.perBatch));
    cairo_surface_destroy(shown);
  }
  row.full = Median(full.batches), row.cairoFull = Median(cairoFull.batches);
  row.one = Median(one.batches), row.cairoOne = Median(cairoOne.batches);
  row.meter = Median(meter.batches);
  row.meterShare = (double)frames / ticks;
  row.cairoDrawn = Median(cairoDrawn.batches);
  row.fullRatio = MedianRatio(full.batches, cairoFull.batches);
  row.drawnRatio = MedianRatio(full.batches, cairoDrawn.batches);
  row.meterRatio = MedianRatio(meter.batches, full.batches);
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
  std::printf("editor frame of an 8-channel \"Int. Mixer\" playing, CPU ms on one core (median of %d batches "
              "taken in turns; a ratio is the median of the batch pairs'): renderer with the composite onto "
              "the drawable | cairo of the same picture, with the copy that shows it (drawing alone in "
              "brackets)\n",
              kBatches);
  std::string table = "table: editor frame, 8 channels playing, CPU ms on one core, renderer / cairo:";
  bool same = true;
  for (double scale : {1.0, 2.0})
  {
    const Row r = Measure(scale);
    const double ratio = r.fullRatio, meterShare = r.meterRatio;
    const bool alike = (double)r.apart <= kApartShare * (double)r.pixels;
    same = same && alike;
    std::printf("scale %.0f: all controls %.2f | %.2f (%.2fx; drawing alone %.2f, %.2fx), one control %.2f | "
                "%.2f, meter frame %.2f (%.0f %% of the ticks draw)\n",
                scale, r.full, r.cairoFull, ratio, r.cairoDrawn, r.drawnRatio, r.one, r.cairoOne, r.meter,
                100.0 * r.meterShare);
    std::printf("scale %.0f: the same picture: %d of %d controls shown; %zu of %zu pixels apart by more than "
                "10 %% (at most %.1f %% may be): %s\n",
                scale, r.visible, r.controls, r.apart, r.pixels, 100.0 * kApartShare,
                alike ? "alike" : "DIFFERENT PICTURES");
    char line[512];
    std::snprintf(
        line, sizeof line,
        "\ntable:   scale %.0f: all %.2f / %.2f = %.2fx (target <= 2.5x: %s; drawing alone %.2f: %.2fx), one "
        "%.2f / %.2f, meter frame %.2f = %.2f of a full frame (target <= 0.5: %s)",
        scale, r.full, r.cairoFull, ratio, Met(ratio <= 2.5), r.cairoDrawn, r.drawnRatio, r.one, r.cairoOne,
        r.meter, meterShare, Met(meterShare <= 0.5));
    table += line;
  }
  std::printf("%s\n", table.c_str());
  if (!same)
  {
    std::fprintf(stderr, "editor_frame: the renderer and cairo drew different pictures (see %s)\n",
                 QORV_BENCH_WORK_DIR);
    return 1;
  }
  return 0;
}
