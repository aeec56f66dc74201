// The preset selector of the mixer editor's top row: the current preset's name (shortened to fit), a
// previous and a next button that step through the factory presets without wrapping, and a click on
// the name that opens ">> Preset menu <<" with loading, saving, resetting and the "Factory" and "User"
// lists. Records are loaded through the store's load function; everything touching files goes to the
// plug-in as message tags. Main thread only.
#pragma once

#include "framework/IPreset.h"
#include "framework/PtrList.h"
#include "framework/StringBuf.h"
#include "graphics/IBitmap.h"
#include "graphics/IControl.h"
#include "graphics/IPopupMenu.h"

#include <functional>

namespace iplugin
{
class IPluginBase;
}

namespace iplugin::igraphics
{
class IBPresetMenuLK : public IControl
{
public:
  // The plug-in's preset records and how one is loaded into the current preset.
  struct Store
  {
    const PtrList<IPreset>* factory = nullptr;
    const PtrList<IPreset>* user = nullptr;
    const IPreset* defaultPreset = nullptr;
    std::function<void(const IPreset&)> load;
  };
  // Message tags, -1 for none.
  struct Tags
  {
    int load = -1, save = -1, saveDefault = -1, rebuildUserList = -1, afterReset = -1, afterLoad = -1;
  };

  // chosenFile: where the path of the last load or save dialog goes (empty when cancelled); the plug-in
  // reads it when it handles the load and save tags.
  IBPresetMenuLK(IPluginBase& plug, const IRECT& bounds, const IRECT& nameArea, const IRECT& textRect,
                 float previousX, float previousY, const IBitmap& previous, float nextX, float nextY,
                 const IBitmap& next, const IText& text, const Tags& tags, Store store,
                 const char* presetFolder, StringBuf& chosenFile, const char* extension, int nameLength,
                 bool stepButtons, bool userPresetsFromFiles);

  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnMouseUp(float x, float y, const IMouseMod& mod) override { SetDirty(true); }
  void OnMouseOver(float x, float y, const IMouseMod& mod) override;
  void OnMouseOut() override;
  void OnResize() override { SetDirty(false); }
  void OnMenuChoice(IPopupMenu* pMenu, int valIdx) override;
  void OnRescale() override;
  void Draw(IGraphics& g) override;


private:
  void CreatePresetMenu();
  void SendTag(int tag);
  int NFactory() const { return mStore.factory ? mStore.factory->Count() : 0; }
  int NUser() const { return mStore.user ? mStore.user->Count() : 0; }
  void LoadFactory(int idx);

  IPluginBase& mPlug;
  StringBuf mPresetFolder;
  StringBuf& mChosenFile;
  StringBuf mExtension;
  IPopupMenu mMenu;
  IPopupMenu* mFactoryMenu = nullptr;
  IPopupMenu* mUserMenu = nullptr;
  int mSaveItem = -1, mLoadItem = -1, mResetItem = -1, mSaveDefaultItem = -1;
  Tags mTags;
  Store mStore;
  bool mLoading = false;
  int mNameLength;
  int mFactoryIdx = 0;
  IRECT mNameArea, mTextRect, mPreviousRect, mNextRect;
  IBitmap mPrevious, mNext;
  bool mStepButtons;
  bool mUserPresetsFromFiles;
  StringBuf mUserFolder;
  bool mNameHovered = false, mPreviousHovered = false, mNextHovered = false;
};
} // namespace iplugin::igraphics
