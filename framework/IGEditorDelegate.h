// The editor delegate of a plug-in with a graphics editor: makes the graphics context through the
// plug-in's make-graphics function when the host asks for the editor view, lets the layout function
// populate it, keeps the editor's size and scale across closing and reopening, and routes values from
// the plug-in to the controls. Main thread only.
#pragma once

#include "framework/IEditorDelegate.h"

#include <functional>
#include <memory>

namespace iplugin::igraphics
{
class IGraphicsInterface;
class IControlInterface;

class IGEditorDelegate : public IEditorDelegate
{
public:
  using MakeGraphicsFunc = std::function<IGraphicsInterface*()>;
  using LayoutFunc = std::function<void(IGraphicsInterface*)>;

  explicit IGEditorDelegate(int nParams);
  ~IGEditorDelegate() override;

  void* OpenWindow(void* pParent) override;
  void CloseWindow() override;

  bool OnKeyDown(const IKeyPress& key) override;
  bool OnKeyUp(const IKeyPress& key) override;

  void SendControlValueFromDelegate(int ctrlTag, double normalizedValue) override;
  void SendControlMsgFromDelegate(int ctrlTag, int msgTag, int dataSize = 0,
                                  const void* pData = nullptr) override;
  void SendMidiMsgFromDelegate(const IMidiMsg& msg) override;
  void SendParameterValueFromDelegate(int paramIdx, double value, bool normalized) override;

  // Appends width, height (int32) and scale (float32); the open context's, else the saved ones.
  bool SerializeEditorSize(ByteChunk& chunk) const override;
  // Reads width, height and scale; p + 12, or -1 when any is missing (it then counts as 0).
  int UnserializeEditorSize(const ByteChunk& chunk, int startPos) override;
  void SetScreenScale(float scale) override;

  // The make-graphics function's new context (owned by the delegate from then on), or null.
  virtual IGraphicsInterface* CreateGraphics();
  // Runs the layout function on the context.
  virtual void LayoutUI(IGraphicsInterface* pGraphics);

  // The graphics context while the editor view exists.
  IGraphicsInterface* GetUI() const { return mGraphics.get(); }
  // Set by the graphics context when its window opens; gates what needs a visible editor.
  void SetEditorOpen(bool open) { mEditorOpen = open; }
  bool IsEditorOpen() const { return mEditorOpen; }

  MakeGraphicsFunc mMakeGraphicsFunc;
  LayoutFunc mLayoutFunc;

private:
  // The control registered under ctrlTag, or null when there is none.
  IControlInterface* FindControl(int ctrlTag) const;
  bool KeyEvent(const IKeyPress& key, bool isUp);

  std::unique_ptr<IGraphicsInterface> mGraphics;
  int mSavedWidth = 0;
  int mSavedHeight = 0;
  float mSavedScale = 0.f;
  bool mSizeSaved = false;
  bool mClosing = false;
  bool mEditorOpen = false;
};
} // namespace iplugin::igraphics
