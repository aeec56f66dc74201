#include "tests/svg/SVGtestSupport.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <sstream>

using namespace iplugin::igraphics;

namespace svgtest
{
ImagePtr Parse(const std::string& text, const char* units, float dpi)
{
  std::vector<char> buf(text.begin(), text.end());
  buf.push_back(0);
  return ImagePtr(svgParse(buf.data(), units, dpi));
}

static std::string Num(float v)
{
  char buf[64];
  std::snprintf(buf, sizeof(buf), "%.4f", v);
  std::string s = buf;
  if (s.find('.') != std::string::npos)
  {
    while (s.back() == '0')
      s.pop_back();
    if (s.back() == '.') s.pop_back();
  }
  if (s == "-0") s = "0";
  return s;
}

static std::string Hex(uint32_t v)
{
  char buf[16];
  std::snprintf(buf, sizeof(buf), "%08X", v);
  return buf;
}

static std::string DumpPaint(const SVGpaint& paint)
{
  std::ostringstream out;
  switch (paint.type)
  {
  case SVG_PAINT_NONE:
    return "none";
  case SVG_PAINT_COLOR:
    return Hex(paint.color);
  default:
  {
    const SVGgradient* g = paint.gradient;
    out << (paint.type == SVG_PAINT_LINEAR_GRADIENT ? "linear" : "radial") << " xform";
    for (float v : g->xform)
      out << " " << Num(v);
    out << " spread " << int(g->spread) << " f " << Num(g->fx) << " " << Num(g->fy) << " stops";
    for (int i = 0; i < g->nstops; i++)
      out << " " << Hex(g->stops[i].color) << "@" << Num(g->stops[i].offset);
    return out.str();
  }
  }
}

std::string DumpPath(const SVGpath* path)
{
  std::ostringstream out;
  out << "path" << (path->closed ? " closed" : "") << " n " << path->npts << " bounds "
      << Num(path->bounds[0]) << " " << Num(path->bounds[1]) << " " << Num(path->bounds[2]) << " "
      << Num(path->bounds[3]) << " pts";
  for (int i = 0; i < path->npts; i++)
    out << " " << Num(path->pts[i * 2]) << "," << Num(path->pts[i * 2 + 1]);
  return out.str();
}

std::string Dump(const SVGimage* image)
{
  std::ostringstream out;
  out << "image " << Num(image->width) << " x " << Num(image->height) << "\n";
  for (const SVGshape* s = image->shapes; s; s = s->next)
  {
    out << "shape '" << s->id << "'" << ((s->flags & SVG_FLAGS_VISIBLE) ? "" : " hidden") << " opacity "
        << Num(s->opacity) << " fill " << DumpPaint(s->fill) << " stroke " << DumpPaint(s->stroke)
        << " width " << Num(s->strokeWidth) << " join " << int(s->strokeLineJoin) << " cap "
        << int(s->strokeLineCap) << " miter " << Num(s->miterLimit) << " rule " << int(s->fillRule);
    if (s->strokeDashCount > 0)
    {
      out << " dash";
      for (int i = 0; i < s->strokeDashCount; i++)
        out << " " << Num(s->strokeDashArray[i]);
      out << " offset " << Num(s->strokeDashOffset);
    }
    out << " bounds " << Num(s->bounds[0]) << " " << Num(s->bounds[1]) << " " << Num(s->bounds[2]) << " "
        << Num(s->bounds[3]) << "\n";
    for (const SVGpath* p = s->paths; p; p = p->next)
      out << "  " << DumpPath(p) << "\n";
  }
  return out.str();
}

std::vector<const SVGshape*> Shapes(const SVGimage* image)
{
  std::vector<const SVGshape*> v;
  for (const SVGshape* s = image->shapes; s; s = s->next)
    v.push_back(s);
  return v;
}

std::vector<const SVGpath*> Paths(const SVGshape* shape)
{
  std::vector<const SVGpath*> v;
  for (const SVGpath* p = shape->paths; p; p = p->next)
    v.push_back(p);
  return v;
}

static bool Contains(const float* outer, const float* inner, float slack)
{
  return inner[0] >= outer[0] - slack && inner[1] >= outer[1] - slack && inner[2] <= outer[2] + slack &&
         inner[3] <= outer[3] + slack;
}

std::string CheckInvariants(const SVGimage* image)
{
  std::ostringstream err;
  int shapeIndex = 0;
  for (const SVGshape* s = image->shapes; s; s = s->next, shapeIndex++)
  {
    if (s->id[63] != 0 || std::char_traits<char>::length(s->id) > 63)
      err << "shape " << shapeIndex << ": id not terminated\n";
    if (s->strokeDashCount < 0 || s->strokeDashCount > 8)
      err << "shape " << shapeIndex << ": dash count " << int(s->strokeDashCount) << "\n";
    for (int i = 0; i < s->strokeDashCount && i < 8; i++)
      if (s->strokeDashArray[i] < 0) err << "shape " << shapeIndex << ": negative dash\n";
    if (s->strokeLineJoin > 2 || s->strokeLineCap > 2 || s->fillRule > 1 || s->fill.type > 3 ||
        s->stroke.type > 3)
      err << "shape " << shapeIndex << ": enum out of range\n";
    if (!(s->opacity >= 0 && s->opacity <= 1) || !(s->miterLimit >= 0))
      err << "shape " << shapeIndex << ": opacity or miter limit out of range\n";
    if (!s->paths) err << "shape " << shapeIndex << ": no paths\n";
    for (const SVGpaint* paint : {&s->fill, &s->stroke})
    {
      if (paint->type >= 2)
      {
        const SVGgradient* g = paint->gradient;
        if (!g || g->nstops < 1)
          err << "shape " << shapeIndex << ": gradient without stops\n";
        else
          for (int i = 1; i < g->nstops; i++)
            if (g->stops[i].offset < g->stops[i - 1].offset)
              err << "shape " << shapeIndex << ": stops out of order\n";
      }
    }
    for (const SVGpath* p = s->paths; p; p = p->next)
    {
      if (p->npts < 4 || (p->npts - 1) % 3 != 0)
        err << "shape " << shapeIndex << ": path with " << p->npts << " points\n";
      bool finite = true;
      for (int i = 0; i < p->npts * 2; i++)
        finite = finite && std::isfinite(p->pts[i]);
      // Bounds are checked only where the numbers are sane enough to compare.
      if (finite && std::isfinite(p->bounds[0]) && std::isfinite(p->bounds[2]))
      {
        const float slack = 1e-3f * (1.0f + std::fabs(p->bounds[0]) + std::fabs(p->bounds[1]) +
                                     std::fabs(p->bounds[2]) + std::fabs(p->bounds[3]));
        for (int i = 0; i < p->npts; i += 3)
        {
          const float pt[4] = {p->pts[i * 2], p->pts[i * 2 + 1], p->pts[i * 2], p->pts[i * 2 + 1]};
          if (!Contains(p->bounds, pt, slack))
            err << "shape " << shapeIndex << ": end point outside path bounds\n";
        }
        if (!Contains(s->bounds, p->bounds, slack))
          err << "shape " << shapeIndex << ": path bounds outside shape bounds\n";
      }
    }
  }
  return err.str();
}

std::string ModelDifference(const SVGimage* a, const SVGimage* b)
{
  if (!a || !b) return "no image";
  const auto sa = Shapes(a), sb = Shapes(b);
  if (sa.size() != sb.size())
    return std::to_string(sa.size()) + " shapes against " + std::to_string(sb.size());
  const float tol = 2e-3f * std::max(1.0f, std::max(a->width, a->height) / 128.0f);
  for (size_t s = 0; s < sa.size(); s++)
  {
    const auto pa = Paths(sa[s]), pb = Paths(sb[s]);
    if (pa.size() != pb.size()) return "shape " + std::to_string(s) + ": sub-path counts differ";
    for (size_t p = 0; p < pa.size(); p++)
    {
      if (pa[p]->npts != pb[p]->npts || pa[p]->closed != pb[p]->closed)
        return "shape " + std::to_string(s) + ": " + DumpPath(pa[p]).substr(0, 80) + " against " +
               DumpPath(pb[p]).substr(0, 80);
      for (int k = 0; k < pa[p]->npts * 2; k++)
        if (!(std::fabs(pa[p]->pts[k] - pb[p]->pts[k]) <= tol + 1e-5f * std::fabs(pa[p]->pts[k])))
          return "shape " + std::to_string(s) + " point " + std::to_string(k / 2) + ": " +
                 std::to_string(pa[p]->pts[k]) + " against " + std::to_string(pb[p]->pts[k]);
    }
  }
  return "";
}

bool ReadGrammarNumber(const std::string& d, size_t& i, double& v)
{
  auto digit = [&](size_t at) { return at < d.size() && std::isdigit((unsigned char)d[at]); };
  const size_t start = i;
  size_t c = i;
  if (c < d.size() && (d[c] == '+' || d[c] == '-')) c++;
  size_t digits = 0;
  for (; digit(c); c++)
    digits++;
  if (c < d.size() && d[c] == '.' && (digits || digit(c + 1)))
    for (c++; digit(c); c++)
      digits++;
  if (!digits) return false;
  if (c < d.size() && (d[c] == 'e' || d[c] == 'E'))
  {
    size_t e = c + 1;
    if (e < d.size() && (d[e] == '+' || d[e] == '-')) e++;
    if (digit(e))
      for (c = e; digit(c);)
        c++;
  }
  v = std::strtod(d.substr(start, c - start).c_str(), nullptr);
  i = c;
  return true;
}

std::string ShortestNumber(double v)
{
  char buf[40];
  std::snprintf(buf, sizeof(buf), "%.9g", v);
  std::string s = buf;
  if (s == "-0") s = "0";
  if (s.rfind("0.", 0) == 0) s.erase(0, 1);
  if (s.rfind("-0.", 0) == 0) s.erase(1, 1);
  return s;
}

bool FollowsWithoutSeparator(const std::string& last, const std::string& next)
{
  return next[0] == '-' || next[0] == '+' ||
         (next[0] == '.' && last.find_first_of(".eE") != std::string::npos);
}

std::string NumberSpelledAtRandom(double v, std::mt19937& random)
{
  const std::string s = ShortestNumber(v);
  char buf[40];
  switch (random() % 4)
  {
  case 0:
    return s[0] == '-' ? s : "+" + s;
  case 1:
    std::snprintf(buf, sizeof(buf), "%.9e", v);
    return std::string(buf);
  case 2:
    return s[0] == '.' ? "0" + s : s;
  default:
    return s;
  }
}

const char* SeparatorAtRandom(std::mt19937& random)
{
  static const char* const separators[] = {" ", ",", " , ", "\t", "\n", "  ,"};
  return separators[random() % 6];
}

std::string RewriteAttribute(const std::string& text, const std::string& name,
                             const std::function<std::string(const std::string&)>& rewrite, int& count)
{
  const std::string key = name + "=";
  std::string out;
  size_t at = 0;
  count = 0;
  for (size_t i = text.find(key, 0); i != std::string::npos; i = text.find(key, i + key.size()))
  {
    const size_t open = i + key.size();
    if (i == 0 || !std::isspace((unsigned char)text[i - 1]) || open >= text.size()) continue;
    const char quote = text[open];
    if (quote != '"' && quote != '\'') continue;
    const size_t end = text.find(quote, open + 1);
    if (end == std::string::npos) break;
    out += text.substr(at, open + 1 - at) + rewrite(text.substr(open + 1, end - open - 1));
    at = end;
    count++;
  }
  return out + text.substr(at);
}

ParserPtr::ParserPtr() : p(svgCreateParser())
{
  p->dpi = 96.0f;
}
ParserPtr::~ParserPtr()
{
  svgDeleteParser(p);
}
} // namespace svgtest
