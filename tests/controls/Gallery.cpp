#include "tests/controls/Gallery.h"

#include "controls/IPanelControl.h"
#include "graphics/IGraphics.h"
#include "framework/IParam.h"
#include "tests/support/GoldenImage.h"
#include "tests/support/TestPaths.h"

#include <cmath>
#include <functional>

using namespace iplugin;
using namespace iplugin::igraphics;

namespace qorvtest
{
namespace
{
using Painter = std::function<IColor(int x, int y)>;

// A w x h bitmap painted pixel by pixel, loaded with its frames stacked vertically.
IBitmap Paint(IGraphics& g, const std::string& folder, const char* name, int w, int h, int frames,
              const Painter& paint)
{
  RgbaImage image{w, h, std::vector<uint8_t>(size_t(w) * size_t(h) * 4)};
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
    {
      const IColor c = paint(x, y);
      uint8_t* p = &image.rgba[(size_t(y) * w + x) * 4];
      p[0] = uint8_t(c.R), p[1] = uint8_t(c.G), p[2] = uint8_t(c.B), p[3] = uint8_t(c.A);
    }
  const std::string path = folder + "/" + name;
  WritePng(path, image);
  return g.LoadBitmap(path.c_str(), frames, false);
}

bool InDisc(int x, int y, float cx, float cy, float r)
{
  const float dx = float(x) + 0.5f - cx, dy = float(y) + 0.5f - cy;
  return dx * dx + dy * dy <= r * r;
}

// A 6 x 8 cell for each character from the space on: a 4 x 6 block whose pattern is the code's bits.
IColor FontPixel(int x, int y)
{
  const int c = 32 + y / 8, row = y % 8;
  if (c == 32 || x < 1 || x > 4 || row < 1 || row > 6) return IColor(0, 0, 0, 0);
  const int bit = ((row - 1) * 4 + (x - 1)) % 7;
  return (c >> bit) & 1 ? IColor(255, 30, 60, 120) : IColor(0, 0, 0, 0);
}

IText Text(float size, int align = kAlignCenter)
{
  return IText(size, IColor(255, 30, 30, 40), "Roboto-Regular", align, kVAlignMiddle, 0.f, kColorWhite,
               kColorBlack);
}

ISVG Svg(IGraphics& g, const char* name)
{
  return g.LoadSVG(DataPath("controls", name).c_str());
}
} // namespace

void InitGalleryParams(IGEditorDelegate& dlg)
{
  dlg.GetParam(kLampParam)->InitBool("Lamp", false);
  dlg.GetParam(kHandleParam)->InitDouble("Handle", 0.5, 0.0, 1.0, 0.01);
  dlg.GetParam(kRotaterParam)->InitDouble("Rotater", 0.5, 0.0, 1.0, 0.01);
  dlg.GetParam(kDialParam)->InitDouble("Dial", 0.5, 0.0, 1.0, 0.01);
  dlg.GetParam(kPositionParam)->InitEnum("Position", 0, 3);
  dlg.GetParam(kFaderParam)->InitDouble("Fader", 0.0, -60.0, 6.0, 0.1, "dB");
  dlg.GetParam(kBypassParam)->InitBool("Bypass", false);
  dlg.GetParam(kCurveParam)->InitEnumList("Curve", 1, {"Soft", "Medium", "Hard"});
  dlg.GetParam(kThresholdParam)->InitDouble("Threshold", -20.0, -60.0, 0.0, 0.5, "dB", IParam::kFlagStepped);
}

Gallery AttachGallery(IGraphics& g, const std::string& folder, const std::string& fontPath)
{
  if (!fontPath.empty()) g.LoadFont("Roboto-Regular", fontPath.c_str());

  IPattern wash(kLinearPattern);
  wash.AddStop(IColor(255, 236, 239, 244), 0.f);
  wash.AddStop(IColor(255, 200, 208, 222), 1.f);
  // The gradient runs down the whole context.
  wash.mTransform = IMatrix(1.0, 0.0, 0.0, 1.0 / kGalleryHeight, 0.0, 0.0);
  g.AttachPanelBackground(wash);
  g.AttachControl(new IPanelControl(IRECT(5, 5, 315, 90), IColor(255, 248, 248, 250), true));

  const IBitmap lamp = Paint(g, folder, "lamp.png", 20, 40, 2,
                             [](int x, int y)
                             {
                               const bool lit = y >= 20;
                               if (!InDisc(x, y % 20, 10, 10, 8)) return IColor(0, 0, 0, 0);
                               return lit ? IColor(255, 240, 60, 40) : IColor(255, 90, 30, 30);
                             });
  const IBitmap button = Paint(g, folder, "button.png", 30, 40, 2,
                               [](int x, int y)
                               {
                                 const bool down = y >= 20;
                                 const int fy = y % 20;
                                 if (x == 0 || x == 29 || fy == 0 || fy == 19) return IColor(255, 50, 50, 60);
                                 return down ? IColor(255, 60, 120, 220) : IColor(255, 210, 214, 222);
                               });
  const IBitmap dial = Paint(g, folder, "dial.png", 32, 32, 1,
                             [](int x, int y)
                             {
                               if (x >= 15 && x <= 16 && y >= 3 && y <= 14) return IColor(255, 255, 255, 255);
                               return InDisc(x, y, 16, 16, 15) ? IColor(255, 50, 60, 80) : IColor(0, 0, 0, 0);
                             });
  const IBitmap handle =
      Paint(g, folder, "handle.png", 16, 8, 1,
            [](int x, int y) { return y == 3 || y == 4 ? kColorWhite : IColor(255, 230, 140, 30); });
  // As wide as the handle, which starts at the track's left edge; the groove is the middle.
  const IBitmap track =
      Paint(g, folder, "track.png", 16, 76, 1,
            [](int x, int y)
            {
              if (x < 5 || x > 10) return IColor(0, 0, 0, 0);
              return x == 5 || x == 10 ? IColor(255, 120, 120, 130) : IColor(255, 70, 70, 80);
            });
  const IBitmap font = Paint(g, folder, "font.png", 6, 8 * 95, 95, FontPixel);

  Gallery gallery{};
  gallery.lamp = static_cast<IBitmapControl*>(g.AttachControl(new IBitmapControl(12, 12, lamp, kLampParam)));
  gallery.bitmapButton = static_cast<IBButtonControl*>(g.AttachControl(
      new IBButtonControl(40, 12, button, [](IControl* c) { c->StartDefaultClickAnimation(); })));
  gallery.rotater = static_cast<IBKnobRotaterControl*>(
      g.AttachControl(new IBKnobRotaterControl(IRECT(80, 10, 120, 50), dial, kRotaterParam)));
  gallery.bitmapSlider = static_cast<IBSliderControl*>(
      g.AttachControl(new IBSliderControl(IRECT(128, 8, 148, 88), handle, track, kHandleParam)));
  gallery.bitmapText = static_cast<IBTextControl*>(g.AttachControl(
      new IBTextControl(IRECT(160, 10, 310, 28), font, kDefaultText, "QORV 2.1", 6, 8, 0, false, true)));
  gallery.svgSwitch = static_cast<ISVGSwitchControl*>(g.AttachControl(new ISVGSwitchControl(
      IRECT(160, 40, 200, 60), {Svg(g, "switch-off.svg"), Svg(g, "switch-mid.svg"), Svg(g, "switch-on.svg")},
      kPositionParam)));
  gallery.svgButton = static_cast<ISVGButtonControl*>(g.AttachControl(new ISVGButtonControl(
      IRECT(210, 35, 240, 65), [](IControl* c) { c->StartDefaultClickAnimation(); }, Svg(g, "button-off.svg"),
      Svg(g, "button-on.svg"))));
  gallery.svgKnob = static_cast<ISVGKnobControl*>(
      g.AttachControl(new ISVGKnobControl(IRECT(255, 32, 295, 72), Svg(g, "knob.svg"), kDialParam)));

  gallery.picture = static_cast<ISVGControl*>(
      g.AttachControl(new ISVGControl(IRECT(10, 100, 70, 140), Svg(g, "picture.svg"), true)));
  IText linkText = Text(13.f, kAlignNear);
  linkText.mFGColor = IColor(255, 20, 70, 170);
  gallery.link = static_cast<IURLControl*>(g.AttachControl(
      new IURLControl(IRECT(80, 100, 190, 120), "qorv.example", "https://qorv.example/manual", linkText,
                      kColorTransparent, IColor(255, 220, 60, 20), IColor(255, 110, 40, 150))));
  gallery.toggle = static_cast<ITextToggleControl*>(
      g.AttachControl(new ITextToggleControl(IRECT(80, 125, 190, 145), kBypassParam, "Bypass off",
                                             "Bypass on", Text(13.f), IColor(255, 225, 230, 238))));
  gallery.enumCaption = static_cast<ICaptionControl*>(g.AttachControl(
      new ICaptionControl(IRECT(200, 100, 310, 120), kCurveParam, Text(13.f), IColor(255, 250, 250, 250))));
  gallery.valueCaption = static_cast<ICaptionControl*>(g.AttachControl(new ICaptionControl(
      IRECT(200, 125, 310, 145), kThresholdParam, Text(13.f), IColor(255, 250, 250, 250))));

  gallery.placeHolder =
      static_cast<PlaceHolder*>(g.AttachControl(new PlaceHolder(IRECT(10, 160, 160, 250), "Meter")));
  gallery.svgSlider = static_cast<ISVGSliderControl*>(g.AttachControl(new ISVGSliderControl(
      IRECT(175, 165, 195, 250), Svg(g, "slider-handle.svg"), Svg(g, "slider-track.svg"), kFaderParam)));
  // The fader shows its value in the bubble while it changes.
  gallery.svgSlider->SetActionFunction([](IControl* c) { c->ShowValueBubbleHorizontal(); });
  g.AttachBubbleControl(Text(12.f));
  gallery.bubble = static_cast<IBubbleControl*>(g.GetBubbleControl(g.NBubbleControls() - 1));
  return gallery;
}
} // namespace qorvtest
