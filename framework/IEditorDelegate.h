// The root of the plug-in class chain and the plug-in's side of every conversation with its editor.
// Owns the parameter table. Everything here runs on the main thread; parameter values are atomic.
#pragma once

#include "framework/ByteChunk.h"
#include "framework/IMidiMsg.h"
#include "framework/IParam.h"
#include "framework/PtrList.h"
#include "framework/SysExData.h"
#include "graphics/interface/IKeyPress.h"

namespace iplugin
{
// Where a parameter change came from.
enum EParamSource
{
  kReset = 0,
  kHost,
  kPresetRecall,
  kUI,
  kDelegate
};

class IEditorDelegate
{
public:
  explicit IEditorDelegate(int nParams);
  virtual ~IEditorDelegate();
  IEditorDelegate(const IEditorDelegate&) = delete;
  IEditorDelegate& operator=(const IEditorDelegate&) = delete;

  // The parameter table: one owned IParam per host parameter, by index.
  IParam* GetParam(int paramIdx) const { return mParams.Get(paramIdx); }
  int NParams() const { return mParams.Count(); }

  // Editor size in points at scale 1, and its resize limits.
  void SetEditorSize(int width, int height)
  {
    mEditorWidth = width;
    mEditorHeight = height;
  }
  void SetSizeConstraints(int minWidth, int maxWidth, int minHeight, int maxHeight)
  {
    mMinWidth = minWidth;
    mMaxWidth = maxWidth;
    mMinHeight = minHeight;
    mMaxHeight = maxHeight;
  }
  int GetEditorWidth() const { return mEditorWidth; }
  int GetEditorHeight() const { return mEditorHeight; }
  int GetMinWidth() const { return mMinWidth; }
  int GetMaxWidth() const { return mMaxWidth; }
  int GetMinHeight() const { return mMinHeight; }
  int GetMaxHeight() const { return mMaxHeight; }
  // The scale the graphics context was made with.
  void SetEditorScale(float scale) { mEditorScale = scale; }
  float GetEditorScale() const { return mEditorScale; }

  // Editor lifetime.
  virtual void* OpenWindow(void* pParent);
  virtual void CloseWindow() { OnEditorClosed(); }
  // Refreshes every control from the parameter values; the plug-in overrides it.
  virtual void OnEditorOpened() { SendAllParameterValues(); }
  virtual void OnEditorClosed() {}

  // Plug-in side handlers.
  virtual void HandleParamChange(int paramIdx, EParamSource source, int sampleOffset = -1)
  {
    HandleParamChangeByIndex(paramIdx, source, sampleOffset);
  }
  virtual void HandleParamChangeByIndex(int paramIdx, EParamSource source, int sampleOffset) {}
  virtual void HandleParamChangeUI(int paramIdx, EParamSource source) {}
  virtual void HandleParamReset(EParamSource source);
  virtual void HandleMidiMsgUI(const IMidiMsg& msg) {}
  virtual void HandleSysexMsgUI(const SysExView& msg) {}
  virtual bool HandleMessage(int msgTag, int ctrlTag, int dataSize, const void* pData) { return false; }
  virtual void HandleRestoreState() { SendAllParameterValues(); }
  virtual bool OnKeyDown(const IKeyPress& key) { return false; }
  virtual bool OnKeyUp(const IKeyPress& key) { return false; }
  virtual void OnEditorMouseDown() {}
  virtual void OnEditorMouseUp() {}

  // Plug-in -> editor.
  virtual void SendControlValueFromDelegate(int ctrlTag, double normalizedValue) {}
  virtual void SendControlMsgFromDelegate(int ctrlTag, int msgTag, int dataSize = 0,
                                          const void* pData = nullptr)
  {
    HandleMessage(msgTag, ctrlTag, dataSize, pData);
  }
  virtual void SendArbitraryMsgFromDelegate(int msgTag, int dataSize = 0, const void* pData = nullptr)
  {
    HandleMessage(msgTag, -1, dataSize, pData);
  }
  virtual void SendMidiMsgFromDelegate(const IMidiMsg& msg) { HandleMidiMsgUI(msg); }
  virtual void SendSysexMsgFromDelegate(const SysExView& msg) { HandleSysexMsgUI(msg); }
  virtual void SendParameterValueFromDelegate(int paramIdx, double value, bool normalized)
  {
    HandleParamChangeUI(paramIdx, kDelegate);
  }

  // Editor -> plug-in and host; the API base gives them their bodies.
  virtual void BeginInformHostOfParamChangeFromUI(int paramIdx) {}
  virtual void SetParamNormalizedFromUI(int paramIdx, double normalizedValue, bool callHandler = true) {}
  virtual void EndInformHostOfParamChangeFromUI(int paramIdx) {}
  virtual bool EditorResizeFromUI(int viewWidth, int viewHeight, bool needsPlatformResize) { return true; }
  virtual void SendMidiMsgFromUI(const IMidiMsg& msg) {}
  virtual void SendSysexMsgFromUI(const SysExView& msg) {}
  virtual void SendArbitraryMsgFromUI(int msgTag, int ctrlTag = -1, int dataSize = 0,
                                      const void* pData = nullptr)
  {
  }

  // Editor size in a state chunk, for editors whose size belongs to the saved state.
  virtual bool SerializeEditorSize(ByteChunk& chunk) const { return true; }
  virtual int UnserializeEditorSize(const ByteChunk& chunk, int startPos) { return startPos; }
  virtual void SetScreenScale(float scale) {}

protected:
  // Every parameter's value, stepped, clamped and normalised, to SendParameterValueFromDelegate.
  void SendAllParameterValues();

private:
  PtrList<IParam> mParams{4096};
  int mEditorWidth = 0;
  int mEditorHeight = 0;
  int mMinWidth = 0;
  int mMaxWidth = 0;
  int mMinHeight = 0;
  int mMaxHeight = 0;
  float mEditorScale = 1.f;
};
} // namespace iplugin
