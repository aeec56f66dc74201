#include "framework/IGEditorDelegate.h"

#include "graphics/interface/IControlInterface.h"
#include "graphics/interface/IGraphicsInterface.h"

#include <cstdint>

namespace iplugin::igraphics
{
IGEditorDelegate::IGEditorDelegate(int nParams) : IEditorDelegate(nParams) {}

IGEditorDelegate::~IGEditorDelegate()
{
  mGraphics.reset();
  mMakeGraphicsFunc = nullptr;
  mLayoutFunc = nullptr;
}

void* IGEditorDelegate::OpenWindow(void* pParent)
{
  if (mGraphics) CloseWindow();
  // A close that is still running (an open from inside it) leaves its context; do not make a second one.
  if (mGraphics) return nullptr;

  mGraphics.reset(CreateGraphics());
  if (!mGraphics) return nullptr;

  if (mSizeSaved) mGraphics->Resize(mSavedWidth, mSavedHeight, mSavedScale, true);

  return mGraphics->OpenWindow(pParent);
}

void IGEditorDelegate::CloseWindow()
{
  if (mClosing) return;
  mClosing = true;

  OnEditorClosed();

  if (mGraphics)
  {
    mSizeSaved = true;
    mSavedWidth = mGraphics->Width();
    mSavedHeight = mGraphics->Height();
    mSavedScale = mGraphics->GetDrawScale();
    mGraphics->CloseWindow();
    std::unique_ptr<IGraphicsInterface> closing = std::move(mGraphics);
    mEditorOpen = false;
    closing.reset();
  }

  mClosing = false;
}

bool IGEditorDelegate::KeyEvent(const IKeyPress& key, bool isUp)
{
  if (!mEditorOpen || !mGraphics) return false;
  float x = 0.f, y = 0.f;
  mGraphics->GetMouseLocation(x, y);
  return isUp ? mGraphics->OnKeyUp(x, y, key) : mGraphics->OnKeyDown(x, y, key);
}

bool IGEditorDelegate::OnKeyDown(const IKeyPress& key)
{
  return KeyEvent(key, false);
}

bool IGEditorDelegate::OnKeyUp(const IKeyPress& key)
{
  return KeyEvent(key, true);
}

IControlInterface* IGEditorDelegate::FindControl(int ctrlTag) const
{
  return mGraphics ? mGraphics->GetControlWithTag(ctrlTag) : nullptr;
}

void IGEditorDelegate::SendControlValueFromDelegate(int ctrlTag, double normalizedValue)
{
  if (IControlInterface* control = FindControl(ctrlTag)) control->SetValueFromDelegate(normalizedValue, 0);
}

void IGEditorDelegate::SendControlMsgFromDelegate(int ctrlTag, int msgTag, int dataSize, const void* pData)
{
  if (IControlInterface* control = FindControl(ctrlTag)) control->OnMsgFromDelegate(msgTag, dataSize, pData);
}

void IGEditorDelegate::SendMidiMsgFromDelegate(const IMidiMsg& msg)
{
  if (mGraphics)
  {
    mGraphics->ForStandardControlsFunc(
        [&msg](IControlInterface* control)
        {
          if (control->GetWantsMidi()) control->OnMidi(msg);
        });
  }
  HandleMidiMsgUI(msg);
}

void IGEditorDelegate::SendParameterValueFromDelegate(int paramIdx, double value, bool normalized)
{
  const IParam* param = GetParam(paramIdx);
  if (mGraphics && (normalized || param))
  {
    if (!normalized) value = param->ToNormalizedClamped(value);
    mGraphics->ForStandardControlsFunc(
        [paramIdx, value](IControlInterface* control)
        {
          for (int v = 0; v < control->NVals(); ++v)
            if (control->GetParamIdx(v) == paramIdx) control->SetValueFromDelegate(value, v);
        });
  }
  HandleParamChangeUI(paramIdx, kDelegate);
}

bool IGEditorDelegate::SerializeEditorSize(ByteChunk& chunk) const
{
  const int32_t width = mGraphics ? mGraphics->Width() : mSavedWidth;
  const int32_t height = mGraphics ? mGraphics->Height() : mSavedHeight;
  const float scale = mGraphics ? mGraphics->GetDrawScale() : mSavedScale;
  const int before = chunk.Size();
  chunk.Put(&width);
  chunk.Put(&height);
  chunk.Put(&scale);
  return chunk.Size() == before + 12;
}

int IGEditorDelegate::UnserializeEditorSize(const ByteChunk& chunk, int startPos)
{
  // A value that cannot be read stays 0 (Get writes nothing then).
  int32_t width = 0, height = 0;
  float scale = 0.f;
  bool allRead = startPos >= 0 && startPos <= INT32_MAX - 12;
  if (allRead)
  {
    const bool w = chunk.Get(&width, startPos) >= 0;
    const bool h = chunk.Get(&height, startPos + 4) >= 0;
    const bool s = chunk.Get(&scale, startPos + 8) >= 0;
    allRead = w && h && s;
  }

  if (!mEditorOpen || !mGraphics)
  {
    mSavedWidth = width;
    mSavedHeight = height;
    mSavedScale = scale;
  }
  else if (width != 0 && height != 0 && scale != 0.f)
    mGraphics->Resize(width, height, scale, true);

  return allRead ? startPos + 12 : -1;
}

void IGEditorDelegate::SetScreenScale(float scale)
{
  if (mEditorOpen && mGraphics) mGraphics->SetScreenScale(scale);
}

IGraphicsInterface* IGEditorDelegate::CreateGraphics()
{
  return mMakeGraphicsFunc ? mMakeGraphicsFunc() : nullptr;
}

void IGEditorDelegate::LayoutUI(IGraphicsInterface* pGraphics)
{
  if (mLayoutFunc) mLayoutFunc(pGraphics);
}
} // namespace iplugin::igraphics
