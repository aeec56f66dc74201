#include "graphics/vector/IGraphicsVector.h"

#include "graphics/vector/VGtext.h"

#include <algorithm>
#include <cmath>

namespace iplugin::igraphics
{
namespace
{
constexpr float kPi = 3.1415927f;

// Font files shared by every back end of the process, kept while one of them lives.
StaticStorage<FontData>& FontDataStorage()
{
  static StaticStorage<FontData> storage;
  return storage;
}

// A text whose angle is not a finite number is drawn unrotated.
IText FiniteAngle(const IText& text)
{
  IText copy = text;
  if (!std::isfinite(copy.mAngle)) copy.mAngle = 0.f;
  return copy;
}
} // namespace

IGraphicsVector::IGraphicsVector(IGEditorDelegate& dlg, int w, int h, int fps, float scale)
    : IGraphics(dlg, w, h, fps, scale)
{
  StaticStorage<FontData>& fonts = FontDataStorage();
  MutexLock lock(fonts.GetMutex());
  fonts.Retain();
}

IGraphicsVector::~IGraphicsVector()
{
  {
    StaticStorage<FontData>& fonts = FontDataStorage();
    MutexLock lock(fonts.GetMutex());
    fonts.Release();
  }
  // Without a view the context is already gone; with one, the platform class tears it down first.
  OnViewDestroyed();
}

// --- Frames and the view -----------------------------------------------------------------------------

void IGraphicsVector::OnViewInitialized(void* pContext)
{
  auto* pLayer = static_cast<std::shared_ptr<CAMetalLayer>*>(pContext);
  if (!mVG && pLayer) mVG = MvgCreateContext(*pLayer, kVGAntialias | kVGTripleBuffer);
  SetContextReady(false);
  if (mVG) SetContextReady(true);
}

void IGraphicsVector::OnViewDestroyed()
{
  RemoveAllControls();
  // Layers left pushed by an unfinished frame hold framebuffers of this context.
  while (!mLayers.empty())
  {
    delete mLayers.top();
    mLayers.pop();
  }
  MutexLock lock(mBitmapCache.GetMutex());
  mBitmapCache.Clear();
  if (mMainFrameBuffer) MvgFramebufferFree(mMainFrameBuffer);
  mMainFrameBuffer = nullptr;
  // Queued framebuffers are freed through the context, so before it goes.
  mInFrame = false;
  FreeQueuedFramebuffers();
  if (mVG) MvgDelete(mVG);
  mVG = nullptr;
  mContextReady = false;
}

void IGraphicsVector::BeginMainFrame()
{
  MvgSetCurrentFramebuffer(mMainFrameBuffer);
  vgBeginFrame(mVG, float(FrameWidth()), float(FrameHeight()), GetScreenScale());
}

void IGraphicsVector::BeginFrame()
{
  mInFrame = true;
  IGraphics::BeginFrame();
  if (mVG) BeginMainFrame();
}

void IGraphicsVector::EndFrame()
{
  if (mVG)
  {
    vgEndFrame(mVG);
    MvgSetCurrentFramebuffer(nullptr);
    const float fw = float(FrameWidth()), fh = float(FrameHeight());
    vgBeginFrame(mVG, fw, fh, GetScreenScale());
    // A framebuffer without an image would composite as a white fill. A drawable holds the frame it last
    // received, if any, when the layer hands it out: the renderer copies onto it only what it lacks of this
    // frame, on whole pixels, without fringes: a copy, not a blend, so that no pixel depends on what was
    // there.
    if (mMainFrameBuffer && mMainFrameBuffer->image > 0)
    {
      // A frame drawn other than through Draw (no area noted) may have changed anything.
      MvgNoteFrameChanges(mVG, mFrameChanges.data(), (int)mFrameChanges.size(),
                          mFrameChangedWhole || mFrameChanges.empty() || mXTranslation != 0.f ||
                              mYTranslation != 0.f);
      mFrameChanges.clear();
      mFrameChangedWhole = false;
      const VGpaint paint = vgImagePattern(0.f, 0.f, fw, fh, 0.f, mMainFrameBuffer->image, 1.f);
      vgSave(mVG);
      vgResetTransform(mVG);
      vgTranslate(mVG, mXTranslation, mYTranslation);
      vgShapeAntiAlias(mVG, 0);
      vgGlobalCompositeOperation(mVG, kVGCopy);
      vgBeginPath(mVG);
      vgRect(mVG, 0.f, 0.f, fw, fh);
      vgFillPaint(mVG, paint);
      vgFill(mVG);
      vgRestore(mVG);
    }
    vgEndFrame(mVG);
  }
  mInFrame = false;
  FreeQueuedFramebuffers();
}

void IGraphicsVector::NoteDrawnArea(const IRECT& bounds, float scale)
{
  // The pixels the bounds reach, and one more on every side for a clip's soft edge.
  mFrameChanges.push_back(
      MVGpixelRect{(int)std::floor(bounds.L * scale) - 1, (int)std::floor(bounds.T * scale) - 1,
                   (int)std::ceil(bounds.R * scale) + 1, (int)std::ceil(bounds.B * scale) + 1});
}

void IGraphicsVector::DrawResize()
{
  mFrameChangedWhole = true;
  EnterDrawContext();
  if (mMainFrameBuffer) DeleteFramebuffer(mMainFrameBuffer);
  mMainFrameBuffer = nullptr;
  if (mVG)
  {
    const int w = int(float(FrameWidth()) * GetScreenScale()), h = int(float(FrameHeight()) * GetScreenScale());
    mMainFrameBuffer = MvgFramebufferCreate(mVG, w, h, 0);
    if (mMainFrameBuffer && mMainFrameBuffer->image <= 0)
    {
      MvgFramebufferFree(mMainFrameBuffer);
      mMainFrameBuffer = nullptr;
    }
  }
  LeaveDrawContext();
}

void IGraphicsVector::UpdateLayer()
{
  if (!mVG) return;
  vgEndFrame(mVG);
  const auto* pBitmap = mLayers.empty() ? nullptr : static_cast<const Bitmap*>(mLayers.top()->GetAPIBitmap());
  if (!pBitmap || !pBitmap->GetFBO())
  {
    BeginMainFrame();
    return;
  }
  const IRECT& r = mLayers.top()->Bounds();
  MvgSetCurrentFramebuffer(pBitmap->GetFBO());
  vgBeginFrame(mVG, r.W() * GetDrawScale(), r.H() * GetDrawScale(), GetScreenScale());
}

void IGraphicsVector::DeleteFramebuffer(MVGframebuffer* pBuffer)
{
  if (!pBuffer) return;
  if (!mInFrame)
  {
    MvgFramebufferFree(pBuffer);
    return;
  }
  MutexLock lock(mFBOMutex);
  mFBOStack.push(pBuffer);
}

void IGraphicsVector::FreeQueuedFramebuffers()
{
  MutexLock lock(mFBOMutex);
  while (!mFBOStack.empty())
  {
    MvgFramebufferFree(mFBOStack.top());
    mFBOStack.pop();
  }
}

// --- Paths -------------------------------------------------------------------------------------------------

void IGraphicsVector::PathClear()
{
  mExplicitWinding = false;
  if (mVG) vgBeginPath(mVG);
}

void IGraphicsVector::PathClose()
{
  if (mVG) vgClosePath(mVG);
}

void IGraphicsVector::PathArc(float cx, float cy, float r, float a1, float a2, int winding)
{
  if (!mVG) return;
  // On an empty path the arc starts a sub-path of its own.
  if (mVG->ncommands == 0) mExplicitWinding = false;
  vgArc(mVG, cx, cy, r, (a1 - 90.f) / 180.f * kPi, (a2 - 90.f) / 180.f * kPi, winding ? kVGSolid : kVGHole);
}

void IGraphicsVector::PathMoveTo(float x, float y)
{
  mExplicitWinding = false;
  if (mVG) vgMoveTo(mVG, x, y);
}

void IGraphicsVector::PathLineTo(float x, float y)
{
  if (mVG) vgLineTo(mVG, x, y);
}

void IGraphicsVector::PathSetWinding(bool clockwise)
{
  if (!mVG) return;
  vgPathWinding(mVG, clockwise ? kVGHole : kVGSolid);
  mExplicitWinding = true;
}

void IGraphicsVector::PathCubicBezierTo(float c1x, float c1y, float c2x, float c2y, float x2, float y2)
{
  if (mVG) vgBezierTo(mVG, c1x, c1y, c2x, c2y, x2, y2);
}

void IGraphicsVector::PathQuadraticBezierTo(float cx, float cy, float x2, float y2)
{
  if (mVG) vgQuadTo(mVG, cx, cy, x2, y2);
}

void IGraphicsVector::PathStroke(const IPattern& pattern, float thickness, const IStrokeOptions& options,
                                 const IBlend* pBlend)
{
  if (!mVG) return;
  static const int kJoins[3] = {kVGMiter, kVGRound, kVGBevel};
  if (options.mCapOption >= 0 && options.mCapOption <= 2) vgLineCap(mVG, options.mCapOption);
  if (options.mJoinOption >= 0 && options.mJoinOption <= 2) vgLineJoin(mVG, kJoins[options.mJoinOption]);
  vgMiterLimit(mVG, options.mMiterLimit);
  vgStrokeWidth(mVG, thickness);
  vgPathWinding(mVG, kVGSolid);
  PaintPath(pattern, pBlend, true, options.mPreserve);
}

void IGraphicsVector::PaintPath(const IPattern& pattern, const IBlend* pBlend, bool stroke, bool preserve)
{
  if (pattern.mType == kSolidPattern)
    (stroke ? vgStrokeColor : vgFillColor)(mVG, VectorColor(pattern.mStops[0].mColor, pBlend));
  else
    (stroke ? vgStrokePaint : vgFillPaint)(mVG, VectorPaint(pattern, pBlend));
  VectorSetBlendMode(mVG, pBlend);
  stroke ? vgStroke(mVG) : vgFill(mVG);
  vgGlobalCompositeOperation(mVG, kVGSourceOver);
  if (!preserve) PathClear();
}

void IGraphicsVector::PathFill(const IPattern& pattern, const IFillOptions& options, const IBlend* pBlend)
{
  if (!mVG) return;
  // The renderer fills by the rule itself, so a winding only decides on which side of a sub-path the
  // anti-aliased edge lies (outside a solid, inside a hole); a hole marked by PathSetWinding stays a hole.
  // Without one, a last sub-path is solid under the non-zero rule, and the even-odd rule is left to work
  // out each edge's side from the crossings. Sub-paths that keep their directions need no winding.
  const bool evenOdd = options.mFillRule == kFillEvenOdd;
  const bool keep = options.mKeepDirections && !evenOdd;
  if (!mExplicitWinding && !evenOdd && !keep) vgPathWinding(mVG, kVGSolid);
  vgFillRule(mVG, evenOdd ? kVGEvenOdd : kVGNonZero);
  vgKeepDirections(mVG, keep);
  PaintPath(pattern, pBlend, false, options.mPreserve);
  vgKeepDirections(mVG, 0);
  vgFillRule(mVG, kVGNonZero);
}

void IGraphicsVector::PathTransformSetMatrix(const IMatrix& m)
{
  if (!mVG) return;
  float ox = 0.f, oy = 0.f;
  if (!mLayers.empty())
  {
    ox = -mLayers.top()->Bounds().L;
    oy = -mLayers.top()->Bounds().T;
  }
  vgResetTransform(mVG);
  vgScale(mVG, GetDrawScale(), GetDrawScale());
  vgTranslate(mVG, ox, oy);
  vgTransform(mVG, float(m.mXX), float(m.mYX), float(m.mXY), float(m.mYY), float(m.mTX), float(m.mTY));
}

void IGraphicsVector::SetClipRegion(const IRECT& r)
{
  if (mVG) vgScissor(mVG, r.L, r.T, r.W(), r.H());
}

// --- Paints ---------------------------------------------------------------------------------------------------

VGcolor IGraphicsVector::VectorColor(const IColor& color, const IBlend* pBlend)
{
  const float weight = pBlend ? pBlend->mWeight : 1.f;
  return vgRGBAf(float(color.R) / 255.f, float(color.G) / 255.f, float(color.B) / 255.f,
                 float(color.A) * weight / 255.f);
}

void IGraphicsVector::VectorRect(VGcontext* pContext, const IRECT& r)
{
  vgRect(pContext, r.L, r.T, r.W(), r.H());
}

void IGraphicsVector::VectorSetBlendMode(VGcontext* pContext, const IBlend* pBlend)
{
  if (!pBlend)
  {
    vgGlobalCompositeOperation(pContext, kVGSourceOver);
    return;
  }
  if (pBlend->mMethod >= kBlendDefault && pBlend->mMethod <= kBlendDestAtop)
    vgGlobalCompositeOperation(pContext, pBlend->mMethod);
  else if (pBlend->mMethod == kBlendAdd)
    vgGlobalCompositeBlendFunc(pContext, kVGSrcAlpha, kVGDstAlpha);
  else if (pBlend->mMethod == kBlendXOR)
    vgGlobalCompositeOperation(pContext, kVGXor);
}

VGpaint IGraphicsVector::VectorPaint(const IPattern& pattern, const IBlend* pBlend)
{
  const int last = std::clamp(pattern.mNStops - 1, 0, IPattern::kMaxStops - 1);
  const VGcolor inner = VectorColor(pattern.mStops[0].mColor, pBlend);
  const VGcolor outer = VectorColor(pattern.mStops[last].mColor, pBlend);

  const IMatrix& t = pattern.mTransform;
  const double det = t.mXX * t.mYY - t.mYX * t.mXY;
  // A singular transform has no inverse; its gradient is laid out as if it were the identity.
  double xx = 1, yx = 0, xy = 0, yy = 1, tx = 0, ty = 0;
  if (det != 0.0 && std::isfinite(det))
  {
    const double d = 1.0 / det;
    xx = t.mYY * d;
    yx = -t.mYX * d;
    xy = -t.mXY * d;
    yy = t.mXX * d;
    tx = -t.mTX * xx - t.mTY * xy;
    ty = -t.mTX * yx - t.mTY * yy;
  }
  if (pattern.mType == kRadialPattern)
    return vgRadialGradient(float(tx), float(ty), float(pattern.mStops[0].mOffset * xx), float(xx), inner, outer);
  return vgLinearGradient(float(tx), float(ty), float(xy + tx), float(yy + ty), inner, outer);
}

// --- Dotted shapes and the fast shadow ----------------------------------------------------------------------

void IGraphicsVector::DrawDottedLine(const IColor& color, float x1, float y1, float x2, float y2,
                                     const IBlend* pBlend, float thickness, float dashLen)
{
  const float n = std::round(std::hypot(x2 - x1, y2 - y1) / dashLen);
  PathMoveTo(x1, y1);
  // A dash of 0, a negative or a non-finite one has no count: the line is drawn solid.
  if (!(dashLen > 0.f) || !std::isfinite(n))
    PathLineTo(x2, y2);
  else if (n >= 2.f)
  {
    const int count = int(std::min(n, float(kMaxDashes)));
    const float step = 1.f / float(count);
    for (int i = 1; i < count; i += 2)
    {
      const float t = float(i) * step;
      PathLineTo(x1 + (x2 - x1) * t, y1 + (y2 - y1) * t);
      PathMoveTo(x1 + (x2 - x1) * (t + step), y1 + (y2 - y1) * (t + step));
    }
  }
  PathStroke(IPattern(color), thickness, IStrokeOptions(), pBlend);
}

void IGraphicsVector::DrawDottedRect(const IColor& color, const IRECT& bounds, const IBlend* pBlend,
                                     float thickness, float dashLen)
{
  const float fx = std::ceil(bounds.W() / (2.f * dashLen)), fy = std::ceil(bounds.H() / (2.f * dashLen));
  if (!(dashLen > 0.f) || !std::isfinite(fx) || !std::isfinite(fy))
  {
    PathRect(bounds);
    PathStroke(IPattern(color), thickness, IStrokeOptions(), pBlend);
    return;
  }
  const int nx = int(std::clamp(fx, 0.f, float(kMaxDashes)));
  const int ny = int(std::clamp(fy, 0.f, float(kMaxDashes)));
  // Dashes longer than the cap allows keep the count finite on huge sides.
  const float dx = std::max(dashLen, bounds.W() / (2.f * float(std::max(nx, 1))));
  const float dy = std::max(dashLen, bounds.H() / (2.f * float(std::max(ny, 1))));
  float x = bounds.L, y = bounds.T;
  PathMoveTo(x, y);
  // Dashes of d along one side: v is the moving coordinate, kept within lo..hi.
  auto along = [&](float& v, float lo, float hi, float d, int count)
  {
    for (int i = 0; i < count; ++i)
    {
      v = std::clamp(v + d, lo, hi);
      PathLineTo(x, y);
      v = std::clamp(v + d, lo, hi);
      PathMoveTo(x, y);
    }
  };
  if (nx >= 1)
  {
    along(x, bounds.L, bounds.R, dx, nx);
    along(y, bounds.T, bounds.B, dy, ny);
    along(x, bounds.L, bounds.R, -dx, nx);
    along(y, bounds.T, bounds.B, -dy, ny);
  }
  else
  {
    along(y, bounds.T, bounds.B, dy, ny);
    along(y, bounds.T, bounds.B, -dy, ny);
  }
  PathStroke(IPattern(color), thickness, IStrokeOptions(), pBlend);
}

void IGraphicsVector::DrawFastDropShadow(const IRECT& innerBounds, const IRECT& outerBounds, float xyDrop,
                                         float roundness, float blur, const IBlend* pBlend)
{
  if (!mVG) return;
  const float weight = pBlend ? pBlend->mWeight : 1.f;
  const VGpaint paint =
      vgBoxGradient(innerBounds.L + xyDrop, innerBounds.T + xyDrop, innerBounds.W(), innerBounds.H(), roundness,
                    blur, vgRGBA(0, 0, 0, (unsigned char)std::clamp(128.f * weight, 0.f, 255.f)),
                    vgRGBA(0, 0, 0, 0));
  vgBeginPath(mVG);
  VectorRect(mVG, outerBounds);
  vgFillPaint(mVG, paint);
  vgGlobalCompositeOperation(mVG, kVGSourceOver);
  vgFill(mVG);
  PathClear();
}

// --- Text and fonts -------------------------------------------------------------------------------------------

bool IGraphicsVector::LoadAPIFont(const char* fontID, const PlatformFontPtr& font)
{
  if (!mVG || !fontID) return false;
  StaticStorage<FontData>& storage = FontDataStorage();
  MutexLock lock(storage.GetMutex());
  if (FontData* pData = storage.Find(fontID, 1.0))
    return vgCreateFontMemAtIndex(mVG, fontID, pData->Get(), pData->GetSize(), 0, pData->GetFaceIdx()) != -1;

  FontDataPtr data = font ? font->GetFontData() : nullptr;
  if (!data || !data->IsValid()) return false;
  // The atlas keeps the bytes without owning them: the storage does.
  if (vgCreateFontMemAtIndex(mVG, fontID, data->Get(), data->GetSize(), 0, data->GetFaceIdx()) == -1) return false;
  storage.Add(data.release(), fontID, 1.0);
  return true;
}

void IGraphicsVector::PrepareAndMeasureText(const IText& text, const char* str, IRECT& r, double& x,
                                            double& y) const
{
  int align = 0;
  x = r.L;
  y = r.T;
  switch (text.mAlign)
  {
    case kAlignNear: align |= kVGAlignLeft; break;
    case kAlignCenter: align |= kVGAlignCenter, x = r.MW(); break;
    case kAlignFar: align |= kVGAlignRight, x = r.R; break;
    default: break;
  }
  switch (text.mVAlign)
  {
    case kVAlignTop: align |= kVGAlignTop; break;
    case kVAlignMiddle: align |= kVGAlignMiddle, y = r.MH(); break;
    case kVAlignBottom: align |= kVGAlignBottom, y = r.B; break;
    default: break;
  }
  // Without a font nothing is measured: the extent shrinks to the anchor.
  r = IRECT(float(x), float(y), float(x), float(y));
  if (!mVG) return;
  vgFontBlur(mVG, 0.f);
  vgFontSize(mVG, text.mSize);
  vgFontFace(mVG, text.mFont);
  vgTextAlign(mVG, align);
  float box[4] = {};
  vgTextBounds(mVG, float(x), float(y), str, nullptr, box);
  if (vgGetState(mVG)->fontId >= 0) r = IRECT(box[0], box[1], box[2], box[3]);
}

float IGraphicsVector::DoMeasureText(const IText& text, const char* str, IRECT& bounds) const
{
  const IText style = FiniteAngle(text);
  const IRECT unrotated = bounds;
  double x = 0.0, y = 0.0;
  PrepareAndMeasureText(style, str, bounds, x, y);
  CalculateTextRotation(style, unrotated, bounds);
  return bounds.W();
}

void IGraphicsVector::DoDrawText(const IText& text, const char* str, const IRECT& bounds, const IBlend* pBlend)
{
  if (!mVG) return;
  const IText style = FiniteAngle(text);
  IRECT measured = bounds;
  double x = 0.0, y = 0.0;
  PrepareAndMeasureText(style, str, measured, x, y);
  PathTransformSave();
  if (style.mAngle != 0.f)
  {
    double tx = 0.0, ty = 0.0;
    CalculateTextRotation(style, bounds, measured, tx, ty);
    PathTransformTranslate(float(tx), float(ty));
    PathTransformRotate(style.mAngle);
  }
  vgFillColor(mVG, VectorColor(style.mFGColor, pBlend));
  VectorSetBlendMode(mVG, pBlend);
  vgText(mVG, float(x), float(y), str, nullptr);
  vgGlobalCompositeOperation(mVG, kVGSourceOver);
  PathTransformRestore();
}
} // namespace iplugin::igraphics
