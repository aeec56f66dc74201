#include "graphics/mac/IGraphicsView.h"

#include "framework/IGEditorDelegate.h"
#include "framework/IParam.h"
#include "graphics/IGraphics.h"
#include "graphics/mac/FontDescriptorCache.h"
#include "graphics/mac/IGraphicsMenu.h"

namespace iplugin::igraphics
{
namespace
{
NSColor DeviceColor(const IColor& c)
{
  return NSColor::colorWithDeviceRed(c.R / 255.0, c.G / 255.0, c.B / 255.0, c.A / 255.0);
}

// The text's font at the editor's draw scale. A font that was never loaded has no descriptor: the
// system font stands in.
NSFont TextFieldFont(const IText& text, float drawScale)
{
  StaticStorage<CoreTextFontDescriptor>& cache = FontDescriptorCache();
  MutexLock lock(cache.GetMutex());
  const CoreTextFontDescriptor* pEntry = cache.Find(text.mFont, 1.0);
  const double size = double(text.mSize) * double(drawScale);
  if (!pEntry) return NSFont::systemFontOfSize(size);
  return NSFont::fontWithDescriptor(pEntry->mDescriptor, size * pEntry->mEMRatio);
}
} // namespace

IGraphicsView_vQorv_au::IGraphicsView_vQorv_au(IGraphics* pGraphics, NSRect frame)
    : NSView(frame), mGraphics(pGraphics)
{
  setFlipped(true);
}

IGraphicsView_vQorv_au::~IGraphicsView_vQorv_au()
{
  endUserInput();
}

IPopupMenu* IGraphicsView_vQorv_au::createPopupMenu(IPopupMenu& menu, NSRect area)
{
  IGraphicsMenuRcvr_vQorv_au receiver(area);
  IGraphicsMenu_vQorv_au nsMenu(menu, &receiver);
  const NSPoint location = NSMakePoint(area.origin.x, area.origin.y + area.size.height + 4);
  nsMenu.popUpMenuPositioningItem(nullptr, location, this);

  NSMenuItem* chosen = receiver.menuItem();
  auto* chosenMenu = chosen ? dynamic_cast<IGraphicsMenu_vQorv_au*>(chosen->menu()) : nullptr;
  IPopupMenu* pResult = chosenMenu ? chosenMenu->iPopupMenu() : nullptr;
  const long index = chosenMenu ? chosenMenu->indexOfItem(chosen) : -1;
  if (!pResult || index < 0) return nullptr;
  pResult->SetChosenItemIdx(int(index));
  return pResult;
}

void IGraphicsView_vQorv_au::createTextEntry(int paramIdx, const IText& text, const char* str, int length,
                                             NSRect area)
{
  if (mTextFieldView) return;

  mTextFieldView = std::make_unique<IGraphicsTextField_vQorv_au>(area);
  if (text.mVAlign == kVAlignMiddle)
  {
    auto* cell = new IGraphicsTextFieldCell_vQorv_au("textfield");
    mTextFieldView->setCell(cell);
    cell->setEditable(true);
    cell->setDrawsBackground(true);
  }

  mTextFieldView->setFont(TextFieldFont(text, mGraphics->GetDrawScale()));

  switch (text.mAlign)
  {
  case kAlignNear:
    mTextFieldView->setAlignment(NSLeftTextAlignment);
    break;
  case kAlignCenter:
    mTextFieldView->setAlignment(NSCenterTextAlignment);
    break;
  case kAlignFar:
    mTextFieldView->setAlignment(NSRightTextAlignment);
    break;
  default:
    break;
  }

  IGEditorDelegate* pDelegate = mGraphics->GetDelegate();
  if (paramIdx >= 0 && pDelegate && paramIdx < pDelegate->NParams())
  {
    auto formatter = std::make_shared<IGraphicsFormatter_vQorv_au>();
    const IParam::EParamType type = pDelegate->GetParam(paramIdx)->Type();
    const char* accepted = "";
    if (type == IParam::kTypeBool || type == IParam::kTypeInt || type == IParam::kTypeEnum)
      accepted = "0123456789-+";
    else if (type == IParam::kTypeDouble)
      accepted = "0123456789.-+kK";
    formatter->setAcceptableCharacterSet(NSCharacterSet::characterSetWithCharactersInString(accepted));
    formatter->setMaximumLength(length);
    mTextFieldView->setFormatter(formatter);
  }

  NSTextFieldCell* cell = mTextFieldView->cell();
  cell->setLineBreakMode(NSLineBreakByTruncatingTail);
  cell->setAllowsEditingTextAttributes(false);
  mTextFieldView->setTextColor(DeviceColor(text.mTextEntryFGColor));
  mTextFieldView->setBackgroundColor(DeviceColor(text.mTextEntryBGColor));
  mTextFieldView->setStringValue(str ? str : "");
  mTextFieldView->setBordered(false);
  mTextFieldView->setFocusRingType(NSFocusRingTypeNone);
  mTextFieldView->setDelegate(this);

  addSubview(mTextFieldView.get());
  if (NSWindow* w = window())
  {
    w->makeKeyAndOrderFront(this);
    w->makeFirstResponder(mTextFieldView.get());
  }
}

void IGraphicsView_vQorv_au::controlTextDidEndEditing(NSNotification* notification)
{
  if (!mTextFieldView) return;
  const std::string text = mTextFieldView->stringValue();
  mGraphics->SetControlValueAfterTextEdit(text.c_str());
  mGraphics->SetAllControlsDirty();
  endUserInput();
}

void IGraphicsView_vQorv_au::endUserInput()
{
  if (!mTextFieldView) return;
  mTextFieldView->setDelegate(nullptr);
  mTextFieldView->removeFromSuperview();
  if (NSWindow* w = window()) w->makeFirstResponder(this);
  mTextFieldView.reset();
}
} // namespace iplugin::igraphics
