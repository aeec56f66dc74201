// The graphics context of one open editor as the framework and the plug-in reach it: the control
// list, size and scale, the platform window, key handling and message boxes. All calls come on the
// main thread. The framework is linked below the graphics library, so it uses the context only through
// this interface, which IGraphics implements; the mixer's editor code reaches IGraphics itself.
#pragma once

#include "graphics/interface/IKeyPress.h"
#include "graphics/interface/MsgBox.h"

#include <functional>

namespace iplugin::igraphics
{
class IControlInterface;

class IGraphicsInterface
{
public:
  virtual ~IGraphicsInterface() = default;

  // The control registered under tag; null for a tag that is not registered.
  virtual IControlInterface* GetControlWithTag(int tag) const = 0;
  // Visits the control list in index order (not the special controls).
  virtual void ForStandardControlsFunc(std::function<void(IControlInterface*)> func) = 0;
  // The control at a position of the control list; null when there is none.
  virtual IControlInterface* GetControl(int idx) const = 0;
  virtual int NControls() const = 0;
  // True while the in-window popup menu is expanded; a resize then waits.
  virtual bool IsPopupMenuShowing() const = 0;
  // Ends every mouse capture (and shows a hidden cursor).
  virtual void ReleaseMouseCapture() = 0;

  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual float GetDrawScale() const = 0;
  virtual void Resize(int width, int height, float scale, bool needsPlatformResize = true) = 0;
  virtual void SetScreenScale(float scale) = 0;

  // Opens the platform view in the parent view and returns it; laying out runs inside.
  virtual void* OpenWindow(void* pParent) = 0;
  virtual void CloseWindow() = 0;
  // The mouse position in editor coordinates.
  virtual void GetMouseLocation(float& x, float& y) const = 0;
  virtual bool OnKeyDown(float x, float y, const IKeyPress& key) = 0;
  virtual bool OnKeyUp(float x, float y, const IKeyPress& key) = 0;

  // A modal message box of the given EMsgBoxType; returns the answer and hands it to the completion
  // function when there is one. Null texts count as empty.
  virtual EMsgBoxResult ShowMessageBox(const char* text, const char* title, EMsgBoxType type,
                                       IMsgBoxCompletionHandlerFunc completion = nullptr) = 0;
  // Opens a web address ("http" in it) in the browser, anything else as a local file or folder;
  // true when the platform took it.
  virtual bool OpenURL(const char* url) = 0;
};
} // namespace iplugin::igraphics
