#include "tools/bitmaps/ContactSheet.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "editor/EditorBitmaps.h"
#include "graphics/vector/VGrenderParams.h"
#include "graphics/vector/VGtext.h"

using namespace iplugin::igraphics;

namespace qorvart
{
namespace
{
constexpr float kMargin = 16, kGap = 10, kLabelHeight = 22, kSheetWidth = 2000;

// The frames shown: all of them up to twelve, else twelve spread evenly from the first to the last.
std::vector<int> ShownFrames(int frames)
{
  std::vector<int> shown;
  const int n = std::min(frames, 12);
  for (int i = 0; i < n; ++i)
    shown.push_back(n == 1 ? 0 : (int)((long)i * (frames - 1) / (n - 1)));
  return shown;
}

struct Placed
{
  const iplugin::EditorBitmap* bitmap;
  int image[2]; // renderer images at scales 1 and 2
  float y;      // top of the label
  float rowTop[2];
};

// Frames a row at a scale (one point a pixel on the sheet): wide frames wrap, the sheet keeps its width.
int FramesPerRow(const iplugin::EditorBitmap& b, int scale)
{
  return std::max(1, (int)((kSheetWidth - 2 * kMargin + kGap) / (b.frameWidth * scale + kGap)));
}
} // namespace

bool WriteContactSheet(BitmapCanvas& canvas, int font, const std::string& resourcesDir,
                       const std::string& path)
{
  VGcontext* vg = canvas.Context();
  std::vector<Placed> placed;
  float y = kMargin;
  for (const iplugin::EditorBitmap& b : iplugin::kEditorBitmaps)
  {
    Placed p{&b, {0, 0}, y, {0, 0}};
    y += kLabelHeight;
    for (int s = 1; s <= 2; ++s)
    {
      RgbaPixels px;
      const std::string file = resourcesDir + "/" + iplugin::EditorBitmapFile(b, s);
      if (!ReadPngFile(file, px))
      {
        std::fprintf(stderr, "qorv-bitmaps: cannot read %s\n", file.c_str());
        return false;
      }
      p.image[s - 1] = vgCreateImageRGBA(vg, px.width, px.height, 0, px.rgba.data());
      const int perRow = FramesPerRow(b, s), shown = (int)ShownFrames(b.frames).size();
      const int rows = (shown + perRow - 1) / perRow;
      p.rowTop[s - 1] = y;
      y += rows * (b.frameHeight * s + kGap);
    }
    y += kGap;
    placed.push_back(p);
  }
  const int height = (int)(y + kMargin);
  unsigned char tile[16 * 16 * 4];
  for (int i = 0; i < 16 * 16; ++i)
  {
    const unsigned char v = ((i % 16) / 8 + (i / 16) / 8) % 2 ? 92 : 72;
    tile[i * 4] = tile[i * 4 + 1] = tile[i * 4 + 2] = v;
    tile[i * 4 + 3] = 255;
  }
  const int checker =
      vgCreateImageRGBA(vg, 16, 16, kVGImageRepeatX | kVGImageRepeatY | kVGImageNearest, tile);
  RgbaPixels sheet = canvas.Render(
      (int)kSheetWidth, height, 1,
      [&](VGcontext* vg)
      {
        vgBeginPath(vg);
        vgRect(vg, 0, 0, kSheetWidth, (float)height);
        vgFillColor(vg, vgRGB(58, 58, 58));
        vgFill(vg);
        vgFontFaceId(vg, font);
        for (const Placed& p : placed)
        {
          const iplugin::EditorBitmap& b = *p.bitmap;
          char label[160];
          std::snprintf(
              label, sizeof label, "%s  %d x %d points a frame, %d frame%s%s; images %d x %d and %d x %d",
              b.name, b.frameWidth, b.frameHeight, b.frames, b.frames > 1 ? "s" : "",
              b.horizontal ? " side by side" : "", b.Width(), b.Height(), 2 * b.Width(), 2 * b.Height());
          vgFontSize(vg, 13);
          vgTextAlign(vg, kVGAlignLeft | kVGAlignTop);
          vgFillColor(vg, vgRGB(235, 235, 235));
          vgText(vg, kMargin, p.y + 4, label, nullptr);
          for (int s = 1; s <= 2; ++s)
          {
            const float fw = (float)b.frameWidth * s, fh = (float)b.frameHeight * s;
            const float iw = (float)b.Width() * s, ih = (float)b.Height() * s;
            const std::vector<int> shown = ShownFrames(b.frames);
            const int perRow = FramesPerRow(b, s);
            for (int i = 0; i < (int)shown.size(); ++i)
            {
              const int f = shown[i];
              const float x = kMargin + (i % perRow) * (fw + kGap),
                          top = p.rowTop[s - 1] + (i / perRow) * (fh + kGap);
              // Checkerboard behind the frame.
              vgBeginPath(vg);
              vgRect(vg, x, top, fw, fh);
              vgFillPaint(vg, vgImagePattern(x, top, 16, 16, 0, checker, 1.0f));
              vgFill(vg);
              const float ox = b.horizontal ? f * fw : 0, oy = b.horizontal ? 0 : f * fh;
              vgBeginPath(vg);
              vgRect(vg, x, top, fw, fh);
              vgFillPaint(vg, vgImagePattern(x - ox, top - oy, iw, ih, 0, p.image[s - 1], 1.0f));
              vgFill(vg);
            }
          }
        }
      });
  for (const Placed& p : placed)
    for (int image : p.image)
      vgDeleteImage(vg, image);
  vgDeleteImage(vg, checker);
  if (!WritePngFile(path, sheet))
  {
    std::fprintf(stderr, "qorv-bitmaps: cannot write %s\n", path.c_str());
    return false;
  }
  return true;
}
} // namespace qorvart
