// A graphics context for tests: every path primitive, clip, transform, bitmap and text call of the
// drawing back end is logged as one line of text, bitmaps and layers are plain RGBA buffers, and the
// platform calls answer plainly. One double for every test of the graphics core. Main thread only.
//
// Log lines: "clear", "M x y", "L x y", "C c1x c1y c2x c2y x y", "Q cx cy x y", "A cx cy r a1 a2 w",
// "Z", "W 0|1", "stroke <pattern> t <thickness> <options> <blend>", "fill <pattern> <options> <blend>",
// "xform xx yx xy yy tx ty", "clip L T R B", "bitmap <name> L T R B sx sy <blend>",
// "text <str> L T R B", "layer", "beginframe", "endframe",
// "textentry <param> L T R B <length> <str>", "menu L T R B <items> <chosen>", "enduserinput", "prompt L T R B v", "colorprompt <str> <colour>", "shadow", "drawresize", "tooltips",
// "cachefont <id>".
#pragma once

#include "framework/IGEditorDelegate.h"
#include "graphics/IGraphics.h"
#include "graphics/ISpecialControlInterfaces.h"

#include <string>
#include <vector>

namespace qorvtest
{
// A renderer bitmap holding its pixels as RGBA bytes, rows top to bottom.
class RecordingBitmap : public iplugin::igraphics::APIBitmap
{
public:
  RecordingBitmap(int id, int width, int height, float scale, float drawScale, std::string name);
  std::vector<uint8_t> mPixels;
  std::string mName;
};

// An editor delegate that owns a RecordingGraphics once opened and records what controls send it.
class RecordingDelegate : public iplugin::igraphics::IGEditorDelegate
{
public:
  explicit RecordingDelegate(int nParams = 0);

  void SetParamNormalizedFromUI(int paramIdx, double value, bool callHandler = true) override
  {
    mSentValues.emplace_back(paramIdx, value);
  }
  void BeginInformHostOfParamChangeFromUI(int paramIdx) override { mGestures.push_back(paramIdx); }
  void EndInformHostOfParamChangeFromUI(int paramIdx) override { mGestures.push_back(-1 - paramIdx); }
  bool EditorResizeFromUI(int viewWidth, int viewHeight, bool needsPlatformResize) override
  {
    mWindowSizes.emplace_back(viewWidth, viewHeight);
    return true;
  }
  void LayoutUI(iplugin::igraphics::IGraphicsInterface* pGraphics) override { ++mLayouts; }

  // Opens a RecordingGraphics of w x h at scale through the delegate, as a host would.
  class RecordingGraphics& Open(int w = 200, int h = 100, float scale = 1.f);

  std::vector<std::pair<int, double>> mSentValues;
  std::vector<int> mGestures; // begin: index, end: -1 - index
  std::vector<std::pair<int, int>> mWindowSizes;
  int mLayouts = 0;
};

class RecordingGraphics : public iplugin::igraphics::IGraphics
{
public:
  RecordingGraphics(iplugin::igraphics::IGEditorDelegate& dlg, int w, int h, int fps = 60, float scale = 1.f);
  ~RecordingGraphics() override;

  // The log since the last TakeLog, and empties it.
  std::vector<std::string> TakeLog();
  // The log with lines starting with any of the prefixes only.
  std::vector<std::string> TakeLog(std::initializer_list<const char*> prefixes);

  // Stand-ins for what the input and prompt code will set.
  void SetCaptured(uint64_t touchID, iplugin::igraphics::IControl* pControl) { SetCapturedControl(touchID, pControl); }
  void SetInTextEntry(iplugin::igraphics::IControl* pControl) { mInTextEntry = pControl; }
  void SetInPopupMenu(iplugin::igraphics::IControl* pControl) { mInPopupMenu = pControl; }
  // Installs the special controls that the control library will make.
  void InstallPopupMenuControl(iplugin::igraphics::IControl* pControl) { AttachSpecialControl(mPopupControl, pControl); }
  void InstallTextEntryControl(iplugin::igraphics::IControl* pControl)
  {
    AttachSpecialControl(mTextEntryControl, pControl);
  }
  void InstallFPSDisplay(iplugin::igraphics::IControl* pControl) { AttachSpecialControl(mPerfDisplay, pControl); }
  void HideFPSDisplay() { RemoveFPSDisplay(); }
  void SetClipRECT(const iplugin::igraphics::IRECT& r) { mClipRECT = r; }

  // Switches.
  bool mPlatformFontAvailable = true;
  bool mAPIFontLoads = true;
  int mLayerDataShortBy = 0; // bytes missing from GetLayerBitmapData's buffer
  bool mContextReady = true;

  std::vector<int> mMenuAnswers;
  std::vector<iplugin::igraphics::IColor> mColorAnswers;
  bool mMenuAsync = false;

  // What the back end was handed.
  std::vector<uint8_t> mLastShadowMask;
  int mBitmapsMade = 0;

  // --- IGraphicsInterface ---
  void* OpenWindow(void* pParent) override;
  void CloseWindow() override {}
  void GetMouseLocation(float& x, float& y) const override { x = y = 0.f; }
  iplugin::igraphics::EMsgBoxResult ShowMessageBox(const char* text, const char* title,
                                                   iplugin::igraphics::EMsgBoxType type,
                                                   iplugin::igraphics::IMsgBoxCompletionHandlerFunc completion) override
  {
    return iplugin::igraphics::kNoResult;
  }
  // Noted in mOpenedURLs; nothing opens.
  bool OpenURL(const char* url) override
  {
    mOpenedURLs.emplace_back(url ? url : "");
    return true;
  }
  std::vector<std::string> mOpenedURLs;

  // --- Drawing back end ---
  void DrawBitmap(const iplugin::igraphics::IBitmap& bitmap, const iplugin::igraphics::IRECT& bounds, int srcX,
                  int srcY, const iplugin::igraphics::IBlend* pBlend) override;
  iplugin::igraphics::IColor GetPointColor(int x, int y) override { return {}; }
  void* GetDrawContext() override { return nullptr; }
  const char* GetDrawingAPIStr() override { return "Recording"; }
  bool BitmapExtSupported(const char* ext) override;
  void GetLayerBitmapData(const iplugin::igraphics::ILayerPtr& layer, iplugin::TypedBuf<uint8_t>& data) override;
  void ApplyShadow(const iplugin::igraphics::ILayerPtr& layer, const iplugin::TypedBuf<uint8_t>& mask,
                   const iplugin::igraphics::IDropShadow& shadow) override;
  void ApplyLayerBitmapData(const iplugin::igraphics::ILayerPtr& layer, const iplugin::TypedBuf<uint8_t>& data) override;
  void UpdateLayer() override { Log("layer"); }
  void PathClear() override { Log("clear"); }
  void PathClose() override { Log("Z"); }
  void PathArc(float cx, float cy, float r, float a1, float a2, int winding) override;
  void PathMoveTo(float x, float y) override;
  void PathLineTo(float x, float y) override;
  void PathSetWinding(bool clockwise) override { Log(clockwise ? "W 1" : "W 0"); }
  void PathCubicBezierTo(float c1x, float c1y, float c2x, float c2y, float x2, float y2) override;
  void PathQuadraticBezierTo(float cx, float cy, float x2, float y2) override;
  void PathStroke(const iplugin::igraphics::IPattern& pattern, float thickness,
                  const iplugin::igraphics::IStrokeOptions& options, const iplugin::igraphics::IBlend* pBlend) override;
  void PathFill(const iplugin::igraphics::IPattern& pattern, const iplugin::igraphics::IFillOptions& options,
                const iplugin::igraphics::IBlend* pBlend) override;
  void PathTransformSetMatrix(const iplugin::igraphics::IMatrix& m) override;
  void SetClipRegion(const iplugin::igraphics::IRECT& r) override;
  void DrawResize() override { Log("drawresize"); }
  void PlatformResize(bool parentHasResized) override {}

  // --- Platform ---
  void HideMouseCursor(bool hide, bool lock) override { mCursorHidden = hide; }
  bool CursorHidden() const { return mCursorHidden; }
  int CursorType() const { return mCursorType; }
  void MoveMouseCursor(float x, float y) override {}
  void* GetWindow() override { return mWindowOpen ? this : nullptr; }
  bool GetTextFromClipboard(iplugin::StringBuf& str) override { return false; }
  bool SetTextInClipboard(const char* str) override { return false; }
  void UpdateTooltips() override { Log("tooltips"); }
  void PromptForFile(iplugin::StringBuf& fileName, iplugin::StringBuf& path, iplugin::igraphics::EFileAction action,
                     const char* ext) override
  {
  }
  void PromptForDirectory(iplugin::StringBuf& dir) override {}
  // Answers with the next scripted colour (mColorAnswers; none: cancelled), through func as the picker does.
  bool PromptForColor(iplugin::igraphics::IColor& color, const char* str,
                      iplugin::igraphics::IColorPickerHandlerFunc func) override;
  iplugin::igraphics::PlatformFontPtr LoadPlatformFont(const char* fontID, const char* fileNameOrResID) override;
  iplugin::igraphics::PlatformFontPtr LoadPlatformFontFromMemory(const char* fontID, const void* pData,
                                                                 int dataSize) override;
  iplugin::igraphics::PlatformFontPtr LoadPlatformFontFromSystem(const char* fontID, const char* fontName,
                                                                 int style) override;
  void CachePlatformFont(const char* fontID, const iplugin::igraphics::PlatformFontPtr& font) override;
  void CreatePlatformTextEntry(int paramIdx, const iplugin::igraphics::IText& text, const iplugin::igraphics::IRECT& bounds,
                               int length, const char* str) override;
  // Answers with the next scripted choice (mMenuAnswers; none or -1: dismissed) or, with mMenuAsync,
  // reports that the result comes later.
  iplugin::igraphics::IPopupMenu* CreatePlatformPopupMenu(iplugin::igraphics::IPopupMenu& menu,
                                                          const iplugin::igraphics::IRECT& bounds, bool& isAsync) override;
  void EndUserInput() override { Log("enduserinput"); }
  void BeginFrame() override
  {
    Log("beginframe");
    IGraphics::BeginFrame();
  }
  void EndFrame() override { Log("endframe"); }
  iplugin::igraphics::APIBitmap* LoadAPIBitmapFromFile(const char* fileNameOrResID, int scale, int location,
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
  bool IsContextReady() const override { return mContextReady; }
  void PromptUserInput(iplugin::igraphics::IControl& control, const iplugin::igraphics::IRECT& bounds,
                       int valIdx) override;

  // The bitmap behind a layer, for reading its pixels.
  static RecordingBitmap* Pixels(const iplugin::igraphics::ILayerPtr& layer);

private:
  void Log(std::string line) { mLog.push_back(std::move(line)); }
  RecordingBitmap* NewBitmap(int width, int height, float scale, float drawScale, std::string name);

  std::vector<std::string> mLog;
  bool mWindowOpen = false;
  int mNextBitmapId = 1;
};

// One mouse record as the platform view posts it to the context.
inline iplugin::igraphics::IMouseInfo MouseAt(float x, float y,
                                              iplugin::igraphics::IMouseMod mod = iplugin::igraphics::IMouseMod(true),
                                              float dX = 0.f, float dY = 0.f)
{
  iplugin::igraphics::IMouseInfo info;
  info.x = x;
  info.y = y;
  info.dX = dX;
  info.dY = dY;
  info.ms = mod;
  return info;
}

// A plain control for tests: draws a filled rectangle of its bounds and counts its hooks.
class TestControl : public iplugin::igraphics::IControl
{
public:
  using IControl::IControl;
  ~TestControl() override
  {
    if (mDeleted) *mDeleted += 1;
  }
  void Draw(iplugin::igraphics::IGraphics& g) override { g.FillRect(iplugin::igraphics::kColorBlack, mRECT); }
  void OnInit() override { mHooks += "init;"; }
  void OnResize() override { mHooks += "resize;"; }
  void OnRescale() override { mHooks += "rescale;"; }
  void OnAttached() override { mHooks += "attached;"; }

  std::string mHooks;
  int* mDeleted = nullptr;
};
// The in-window popup menu as the context sees it: it takes the menu and expands; hiding collapses it.
class TestPopupMenuControl : public TestControl, public iplugin::igraphics::IPopupMenuControlInterface
{
public:
  TestPopupMenuControl() : TestControl(iplugin::igraphics::IRECT(), -1) {}
  int GetState() const override { return mState; }
  iplugin::igraphics::IPopupMenu* CreatePopupMenu(iplugin::igraphics::IPopupMenu& menu,
                                                  const iplugin::igraphics::IRECT& anchor) override
  {
    mMenu = &menu;
    mState = kExpanded;
    return nullptr;
  }
  void Hide(bool hide) override
  {
    TestControl::Hide(hide);
    if (hide) mState = kCollapsed;
  }
  void OnMouseDown(float x, float y, const iplugin::igraphics::IMouseMod& mod) override { ++mPresses; }

  int mState = kCollapsed;
  int mPresses = 0;
  iplugin::igraphics::IPopupMenu* mMenu = nullptr;
};

// The in-window text entry as the context sees it: it notes "<param> <length> <text>" and edits.
class TestTextEntryControl : public TestControl, public iplugin::igraphics::ITextEntryControlInterface
{
public:
  TestTextEntryControl() : TestControl(iplugin::igraphics::IRECT(), -1) {}
  bool GetEditing() const override { return !mEntry.empty(); }
  void CreateTextEntry(int paramIdx, const iplugin::igraphics::IText& text, const iplugin::igraphics::IRECT& bounds,
                       int length, const char* str) override
  {
    mEntry = std::to_string(paramIdx) + " " + std::to_string(length) + " " + str;
  }

  std::string mEntry;
};
} // namespace qorvtest
