// The drawing back end: the graphics context's path, paint, text, bitmap and layer operations drawn
// through the vector context on the GPU renderer. Each frame is drawn into an off-screen main
// framebuffer at the backing pixel size and then composited onto the view's drawable in one image fill.
// The platform class derives from this; the vector context exists only while the view does, and every
// operation does nothing (answers false, gives an empty bitmap) without one. Main thread only.
#pragma once

#include "framework/Mutex.h"
#include "graphics/IGraphics.h"
#include "graphics/StaticStorage.h"
#include "graphics/vector/MVGrenderer.h"
#include "graphics/vector/VGpaint.h"

#include <stack>
#include <unordered_map>
#include <vector>

namespace iplugin::igraphics
{
class IGraphicsVector : public IGraphics
{
public:
  // A renderer image: decoded from a file or memory, made from pixels, or the image of an off-screen
  // framebuffer that its owner retires after the frame in flight.
  class Bitmap : public APIBitmap
  {
  public:
    // Over an existing image; size 0 x 0 for an id the renderer does not have.
    Bitmap(VGcontext* pContext, const char* path, double sourceScale, int imageID, bool shared = false);
    // An off-screen framebuffer of width x height pixels, cleared to transparent. Without an image
    // (the renderer refused it) the handle stays 0.
    Bitmap(IGraphicsVector* pOwner, VGcontext* pContext, int width, int height, int scale, float drawScale);
    // An image of RGBA pixels (or uninitialised ones for null).
    Bitmap(VGcontext* pContext, int width, int height, const unsigned char* pData, int scale, float drawScale);
    ~Bitmap() override;

    MVGframebuffer* GetFBO() const { return mFBO; }
    // The texel rows from first to last (inclusive) of those from y0 to y1 that hold a texel of non-zero alpha
    // within the columns x0 to x1 (exclusive bounds, clamped to the image); false when none does. Only for
    // images that do not change (not framebuffers nor shared textures): read back once, at the first call.
    bool VisibleRows(int x0, int x1, int y0, int y1, int& first, int& last) const;
    // Whether VisibleRows can answer.
    bool Unchanging() const { return !mFBO && !mSharedTexture && mVG && GetBitmap() > 0; }

  private:
    IGraphicsVector* mOwner = nullptr;
    VGcontext* mVG = nullptr;
    MVGframebuffer* mFBO = nullptr;
    bool mSharedTexture = false;
    // A bit a texel, set for non-zero alpha, rows of whole words; empty until read.
    mutable std::vector<uint64_t> mAlphaBits;
    // Per row: its outermost texels of non-zero alpha (w and -1 when it has none), and the nearest rows at or
    // below (h when none) and at or above (-1 when none) that have one, so transparent rows are skipped
    // whole.
    struct VisibleRow
    {
      int firstX, lastX, next, previous;
    };
    mutable std::vector<VisibleRow> mRows;
    // VisibleRows' answers by question (first row -1 for none), dropped all at once when full.
    static constexpr size_t kMaxAnswers = 4096;
    mutable std::unordered_map<uint64_t, std::pair<int, int>> mAnswers;
  };

  IGraphicsVector(IGEditorDelegate& dlg, int w, int h, int fps, float scale);
  ~IGraphicsVector() override;

  // --- Frames and the view ---
  // pContext: the view's std::shared_ptr<CAMetalLayer>*, which the context renders into.
  void OnViewInitialized(void* pContext) override;
  void OnViewDestroyed() override;
  void BeginFrame() override;
  void EndFrame() override;
  void DrawResize() override;
  bool IsContextReady() const override { return mContextReady; }
  void SetContextReady(bool ready) override { mContextReady = ready; }
  // True from BeginFrame until EndFrame.
  bool InFrame() const { return mInFrame; }
  // Notes the area a frame draws into, for the composite onto the drawable.
  void NoteDrawnArea(const IRECT& bounds, float scale) override;

  // --- Drawing ---
  void DrawBitmap(const IBitmap& bitmap, const IRECT& dest, int srcX, int srcY,
                  const IBlend* pBlend = nullptr) override;
  void DrawDottedLine(const IColor& color, float x1, float y1, float x2, float y2, const IBlend* pBlend = nullptr,
                      float thickness = 1.f, float dashLen = 2.f) override;
  void DrawDottedRect(const IColor& color, const IRECT& bounds, const IBlend* pBlend = nullptr,
                      float thickness = 1.f, float dashLen = 2.f) override;
  void DrawFastDropShadow(const IRECT& innerBounds, const IRECT& outerBounds, float xyDrop = 5.f,
                          float roundness = 0.f, float blur = 10.f, const IBlend* pBlend = nullptr) override;
  IColor GetPointColor(int x, int y) override { return IColor(255, 0, 0, 0); }
  void* GetDrawContext() override { return mVG; }
  const char* GetDrawingAPIStr() override { return "Vector | Metal"; }

  // --- Bitmaps and layers ---
  IBitmap LoadBitmap(const char* name, int nStates = 1, bool framesAreHorizontal = false,
                     int targetScale = 0) override;
  // Decoded at scale 1 and, for another target scale, redrawn at it; both kept in the bitmap storage,
  // which owns them (the shared cache's loader would delete a stored bitmap after rescaling it).
  IBitmap LoadBitmapFromData(const char* name, const uint8_t* pData, int dataSize, int nStates = 1,
                             bool framesAreHorizontal = false, int targetScale = 0) override;
  void RetainBitmap(const IBitmap& bitmap, const char* cacheName) override {}
  void ReleaseBitmap(const IBitmap& bitmap) override {}
  bool BitmapExtSupported(const char* ext) override;
  APIBitmap* LoadAPIBitmapFromFile(const char* fileNameOrResID, int scale, int location, const char* ext) override;
  APIBitmap* LoadAPIBitmapFromData(const char* name, const uint8_t* pData, int dataSize, int scale) override;
  // Null when no framebuffer with an image can be made.
  APIBitmap* CreateAPIBitmap(int width, int height, float scale, double drawScale,
                             bool cacheable = false) override;
  void GetLayerBitmapData(const ILayerPtr& layer, TypedBuf<uint8_t>& data) override;
  void ApplyShadow(const ILayerPtr& layer, const TypedBuf<uint8_t>& mask, const IDropShadow& shadow) override;
  void ApplyLayerBitmapData(const ILayerPtr& layer, const TypedBuf<uint8_t>& data) override;
  void UpdateLayer() override;
  int AlphaChannelIndex() const override { return 3; }
  bool BitmapRowsFlipped() const override { return false; }
  // Entries of the bitmap storage (name and scale pairs).
  int NStoredBitmaps() const { return mBitmapCache.NEntries(); }

  // --- Paths ---
  void PathClear() override;
  void PathClose() override;
  void PathArc(float cx, float cy, float r, float a1, float a2, int winding = 0) override;
  void PathMoveTo(float x, float y) override;
  void PathLineTo(float x, float y) override;
  void PathSetWinding(bool clockwise) override;
  void PathCubicBezierTo(float c1x, float c1y, float c2x, float c2y, float x2, float y2) override;
  void PathQuadraticBezierTo(float cx, float cy, float x2, float y2) override;
  void PathStroke(const IPattern& pattern, float thickness, const IStrokeOptions& options = IStrokeOptions(),
                  const IBlend* pBlend = nullptr) override;
  void PathFill(const IPattern& pattern, const IFillOptions& options = IFillOptions(),
                const IBlend* pBlend = nullptr) override;
  void PathTransformSetMatrix(const IMatrix& m) override;
  void SetClipRegion(const IRECT& r) override;

  // --- Text and fonts ---
  bool LoadAPIFont(const char* fontID, const PlatformFontPtr& font) override;
  float DoMeasureText(const IText& text, const char* str, IRECT& bounds) const override;
  void DoDrawText(const IText& text, const char* str, const IRECT& bounds,
                  const IBlend* pBlend = nullptr) override;

  // --- Paint helpers ---
  static VGcolor VectorColor(const IColor& color, const IBlend* pBlend = nullptr);
  static void VectorRect(VGcontext* pContext, const IRECT& r);
  static void VectorSetBlendMode(VGcontext* pContext, const IBlend* pBlend);
  // Only the first and last stops are used; the last is clamped into the 16 stops (at least stop 0).
  static VGpaint VectorPaint(const IPattern& pattern, const IBlend* pBlend);

  // Frees the framebuffer now, or after the frame in flight when one is being drawn.
  void DeleteFramebuffer(MVGframebuffer* pBuffer);
  void FreeQueuedFramebuffers();

  // Most segments a dotted line or rectangle side is cut into; longer ones get longer dashes.
  static constexpr int kMaxDashes = 4096;

protected:
  // The off-screen buffer the frames are drawn into before they are copied onto the drawable.
  const MVGframebuffer* MainFramebuffer() const { return mMainFrameBuffer; }
  // Frame size in frame units (points x draw scale, truncated).
  int FrameWidth() const { return int(float(Width()) * GetDrawScale()); }
  int FrameHeight() const { return int(float(Height()) * GetDrawScale()); }
  // Sets font, size and alignment in the context and gives the anchor; bounds get the text's extent.
  void PrepareAndMeasureText(const IText& text, const char* str, IRECT& r, double& x, double& y) const;

private:
  // Makes the main framebuffer current and begins a frame on it.
  void BeginMainFrame();
  // Strokes or fills the path with the pattern and blend, then puts source-over back; the path stays only
  // when preserved.
  void PaintPath(const IPattern& pattern, const IBlend* pBlend, bool stroke, bool preserve);

  bool mInFrame = false;
  Mutex mFBOMutex;
  std::stack<MVGframebuffer*> mFBOStack;
  StaticStorage<APIBitmap> mBitmapCache;
  VGcontext* mVG = nullptr;
  MVGframebuffer* mMainFrameBuffer = nullptr;
  // What the frame drawn since the last composite changed (pixels of the main framebuffer); all of it when
  // the framebuffer is new or nothing was noted.
  std::vector<MVGpixelRect> mFrameChanges;
  bool mFrameChangedWhole = true;
  bool mContextReady = false;
  // The current sub-path's winding was set by PathSetWinding, which a fill rule must not override.
  bool mExplicitWinding = false;
};
} // namespace iplugin::igraphics
