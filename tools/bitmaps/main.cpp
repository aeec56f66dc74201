// qorv-bitmaps: draws the editor's bitmaps into a bundle's Resources folder at screen scales 1 and 2
// ("name.png" and "name@2x.png"), and on request a contact sheet of all of them. The build names, as the
// output of drawing, the list that --list writes once every bitmap is drawn: the names of the files,
// one a line, so that the build never reads the table itself.
//
//   qorv-bitmaps --font verdanab.ttf --out Qorv.component/Contents/Resources [--sheet sheet.png]
//                [--list bitmaps.txt]
//
// The selectors' texts are the plug-in's own display texts, read from its parameter table.
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "editor/EditorBitmaps.h"
#include "framework/AtomicFile.h"
#include "framework/IEditorDelegate.h"
#include "graphics/vector/VGtext.h"
#include "mixer/MixerEngine.h"
#include "mixer/QorvParams.h"
#include "tools/bitmaps/Art.h"
#include "tools/bitmaps/BitmapCanvas.h"
#include "tools/bitmaps/ContactSheet.h"

using namespace iplugin::igraphics;

namespace
{
struct Options
{
  std::string font, out, sheet, list;
};

bool ParseOptions(int argc, char** argv, Options& o)
{
  for (int i = 1; i + 1 < argc; i += 2)
  {
    if (!std::strcmp(argv[i], "--font"))
      o.font = argv[i + 1];
    else if (!std::strcmp(argv[i], "--out"))
      o.out = argv[i + 1];
    else if (!std::strcmp(argv[i], "--sheet"))
      o.sheet = argv[i + 1];
    else if (!std::strcmp(argv[i], "--list"))
      o.list = argv[i + 1];
    else
      return false;
  }
  return argc % 2 == 1 && !o.font.empty() && !o.out.empty();
}

// Display texts of the selectors' parameters, by bitmap.
std::vector<std::vector<std::string>> SelectorTexts()
{
  iplugin::IEditorDelegate plug(iplugin::kNumParams);
  iplugin::MixerEngine engine;
  iplugin::TypedBuf<int32_t> outputs;
  iplugin::DeclareParameterTable(plug, engine, outputs);
  std::vector<std::vector<std::string>> texts(iplugin::kNumEditorBitmaps);
  const struct
  {
    int bitmap, param;
  } selectors[] = {{iplugin::kBitmapPluginMode, iplugin::kParamPluginMode},
                   {iplugin::kBitmapChannelCount, iplugin::kParamChannelCount},
                   {iplugin::kBitmapGroupNumber, iplugin::kParamGroupNumber},
                   {iplugin::kBitmapPreDelay, iplugin::kParamPreDelay},
                   {iplugin::kBitmapMixMode, iplugin::kParamMixMode}};
  for (const auto& s : selectors)
  {
    const iplugin::IParam& p = *plug.GetParam(s.param);
    for (int i = 0; i < p.NDisplayTexts(); ++i)
      texts[s.bitmap].push_back(p.GetDisplayTextAtIdx(i));
  }
  return texts;
}

// Every frame in one pass over the whole image, each clipped to its own cell.
void DrawAllFrames(const qorvart::Art& art, const iplugin::EditorBitmap& b)
{
  for (int f = 0; f < b.frames; ++f)
  {
    vgSave(art.vg);
    vgTranslate(art.vg, b.horizontal ? (float)(f * b.frameWidth) : 0,
                b.horizontal ? 0 : (float)(f * b.frameHeight));
    vgScissor(art.vg, 0, 0, (float)b.frameWidth, (float)b.frameHeight);
    qorvart::DrawFrame(art, b.name, f);
    vgRestore(art.vg);
  }
}
} // namespace

int main(int argc, char** argv)
{
  Options o;
  if (!ParseOptions(argc, argv, o))
  {
    std::fprintf(stderr, "usage: qorv-bitmaps --font FILE.ttf --out RESOURCES-FOLDER [--sheet FILE.png] "
                         "[--list FILE.txt]\n");
    return 2;
  }
  try
  {
    qorvart::BitmapCanvas canvas;
    const int font = vgCreateFont(canvas.Context(), "Verdana Bold", o.font.c_str());
    if (font < 0)
    {
      std::fprintf(stderr, "qorv-bitmaps: cannot load the font %s\n", o.font.c_str());
      return 1;
    }
    const std::vector<std::vector<std::string>> texts = SelectorTexts();
    std::string written;
    for (int i = 0; i < iplugin::kNumEditorBitmaps; ++i)
    {
      const iplugin::EditorBitmap& b = iplugin::kEditorBitmaps[i];
      const qorvart::Art art{canvas.Context(), font, texts[i].empty() ? nullptr : &texts[i]};
      for (int scale = 1; scale <= 2; ++scale)
      {
        qorvart::RgbaPixels px =
            canvas.Render(b.Width(), b.Height(), scale, [&](VGcontext*) { DrawAllFrames(art, b); });
        const std::string path = o.out + "/" + iplugin::EditorBitmapFile(b, scale);
        if (!qorvart::WritePngFile(path, px))
        {
          std::fprintf(stderr, "qorv-bitmaps: cannot write %s\n", path.c_str());
          return 1;
        }
        written += iplugin::EditorBitmapFile(b, scale) + "\n";
      }
    }
    if (!o.list.empty() && !iplugin::WriteFileAtomically(o.list.c_str(), written.data(), written.size()))
    {
      std::fprintf(stderr, "qorv-bitmaps: cannot write %s\n", o.list.c_str());
      return 1;
    }
    if (!o.sheet.empty() && !qorvart::WriteContactSheet(canvas, font, o.out, o.sheet)) return 1;
  }
  catch (const std::exception& e)
  {
    std::fprintf(stderr, "qorv-bitmaps: %s\n", e.what());
    return 1;
  }
  return 0;
}
