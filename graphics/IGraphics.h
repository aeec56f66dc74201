// The graphics context of one open editor. The editor delegate creates it when the editor opens and
// deletes it when it closes; it owns every control and the special controls, keeps the tag map, the
// size and the two scales, the transform, clip and layer stacks, loads bitmaps and SVG documents
// through the caches, and implements every drawing operation over the path primitives that the
// drawing back end supplies. On each display tick it redraws the dirty controls; it dispatches mouse,
// key and gesture input to the controls and tells the delegate when the user begins and ends changing
// a parameter; it runs the value prompts through a menu or a text entry. The back end derives from it
// and the platform class from that. Everything runs on the main thread; only the process-wide caches
// are locked.
#pragma once

#include "framework/PtrList.h"
#include "framework/StringBuf.h"
#include "framework/TypedBuf.h"
#include "graphics/IBitmap.h"
#include "graphics/IControl.h"
#include "graphics/IGestureInfo.h"
#include "graphics/IGraphicsConstants.h"
#include "graphics/ILayer.h"
#include "graphics/IPopupMenu.h"
#include "graphics/IRECTList.h"
#include "graphics/PlatformFont.h"
#include "graphics/interface/IGraphicsInterface.h"

#include <cstdint>
#include <functional>
#include <stack>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

namespace iplugin::igraphics
{
class IGEditorDelegate;
class IPopupMenuControlInterface;
class ITextEntryControlInterface;
struct SVGshape;
struct SVGpaint;

enum EFileAction
{
  kFileOpen = 0,
  kFileSave = 1
};

enum EResizeMode
{
  kResizeScale = 0,
  kResizeSize = 1
};

enum ECursor
{
  kArrowCursor = 0,
  kSizeNWSECursor = 5,
  kHandCursor = 11
};

using IKeyHandlerFunc = std::function<bool(const IKeyPress& key, bool isUp)>;
using IDisplayTickFunc = std::function<void()>;
using IColorPickerHandlerFunc = std::function<void(const IColor&)>;
using IControlFunction = std::function<void(IControl*)>;
using IMidiMsgFunc = std::function<void(const IMidiMsg&)>;
using IGestureRegionFunc = std::function<void(IControl*, const IGestureInfo&)>;

enum class EUIAppearance
{
  Light = 0,
  Dark = 1
};
using IAppearanceChangedFunc = std::function<void(EUIAppearance)>;

class IGraphics : public IGraphicsInterface
{
public:
  // A frame rate of 0 or less gives 60. The draw scale may later range from half to twice scale.
  IGraphics(IGEditorDelegate& dlg, int w, int h, int fps = 0, float scale = 1.f);
  ~IGraphics() override;
  IGraphics(const IGraphics&) = delete;
  IGraphics& operator=(const IGraphics&) = delete;

  // --- Lifetime of the platform view and frames ---------------------------------------------------
  virtual void OnViewInitialized(void* pContext) {}
  virtual void OnViewDestroyed() {}
  // The back end starts a frame and calls this, which feeds the frame-time display.
  virtual void BeginFrame();
  virtual void EndFrame() {}

  // --- Redraw (once per display tick) -----------------------------------------------------------------
  // Runs the display-tick function and the animations, then appends the bounds of every dirty control
  // widened by 0.75 to rects; true when any control was dirty.
  bool IsDirty(IRECTList& rects);
  // Snaps and merges rects (or, with strict drawing, takes their union) and draws each in one frame.
  void DrawDirtyRects(IRECTList& rects);
  // Draws every control that meets bounds, clipped to it, in traversal order.
  void Draw(const IRECT& bounds, float scale);
  // Told the bounds of every Draw before it draws (scale: backing pixels per point), so that a back end
  // can present only what changed.
  virtual void NoteDrawnArea(const IRECT& bounds, float scale) {}
  void DrawControl(IControl* pControl, const IRECT& bounds, float scale);
  // Draws the control clipped to clip (within its padded, aligned bounds), with the path state reset.
  void DrawControlClipped(IControl* pControl, const IRECT& clip);
  // Strict drawing redraws the union of the dirty rectangles in one pass; marks every control dirty.
  void SetStrictDrawing(bool strict);
  // Called first on every tick, before any control is examined.
  void SetDisplayTickFunc(IDisplayTickFunc func) { mDisplayTickFunc = std::move(func); }

  // --- Drawing: bitmaps and SVG ---------------------------------------------------------------------
  // Bitmap, SVG and layer draws return at once for an invalid handle or a size of 0 or less.
  virtual void DrawSVG(const ISVG& svg, const IRECT& bounds, const IBlend* pBlend = nullptr);
  virtual void DrawRotatedSVG(const ISVG& svg, float destCentreX, float destCentreY, float width,
                              float height, double angle, const IBlend* pBlend = nullptr);
  // Draws the bitmap at its size with its top-left at (L - srcX, T - srcY), clipped to bounds.
  virtual void DrawBitmap(const IBitmap& bitmap, const IRECT& bounds, int srcX, int srcY,
                          const IBlend* pBlend = nullptr) = 0;
  virtual void DrawFittedBitmap(const IBitmap& bitmap, const IRECT& bounds, const IBlend* pBlend = nullptr);
  virtual void DrawRotatedBitmap(const IBitmap& bitmap, float destCentreX, float destCentreY, double angle,
                                 const IBlend* pBlend = nullptr);

  // --- Drawing: stroked shapes (angles in degrees, 0 up, clockwise) --------------------------------
  virtual void DrawPoint(const IColor& color, float x, float y, const IBlend* pBlend = nullptr);
  virtual void DrawLine(const IColor& color, float x1, float y1, float x2, float y2,
                        const IBlend* pBlend = nullptr, float thickness = 1.f);
  virtual void DrawDottedLine(const IColor& color, float x1, float y1, float x2, float y2,
                              const IBlend* pBlend = nullptr, float thickness = 1.f, float dashLen = 2.f);
  virtual void DrawTriangle(const IColor& color, float x1, float y1, float x2, float y2, float x3, float y3,
                            const IBlend* pBlend = nullptr, float thickness = 1.f);
  virtual void DrawRect(const IColor& color, const IRECT& bounds, const IBlend* pBlend = nullptr,
                        float thickness = 1.f);
  virtual void DrawRoundRect(const IColor& color, const IRECT& bounds, float cornerRadius = 5.f,
                             const IBlend* pBlend = nullptr, float thickness = 1.f);
  virtual void DrawRoundRectCorners(const IColor& color, const IRECT& bounds, float cRTL, float cRTR,
                                    float cRBR, float cRBL, const IBlend* pBlend = nullptr,
                                    float thickness = 1.f);
  virtual void DrawArc(const IColor& color, float cx, float cy, float r, float a1, float a2,
                       const IBlend* pBlend = nullptr, float thickness = 1.f);
  virtual void DrawCircle(const IColor& color, float cx, float cy, float r, const IBlend* pBlend = nullptr,
                          float thickness = 1.f);
  virtual void DrawEllipse(const IColor& color, const IRECT& bounds, const IBlend* pBlend = nullptr,
                           float thickness = 1.f);
  virtual void DrawRotatedEllipse(const IColor& color, float x, float y, float r1, float r2, float angle,
                                  const IBlend* pBlend = nullptr, float thickness = 1.f);
  virtual void DrawConvexPolygon(const IColor& color, float* x, float* y, int nPoints,
                                 const IBlend* pBlend = nullptr, float thickness = 1.f);
  virtual void DrawDottedRect(const IColor& color, const IRECT& bounds, const IBlend* pBlend = nullptr,
                              float thickness = 1.f, float dashLen = 2.f);

  // --- Drawing: filled shapes ---------------------------------------------------------------------
  virtual void FillTriangle(const IColor& color, float x1, float y1, float x2, float y2, float x3, float y3,
                            const IBlend* pBlend = nullptr);
  virtual void FillRect(const IColor& color, const IRECT& bounds, const IBlend* pBlend = nullptr);
  virtual void FillRectWithPattern(const IPattern& pattern, const IRECT& bounds,
                                   const IBlend* pBlend = nullptr);
  virtual void FillRoundRect(const IColor& color, const IRECT& bounds, float cornerRadius = 5.f,
                             const IBlend* pBlend = nullptr);
  virtual void FillRoundRectCorners(const IColor& color, const IRECT& bounds, float cRTL, float cRTR,
                                    float cRBR, float cRBL, const IBlend* pBlend = nullptr);
  virtual void FillCircle(const IColor& color, float cx, float cy, float r, const IBlend* pBlend = nullptr);
  virtual void FillEllipse(const IColor& color, const IRECT& bounds, const IBlend* pBlend = nullptr);
  virtual void FillRotatedEllipse(const IColor& color, float x, float y, float r1, float r2, float angle,
                                  const IBlend* pBlend = nullptr);
  virtual void FillArc(const IColor& color, float cx, float cy, float r, float a1, float a2,
                       const IBlend* pBlend = nullptr);
  virtual void FillConvexPolygon(const IColor& color, float* x, float* y, int nPoints,
                                 const IBlend* pBlend = nullptr);

  // --- Text -----------------------------------------------------------------------------------------
  // Fills bounds with the text's extent and returns its width; 0 for a null or empty string.
  virtual float MeasureText(const IText& text, const char* str, IRECT& bounds) const;

  // --- Back-end queries and bitmaps -----------------------------------------------------------------
  virtual IColor GetPointColor(int x, int y) = 0;
  virtual void* GetDrawContext() = 0;
  virtual const char* GetDrawingAPIStr() = 0;
  // A copy of the bitmap drawn at another scale, retained under name.
  virtual IBitmap ScaleBitmap(const IBitmap& inBitmap, const char* cacheName, int targetScale);
  // The default keeps the bitmap in the process-wide cache; the back end keeps its own instead.
  virtual void RetainBitmap(const IBitmap& bitmap, const char* cacheName);
  virtual void ReleaseBitmap(const IBitmap& bitmap);
  virtual bool BitmapExtSupported(const char* ext) = 0;
  virtual void DrawFastDropShadow(const IRECT& innerBounds, const IRECT& outerBounds, float xyDrop = 5.f,
                                  float roundness = 0.f, float blur = 10.f, const IBlend* pBlend = nullptr)
  {
  }
  virtual void DrawGrid(const IColor& color, const IRECT& bounds, float gridSizeH, float gridSizeV,
                        const IBlend* pBlend = nullptr, float thickness = 1.f);
  // A line graph of normalised y values; x values (normalised) or null for even spacing.
  virtual void DrawData(const IColor& color, const IRECT& bounds, float* normYPoints, int nPoints,
                        float* normXPoints = nullptr, const IBlend* pBlend = nullptr, float thickness = 1.f);

  // --- Fonts ----------------------------------------------------------------------------------------
  virtual bool LoadFont(const char* fontID, const char* fileNameOrResID);
  virtual bool LoadFontFromMemory(const char* fontID, const void* pData, int dataSize);
  bool LoadFontFromSystem(const char* fontID, const char* fontName, int style);

  // --- Layer pixels ---------------------------------------------------------------------------------
  // width x height x 4 bytes of the layer, rows top to bottom; a short buffer means no data.
  virtual void GetLayerBitmapData(const ILayerPtr& layer, TypedBuf<uint8_t>& data) = 0;
  virtual void ApplyShadow(const ILayerPtr& layer, const TypedBuf<uint8_t>& mask,
                           const IDropShadow& shadow) = 0;
  virtual void ApplyLayerBitmapData(const ILayerPtr& layer, const TypedBuf<uint8_t>& data) = 0;
  // Retargets the back end to the top layer or, without one, the frame.
  virtual void UpdateLayer() {}

  // --- Path primitives (the back end's) --------------------------------------------------------------
  virtual bool HasPathSupport() const { return true; }
  virtual void PathClear() = 0;
  virtual void PathClose() = 0;
  // Angles in degrees from 12 o'clock, clockwise; winding 0 draws clockwise.
  virtual void PathArc(float cx, float cy, float r, float a1, float a2, int winding = 0) = 0;
  virtual void PathMoveTo(float x, float y) = 0;
  virtual void PathLineTo(float x, float y) = 0;
  // Marks the current sub-path as solid (false) or a hole (true).
  virtual void PathSetWinding(bool clockwise) {}
  virtual void PathCubicBezierTo(float c1x, float c1y, float c2x, float c2y, float x2, float y2) = 0;
  virtual void PathQuadraticBezierTo(float cx, float cy, float x2, float y2) = 0;
  virtual void PathStroke(const IPattern& pattern, float thickness,
                          const IStrokeOptions& options = IStrokeOptions(),
                          const IBlend* pBlend = nullptr) = 0;
  virtual void PathFill(const IPattern& pattern, const IFillOptions& options = IFillOptions(),
                        const IBlend* pBlend = nullptr) = 0;
  virtual void PathTransformSetMatrix(const IMatrix& m) = 0;

  // Restricts following drawing to bounds, in the coordinates of the transform in force.
  virtual void SetClipRegion(const IRECT& bounds) = 0;

  // --- Platform ---------------------------------------------------------------------------------------
  virtual void AttachPlatformView(const IRECT& bounds, void* pView) {}
  virtual void RemovePlatformView(void* pView) {}
  virtual void HideMouseCursor(bool hide = true, bool lock = true) = 0;
  virtual void MoveMouseCursor(float x, float y) = 0;
  // Stores the new kind and returns the previous one.
  virtual int SetMouseCursor(int cursorType = kArrowCursor)
  {
    const int previous = mCursorType;
    mCursorType = cursorType;
    return previous;
  }
  virtual void* GetWindow() = 0;
  virtual bool WindowIsOpen() { return GetWindow() != nullptr; }
  virtual bool GetTextFromClipboard(StringBuf& str) = 0;
  virtual bool SetTextInClipboard(const char* str) = 0;
  virtual void UpdateTooltips() = 0;
  virtual void PromptForFile(StringBuf& fileName, StringBuf& path, EFileAction action = kFileOpen,
                             const char* ext = "") = 0;
  virtual void PromptForDirectory(StringBuf& dir) = 0;
  virtual bool PromptForColor(IColor& color, const char* str = "",
                              IColorPickerHandlerFunc func = nullptr) = 0;
  virtual const char* GetPlatformAPIStr() { return ""; }
  virtual bool RevealPathInFinder(StringBuf& path, bool select = false) { return false; }
  virtual void ReservedPlatformHookA() {}
  virtual void* GetPlatformInstance() { return mPlatformInstance; }
  virtual void SetPlatformInstance(void* pInstance) { mPlatformInstance = pInstance; }
  virtual void ReservedPlatformHookB() {}
  virtual PlatformFontPtr LoadPlatformFont(const char* fontID, const char* fileNameOrResID) = 0;
  virtual PlatformFontPtr LoadPlatformFontFromMemory(const char* fontID, const void* pData, int dataSize) = 0;
  virtual PlatformFontPtr LoadPlatformFontFromSystem(const char* fontID, const char* fontName, int style) = 0;
  virtual void CachePlatformFont(const char* fontID, const PlatformFontPtr& font) = 0;
  virtual const char* GetBundleID() { return ""; }
  // The back end brackets the making of GPU resources with these.
  virtual void EnterDrawContext() {}
  virtual void LeaveDrawContext() {}
  // Closes an open platform text field without delivering its text.
  virtual void EndUserInput() {}
  virtual void CreatePlatformTextEntry(int paramIdx, const IText& text, const IRECT& bounds, int length,
                                       const char* str) = 0;
  virtual IPopupMenu* CreatePlatformPopupMenu(IPopupMenu& menu, const IRECT& bounds, bool& isAsync) = 0;
  virtual int ReservedQueryA() { return 0; }
  virtual float GetPlatformWindowScale() const { return 1.f; }
  virtual void PlatformResize(bool parentHasResized) {}
  // The largest size in points that the editor's window can take, growing from its top left corner,
  // without leaving the screen's work area; false when nothing bounds it (no window).
  virtual bool GetPlatformWindowRoom(float& width, float& height) const { return false; }
  // The back end adapts its drawing surface to the size and scales.
  virtual void DrawResize() {}
  virtual bool IsDarkMode() const { return false; }

  // --- Resources ----------------------------------------------------------------------------------
  // targetScale 0: the screen scale, truncated.
  virtual IBitmap LoadBitmap(const char* name, int nStates = 1, bool framesAreHorizontal = false,
                             int targetScale = 0);
  virtual IBitmap LoadBitmapFromData(const char* name, const uint8_t* pData, int dataSize, int nStates = 1,
                                     bool framesAreHorizontal = false, int targetScale = 0);
  virtual ISVG LoadSVG(const char* name, const char* units = "px", float dpi = 72.f);
  virtual ISVG LoadSVGFromData(const char* name, const char* pData, int dataSize, const char* units = "px",
                               float dpi = 72.f);
  // The whole resource file; empty when it cannot be found or read.
  virtual TypedBuf<uint8_t> LoadResource(const char* name, const char* type);
  virtual void AddGestureType(EGestureType type);
  // True once the back end can load resources.
  virtual bool IsContextReady() const { return false; }
  virtual void SetContextReady(bool ready) {}
  virtual APIBitmap* LoadAPIBitmapFromFile(const char* fileNameOrResID, int scale, int location,
                                           const char* ext) = 0;
  virtual APIBitmap* LoadAPIBitmapFromData(const char* name, const uint8_t* pData, int dataSize,
                                           int scale) = 0;
  virtual APIBitmap* CreateAPIBitmap(int width, int height, float scale, double drawScale,
                                     bool cacheable = false) = 0;
  virtual bool LoadAPIFont(const char* fontID, const PlatformFontPtr& font) = 0;
  virtual bool ReservedQueryB() { return true; }
  virtual int AlphaChannelIndex() const = 0;
  virtual bool BitmapRowsFlipped() const = 0;
  virtual float DoMeasureText(const IText& text, const char* str, IRECT& bounds) const = 0;
  virtual void DoDrawText(const IText& text, const char* str, const IRECT& bounds,
                          const IBlend* pBlend = nullptr) = 0;
  virtual float GetBackingPixelScale() const { return GetScreenScale() * GetDrawScale(); }

  // Says on standard error that the named bitmap or font of the bundle could not be loaded (missing or
  // not decodable), so that an empty control does not go unexplained; once a name for this context.
  void ReportUnloadedResource(const char* kind, const char* name);

  // Location 0 when not found; else the path found and the scale it was found at.
  int SearchImageResource(const char* name, const char* type, StringBuf& result, int targetScale,
                          int& sourceScale);
  // The process-wide cache's bitmap of name at the nearest scale in the search order, or null.
  APIBitmap* SearchBitmapInCache(const char* name, int targetScale, int& sourceScale);
  IBitmap GetScaledBitmap(IBitmap& src);

  // --- Control prompts ---------------------------------------------------------------------------------
  // A value menu for enumerated parameters (and booleans with display texts), else a text entry.
  virtual void PromptUserInput(IControl& control, const IRECT& bounds, int valIdx = 0);
  void CreateTextEntry(IControl& control, const IText& text, const IRECT& bounds, const char* str = "",
                       int valIdx = 0);
  // The chosen menu, or null (also when the in-window menu will deliver the choice later).
  IPopupMenu* CreatePopupMenu(IControl& control, IPopupMenu& menu, const IRECT& bounds, int valIdx = 0,
                              bool isContext = false);
  IPopupMenu* CreatePopupMenuDefault(IControl& control, IPopupMenu& menu, const IRECT& bounds, int valIdx = 0)
  {
    return CreatePopupMenu(control, menu, bounds, valIdx, false);
  }
  void SetControlValueAfterTextEdit(const char* str);
  void SetControlValueAfterPopupMenu(IPopupMenu* pMenu);
  void ShowContextMenu(IControl& control, float x, float y);
  void ShowContextMenuAtIndex(int controlIdx, float x, float y);
  // Sets the control's value at valIdx into every other list control bound to the same parameter.
  void UpdatePeers(IControl* pCaller, int callerValIdx);
  void AssignParamNameToolTips();
  void AssignParamNameToolTipsAuto();
  IPopupMenu& GetPromptMenu() { return mPromptPopupMenu; }
  // True while the in-window popup menu is expanded.
  bool IsPopupMenuShowing() const override;

  // --- Input (positions in editor points) ---------------------------------------------------------------
  // Hit test with capture: a captured touch keeps its control; else an expanded popup menu or an
  // editing text entry takes everything, then the corner resizer, the FPS display, the list top-down.
  IControl* GetMouseControl(float x, float y, bool capture, bool mouseOver = false, uint64_t touchID = 0);
  int GetMouseControlIdx(float x, float y, bool mouseOver = false);
  // One entry per touch; a single entry for the mouse.
  void OnMouseDown(const std::vector<IMouseInfo>& points);
  void OnMouseUp(const std::vector<IMouseInfo>& points);
  void OnMouseDrag(const std::vector<IMouseInfo>& points);
  bool OnMouseDblClick(float x, float y, const IMouseMod& mod);
  bool OnMouseOver(float x, float y, const IMouseMod& mod);
  void OnMouseOut();
  void OnMouseWheel(float x, float y, const IMouseMod& mod, float delta);
  bool OnKeyDown(float x, float y, const IKeyPress& key) override;
  bool OnKeyUp(float x, float y, const IKeyPress& key) override;
  void OnDrop(const char* str, float x, float y);
  void OnFocusLost();
  void OnAppearanceChanged(EUIAppearance appearance);
  void SetAppearanceChangedFunc(IAppearanceChangedFunc func) { mAppearanceChangedFunc = std::move(func); }
  void SetKeyHandlerFunc(IKeyHandlerFunc func) { mKeyHandlerFunc = std::move(func); }
  // Installs the computer keyboard as a MIDI keyboard (replacing any key handler); every note goes to
  // the delegate, then to func when set.
  void SetQwertyMidiKeyHandlerFunc(IMidiMsgFunc func = nullptr);
  void EndDragResize();
  void OnDragResize(float x, float y);
  int GetParamIdxForPos(float x, float y);
  // The parameter stored for the host's context menu; reading resets it to -1.
  int GetParamUnderMouseForHost();
  bool IsResizing() const { return mResizingInProcess; }
  // The corner resizer starts a drag with this.
  void StartDragResize() { mResizingInProcess = true; }
  EResizeMode GetResizeMode() const { return mGUISizeMode; }
  // The corner resizer chooses per press whether its drag scales or sizes the editor.
  void SetResizeMode(EResizeMode mode) { mGUISizeMode = mode; }

  // Gesture regions (rectangles with a function, for touches that hit no control with gestures).
  void AttachGestureRegion(const IRECT& bounds, EGestureType type, IGestureRegionFunc func);
  void ClearGestureRegions();
  bool HitTestGestureRegions(float x, float y);
  void OnGestureRecognized(const IGestureInfo& info);

  // --- Drawing helpers that are not virtual -----------------------------------------------------------
  void DrawText(const IText& text, const char* str, const IRECT& bounds, const IBlend* pBlend = nullptr);
  void DrawTextAtPoint(const IText& text, const char* str, float x, float y, const IBlend* pBlend = nullptr);
  void DrawBitmapFrame(const IBitmap& bitmap, const IRECT& bounds, int frame = 1,
                       const IBlend* pBlend = nullptr);
  void DrawBitmapedText(const IBitmap& bitmap, const IRECT& bounds, IText& text, IBlend* pBlend,
                        const char* str, bool vCenter = true, bool multiline = false, int charWidth = 6,
                        int charHeight = 12, int charOffset = 0);
  void DrawVerticalLine(const IColor& color, const IRECT& bounds, float x, const IBlend* pBlend = nullptr,
                        float thickness = 1.f);
  void DrawHorizontalLine(const IColor& color, const IRECT& bounds, float y, const IBlend* pBlend = nullptr,
                          float thickness = 1.f);
  void DrawVerticalLine(const IColor& color, float xi, float yLo, float yHi, const IBlend* pBlend = nullptr,
                        float thickness = 1.f);
  void DrawHorizontalLine(const IColor& color, float yi, float xLo, float xHi, const IBlend* pBlend = nullptr,
                          float thickness = 1.f);
  void DrawRadialLine(const IColor& color, float cx, float cy, float angle, float rMin, float rMax,
                      const IBlend* pBlend = nullptr, float thickness = 1.f);

  // Path builders: they add to the current path without clearing or stroking it.
  void PathRect(const IRECT& bounds);
  void PathRoundRect(const IRECT& bounds, float ctl, float ctr, float cbr, float cbl);
  void PathRoundRect(const IRECT& bounds, float cornerRadius = 5.f);
  void PathTriangle(float x1, float y1, float x2, float y2, float x3, float y3);
  void PathConvexPolygon(float* x, float* y, int nPoints);
  void PathCircle(float cx, float cy, float r);
  void PathEllipse(const IRECT& bounds);
  void PathEllipse(float x, float y, float r1, float r2, float angle = 0.f);
  void PathRadialLine(float cx, float cy, float angle, float rMin, float rMax);
  void PathLine(float x1, float y1, float x2, float y2)
  {
    PathMoveTo(x1, y1);
    PathLineTo(x2, y2);
  }

  // The paint of an SVG fill or stroke at the given opacity.
  static IPattern PatternFromSVGPaint(const SVGpaint& paint, float opacity);

  // --- Transform stack and clip -------------------------------------------------------------------------
  void PathTransformReset(bool clearStates = false);
  void PathTransformSave();
  void PathTransformRestore();
  void PathTransformTranslate(float x, float y);
  void PathTransformScale(float scaleX, float scaleY);
  void PathTransformScale(float scale);
  void PathTransformRotate(float angle);
  void PathTransformSkew(float xAngle, float yAngle);
  void PathTransformMatrix(const IMatrix& matrix);
  // Clips to r within the drawing area (the top layer, or the current clip); empty r: the whole area.
  void PathClipRegion(const IRECT r = IRECT());
  const IMatrix& GetTransform() const { return mTransform; }

  // --- Layers -----------------------------------------------------------------------------------------
  // Always pushes one layer for the matching EndLayer; without an area, or when the renderer cannot make
  // its bitmap, the layer has no bitmap and nothing drawn into it shows.
  void StartLayer(IControl* pOwner, const IRECT& r, bool cacheable = false);
  void ResumeLayer(ILayerPtr& layer);
  ILayerPtr EndLayer();
  // Makes the layer the drawing target, with identity transform and clipped to it.
  void PushLayer(ILayer* pLayer);
  // Null when no layer is pushed; the target, transform and clip are reset either way.
  ILayer* PopLayer();
  bool CheckLayer(const ILayerPtr& layer);
  void DrawLayer(const ILayerPtr& layer, const IBlend* pBlend = nullptr);
  void DrawLayerInRect(const ILayerPtr& layer, const IRECT& bounds, const IBlend* pBlend = nullptr);
  void DrawLayerRotated(const ILayerPtr& layer, double angle);
  void ApplyLayerDropShadow(ILayerPtr& layer, const IDropShadow& shadow);
  void ReplaceLayerPixels(ILayerPtr& layer, const TypedBuf<uint8_t>& data)
  {
    ApplyLayerBitmapData(layer, data);
  }
  int NLayers() const { return int(mLayers.size()); }
  // One transposing blur pass over the alpha bytes: output sample j of input row y goes to output row j,
  // position y. Samples are 4 bytes apart; taps beyond either end of a row are left out.
  static void BlurShadowMask(uint8_t* out, const uint8_t* in, const uint8_t* kernel, int width, int height,
                             int outStride, int inStride, int kernelSize, int norm);

  // --- Control list ---------------------------------------------------------------------------------
  // Null when the tag is already registered; the control then stays the caller's.
  IControl* AttachControl(IControl* pControl, int ctrlTag = -1, const char* group = "");
  // These make controls of the control library and are defined beside it.
  void AttachBackground(const char* fileName);
  void AttachSVGBackground(const char* fileName);
  void AttachPanelBackground(const IPattern& color);
  void CreateCornerResizer(EResizeMode sizeMode = kResizeScale, bool layoutOnResize = false,
                           const IColor& color = kColorTranslucent,
                           const IColor& mouseOverColor = kColorBlack, const IColor& dragColor = kColorBlack,
                           float size = 20.f);
  void AttachBubbleControl(const IText& text = kDefaultText);
  void AttachPopupMenuControl(const IText& text = kDefaultText, const IRECT& bounds = IRECT());
  void AttachTextEntryControl();
  void ShowFPSDisplay(bool enable);

  // Keeps one corner resizer; a second one is deleted.
  void AttachCornerResizer(IControl* pControl, EResizeMode sizeMode = kResizeScale,
                           bool layoutOnResize = false);
  void AttachBubbleControlInstance(IControl* pControl);
  void RemovePopupMenuControl() { RemoveSpecialControl(mPopupControl); }
  void RemoveTextEntryControl() { RemoveSpecialControl(mTextEntryControl); }
  void SetLayoutOnResize(bool layoutOnResize) { mLayoutOnResize = layoutOnResize; }

  void RemoveControl(IControl* pControl);
  // Out-of-range indices do nothing.
  void RemoveControlAtIndex(int idx);
  void RemoveControls(int fromIdx);
  // Unknown tags do nothing. The control is not deleted: it goes back to the caller.
  void RemoveControlWithTag(int ctrlTag);
  void RemoveAllControls();

  // Null for an unknown tag.
  IControl* GetControlWithTag(int ctrlTag) const override;
  IControl* GetControl(int idx) const override { return mControls.Get(idx); }
  int NControls() const override { return mControls.Count(); }
  int GetControlIdx(const IControl* pControl) const { return mControls.Find(pControl); }
  int GetParamIdxForControlIdx(int controlIdx) const;
  IControl* GetPopupMenuControl() const { return mPopupControl; }
  IControl* GetTextEntryControl() const { return mTextEntryControl; }
  IControl* GetCornerResizer() const { return mCornerResizer; }
  IControl* GetFPSDisplay() const { return mPerfDisplay; }
  // Where the last mouse press went down, (-1, -1) before any.
  void GetMouseDownPoint(float& x, float& y) const
  {
    x = mMouseDownX;
    y = mMouseDownY;
  }
  int NBubbleControls() const { return mBubbleControls.Count(); }
  IControl* GetBubbleControl(int idx) const { return mBubbleControls.Get(idx); }

  // --- Traversals ---------------------------------------------------------------------------------------
  // The list, then the FPS display, corner resizer, text entry, popup menu, then the bubbles.
  // A template, as the redraw runs it over every control on every display tick.
  template <typename F> void ForAllControlsFunc(F&& func)
  {
    // The list's own count, not the virtual NControls: this runs over every control each frame.
    for (int i = 0; i < mControls.Count(); ++i)
      func(mControls.Get(i));
    if (mPerfDisplay) func(mPerfDisplay);
    if (mCornerResizer) func(mCornerResizer);
    if (mTextEntryControl) func(mTextEntryControl);
    if (mPopupControl) func(mPopupControl);
    for (int i = 0; i < mBubbleControls.Count(); ++i)
      func(mBubbleControls.Get(i));
  }
  template <typename T, typename... Args> void ForAllControls(T method, Args... args)
  {
    ForAllControlsFunc([method, args...](IControl* pControl) { (pControl->*method)(args...); });
  }
  // The control list only.
  void ForStandardControlsFunc(std::function<void(IControlInterface*)> func) override;
  void ForStandardControlsFunc(IControlFunction func);
  void ForControlInGroup(const char* group, IControlFunction func);
  void ForMatchingControlsFunc(int paramIdx, IControlFunction func);
  template <typename T, typename... Args> void ForMatchingControls(T method, int paramIdx, Args... args)
  {
    ForMatchingControlsFunc(paramIdx,
                            [method, args...](IControl* pControl) { (pControl->*method)(args...); });
  }
  void HideControl(int paramIdx, bool hide) { ForMatchingControls(&IControl::Hide, paramIdx, hide); }
  void GrayOutControl(int paramIdx, bool gray)
  {
    ForMatchingControls(&IControl::SetDisabled, paramIdx, gray);
  }
  void SetControlDirtyForParam(int paramIdx, bool triggerAction, int valIdx = -1)
  {
    ForMatchingControls(&IControl::SetDirty, paramIdx, triggerAction, valIdx);
  }
  void SetControlHighlightForParam(int paramIdx, bool show, int colorIdx)
  {
    ForMatchingControls(&IControl::SetHighlight, paramIdx, show, colorIdx);
  }
  void SetAllControlsDirty() { ForAllControls(&IControl::SetDirty, false, -1); }
  void SetAllControlsClean() { ForAllControls(&IControl::SetClean); }
  void ClearAllControlsDirty() { SetAllControlsClean(); }
  void ForAllControlsReservedHook() { ForAllControls(&IControl::OnReservedHook); }
  // Gives the style to every attached vector-base control; defined with the control library.
  void ApplyStyleToVectorControls(const IVStyle& style);

  void SetControlPosition(int idx, float x, float y);
  void SetControlSize(int idx, float w, float h);
  void SetControlBounds(int idx, const IRECT& r);

  // --- Size and scale ---------------------------------------------------------------------------------
  void SetScreenScale(float scale) override;
  void Resize(int w, int h, float scale, bool needsPlatformResize = true) override;
  void ResizeFromWindow(int w, int h, float scale, bool needsPlatformResize, bool sizeInPoints);
  void ReleaseMouseCapture() override;
  float GetDrawScale() const override { return mDrawScale; }
  float GetScreenScale() const { return mScreenScale; }
  int Width() const override { return mWidth; }
  int Height() const override { return mHeight; }
  int WindowWidth() const { return int(float(mWidth) * mDrawScale); }
  int WindowHeight() const { return int(float(mHeight) * mDrawScale); }
  int FPS() const { return mFPS; }
  float GetMinScale() const { return mMinScale; }
  float GetMaxScale() const { return mMaxScale; }
  // The range a corner drag or a resize may scale the editor to.
  void SetScaleConstraints(float lo, float hi)
  {
    mMinScale = lo;
    mMaxScale = hi;
  }
  IRECT GetBounds() const { return IRECT(0.f, 0.f, float(mWidth), float(mHeight)); }

  // --- Rotated text placement -----------------------------------------------------------------------
  void CalculateTextRotation(const IText& text, const IRECT& bounds, IRECT& rect, double& tx,
                             double& ty) const;
  void CalculateTextRotation(const IText& text, const IRECT& bounds, IRECT& rect) const;

  // --- Bubbles, capture, gestures ---------------------------------------------------------------------
  // Defined with the bubble control, which lays itself out.
  void ShowBubbleControl(IControl* pCaller, const IRECT& anchorBounds, const char* label, EDirection dir,
                         const IRECT& minimumContentBounds, uint64_t touchID = 0);
  bool ControlIsCaptured() const { return !mCapturedMap.empty(); }
  bool ControlIsCaptured(const IControl* pControl) const;
  // Gives pControl the mouse under touchID (the input code uses it).
  void SetCapturedControl(uint64_t touchID, IControl* pControl) { mCapturedMap[touchID] = pControl; }
  IControl* GetMouseOverControl() const { return mMouseOver; }
  int GetMouseOverIdx() const { return mMouseOverIdx; }
  // A control that answers a typed value for another puts the mouse-over index back around it.
  void SetMouseOverIdx(int idx) { mMouseOverIdx = idx; }
  void SetMouseOverControl(IControl* pControl);
  IControl* GetControlInTextEntry() const { return mInTextEntry; }
  // The in-window entry abandons its edit with this, so no value is delivered.
  void ClearControlInTextEntry() { mInTextEntry = nullptr; }
  IControl* GetControlInPopupMenu() const { return mInPopupMenu; }
  void SetMultiTouch(bool multiTouch) { mEnableMultiTouch = multiTouch; }
  const std::vector<EGestureType>& GetGestureTypes() const { return mRegisteredGestures; }
  void EnableTooltips(bool enable);
  bool TooltipsEnabled() const { return mEnableTooltips; }
  void EnableMouseOver(bool enable) { mEnableMouseOver = enable; }

  IGEditorDelegate* GetDelegate() const { return mDelegate; }
  void SetSharedResourcesSubPath(const char* path) { mSharedResourcesSubPath.Set(path ? path : ""); }
  const char* GetSharedResourcesSubPath() const { return mSharedResourcesSubPath.Get(); }

protected:
  // Sets the control's delegate and graphics pointers and runs OnInit, OnResize, OnRescale.
  void InitControl(IControl* pControl);
  // Installs a special control in an empty slot (else deletes the new one).
  void AttachSpecialControl(IControl*& slot, IControl* pControl);
  // Deletes a special control, clearing every pointer that refers to it.
  void RemoveSpecialControl(IControl*& slot);
  // The disabling half of ShowFPSDisplay: deletes the display, clears the mouse-over control and marks
  // every control dirty.
  void RemoveFPSDisplay();
  // Clears the capture, mouse-over, text-entry and popup pointers that refer to the control.
  void ForgetControl(const IControl* pControl);
  // Draws an SVG document's shapes in the current transform.
  void DrawSVGShapes(const SVGimage* pImage, const IBlend* pBlend);
  void ResizeToWindow(int w, int h, float scale, bool needsPlatformResize);
  // Ends the host gestures of every captured control that loses the mouse without a release, then
  // empties the capture map.
  // pKeepGestures: the control whose gestures the popup result ends instead.
  void DropMouseCapture(const IControl* pKeepGestures);
  void EndParamGestures(IControl* pControl);
  IPopupMenuControlInterface* PopupMenuControl() const;
  ITextEntryControlInterface* TextEntryControl() const;
  // Finds a bitmap for the default loaders when it is not cached at the target scale; sets loaded when
  // it made a new one.
  using BitmapFinder = std::function<APIBitmap*(const char* ext, int targetScale, bool& loaded)>;
  // The default loaders' frame around find: cache lookup, extension check, rescaling and retaining (a
  // newly loaded bitmap that had to be redrawn is deleted).
  IBitmap LoadBitmapVia(const char* name, int nStates, bool framesAreHorizontal, int targetScale,
                        const BitmapFinder& find);
  // Puts a background at index 0, behind every other control; a list that cannot grow deletes it.
  void InsertBackground(IControl* pControl);
  // Forgets, unregisters and deletes the list control at idx.
  void DeleteControlAt(int idx);

  PtrList<IControl> mControls;
  std::unordered_map<int, IControl*> mCtrlTags;
  IControl* mCornerResizer = nullptr;
  PtrList<IControl> mBubbleControls;
  IControl* mPopupControl = nullptr;
  IControl* mPerfDisplay = nullptr;
  IControl* mTextEntryControl = nullptr;
  IControl* mLiveEdit = nullptr;
  IPopupMenu mPromptPopupMenu;
  StringBuf mSharedResourcesSubPath;
  int mCursorType = kArrowCursor;
  int mWidth;
  int mHeight;
  int mFPS;
  float mScreenScale = 1.f;
  float mDrawScale;
  std::vector<EGestureType> mRegisteredGestures;
  std::unordered_map<uint64_t, IControl*> mCapturedMap;
  // Touches whose press began host gestures for their captured control.
  std::unordered_set<uint64_t> mGestureTouches;
  // "kind name" of every resource ReportUnloadedResource has spoken of.
  std::unordered_set<std::string> mUnloadedResources;
  IControl* mMouseOver = nullptr;
  IControl* mInTextEntry = nullptr;
  IControl* mInPopupMenu = nullptr;
  void* mPlatformInstance = nullptr;
  bool mIsContextMenu = false;
  int mPopupMenuValIdx = 0;
  int mTextEntryValIdx = -1;
  int mMouseOverIdx = -1;
  float mMouseDownX = -1.f;
  float mMouseDownY = -1.f;
  float mMinScale;
  float mMaxScale;
  int mLastClickedParam = -1;
  bool mEnableMouseOver = false;
  bool mStrict = false;
  bool mEnableTooltips = false;
  bool mResizingInProcess = false;
  bool mLayoutOnResize = false;
  bool mEnableMultiTouch = false;
  EResizeMode mGUISizeMode = kResizeScale;
  double mPrevTimestamp = 0.0;
  // The controls a frame of several rectangles draws, in traversal order, with their padded, aligned
  // bounds (clip): found once a frame rather than once a rectangle, and kept for the next frame, whose
  // entries mostly give the same clip again.
  struct FrameControl
  {
    IControl* pControl;
    IRECT bounds, clip;
    float scale;
  };
  std::vector<FrameControl> mFrameControls;
  IKeyHandlerFunc mKeyHandlerFunc;
  IDisplayTickFunc mDisplayTickFunc;
  IAppearanceChangedFunc mAppearanceChangedFunc;
  std::vector<IRECT> mGestureRegions;
  std::unordered_map<int, IGestureRegionFunc> mGestureRegionFuncs;
  IGEditorDelegate* mDelegate;
  bool mCursorHidden = false;
  bool mCursorLock = false;
  bool mTabletInput = false;
  float mCursorX = -1.f;
  float mCursorY = -1.f;
  float mXTranslation = 0.f;
  float mYTranslation = 0.f;

  std::stack<ILayer*> mLayers;
  IRECT mClipRECT;
  IMatrix mTransform;
  std::stack<IMatrix> mTransformStates;
};
} // namespace iplugin::igraphics
