// The graphics context of the editor on this platform: the drawing back end plus what only the platform
// can do. It owns the editor's Cocoa view (made by OpenWindow, released by CloseWindow and the
// destructor), places it in the host's view, and carries tooltips, cursor hiding, moving and locking,
// message boxes, file, folder and colour prompts, web and file opening, the clipboard, dark mode,
// native text entry and menus, and platform fonts. Main thread only.
#pragma once

#include "graphics/vector/IGraphicsVector.h"

#include <Foundation/NSGeometry.h>

#include <memory>

namespace iplugin::igraphics
{
class IGraphicsView_vQorv_au;

class IGraphicsMac : public IGraphicsVector
{
public:
  IGraphicsMac(IGEditorDelegate& dlg, int w, int h, int fps, float scale);
  ~IGraphicsMac() override;

  // --- The view ---
  // Closes a view that is open, makes a new one, lays the editor out and adds the view to pParent
  // (an NSView*) when given. Returns the view.
  void* OpenWindow(void* pParent) override;
  void CloseWindow() override;
  void* GetWindow() override;
  bool WindowIsOpen() override { return mView != nullptr; }
  void PlatformResize(bool parentHasResized) override;
  // From the view's top left corner to the right and bottom edges of the main screen's visible frame.
  bool GetPlatformWindowRoom(float& width, float& height) const override;
  void AttachPlatformView(const IRECT& area, void* pView) override;
  void RemovePlatformView(void* pView) override;
  void UpdateTooltips() override;
  bool IsDarkMode() const override;
  const char* GetPlatformAPIStr() override { return "Cocoa"; }

  // --- Mouse and cursor (editor coordinates) ---
  void GetMouseLocation(float& x, float& y) const override;
  void HideMouseCursor(bool hide = true, bool lock = true) override;
  void MoveMouseCursor(float x, float y) override;
  int SetMouseCursor(int cursorType = kArrowCursor) override;
  // The view reports every mouse position through this: while the cursor is hidden and locked (and no
  // tablet is in use) the cursor goes back to the lock point and the stored position is returned.
  void StoreCursorPosition(float& x, float& y);
  void CaptureCursorScreenPosition();
  void SetTabletInput(bool tablet) { mTabletInput = tablet; }
  int GetMouseCursorKind() const { return mCursorType; }

  // --- Prompts, dialogs and the system ---
  EMsgBoxResult ShowMessageBox(const char* text, const char* title, EMsgBoxType type,
                               IMsgBoxCompletionHandlerFunc completion = nullptr) override;
  void PromptForFile(StringBuf& fileName, StringBuf& path, EFileAction action = kFileOpen,
                     const char* ext = "") override;
  void PromptForDirectory(StringBuf& dir) override;
  bool PromptForColor(IColor& color, const char* str = "", IColorPickerHandlerFunc func = nullptr) override;
  bool OpenURL(const char* url) override;
  bool RevealPathInFinder(StringBuf& path, bool select = false) override;
  bool GetTextFromClipboard(StringBuf& str) override;
  bool SetTextInClipboard(const char* str) override;
  void EndUserInput() override;
  void CreatePlatformTextEntry(int paramIdx, const IText& text, const IRECT& bounds, int length,
                               const char* str) override;
  IPopupMenu* CreatePlatformPopupMenu(IPopupMenu& menu, const IRECT& bounds, bool& isAsync) override;

  // --- Fonts ---
  PlatformFontPtr LoadPlatformFont(const char* fontID, const char* fileNameOrResID) override;
  PlatformFontPtr LoadPlatformFontFromMemory(const char* fontID, const void* pData, int dataSize) override;
  PlatformFontPtr LoadPlatformFontFromSystem(const char* fontID, const char* fontName, int style) override;
  void CachePlatformFont(const char* fontID, const PlatformFontPtr& font) override;

  void SetBundleID(const char* id) { mBundleID.Set(id ? id : ""); }
  const char* GetBundleID() override { return mBundleID.Get(); }

  // Carried by the system although nothing calls them.
  NSPoint ViewPointToScreen(NSPoint p) const;
  NSPoint ScreenPointToView(NSPoint p) const;
  void RepositionCursor(NSPoint screenPoint);
  static int GetSystemVersion();

  // A rectangle in editor points as the view's points: scaled by the draw scale, left and top
  // rounded down, right and bottom rounded up.
  NSRect ToViewRect(const IRECT& r) const;

private:
  // Takes the view out of its superview with both sides detached first, so that it no longer asks the
  // delegate to close the editor, and frees the back end's view resources.
  void ReleaseView();
  // Editor coordinates of a point on the screen (origin bottom left).
  NSPoint ScreenToEditor(NSPoint screen) const;

  std::shared_ptr<IGraphicsView_vQorv_au> mView;
  double mCursorLockX = 0.0;
  double mCursorLockY = 0.0;
  StringBuf mBundleID;
};

// The plug-in's graphics factory: an IGraphicsMac with the product's bundle identifier and shared
// resources sub-path.
IGraphicsMac* MakeQorvGraphics(IGEditorDelegate& dlg, int w, int h, int fps = 0, float scale = 1.f);
} // namespace iplugin::igraphics
