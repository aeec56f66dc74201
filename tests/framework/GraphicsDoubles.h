// Small stand-ins for the graphics context and controls that the editor delegate talks to.
#pragma once

#include "framework/IGEditorDelegate.h"
#include "graphics/interface/IControlInterface.h"
#include "graphics/interface/IGraphicsInterface.h"

#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace qorvtest
{
class FakeControl : public iplugin::igraphics::IControlInterface
{
public:
  explicit FakeControl(std::vector<int> paramIdxs = {-1}, bool wantsMidi = false) : mWantsMidi(wantsMidi)
  {
    for (int idx : paramIdxs)
      mVals.push_back({idx, 0.0});
  }

  void SetValueFromDelegate(double value, int valIdx) override
  {
    mVals.at(valIdx).second = value;
    mReceived.emplace_back(valIdx, value);
  }
  void OnMsgFromDelegate(int msgTag, int dataSize, const void* pData) override { mMsgTags.push_back(msgTag); }
  void OnMidi(const iplugin::IMidiMsg& msg) override { mMidi.push_back(msg.mStatus); }
  int NVals() const override { return int(mVals.size()); }
  int GetParamIdx(int valIdx) const override { return mVals.at(valIdx).first; }
  bool GetWantsMidi() const override { return mWantsMidi; }
  double GetValue(int valIdx) const override { return mVals.at(valIdx).second; }
  void SetValue(double value, int valIdx) override { mVals.at(valIdx).second = value; }
  void SetDirty(bool triggerAction, int valIdx) override { mDirty.emplace_back(triggerAction, valIdx); }

  std::vector<std::pair<int, double>> mVals;
  std::vector<std::pair<int, double>> mReceived;
  std::vector<int> mMsgTags;
  std::vector<int> mMidi;
  std::vector<std::pair<bool, int>> mDirty;
  bool mWantsMidi;
};

class FakeGraphics : public iplugin::igraphics::IGraphicsInterface
{
public:
  FakeGraphics(iplugin::igraphics::IGEditorDelegate& dlg, int w, int h, float scale,
               std::string* log = nullptr)
      : mDelegate(dlg), mWidth(w), mHeight(h), mScale(scale), mLog(log)
  {
  }
  ~FakeGraphics() override { Note("deleted"); }

  FakeControl* Attach(FakeControl* control, int tag = -1)
  {
    mControls.emplace_back(control);
    if (tag >= 0) mTags[tag] = control;
    return control;
  }

  iplugin::igraphics::IControlInterface* GetControlWithTag(int tag) const override
  {
    auto found = mTags.find(tag);
    return found == mTags.end() ? nullptr : found->second;
  }
  void ForStandardControlsFunc(std::function<void(iplugin::igraphics::IControlInterface*)> func) override
  {
    for (auto& c : mControls)
      func(c.get());
  }
  iplugin::igraphics::IControlInterface* GetControl(int idx) const override
  {
    return idx >= 0 && idx < int(mControls.size()) ? mControls[size_t(idx)].get() : nullptr;
  }
  int NControls() const override { return int(mControls.size()); }
  bool IsPopupMenuShowing() const override { return mPopupShowing; }
  void ReleaseMouseCapture() override { Note("release"); }
  iplugin::igraphics::EMsgBoxResult
  ShowMessageBox(const char* text, const char* title, iplugin::igraphics::EMsgBoxType type,
                 iplugin::igraphics::IMsgBoxCompletionHandlerFunc completion) override
  {
    mMessages.push_back({text ? text : "", title ? title : "", type});
    Note("msgbox");
    if (completion) completion(iplugin::igraphics::kOK);
    return iplugin::igraphics::kOK;
  }
  bool OpenURL(const char* url) override
  {
    mOpened.push_back(url ? url : "");
    Note("url");
    return true;
  }
  int Width() const override { return mWidth; }
  int Height() const override { return mHeight; }
  float GetDrawScale() const override { return mScale; }
  void Resize(int w, int h, float scale, bool needsPlatformResize) override
  {
    mWidth = w;
    mHeight = h;
    mScale = scale;
    Note("resize");
  }
  void SetScreenScale(float scale) override { mScreenScale = scale; }
  void* OpenWindow(void* pParent) override
  {
    Note("open");
    mDelegate.LayoutUI(this);
    mDelegate.SetEditorOpen(true);
    return &mView;
  }
  void CloseWindow() override
  {
    Note("close");
    if (mCloseReenters) mDelegate.CloseWindow();
  }
  void GetMouseLocation(float& x, float& y) const override
  {
    x = 12.f;
    y = 34.f;
    Note("mouse");
  }
  bool OnKeyDown(float x, float y, const iplugin::IKeyPress& key) override
  {
    Note("keydown@" + std::to_string(int(x)) + "," + std::to_string(int(y)));
    return true;
  }
  bool OnKeyUp(float x, float y, const iplugin::IKeyPress& key) override
  {
    Note("keyup");
    return false;
  }

  void Note(const std::string& what) const
  {
    if (mLog) *mLog += what + ";";
  }

  iplugin::igraphics::IGEditorDelegate& mDelegate;
  int mWidth, mHeight;
  float mScale;
  float mScreenScale = 1.f;
  bool mCloseReenters = false;
  bool mPopupShowing = false;
  struct Message
  {
    std::string text, title;
    iplugin::igraphics::EMsgBoxType type;
  };
  std::vector<Message> mMessages;
  std::vector<std::string> mOpened;
  int mView = 0;
  std::string* mLog;
  std::vector<std::unique_ptr<FakeControl>> mControls;
  std::unordered_map<int, FakeControl*> mTags;
};
} // namespace qorvtest
