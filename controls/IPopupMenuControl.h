// The in-window popup menu: shows an IPopupMenu as panels drawn inside the editor instead of a native
// menu. The graphics context owns at most one; every menu a control opens through the context's
// CreatePopupMenu goes here, and the choice goes back to the opening control through the context's
// SetControlValueAfterPopupMenu. Panels fade in over 100 ms, sub-menus cascade after 200 ms, tall
// panels scroll as the mouse rests on their arrow cells. Lengths are unscaled editor points. Main
// thread only.
#pragma once

#include "controls/PopupPanel.h"
#include "framework/PtrList.h"
#include "graphics/IControl.h"
#include "graphics/IPopupMenu.h"
#include "graphics/ISpecialControlInterfaces.h"

namespace iplugin::igraphics
{
class IPopupMenuControl : public IControl, public IPopupMenuControlInterface
{
public:
  enum EPopupState
  {
    kClosed = 0,
    kFadingIn = 1,
    kOpen = 2,
    kFadingOut = 3,
    kChosen = 4,
    kSubMenuAppearing = 5,
    kClosing = 6
  };

  IPopupMenuControl(int paramIdx, const IText& text, const IRECT& collapsedBounds,
                    const IRECT& expandedBounds);
  ~IPopupMenuControl() override;

  // The context routes all input here while this answers kExpanded: whenever a panel is on screen
  // (fading in, open, or a sub-menu appearing), so no click lands on a control under a panel.
  int GetState() const override;
  EPopupState GetPopupState() const { return mState; }
  // Shows the menu next to the anchor when closed; otherwise only stores it.
  IPopupMenu* CreatePopupMenu(IPopupMenu& menu, const IRECT& anchor) override;
  void Expand(const IRECT& anchor);

  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnMouseDrag(float x, float y, float dX, float dY, const IMouseMod& mod) override;
  void OnMouseWheel(float x, float y, const IMouseMod& mod, float d) override {}
  void OnMouseOver(float x, float y, const IMouseMod& mod) override;
  void OnMouseOut() override;
  void Draw(IGraphics& g) override;
  void OnEndAnimation() override;

  // Drawing hooks (IPopupMenuControlDrawing.cpp).
  virtual void DrawPanelBackground(IGraphics& g, PopupPanel& panel);
  virtual void DrawPanelShadow(IGraphics& g, PopupPanel& panel);
  virtual void DrawCellBackground(IGraphics& g, const IRECT& cell, const IPopupMenu::Item* pItem,
                                  bool highlighted, const IBlend* pBlend);
  virtual void DrawCellText(IGraphics& g, const IRECT& cell, const IPopupMenu::Item* pItem, bool highlighted,
                            const IBlend* pBlend);
  virtual void DrawTick(IGraphics& g, const IRECT& cell, const IPopupMenu::Item* pItem, bool highlighted,
                        const IBlend* pBlend);
  virtual void DrawSubMenuArrow(IGraphics& g, const IRECT& cell, const IPopupMenu::Item* pItem,
                                bool highlighted, const IBlend* pBlend);
  virtual void DrawUpArrow(IGraphics& g, const IRECT& cell, bool highlighted, const IBlend* pBlend);
  virtual void DrawDownArrow(IGraphics& g, const IRECT& cell, bool highlighted, const IBlend* pBlend);
  virtual void DrawSeparator(IGraphics& g, const IRECT& cell, const IBlend* pBlend);
  // Ends the interaction and delivers the choice (or none).
  virtual void CollapseEverything();

  // Content size of a panel for the menu, without the pad.
  void MeasureMenu(const IPopupMenu& menu, float& w, float& h);
  // Union of the measured texts of the menu's items.
  IRECT MeasureTextUnion(const IPopupMenu& menu);

  int NPanels() const { return mPanels.Count(); }
  PopupPanel* GetPanel(int i) const { return mPanels.Get(i); }
  const IRECT& GetArea() const { return mArea; }
  int GetPlacement() const { return mPlacement; }
  const IRECT* GetMouseCell() const { return mMouseCell; }

  const float mCellGap = 2.f;
  const float mSeparatorSize = 2.f;
  const float mRoundness = 5.f;
  const float mShadowSize = 10.f;
  const float mOpacity = 0.95f;
  const float mTextPad = 5.f;
  const float mTickSize = 10.f;
  const float mArrowSize = 8.f;
  const float mPad = 5.f;

  IColor mPanelColor = IColor(255, 255, 255, 255);
  IColor mHighlightColor = IColor(255, 255, 0, 0);
  IColor mSelectedTextColor = IColor(255, 255, 255, 255);
  IColor mTextColor = IColor(255, 0, 0, 0);
  IColor mDisabledTextColor = IColor(255, 127, 127, 127);
  IColor mSeparatorColor = IColor(255, 200, 200, 200);

  const IRECT mCollapsedBounds;
  const IRECT mExpandedBounds;

private:
  static void AnimationStep(IControl* pControl);
  void UpdateSubMenus();
  void ClearPanels();
  void SetAllOpacities(float opacity);
  int IndexOfPanel(const PopupPanel* pPanel) const { return mPanels.Find(pPanel); }

  PtrList<PopupPanel> mPanels;
  PopupPanel* mActivePanel = nullptr;
  PopupPanel* mAppearingPanel = nullptr;
  EPopupState mState = kClosed;
  const IRECT* mMouseCell = nullptr;
  IPopupMenu* mMenu = nullptr;
  bool mHasSubMenus = false;
  bool mSubMenusOpenRight = true;
  IRECT mAnchorRect;
  int mPlacement = 1;
  IRECT mArea;
};
} // namespace iplugin::igraphics
