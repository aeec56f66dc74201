#include "editor/IBPresetMenuLK.h"

#include "controls/IBitmapBase.h"
#include "editor/ShortenText.h"
#include "editor/SimpleEditorControlsLK.h"
#include "framework/IPluginBase.h"
#include "graphics/IGraphics.h"

#include <cstdio>
#include <string>

namespace iplugin::igraphics
{
namespace
{
// Half-open, as the clicks are tested.
bool Inside(const IRECT& r, float x, float y)
{
  return r.L <= x && x < r.R && r.T <= y && y < r.B;
}
} // namespace

IBPresetMenuLK::IBPresetMenuLK(IPluginBase& plug, const IRECT& bounds, const IRECT& nameArea,
                               const IRECT& textRect, float previousX, float previousY,
                               const IBitmap& previous, float nextX, float nextY, const IBitmap& next,
                               const IText& text, const Tags& tags, Store store, const char* presetFolder,
                               StringBuf& chosenFile, const char* extension, int nameLength, bool stepButtons,
                               bool userPresetsFromFiles)
    : IControl(bounds, -1), mPlug(plug), mPresetFolder(presetFolder ? presetFolder : ""),
      mChosenFile(chosenFile), mExtension(extension ? extension : ""), mTags(tags), mStore(std::move(store)),
      mNameLength(nameLength), mNameArea(nameArea), mTextRect(textRect),
      mPreviousRect(IBitmapBase::FrameAt(previous, previousX, previousY)),
      mNextRect(IBitmapBase::FrameAt(next, nextX, nextY)), mPrevious(previous), mNext(next),
      mStepButtons(stepButtons), mUserPresetsFromFiles(userPresetsFromFiles), mUserFolder(mPresetFolder.Get())
{
  mText = text;
  mDblAsSingleClick = true;
}

void IBPresetMenuLK::SendTag(int tag)
{
  SendMessageTag(*this, tag);
}

void IBPresetMenuLK::LoadFactory(int idx)
{
  if (mStore.load && idx >= 0 && idx < NFactory()) mStore.load(*mStore.factory->Get(idx));
  SendTag(mTags.afterLoad);
}

void IBPresetMenuLK::OnMouseDown(float x, float y, const IMouseMod& mod)
{
  if (Inside(mNameArea, x, y))
  {
    SendTag(mTags.rebuildUserList);
    SetDirty(true);
    CreatePresetMenu();
    SetDirty(true);
    return;
  }
  if (!mStepButtons) return;
  if (Inside(mPreviousRect, x, y))
  {
    if (mFactoryIdx <= 0)
      mFactoryIdx = 0;
    else
      LoadFactory(--mFactoryIdx);
    SetDirty(true);
  }
  else if (Inside(mNextRect, x, y))
  {
    if (mFactoryIdx + 1 >= NFactory())
      mFactoryIdx = NFactory() > 0 ? NFactory() - 1 : 0;
    else
      LoadFactory(++mFactoryIdx);
    SetDirty(true);
  }
}

void IBPresetMenuLK::CreatePresetMenu()
{
  mMenu.SetChosenItemIdx(-1);
  mMenu.Clear();
  mFactoryMenu = mUserMenu = nullptr;
  using Item = IPopupMenu::Item;
  mMenu.AddItem(">> Preset menu <<");
  mMenu.AddItem("", -1, Item::kSeparator);
  mLoadItem = mMenu.NItems();
  mMenu.AddItem("Load preset ...");
  mResetItem = mMenu.NItems();
  mMenu.AddItem("Reset to default");
  mMenu.AddItem("", -1, Item::kSeparator);
  mSaveItem = mMenu.NItems();
  mMenu.AddItem("Save preset ...");
  mSaveDefaultItem = mMenu.NItems();
  mMenu.AddItem("Save as default");
  if (NFactory() > 0)
  {
    mMenu.AddItem("", -1, Item::kSeparator);
    mFactoryMenu = new IPopupMenu;
    for (int i = 0; i < NFactory(); ++i)
      mFactoryMenu->AddItem(mStore.factory->Get(i)->mName);
    mMenu.AddItem("Factory", mFactoryMenu);
  }
  if (NUser() > 0)
  {
    mMenu.AddItem("", -1, Item::kSeparator);
    mUserMenu = new IPopupMenu;
    for (int i = 0; i < NUser(); ++i)
      mUserMenu->AddItem(mStore.user->Get(i)->mName);
    mMenu.AddItem("User", mUserMenu);
  }
  if (GetUI()) GetUI()->CreatePopupMenu(*this, mMenu, mRECT);
}

void IBPresetMenuLK::OnMenuChoice(IPopupMenu* pMenu, int valIdx)
{
  if (!pMenu) return;
  const int c = pMenu->GetChosenItemIdx();
  if (pMenu == &mMenu)
  {
    if (c == mLoadItem || c == mSaveItem)
    {
      const bool load = c == mLoadItem;
      mChosenFile.Set("");
      if (GetUI())
        GetUI()->PromptForFile(mChosenFile, mPresetFolder, load ? kFileOpen : kFileSave, mExtension.Get());
      SendTag(load ? mTags.load : mTags.save);
      if (load) SendTag(mTags.afterLoad);
    }
    else if (c == mResetItem)
    {
      if (mStore.load && mStore.defaultPreset) mStore.load(*mStore.defaultPreset);
      SendTag(mTags.afterReset);
      SendTag(mTags.afterLoad);
    }
    else if (c == mSaveDefaultItem)
      SendTag(mTags.saveDefault);
  }
  else if (pMenu == mFactoryMenu && c >= 0)
  {
    mFactoryIdx = c;
    LoadFactory(c);
  }
  else if (pMenu == mUserMenu && c >= 0 && c < NUser())
  {
    mFactoryIdx = 0;
    const IPreset& record = *mStore.user->Get(c);
    if (mUserPresetsFromFiles)
    {
      const std::string path = std::string(mUserFolder.Get()) + "/" + record.mName + "." + mExtension.Get();
      mChosenFile.Set(path.c_str());
      mLoading = true;
      SendTag(mTags.load);
      mLoading = false;
    }
    else if (mStore.load)
      mStore.load(record);
    SendTag(mTags.afterLoad);
  }
  SetDirty(true);
}

void IBPresetMenuLK::OnMouseOver(float x, float y, const IMouseMod& mod)
{
  mNameHovered = Inside(mNameArea, x, y);
  mPreviousHovered = mStepButtons && Inside(mPreviousRect, x, y);
  mNextHovered = mStepButtons && Inside(mNextRect, x, y);
  IControl::OnMouseOver(x, y, mod);
  SetDirty(false);
}

void IBPresetMenuLK::OnMouseOut()
{
  mNameHovered = mPreviousHovered = mNextHovered = false;
  IControl::OnMouseOut();
  SetDirty(false);
}

void IBPresetMenuLK::OnRescale()
{
  if (IGraphics* ui = GetUI())
  {
    mPrevious = ui->GetScaledBitmap(mPrevious);
    mNext = ui->GetScaledBitmap(mNext);
  }
}

void IBPresetMenuLK::Draw(IGraphics& g)
{
  if (mStepButtons)
  {
    g.DrawBitmapFrame(mPrevious, mPreviousRect, mPreviousHovered ? 2 : 1, &mBlend);
    g.DrawBitmapFrame(mNext, mNextRect, mNextHovered ? 2 : 1, &mBlend);
  }
  char name[256];
  std::snprintf(name, sizeof name, "%s", mPlug.GetPresetName(mPlug.GetCurrentPresetIdx()));
  IText style = mText;
  if (mNameHovered) style.mFGColor = IColor(style.mFGColor.A, 255, 255, 255);
  g.DrawText(style, ShortenText(name, mNameLength).c_str(), mTextRect);
  SetTooltip((std::string("Preset menu: ") + name).c_str());
}
} // namespace iplugin::igraphics
