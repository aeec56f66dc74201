#include "tests/support/SvgReference.h"

#include "tests/support/TestPaths.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <unistd.h>

namespace fs = std::filesystem;

namespace qorvtest
{
const char* const kSvgFixtures = "/usr/libexec/installed-tests/RSVG/fixtures";

ImageTolerance SvgReferenceTolerance()
{
  ImageTolerance tol;
  tol.interior = tol.edge = 24;
  tol.nearRadius = 1;
  tol.outliers = 0.001;
  return tol;
}

std::string ReadFile(const std::string& path)
{
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

const std::vector<std::string>& SvgDocuments()
{
  static const std::vector<std::string> docs = []
  {
    std::vector<std::string> found;
    std::error_code ec;
    if (!fs::is_directory(kSvgFixtures, ec)) return found;
    for (auto it = fs::recursive_directory_iterator(kSvgFixtures, ec); it != fs::recursive_directory_iterator();
         it.increment(ec))
    {
      if (ec) break;
      if (it->is_regular_file() && it->path().extension() == ".svg")
        found.push_back(fs::relative(it->path(), kSvgFixtures).string());
    }
    std::sort(found.begin(), found.end());
    return found;
  }();
  return docs;
}

std::vector<std::string> ComparedSvgDocuments()
{
  std::vector<std::string> docs;
  const auto leftOut = ReadSvgList(DataPath("svg", "left-out.txt"));
  for (const std::string& rel : SvgDocuments())
    if (!leftOut.count(rel)) docs.push_back(rel);
  return docs;
}

std::string SvgFullPath(const std::string& rel)
{
  return std::string(kSvgFixtures) + "/" + rel;
}

std::string SvgTestName(const std::string& rel)
{
  std::string name;
  for (char c : rel)
    name += std::isalnum((unsigned char)c) ? c : '_';
  return name;
}

std::map<std::string, std::string> ReadSvgList(const std::string& path)
{
  std::map<std::string, std::string> list;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line))
  {
    if (line.empty() || line[0] == '#') continue;
    const size_t tab = line.find('\t');
    list[line.substr(0, tab)] = tab == std::string::npos ? "" : line.substr(tab + 1);
  }
  return list;
}

int SvgZoomFor(float width, float height)
{
  const float size = std::max(width, height);
  if (!(size > 0)) return 1;
  return std::clamp((int)(128.0f / size), 1, 8);
}

namespace
{
// Renders the document at svgPath into png (through a temporary, so that a failed run leaves none; one of
// its own, as test processes running at once may render the same reference).
bool Convert(const std::string& svgPath, const std::string& png, int zoom)
{
  const std::string tmp = png + "." + std::to_string(getpid()) + ".tmp";
  const std::string cmd =
      "rsvg-convert -z " + std::to_string(zoom) + " -o '" + tmp + "' '" + svgPath + "' 2>/dev/null";
  std::error_code ec;
  if (std::system(cmd.c_str()) != 0)
  {
    fs::remove(tmp, ec);
    return false;
  }
  fs::rename(tmp, png, ec);
  return !ec;
}

fs::path ReferenceFolder()
{
  const fs::path dir = fs::path(BinaryDir()) / "svg-reference";
  std::error_code ec;
  fs::create_directories(dir, ec);
  return dir;
}
} // namespace

std::string SvgReference(const std::string& rel, int zoom)
{
  const std::string png = (ReferenceFolder() / (SvgTestName(rel) + "-z" + std::to_string(zoom) + ".png")).string();
  std::error_code ec;
  if (fs::exists(png, ec)) return png;
  return Convert(SvgFullPath(rel), png, zoom) ? png : "";
}

std::string SvgReferenceOfText(const std::string& name, const std::string& text, int zoom)
{
  const fs::path dir = ReferenceFolder();
  const std::string svg = (dir / (name + ".svg")).string(), png = (dir / (name + ".png")).string();
  // The text may change from build to build: rendered each time.
  std::ofstream(svg, std::ios::binary) << text;
  return Convert(svg, png, zoom) ? png : "";
}

RgbaImage FromSurface(cairo_surface_t* surface)
{
  RgbaImage image;
  cairo_surface_flush(surface);
  image.width = cairo_image_surface_get_width(surface);
  image.height = cairo_image_surface_get_height(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  const unsigned char* data = cairo_image_surface_get_data(surface);
  image.rgba.resize((size_t)image.width * image.height * 4);
  for (int y = 0; y < image.height; y++)
    for (int x = 0; x < image.width; x++)
    {
      const uint32_t argb = *(const uint32_t*)(data + (size_t)y * stride + x * 4);
      uint8_t* p = &image.rgba[((size_t)y * image.width + x) * 4];
      p[0] = (uint8_t)(argb >> 16);
      p[1] = (uint8_t)(argb >> 8);
      p[2] = (uint8_t)argb;
      p[3] = (uint8_t)(argb >> 24);
    }
  return image;
}
} // namespace qorvtest
