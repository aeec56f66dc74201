#include "tests/vector/CairoGraphics.h"

#include "tests/support/CairoPaths.h"

#include <cairo-ft.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <cstring>

namespace qorvtest
{
using namespace iplugin;
using namespace iplugin::igraphics;

namespace
{
class CairoBitmap : public APIBitmap
{
public:
  CairoBitmap(cairo_surface_t* surface, float scale, float drawScale)
      : APIBitmap(1, cairo_image_surface_get_width(surface), cairo_image_surface_get_height(surface), scale,
                  drawScale),
        mSurface(surface)
  {
  }
  ~CairoBitmap() override { cairo_surface_destroy(mSurface); }
  cairo_surface_t* mSurface;
};

const cairo_operator_t kOperators[] = {CAIRO_OPERATOR_OVER,      CAIRO_OPERATOR_IN,       CAIRO_OPERATOR_OUT,
                                       CAIRO_OPERATOR_ATOP,      CAIRO_OPERATOR_DEST_OVER, CAIRO_OPERATOR_DEST_IN,
                                       CAIRO_OPERATOR_DEST_OUT,  CAIRO_OPERATOR_DEST_ATOP, CAIRO_OPERATOR_ADD,
                                       CAIRO_OPERATOR_XOR};

void SetOperator(cairo_t* cr, const IBlend* pBlend)
{
  const int method = pBlend ? pBlend->mMethod : 0;
  cairo_set_operator(cr, method >= 0 && method < 10 ? kOperators[method] : CAIRO_OPERATOR_OVER);
}

// Premultiplied ARGB words to RGBA bytes and back.
void ToRgba(cairo_surface_t* s, uint8_t* out)
{
  cairo_surface_flush(s);
  const int w = cairo_image_surface_get_width(s), h = cairo_image_surface_get_height(s);
  const int stride = cairo_image_surface_get_stride(s);
  const unsigned char* data = cairo_image_surface_get_data(s);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
    {
      uint32_t p;
      std::memcpy(&p, data + y * stride + x * 4, 4);
      uint8_t* o = out + (size_t(y) * w + x) * 4;
      o[0] = uint8_t(p >> 16), o[1] = uint8_t(p >> 8), o[2] = uint8_t(p), o[3] = uint8_t(p >> 24);
    }
}

void FromRgba(cairo_surface_t* s, const uint8_t* in)
{
  cairo_surface_flush(s);
  const int w = cairo_image_surface_get_width(s), h = cairo_image_surface_get_height(s);
  const int stride = cairo_image_surface_get_stride(s);
  unsigned char* data = cairo_image_surface_get_data(s);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
    {
      const uint8_t* i = in + (size_t(y) * w + x) * 4;
      const uint32_t p = uint32_t(i[3]) << 24 | uint32_t(i[0]) << 16 | uint32_t(i[1]) << 8 | i[2];
      std::memcpy(data + y * stride + x * 4, &p, 4);
    }
  cairo_surface_mark_dirty(s);
}
} // namespace

struct CairoGraphics::Font
{
  FT_Library library = nullptr;
  FT_Face face = nullptr;       // for layout
  FT_Face drawnFace = nullptr; // cairo's own: it sets transforms on it that would bend the layout
  cairo_font_face_t* cairoFace = nullptr;
  ~Font()
  {
    if (cairoFace) cairo_font_face_destroy(cairoFace);
    if (drawnFace) FT_Done_Face(drawnFace);
    if (face) FT_Done_Face(face);
    if (library) FT_Done_FreeType(library);
  }
};

struct CairoGraphics::Glyphs
{
  std::vector<cairo_glyph_t> glyphs; // user units
  Font* font = nullptr;
  double size = 0.0;                 // cairo font size, user units
  double left = 0.0, right = 0.0, top = 0.0, bottom = 0.0;
};

CairoGraphics::CairoGraphics(IGEditorDelegate& dlg, int w, int h, float screenScale)
    : PlainPlatform(dlg, w, h, 60, 1.f)
{
  SetScreenScale(screenScale);
  mMain = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, int(float(w) * screenScale), int(float(h) * screenScale));
  mCr = cairo_create(mMain);
}

CairoGraphics::~CairoGraphics()
{
  RemoveAllControls();
  while (!mLayers.empty())
  {
    delete mLayers.top();
    mLayers.pop();
  }
  cairo_destroy(mCr);
  cairo_surface_destroy(mMain);
}

void CairoGraphics::Begin()
{
  mClipRECT = GetBounds();
  PathTransformReset(true);
  PathClipRegion(GetBounds());
  PathClear();
}

RgbaImage CairoGraphics::End()
{
  RgbaImage image{cairo_image_surface_get_width(mMain), cairo_image_surface_get_height(mMain), {}};
  image.rgba.resize(size_t(image.width) * image.height * 4);
  ToRgba(mMain, image.rgba.data());
  return image;
}

cairo_surface_t* CairoGraphics::Surface(const APIBitmap* pBitmap)
{
  return pBitmap ? static_cast<const CairoBitmap*>(pBitmap)->mSurface : nullptr;
}

// --- Targets, transform and clip ------------------------------------------------------------------------

void CairoGraphics::UpdateLayer()
{
  cairo_destroy(mCr);
  mCr = cairo_create(mLayers.empty() ? mMain : Surface(mLayers.top()->GetAPIBitmap()));
}

void CairoGraphics::PathTransformSetMatrix(const IMatrix& m)
{
  const double s = GetScreenScale() * GetDrawScale();
  cairo_identity_matrix(mCr);
  cairo_scale(mCr, s, s);
  if (!mLayers.empty()) cairo_translate(mCr, -mLayers.top()->Bounds().L, -mLayers.top()->Bounds().T);
  cairo_matrix_t cm;
  cairo_matrix_init(&cm, m.mXX, m.mYX, m.mXY, m.mYY, m.mTX, m.mTY);
  cairo_transform(mCr, &cm);
}

void CairoGraphics::SetClipRegion(const IRECT& r)
{
  // Clipping would take the path being built.
  cairo_path_t* path = cairo_copy_path(mCr);
  cairo_reset_clip(mCr);
  cairo_new_path(mCr);
  cairo_rectangle(mCr, r.L, r.T, r.W(), r.H());
  cairo_clip(mCr);
  cairo_append_path(mCr, path);
  cairo_path_destroy(path);
}

// --- Paths and paints -------------------------------------------------------------------------------------

void CairoGraphics::PathClear()
{
  mHole = false;
  cairo_new_path(mCr);
}

void CairoGraphics::PathClose()
{
  cairo_close_path(mCr);
}

void CairoGraphics::PathArc(float cx, float cy, float r, float a1, float a2, int winding)
{
  const double b1 = (a1 - 90.0) * M_PI / 180.0, b2 = (a2 - 90.0) * M_PI / 180.0;
  winding ? cairo_arc_negative(mCr, cx, cy, r, b1, b2) : cairo_arc(mCr, cx, cy, r, b1, b2);
}

void CairoGraphics::PathMoveTo(float x, float y)
{
  cairo_move_to(mCr, x, y);
}

void CairoGraphics::PathLineTo(float x, float y)
{
  cairo_line_to(mCr, x, y);
}

void CairoGraphics::PathSetWinding(bool clockwise)
{
  mHole = mHole || clockwise;
}

void CairoGraphics::PathCubicBezierTo(float c1x, float c1y, float c2x, float c2y, float x2, float y2)
{
  cairo_curve_to(mCr, c1x, c1y, c2x, c2y, x2, y2);
}

void CairoGraphics::PathQuadraticBezierTo(float cx, float cy, float x2, float y2)
{
  double x0 = 0, y0 = 0;
  cairo_get_current_point(mCr, &x0, &y0);
  cairo_curve_to(mCr, x0 + 2.0 / 3.0 * (cx - x0), y0 + 2.0 / 3.0 * (cy - y0), x2 + 2.0 / 3.0 * (cx - x2),
                 y2 + 2.0 / 3.0 * (cy - y2), x2, y2);
}

void CairoGraphics::SetSource(const IPattern& pattern, const IBlend* pBlend)
{
  const double weight = pBlend ? pBlend->mWeight : 1.0;
  auto stop = [&](cairo_pattern_t* p, double offset, const IColor& c)
  { cairo_pattern_add_color_stop_rgba(p, offset, c.R / 255.0, c.G / 255.0, c.B / 255.0, c.A / 255.0 * weight); };
  const IColor& first = pattern.mStops[0].mColor;
  if (pattern.mType == kSolidPattern)
  {
    cairo_set_source_rgba(mCr, first.R / 255.0, first.G / 255.0, first.B / 255.0, first.A / 255.0 * weight);
    return;
  }
  // Two stops, first and last, as the back end draws gradients; pattern space runs along y (linear) or
  // out from 0 (radial).
  const int last = std::clamp(pattern.mNStops - 1, 0, IPattern::kMaxStops - 1);
  cairo_pattern_t* p = pattern.mType == kRadialPattern
                           ? cairo_pattern_create_radial(0, 0, pattern.mStops[0].mOffset, 0, 0, 1)
                           : cairo_pattern_create_linear(0, 0, 0, 1);
  stop(p, 0, first);
  stop(p, 1, pattern.mStops[last].mColor);
  cairo_pattern_set_extend(p, CAIRO_EXTEND_PAD);
  const IMatrix& t = pattern.mTransform;
  cairo_matrix_t m;
  cairo_matrix_init(&m, t.mXX, t.mYX, t.mXY, t.mYY, t.mTX, t.mTY);
  cairo_pattern_set_matrix(p, &m);
  cairo_set_source(mCr, p);
  cairo_pattern_destroy(p);
}

void CairoGraphics::Paint(const IBlend* pBlend, bool stroke, bool preserve)
{
  SetOperator(mCr, pBlend);
  stroke ? cairo_stroke_preserve(mCr) : cairo_fill_preserve(mCr);
  cairo_set_operator(mCr, CAIRO_OPERATOR_OVER);
  if (!preserve) PathClear();
}

void CairoGraphics::PathStroke(const IPattern& pattern, float thickness, const IStrokeOptions& options,
                               const IBlend* pBlend)
{
  static const cairo_line_join_t joins[] = {CAIRO_LINE_JOIN_MITER, CAIRO_LINE_JOIN_ROUND, CAIRO_LINE_JOIN_BEVEL};
  if (options.mCapOption >= 0 && options.mCapOption <= 2)
    cairo_set_line_cap(mCr, cairo_line_cap_t(options.mCapOption));
  if (options.mJoinOption >= 0 && options.mJoinOption <= 2) cairo_set_line_join(mCr, joins[options.mJoinOption]);
  cairo_set_miter_limit(mCr, options.mMiterLimit);
  cairo_set_line_width(mCr, thickness);
  SetSource(pattern, pBlend);
  Paint(pBlend, true, options.mPreserve);
}

void CairoGraphics::PathFill(const IPattern& pattern, const IFillOptions& options, const IBlend* pBlend)
{
  // Holes are marked on sub-paths here, not by direction.
  const bool evenOdd = options.mFillRule == kFillEvenOdd || mHole;
  cairo_set_fill_rule(mCr, evenOdd ? CAIRO_FILL_RULE_EVEN_ODD : CAIRO_FILL_RULE_WINDING);
  SetSource(pattern, pBlend);
  Paint(pBlend, false, options.mPreserve);
}

void CairoGraphics::StrokeDashed(const IColor& color, const IBlend* pBlend, float thickness, double dash)
{
  cairo_set_dash(mCr, &dash, 1, 0.0);
  PathStroke(IPattern(color), thickness, IStrokeOptions(), pBlend);
  cairo_set_dash(mCr, nullptr, 0, 0.0);
}

void CairoGraphics::DrawDottedLine(const IColor& color, float x1, float y1, float x2, float y2, const IBlend* pBlend,
                                   float thickness, float dashLen)
{
  const double length = std::hypot(x2 - x1, y2 - y1);
  const double n = std::round(length / dashLen);
  PathMoveTo(x1, y1);
  if (n < 2) return PathClear();
  PathLineTo(x2, y2);
  StrokeDashed(color, pBlend, thickness, length / n);
}

void CairoGraphics::DrawDottedRect(const IColor& color, const IRECT& bounds, const IBlend* pBlend, float thickness,
                                   float dashLen)
{
  PathRect(bounds);
  StrokeDashed(color, pBlend, thickness, dashLen);
}

void CairoGraphics::DrawFastDropShadow(const IRECT& inner, const IRECT& outer, float xyDrop, float roundness,
                                       float blur, const IBlend* pBlend)
{
  const double s = GetScreenScale() * GetDrawScale();
  const double weight = pBlend ? pBlend->mWeight : 1.0;
  const double in[4] = {0, 0, 0, std::clamp(128.0 * weight, 0.0, 255.0) / 255.0}, out[4] = {0, 0, 0, 0};
  cairo_surface_t* target = cairo_get_target(mCr);
  cairo_surface_t* box = CairoBoxGradientImage(cairo_image_surface_get_width(target),
                                               cairo_image_surface_get_height(target), s, inner.L + xyDrop,
                                               inner.T + xyDrop, inner.W(), inner.H(), roundness, blur, in, out);
  cairo_new_path(mCr);
  cairo_rectangle(mCr, outer.L, outer.T, outer.W(), outer.H());
  cairo_pattern_t* p = cairo_pattern_create_for_surface(box);
  cairo_matrix_t m;
  cairo_matrix_init_scale(&m, s, s);
  cairo_pattern_set_matrix(p, &m);
  cairo_set_source(mCr, p);
  cairo_fill(mCr);
  cairo_pattern_destroy(p);
  cairo_surface_destroy(box);
  PathClear();
}

// --- Bitmaps and layers -----------------------------------------------------------------------------------------

void CairoGraphics::DrawBitmap(const IBitmap& bitmap, const IRECT& dest, int srcX, int srcY, const IBlend* pBlend)
{
  cairo_surface_t* s = Surface(bitmap.GetAPIBitmap());
  if (!s) return;
  const double scale = bitmap.GetScale() * bitmap.GetDrawScale();
  cairo_pattern_t* p = cairo_pattern_create_for_surface(s);
  cairo_matrix_t m;
  cairo_matrix_init_scale(&m, scale, scale);
  cairo_matrix_translate(&m, -(dest.L - srcX), -(dest.T - srcY));
  cairo_pattern_set_matrix(p, &m);
  cairo_pattern_set_extend(p, CAIRO_EXTEND_PAD);
  cairo_pattern_set_filter(p, CAIRO_FILTER_BILINEAR);
  cairo_save(mCr);
  cairo_new_path(mCr);
  cairo_rectangle(mCr, dest.L, dest.T, dest.W(), dest.H());
  cairo_clip(mCr);
  cairo_set_source(mCr, p);
  SetOperator(mCr, pBlend);
  cairo_paint_with_alpha(mCr, pBlend ? pBlend->mWeight : 1.0);
  cairo_restore(mCr);
  cairo_pattern_destroy(p);
  PathClear();
}

APIBitmap* CairoGraphics::LoadAPIBitmapFromFile(const char* path, int scale, int location, const char* ext)
{
  cairo_surface_t* s = cairo_image_surface_create_from_png(path);
  if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS)
  {
    cairo_surface_destroy(s);
    return nullptr;
  }
  return new CairoBitmap(s, float(scale), 1.f);
}

APIBitmap* CairoGraphics::LoadAPIBitmapFromData(const char* name, const uint8_t* pData, int dataSize, int scale)
{
  return nullptr;
}

APIBitmap* CairoGraphics::CreateAPIBitmap(int width, int height, float scale, double drawScale, bool cacheable)
{
  return new CairoBitmap(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height), scale, float(drawScale));
}

void CairoGraphics::GetLayerBitmapData(const ILayerPtr& layer, TypedBuf<uint8_t>& data)
{
  cairo_surface_t* s = Surface(layer->GetAPIBitmap());
  const int size = layer->GetAPIBitmap()->GetWidth() * layer->GetAPIBitmap()->GetHeight() * 4;
  if (!data.Resize(size)) return;
  ToRgba(s, data.Get());
}

void CairoGraphics::ApplyLayerBitmapData(const ILayerPtr& layer, const TypedBuf<uint8_t>& data)
{
  FromRgba(Surface(layer->GetAPIBitmap()), data.Get());
}

void CairoGraphics::ApplyShadow(const ILayerPtr& layer, const TypedBuf<uint8_t>& mask, const IDropShadow& shadow)
{
  const APIBitmap* pAPI = layer->GetAPIBitmap();
  const int w = pAPI->GetWidth(), h = pAPI->GetHeight();
  cairo_surface_t* target = Surface(pAPI);
  cairo_t* cr = cairo_create(target);
  if (!shadow.mDrawForeground)
  {
    cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
    cairo_paint(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
  }
  // The shadow's pattern where the blurred alpha has coverage, behind the layer's content.
  cairo_surface_t* alpha = cairo_image_surface_create(CAIRO_FORMAT_A8, w, h);
  const int stride = cairo_image_surface_get_stride(alpha);
  unsigned char* a = cairo_image_surface_get_data(alpha);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      a[y * stride + x] = mask.Get()[(size_t(y) * w + x) * 4 + 3];
  cairo_surface_mark_dirty(alpha);
  cairo_surface_t* shadowSurface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
  cairo_t* sc = cairo_create(shadowSurface);
  const IColor& c = shadow.mPattern.mStops[0].mColor;
  cairo_set_source_rgba(sc, c.R / 255.0, c.G / 255.0, c.B / 255.0, c.A / 255.0);
  cairo_mask_surface(sc, alpha, 0, 0);
  cairo_destroy(sc);
  const double s = pAPI->GetScale() * pAPI->GetDrawScale();
  cairo_set_operator(cr, CAIRO_OPERATOR_DEST_OVER);
  cairo_set_source_surface(cr, shadowSurface, shadow.mXOffset * s, shadow.mYOffset * s);
  cairo_paint_with_alpha(cr, std::clamp(shadow.mOpacity, 0.f, 1.f));
  cairo_destroy(cr);
  cairo_surface_destroy(shadowSurface);
  cairo_surface_destroy(alpha);
}

// --- Text -----------------------------------------------------------------------------------------------------

bool CairoGraphics::LoadAPIFont(const char* fontID, const PlatformFontPtr& font)
{
  const auto* pFile = dynamic_cast<const FileFont*>(font.get());
  if (!pFile || !fontID) return false;
  auto f = std::make_unique<Font>();
  if (FT_Init_FreeType(&f->library) || FT_New_Face(f->library, pFile->Path().c_str(), 0, &f->face) ||
      FT_New_Face(f->library, pFile->Path().c_str(), 0, &f->drawnFace))
    return false;
  f->cairoFace = cairo_ft_font_face_create_for_ft_face(f->drawnFace, 0);
  mFonts[fontID] = std::move(f);
  return true;
}

bool CairoGraphics::Layout(const IText& text, const char* str, const IRECT& r, Glyphs& out) const
{
  const auto it = mFonts.find(text.mFont);
  if (it == mFonts.end()) return false;
  out.font = it->second.get();
  FT_Face face = out.font->face;
  // Device pixels per unit, as the glyph cache lays text out, and sizes quantised to tenths.
  const double s = std::round(GetDrawScale() * 100.0) / 100.0 * GetScreenScale();
  const double height = double(face->ascender - face->descender);
  const double asc = face->ascender / height, desc = face->descender / height;
  const double isize = double(short(text.mSize * s * 10.0)) / 10.0;
  const double unitScale = isize / height;
  out.size = isize * face->units_per_EM / height / s;

  double x = r.L, y = r.T;
  if (text.mAlign == kAlignCenter) x = r.MW();
  if (text.mAlign == kAlignFar) x = r.R;
  if (text.mVAlign == kVAlignMiddle) y = r.MH();
  if (text.mVAlign == kVAlignBottom) y = r.B;
  double v = 0.0;
  if (text.mVAlign == kVAlignTop) v = asc * isize;
  if (text.mVAlign == kVAlignMiddle) v = (asc + desc) / 2.0 * isize;
  if (text.mVAlign == kVAlignBottom) v = desc * isize;

  // Advances and kerning rounded to whole device pixels.
  double pen = 0.0;
  FT_UInt previous = 0;
  std::vector<std::pair<double, double>> quads; // left relative to the start, width; device pixels
  for (const char* c = str; *c; ++c)
  {
    const FT_UInt index = FT_Get_Char_Index(face, (unsigned char)*c);
    if (previous && index)
    {
      FT_Vector kern;
      FT_Get_Kerning(face, previous, index, FT_KERNING_UNSCALED, &kern);
      pen += std::trunc(kern.x * unitScale + 0.5);
    }
    out.glyphs.push_back({index, pen, 0.0});
    FT_Load_Glyph(face, index, FT_LOAD_NO_SCALE);
    // The cache's quad: the bitmap box and a pixel of its padding on each side.
    const double x0 = std::floor(face->glyph->metrics.horiBearingX * unitScale);
    const double x1 = std::ceil((face->glyph->metrics.horiBearingX + face->glyph->metrics.width) * unitScale);
    quads.emplace_back(pen + x0 - 1, x1 - x0 + 2);
    pen += std::trunc(double(short(face->glyph->advance.x * unitScale * 10.0)) / 10.0 + 0.5);
    previous = index;
  }
  const double startx = x * s - (text.mAlign == kAlignCenter ? pen / 2 : text.mAlign == kAlignFar ? pen : 0.0);
  // The glyph cache puts each glyph's bitmap on whole device pixels, truncating the pen position.
  for (cairo_glyph_t& g : out.glyphs)
  {
    g.x = std::trunc(startx + g.x) / s;
    g.y = std::trunc(y * s + v) / s;
  }
  // Measured as the cache does: across the glyphs' quads, and over the font's whole line height.
  double left = startx, right = startx;
  for (const auto& [x0, w] : quads)
  {
    left = std::min(left, std::trunc(startx + x0));
    right = std::max(right, std::trunc(startx + x0) + w);
  }
  out.left = left / s;
  out.right = right / s;
  out.top = (y * s + v - asc * isize) / s;
  out.bottom = out.top + isize * double(face->height) / height / s;
  return true;
}

float CairoGraphics::DoMeasureText(const IText& text, const char* str, IRECT& bounds) const
{
  Glyphs glyphs;
  const IRECT unrotated = bounds;
  if (!Layout(text, str, bounds, glyphs)) return 0.f;
  bounds = IRECT(float(glyphs.left), float(glyphs.top), float(glyphs.right), float(glyphs.bottom));
  CalculateTextRotation(text, unrotated, bounds);
  return bounds.W();
}

void CairoGraphics::DoDrawText(const IText& text, const char* str, const IRECT& bounds, const IBlend* pBlend)
{
  Glyphs glyphs;
  if (!Layout(text, str, bounds, glyphs)) return;
  IRECT measured(float(glyphs.left), float(glyphs.top), float(glyphs.right), float(glyphs.bottom));
  PathTransformSave();
  if (text.mAngle != 0.f)
  {
    double tx = 0.0, ty = 0.0;
    CalculateTextRotation(text, bounds, measured, tx, ty);
    PathTransformTranslate(float(tx), float(ty));
    PathTransformRotate(text.mAngle);
  }
  cairo_set_font_face(mCr, glyphs.font->cairoFace);
  cairo_set_font_size(mCr, glyphs.size);
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
  cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
  cairo_set_font_options(mCr, options);
  cairo_font_options_destroy(options);
  SetSource(IPattern(text.mFGColor), pBlend);
  SetOperator(mCr, pBlend);
  cairo_show_glyphs(mCr, glyphs.glyphs.data(), int(glyphs.glyphs.size()));
  cairo_set_operator(mCr, CAIRO_OPERATOR_OVER);
  cairo_set_font_face(mCr, nullptr);
  PathTransformRestore();
}
} // namespace qorvtest
