// The plug-in menu button of the mixer editor's top row: a click opens ">> Plugin menu <<" with the
// about box, manual, changelog, update check, data folder, tooltips, GUI scale commands, one sub-menu
// per option parameter and one per scale choice object. Every entry is tied to a message tag or a
// parameter index; an entry whose tag or index is -1 is left out. Main thread only.
#pragma once

#include "controls/IBitmapBase.h"
#include "framework/IParam.h"
#include "framework/StringBuf.h"
#include "graphics/IControl.h"
#include "graphics/IPopupMenu.h"

#include <string>
#include <vector>

namespace iplugin::igraphics
{
class IBInfoMenuLK : public IControl, public IBitmapBase
{
public:
  struct Config
  {
    int aboutTag = -1, updateCheckTag = -1;
    std::string dataFolder, changelogAddress;
    int tooltipsParam = -1, autoUpdateParam = -1, sizeParam = -1;
    int resetSizeTag = -1, resetScaleTag = -1, minScaleTag = -1;
    std::vector<int> optionParams;
    std::vector<IParam*> scaleParams; // owned by the plug-in
    int scaleBaseTag = -1;
    std::vector<int> extraTags;
    std::vector<std::string> extraTexts;
  };

  IBInfoMenuLK(int x, int y, const IBitmap& bitmap, Config config);

  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnMouseUp(float x, float y, const IMouseMod& mod) override { SetDirty(false); }
  void OnMouseOver(float x, float y, const IMouseMod& mod) override;
  void OnMouseOut() override;
  void OnMenuChoice(IPopupMenu* pMenu, int valIdx) override;
  void OnRescale() override { RescaleBitmap(); }
  void Draw(IGraphics& g) override;

  void CreatePluginMenu();
  void SetParamFromMenu(int paramIdx, double value);
  void SetParamFromSubmenu(int paramIdx, int index);

private:
  enum EItem
  {
    kAbout,
    kUpdateCheck,
    kManual,
    kChangelog,
    kDataFolder,
    kTooltips,
    kAutoUpdate,
    kResetSize,
    kResetScale,
    kMinScale,
    kNumItems
  };
  IParam* DelegateParam(int paramIdx) const;
  IPopupMenu* ValueSubmenu(const IParam& param, bool checkCurrent) const;
  void AddRemembered(EItem item, const char* text, int flags = 0);

  Config mConfig;
  IPopupMenu mMenu;
  IPopupMenu* mSizeMenu = nullptr;
  int mItemPos[kNumItems];
  std::vector<IPopupMenu*> mOptionMenus;
  std::vector<int> mOptionMenuParams;
  std::vector<IPopupMenu*> mScaleMenus;
  std::vector<int> mScaleMenuTags;
  std::vector<int> mExtraItemPos;
  bool mHovered = false;
};
} // namespace iplugin::igraphics
