// The same graphics context drawn by cairo, for comparing the vector back end's pictures with an
// independent renderer: every path primitive, paint, bitmap, layer, shadow and text call of the back end
// done with cairo on premultiplied image surfaces at the screen scale. Text is laid out as the glyph cache
// does (sized by ascender minus descender, kerned from the kern table, aligned on the font's ascender
// and descender, each glyph on whole device pixels). Fonts load from files by path. Main thread only.
#pragma once

#include "tests/support/GoldenImage.h"
#include "tests/vector/PlainPlatform.h"

#include <cairo.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace qorvtest
{
class CairoGraphics : public PlainPlatform<iplugin::igraphics::IGraphics>
{
public:
  CairoGraphics(iplugin::igraphics::IGEditorDelegate& dlg, int w, int h, float screenScale);
  ~CairoGraphics() override;

  void Begin();
  RgbaImage End();

  // --- The back end ---
  void DrawBitmap(const iplugin::igraphics::IBitmap& bitmap, const iplugin::igraphics::IRECT& dest, int srcX,
                  int srcY, const iplugin::igraphics::IBlend* pBlend) override;
  void DrawDottedLine(const iplugin::igraphics::IColor& color, float x1, float y1, float x2, float y2,
                      const iplugin::igraphics::IBlend* pBlend, float thickness, float dashLen) override;
  void DrawDottedRect(const iplugin::igraphics::IColor& color, const iplugin::igraphics::IRECT& bounds,
                      const iplugin::igraphics::IBlend* pBlend, float thickness, float dashLen) override;
  void DrawFastDropShadow(const iplugin::igraphics::IRECT& innerBounds, const iplugin::igraphics::IRECT& outerBounds,
                          float xyDrop, float roundness, float blur, const iplugin::igraphics::IBlend* pBlend) override;
  iplugin::igraphics::IColor GetPointColor(int x, int y) override { return {}; }
  void* GetDrawContext() override { return mCr; }
  const char* GetDrawingAPIStr() override { return "cairo"; }
  bool BitmapExtSupported(const char* ext) override { return true; }
  void GetLayerBitmapData(const iplugin::igraphics::ILayerPtr& layer, iplugin::TypedBuf<uint8_t>& data) override;
  void ApplyShadow(const iplugin::igraphics::ILayerPtr& layer, const iplugin::TypedBuf<uint8_t>& mask,
                   const iplugin::igraphics::IDropShadow& shadow) override;
  void ApplyLayerBitmapData(const iplugin::igraphics::ILayerPtr& layer,
                            const iplugin::TypedBuf<uint8_t>& data) override;
  void UpdateLayer() override;
  void PathClear() override;
  void PathClose() override;
  void PathArc(float cx, float cy, float r, float a1, float a2, int winding) override;
  void PathMoveTo(float x, float y) override;
  void PathLineTo(float x, float y) override;
  void PathSetWinding(bool clockwise) override;
  void PathCubicBezierTo(float c1x, float c1y, float c2x, float c2y, float x2, float y2) override;
  void PathQuadraticBezierTo(float cx, float cy, float x2, float y2) override;
  void PathStroke(const iplugin::igraphics::IPattern& pattern, float thickness,
                  const iplugin::igraphics::IStrokeOptions& options, const iplugin::igraphics::IBlend* pBlend) override;
  void PathFill(const iplugin::igraphics::IPattern& pattern, const iplugin::igraphics::IFillOptions& options,
                const iplugin::igraphics::IBlend* pBlend) override;
  void PathTransformSetMatrix(const iplugin::igraphics::IMatrix& m) override;
  void SetClipRegion(const iplugin::igraphics::IRECT& r) override;
  iplugin::igraphics::APIBitmap* LoadAPIBitmapFromFile(const char* path, int scale, int location,
                                                       const char* ext) override;
  iplugin::igraphics::APIBitmap* LoadAPIBitmapFromData(const char* name, const uint8_t* pData, int dataSize,
                                                       int scale) override;
  iplugin::igraphics::APIBitmap* CreateAPIBitmap(int width, int height, float scale, double drawScale,
                                                 bool cacheable) override;
  bool LoadAPIFont(const char* fontID, const iplugin::igraphics::PlatformFontPtr& font) override;
  int AlphaChannelIndex() const override { return 3; }
  bool BitmapRowsFlipped() const override { return false; }
  float DoMeasureText(const iplugin::igraphics::IText& text, const char* str,
                      iplugin::igraphics::IRECT& bounds) const override;
  void DoDrawText(const iplugin::igraphics::IText& text, const char* str, const iplugin::igraphics::IRECT& bounds,
                  const iplugin::igraphics::IBlend* pBlend) override;
  bool IsContextReady() const override { return true; }

  // The image surface behind a bitmap.
  static cairo_surface_t* Surface(const iplugin::igraphics::APIBitmap* pBitmap);

private:
  struct Font;
  struct Glyphs;
  // Lays the string out at the anchor as the glyph cache does; false without the font.
  bool Layout(const iplugin::igraphics::IText& text, const char* str, const iplugin::igraphics::IRECT& r,
              Glyphs& out) const;
  void SetSource(const iplugin::igraphics::IPattern& pattern, const iplugin::igraphics::IBlend* pBlend);
  void Paint(const iplugin::igraphics::IBlend* pBlend, bool stroke, bool preserve);
  void StrokeDashed(const iplugin::igraphics::IColor& color, const iplugin::igraphics::IBlend* pBlend,
                    float thickness, double dash);

  cairo_surface_t* mMain = nullptr;
  cairo_t* mCr = nullptr;
  bool mHole = false;
  std::map<std::string, std::unique_ptr<Font>> mFonts;
};
} // namespace qorvtest
