#include "controls/IDirBrowseControlBase.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <string>

namespace iplugin::igraphics
{
IDirBrowseControlBase::IDirBrowseControlBase(const IRECT& bounds, const char* extension,
                                             bool showFileExtensions, bool showEmptySubmenus)
    : IControl(bounds, -1), mShowEmptySubmenus(showEmptySubmenus), mShowFileExtensions(showFileExtensions)
{
  mExtension.Set(extension ? extension : "");
}

IDirBrowseControlBase::~IDirBrowseControlBase()
{
  mPaths.Empty(true);
  mPathLabels.Empty(true);
  mFiles.Empty(true);
  mItems.Empty(false);
}

void IDirBrowseControlBase::AddPath(const char* path, const char* label)
{
  mPaths.AddOwned(new StringBuf(path ? path : ""));
  mPathLabels.AddOwned(new StringBuf(label ? label : ""));
}

const char* IDirBrowseControlBase::GetFilePath(int tag) const
{
  const StringBuf* pPath = mFiles.Get(tag);
  return pPath ? pPath->Get() : nullptr;
}

void IDirBrowseControlBase::SetupMenu()
{
  mFiles.Empty(true);
  mItems.Empty(false);
  mMainMenu.Clear();
  mSelectedItemIndex = -1;

  if (mPaths.Count() == 1)
    ScanDirectory(mPaths.Get(0)->Get(), mMainMenu);
  else
    for (int i = 0; i < mPaths.Count(); ++i)
    {
      IPopupMenu* pSubMenu = new IPopupMenu();
      if (mMainMenu.AddItem(mPathLabels.Get(i)->Get(), i, pSubMenu))
        ScanDirectory(mPaths.Get(i)->Get(), *pSubMenu);
    }
  CollectSortedItems(mMainMenu);
}

void IDirBrowseControlBase::ScanDirectory(const char* path, IPopupMenu& menu)
{
  std::string folder = path ? path : "";
  while (!folder.empty() && (folder.back() == '/' || folder.back() == '\\'))
    folder.pop_back();
  if (folder.empty()) folder.push_back('/');

  DIR* pDir = opendir(folder.c_str());
  if (!pDir) return;
  struct stat folderInfo = {};
  const bool known = fstat(dirfd(pDir), &folderInfo) == 0;
  const std::pair<uint64_t, uint64_t> id(uint64_t(folderInfo.st_dev), uint64_t(folderInfo.st_ino));
  // A folder already being scanned, reached again through a link, would recurse without end.
  if (!known || std::find(mScanning.begin(), mScanning.end(), id) != mScanning.end())
  {
    closedir(pDir);
    return;
  }
  mScanning.push_back(id);

  const std::string ext = mExtension.Get();
  while (const dirent* pEntry = readdir(pDir))
  {
    const char* name = pEntry->d_name;
    if (name[0] == '.') continue;
    const std::string fullPath = (folder == "/" ? "" : folder) + "/" + name;
    struct stat info;
    if (stat(fullPath.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
    {
      IPopupMenu* pSubMenu = new IPopupMenu();
      if (menu.AddItem(name, pSubMenu, -2)) ScanDirectory(fullPath.c_str(), *pSubMenu);
      continue;
    }
    const size_t nameLength = std::strlen(name);
    if (ext.empty() || nameLength <= ext.size() ||
        fullPath.compare(fullPath.size() - ext.size(), ext.size(), ext) != 0)
      continue;
    const std::string text =
        mShowFileExtensions ? std::string(name) : std::string(name, nameLength - ext.size());
    const int tag = mFiles.Count();
    if (!mFiles.AddOwned(new StringBuf(fullPath.c_str()))) continue;
    if (!menu.InsertItemSorted(new IPopupMenu::Item(text.c_str(), IPopupMenu::Item::kNoFlags, tag), -2))
      mFiles.Delete(tag, true);
  }

  if (!mShowEmptySubmenus)
    for (int i = menu.NItems() - 1; i >= 0; --i)
    {
      const IPopupMenu* pSubMenu = menu.GetItem(i)->GetSubmenu();
      if (pSubMenu && pSubMenu->NItems() == 0) menu.RemoveItem(i);
    }

  mScanning.pop_back();
  closedir(pDir);
}

void IDirBrowseControlBase::CollectSortedItems(IPopupMenu& menu)
{
  for (int i = 0; i < menu.NItems(); ++i)
  {
    IPopupMenu::Item* pItem = menu.GetItem(i);
    if (pItem->GetSubmenu())
      CollectSortedItems(*pItem->GetSubmenu());
    else
      mItems.Add(pItem);
  }
}
} // namespace iplugin::igraphics
