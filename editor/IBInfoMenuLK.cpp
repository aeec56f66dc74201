#include "editor/IBInfoMenuLK.h"

#include "editor/SimpleEditorControlsLK.h"
#include "framework/IGEditorDelegate.h"
#include "graphics/IGraphics.h"

#include <algorithm>
#include <cstdio>

namespace iplugin::igraphics
{
namespace
{
using Item = IPopupMenu::Item;
bool IsOne(const IParam* p)
{
  return p && int(p->Value()) == 1;
}
} // namespace

IBInfoMenuLK::IBInfoMenuLK(int x, int y, const IBitmap& bitmap, Config config)
    : IControl(IBitmapBase::FrameAt(bitmap, float(x), float(y)), -1), IBitmapBase(bitmap),
      mConfig(std::move(config))
{
  SetOwner(this);
  std::fill(std::begin(mItemPos), std::end(mItemPos), -1);
}

IParam* IBInfoMenuLK::DelegateParam(int paramIdx) const
{
  return paramIdx >= 0 && GetDelegate() ? GetDelegate()->GetParam(paramIdx) : nullptr;
}

IPopupMenu* IBInfoMenuLK::ValueSubmenu(const IParam& param, bool checkCurrent) const
{
  auto* menu = new IPopupMenu;
  for (int i = 0; i < param.NDisplayTexts(); ++i)
    menu->AddItem(param.GetDisplayText(double(i)), -1,
                  checkCurrent && int(param.Value()) == i ? Item::kChecked : Item::kNoFlags);
  return menu;
}

void IBInfoMenuLK::AddRemembered(EItem item, const char* text, int flags)
{
  mItemPos[item] = mMenu.NItems();
  mMenu.AddItem(text, -1, flags);
}

void IBInfoMenuLK::OnMouseDown(float x, float y, const IMouseMod& mod)
{
  SetDirty(false);
  CreatePluginMenu();
}

void IBInfoMenuLK::CreatePluginMenu()
{
  mMenu.SetChosenItemIdx(-1);
  mMenu.Clear();
  mSizeMenu = nullptr;
  mOptionMenus.clear();
  mOptionMenuParams.clear();
  mScaleMenus.clear();
  mScaleMenuTags.clear();
  mExtraItemPos.clear();
  std::fill(std::begin(mItemPos), std::end(mItemPos), -1);
  auto separator = [this] { mMenu.AddItem("", -1, Item::kSeparator); };

  mMenu.AddItem(">> Plugin menu <<");
  separator();
  AddRemembered(kAbout, "About ...");
  separator();
  AddRemembered(kManual, "Open manual ...");
  AddRemembered(kChangelog, "Changelog ...");
  if (mConfig.updateCheckTag != -1) AddRemembered(kUpdateCheck, "Check for update ...");
  if (mConfig.autoUpdateParam != -1)
    AddRemembered(kAutoUpdate, "Check for updates automatically",
                  IsOne(DelegateParam(mConfig.autoUpdateParam)) ? Item::kChecked : 0);
  separator();
  AddRemembered(kDataFolder, "Open data folder ...");
  if (mConfig.tooltipsParam != -1)
  {
    separator();
    AddRemembered(kTooltips, "Tooltips", IsOne(DelegateParam(mConfig.tooltipsParam)) ? Item::kChecked : 0);
  }
  if (const IParam* size = DelegateParam(mConfig.sizeParam))
  {
    separator();
    mSizeMenu = ValueSubmenu(*size, true);
    mMenu.AddItem(size->GetName(), mSizeMenu);
  }
  if (mConfig.resetSizeTag != -1)
  {
    separator();
    AddRemembered(kResetSize, "Reset GUI size");
  }
  if (mConfig.resetScaleTag != -1)
  {
    separator();
    AddRemembered(kResetScale, "Reset GUI scale");
  }
  if (mConfig.minScaleTag != -1) AddRemembered(kMinScale, "Set min GUI scale");
  if (!mConfig.optionParams.empty())
  {
    separator();
    for (int idx : mConfig.optionParams)
      if (const IParam* p = DelegateParam(idx))
      {
        mOptionMenus.push_back(ValueSubmenu(*p, true));
        mOptionMenuParams.push_back(idx);
        mMenu.AddItem(p->GetName(), mOptionMenus.back());
      }
  }
  if (!mConfig.scaleParams.empty())
  {
    separator();
    for (size_t j = 0; j < mConfig.scaleParams.size(); ++j)
    {
      mScaleMenus.push_back(ValueSubmenu(*mConfig.scaleParams[j], false));
      mScaleMenuTags.push_back(mConfig.scaleBaseTag + int(j));
      mMenu.AddItem(mConfig.scaleParams[j]->GetName(), mScaleMenus.back());
    }
  }
  if (!mConfig.extraTexts.empty())
  {
    separator();
    for (const std::string& text : mConfig.extraTexts)
    {
      mExtraItemPos.push_back(mMenu.NItems());
      mMenu.AddItem(text.c_str());
    }
  }
  if (GetUI()) GetUI()->CreatePopupMenu(*this, mMenu, mRECT);
}

void IBInfoMenuLK::OnMenuChoice(IPopupMenu* pMenu, int valIdx)
{
  SetValue(0.0, 0);
  SetDirty(true);
  if (!pMenu) return;
  const int c = pMenu->GetChosenItemIdx();
  IGraphics* ui = GetUI();
  if (pMenu == &mMenu)
  {
    if (c < 0) return;
    char path[4097];
    if (c == mItemPos[kAbout])
      SendMessageTag(*this, mConfig.aboutTag);
    else if (c == mItemPos[kUpdateCheck])
      SendMessageTag(*this, mConfig.updateCheckTag);
    else if (c == mItemPos[kManual])
    {
      if (!mConfig.dataFolder.empty() && ui)
      {
        std::snprintf(path, sizeof path, "/Users/Shared/Documents/%s/%s%s", "Qorv", "Qorv", " manual.pdf");
        ui->OpenURL(path);
      }
    }
    else if (c == mItemPos[kChangelog])
    {
      if (ui) ui->OpenURL(mConfig.changelogAddress.c_str());
    }
    else if (c == mItemPos[kDataFolder])
    {
      if (!mConfig.dataFolder.empty() && ui)
      {
        std::snprintf(path, sizeof path, "%s", mConfig.dataFolder.c_str());
        ui->OpenURL(path);
      }
    }
    else if (c == mItemPos[kTooltips] || c == mItemPos[kAutoUpdate])
    {
      const int idx = c == mItemPos[kTooltips] ? mConfig.tooltipsParam : mConfig.autoUpdateParam;
      SetParamFromMenu(idx, IsOne(DelegateParam(idx)) ? 0.0 : 1.0);
    }
    else if (c == mItemPos[kResetSize])
      SendMessageTag(*this, mConfig.resetSizeTag);
    else if (c == mItemPos[kResetScale])
      SendMessageTag(*this, mConfig.resetScaleTag);
    else if (c == mItemPos[kMinScale])
      SendMessageTag(*this, mConfig.minScaleTag);
    else
      for (size_t i = 0; i < mExtraItemPos.size(); ++i)
        if (c == mExtraItemPos[i] && i < mConfig.extraTags.size())
          SendMessageTag(*this, mConfig.extraTags[i]);
    return;
  }
  if (pMenu == mSizeMenu)
  {
    SetParamFromSubmenu(mConfig.sizeParam, c);
    return;
  }
  for (size_t i = 0; i < mOptionMenus.size(); ++i)
    if (pMenu == mOptionMenus[i])
    {
      SetParamFromSubmenu(mOptionMenuParams[i], c);
      return;
    }
  for (size_t j = 0; j < mScaleMenus.size(); ++j)
    if (pMenu == mScaleMenus[j])
    {
      if (c >= 0) mConfig.scaleParams[j]->Set(double(c));
      SendMessageTag(*this, mScaleMenuTags[j]);
      return;
    }
}

void IBInfoMenuLK::SetParamFromMenu(int paramIdx, double value)
{
  IParam* p = DelegateParam(paramIdx);
  if (!p || p->Value() == value) return;
  p->Set(value);
  IGEditorDelegate* dlg = GetDelegate();
  dlg->SendParameterValueFromDelegate(paramIdx, p->Value(), false);
  dlg->SetParamNormalizedFromUI(paramIdx, p->ToNormalizedClamped(p->Value()));
}

void IBInfoMenuLK::SetParamFromSubmenu(int paramIdx, int index)
{
  const IParam* p = DelegateParam(paramIdx);
  if (!p || index < 0 || int(p->Value()) == index) return;
  SetParamFromMenu(paramIdx, double(index));
}

void IBInfoMenuLK::OnMouseOver(float x, float y, const IMouseMod& mod)
{
  mHovered = true;
  SetDirty(false);
}

void IBInfoMenuLK::OnMouseOut()
{
  mHovered = false;
  SetDirty(false);
}

void IBInfoMenuLK::Draw(IGraphics& g)
{
  g.DrawBitmapFrame(mBitmap, IBitmapBase::FrameCentredIn(mBitmap, mRECT), mHovered ? 2 : 1, &mBlend);
}
} // namespace iplugin::igraphics
