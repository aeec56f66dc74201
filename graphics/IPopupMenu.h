// A popup menu model: a title, items with flags and tags, owned sub-menus and the chosen index. Shown
// by the platform menu or the in-window popup control; main thread only.
#pragma once

#include "framework/PtrList.h"
#include "framework/StringBuf.h"

#include <functional>
#include <initializer_list>
#include <strings.h>

namespace iplugin::igraphics
{
class IPopupMenu
{
public:
  class Item
  {
  public:
    enum Flags
    {
      kNoFlags = 0,
      kDisabled = 1,
      kTitle = 2,
      kChecked = 4,
      kSeparator = 8
    };

    // The item owns pSubMenu from now on.
    Item(const char* text, int flags = kNoFlags, int tag = -1) : mText(text ? text : ""), mFlags(flags), mTag(tag) {}
    Item(const char* text, IPopupMenu* pSubMenu, int tag = -1) : Item(text, kNoFlags, tag) { mSubmenu = pSubMenu; }
    ~Item() { delete mSubmenu; }
    Item(const Item&) = delete;
    Item& operator=(const Item&) = delete;

    const char* GetText() const { return mText.Get(); }
    IPopupMenu* GetSubmenu() const { return mSubmenu; }
    int GetFlags() const { return mFlags; }
    int GetTag() const { return mTag; }
    bool GetChecked() const { return (mFlags & kChecked) != 0; }
    void SetChecked(bool checked) { mFlags = checked ? (mFlags | kChecked) : (mFlags & ~kChecked); }

  private:
    StringBuf mText;
    IPopupMenu* mSubmenu = nullptr;
    int mFlags = kNoFlags;
    int mTag = -1;
  };

  using CompletionFunc = std::function<void(IPopupMenu*)>;

  explicit IPopupMenu(const char* rootTitle = "", int prefix = 0, bool multiCheck = false,
                      std::initializer_list<const char*> items = {})
      : mPrefix(prefix), mMultiCheck(multiCheck), mMenuItems(4096)
  {
    if (rootTitle) mRootTitle.Set(rootTitle);
    for (const char* text : items)
      AddItem(new Item(text));
  }
  // A menu of plain items whose completion function is func.
  IPopupMenu(const char* rootTitle, std::initializer_list<const char*> items, CompletionFunc func = nullptr)
      : IPopupMenu(rootTitle, 0, false, items)
  {
    mCompletionFunc = std::move(func);
  }
  // Deletes the items from the last to the first, each with its sub-menu.
  ~IPopupMenu() { mMenuItems.Empty(true); }
  IPopupMenu(const IPopupMenu&) = delete;
  IPopupMenu& operator=(const IPopupMenu&) = delete;

  // Index -1 appends, -2 inserts in case-insensitive alphabetical order (in front of an equal text),
  // any other index inserts there (a negative one at the front, past the end appends). The menu owns
  // the item from now on; when the list cannot grow the item is deleted and the result is null.
  Item* InsertItemSorted(Item* pItem, int index)
  {
    if (!pItem) return nullptr;
    const int n = NItems();
    if (index == -2)
      index = SortedPosition(pItem->GetText());
    else if (index == -1 || index >= n)
      index = n;
    else if (index < 0)
      index = 0;
    if (mMenuItems.Insert(index, pItem)) return pItem;
    delete pItem;
    return nullptr;
  }
  Item* AddItem(Item* pItem, int index = -1) { return InsertItemSorted(pItem, index); }
  // An item opening pSubMenu, which then reports its choice to this menu's completion function.
  Item* AddItem(const char* text, IPopupMenu* pSubMenu, int index = -1)
  {
    if (pSubMenu && mCompletionFunc) pSubMenu->mCompletionFunc = mCompletionFunc;
    return InsertItemSorted(new Item(text, pSubMenu), index);
  }
  Item* AddItem(const char* text, int index, IPopupMenu* pSubMenu) { return AddItem(text, pSubMenu, index); }
  Item* AddItem(const char* text, int index = -1, int flags = Item::kNoFlags)
  {
    return AddItem(new Item(text, flags), index);
  }
  // Deletes the item at index (and its sub-menu); the items after it move down.
  void RemoveItem(int index) { mMenuItems.Delete(index, true); }

  int NItems() const { return mMenuItems.Count(); }
  Item* GetItem(int index) const { return mMenuItems.Get(index); }
  int GetChosenItemIdx() const { return mChosenItemIdx; }
  void SetChosenItemIdx(int index) { mChosenItemIdx = index; }
  Item* GetChosenItem() const { return mMenuItems.Get(mChosenItemIdx); }
  int GetPrefix() const { return mPrefix; }
  bool GetMultiCheck() const { return mMultiCheck; }
  const char* GetRootTitle() const { return mRootTitle.Get(); }
  void SetRootTitle(const char* title) { mRootTitle.Set(title ? title : ""); }
  void SetFunction(CompletionFunc func) { mCompletionFunc = std::move(func); }
  void ExecFunction()
  {
    if (mCompletionFunc) mCompletionFunc(this);
  }

  // Empties the menu for reuse; the title, chosen index and completion function stay.
  void Clear()
  {
    mPrefix = 0;
    mMultiCheck = false;
    mMenuItems.Empty(true);
  }

private:
  // Bisection over the texts: the position of an equal text, else where the text belongs.
  int SortedPosition(const char* text) const
  {
    int lo = 0, hi = NItems();
    while (lo < hi)
    {
      const int mid = (lo + hi) / 2;
      const int c = strcasecmp(text, GetItem(mid)->GetText());
      if (c == 0) return mid;
      if (c > 0)
        lo = mid + 1;
      else
        hi = mid;
    }
    return lo;
  }

  int mPrefix = 0;
  int mChosenItemIdx = -1;
  bool mMultiCheck = false;
  PtrList<Item> mMenuItems;
  CompletionFunc mCompletionFunc;
  StringBuf mRootTitle;
};
} // namespace iplugin::igraphics
