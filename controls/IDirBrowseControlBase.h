// The base of a control that offers every file of one extension found under one or more folders, as
// a menu with one sub-menu per folder, sorted by name. The deriving control draws, opens the menu and
// acts on a choice: an item's tag indexes the list of file paths. Main thread only.
#pragma once

#include "framework/PtrList.h"
#include "framework/StringBuf.h"
#include "graphics/IControl.h"
#include "graphics/IPopupMenu.h"

#include <cstdint>
#include <utility>
#include <vector>

namespace iplugin::igraphics
{
class IDirBrowseControlBase : public IControl
{
public:
  // extension: matched case-sensitively at the end of file names, with or without its dot.
  IDirBrowseControlBase(const IRECT& bounds, const char* extension, bool showFileExtensions = false,
                        bool showEmptySubmenus = false);
  ~IDirBrowseControlBase() override;

  // Adds a folder to scan and the label of its sub-menu (used when there are several folders).
  void AddPath(const char* path, const char* label);
  // Rebuilds the main menu from the folders.
  void SetupMenu();
  // Fills menu from the folder, recursively; folders that cannot be opened add nothing.
  void ScanDirectory(const char* path, IPopupMenu& menu);
  // Appends the items without a sub-menu to the file-item list, depth first in menu order.
  void CollectSortedItems(IPopupMenu& menu);
  int NItems() const { return mItems.Count(); }

  IPopupMenu& GetMainMenu() { return mMainMenu; }
  // The full path of the file with this tag, or null.
  const char* GetFilePath(int tag) const;
  int NFilePaths() const { return mFiles.Count(); }
  IPopupMenu::Item* GetFileItem(int idx) const { return mItems.Get(idx); }
  int GetSelectedItemIndex() const { return mSelectedItemIndex; }

protected:
  bool mShowEmptySubmenus;
  bool mShowFileExtensions;
  int mSelectedItemIndex = -1;
  IPopupMenu mMainMenu;
  PtrList<StringBuf> mPaths;
  PtrList<StringBuf> mPathLabels;
  PtrList<StringBuf> mFiles;
  PtrList<IPopupMenu::Item> mItems;
  StringBuf mExtension;

private:
  // Device and inode of the folders being scanned, outermost first: a folder reached again through a
  // symbolic link is a loop and is not entered.
  std::vector<std::pair<uint64_t, uint64_t>> mScanning;
};
} // namespace iplugin::igraphics
