#include "controls/ITextEntryControl.h"

#include "controls/UTF16Text.h"
#include "framework/IParam.h"
#include "graphics/IGraphics.h"
#include "graphics/IPopupMenu.h"

#include <cmath>

namespace iplugin::igraphics
{
namespace
{
enum EVirtualKey
{
  kVKBackspace = 0x08,
  kVKTab = 0x09,
  kVKReturn = 0x0D,
  kVKEscape = 0x1B,
  kVKSpace = 0x20,
  kVKPageUp = 0x21,
  kVKDown = 0x28,
  kVKDelete = 0x2E,
  kVK0 = 0x30,
  kVK9 = 0x39,
  kVKA = 0x41,
  kVKC = 0x43,
  kVKV = 0x56,
  kVKX = 0x58,
  kVKZ = 0x5A,
  kVKNumPad0 = 0x60,
  kVKNumPad9 = 0x69
};

constexpr int kCaretPeriodMs = 1000;

bool IsContinuation(unsigned char b)
{
  return (b & 0xC0) == 0x80;
}

// The code point of a key's text; malformed bytes give the first byte itself.
unsigned DecodeKeyText(const char* utf8)
{
  const auto* b = reinterpret_cast<const unsigned char*>(utf8);
  if (b[0] < 0x80) return b[0];
  if (!IsContinuation(b[1])) return b[0];
  if (b[0] <= 0xDF) return (b[0] & 0x1E) == 0 ? b[0] : ((b[0] & 0x1Fu) << 6) | (b[1] & 0x3Fu);
  if (!IsContinuation(b[2])) return b[0];
  if (b[0] <= 0xEF)
    return ((b[0] & 0x0F) | (b[1] & 0x20)) == 0
               ? b[0]
               : ((b[0] & 0x0Fu) << 12) | ((b[1] & 0x3Fu) << 6) | (b[2] & 0x3Fu);
  if (!IsContinuation(b[3])) return b[0];
  if (b[0] <= 0xF7)
    return ((b[0] & 0x07) | (b[1] & 0x30)) == 0
               ? b[0]
               : ((b[0] & 0x07u) << 18) | ((b[1] & 0x3Fu) << 12) | ((b[2] & 0x3Fu) << 6) | (b[3] & 0x3Fu);
  return IsContinuation(b[4]) && b[0] < 0xFC ? 0x5Fu : b[0];
}
} // namespace

ITextEntryControl::ITextEntryControl() : IControl(IRECT(), -1)
{
  InitEditState();
  SetActionFunction(
      [](IControl* pControl)
      {
        auto* pEntry = static_cast<ITextEntryControl*>(pControl);
        pEntry->mCaretVisible = true;
        pEntry->SetAnimation(CaretBlinkStep, kCaretPeriodMs);
      });
}

ITextEntryControl::~ITextEntryControl()
{
  delete mContextMenu;
}

void ITextEntryControl::CreateTextEntry(int paramIdx, const IText& text, const IRECT& bounds, int length,
                                        const char* str)
{
  SetTargetAndDrawRECTs(bounds);
  mText = text;
  mText.mFGColor = text.mTextEntryFGColor;
  // A fresh state for every edit: the last edit's undo records point into the last edit's text.
  InitEditState();
  SetStr(str);
  SelectAll();
  mEditState.cursor = 0;
  CalcCharWidths();
  SetDirty(true);
  mEditing = true;
}

void ITextEntryControl::Draw(IGraphics& g)
{
  g.FillRect(mText.mTextEntryBGColor, mRECT);

  StbTexteditRow row;
  LayoutRow(&row, this, 0);
  const float top = mRECT.T;
  const float s = mText.mSize;
  auto xAt = [&](int i)
  {
    float x = row.x0;
    for (int k = 0; k < i && size_t(k) < mCharWidths.size(); ++k)
      x += mCharWidths[size_t(k)];
    return x;
  };

  const int lo = std::min(mEditState.select_start, mEditState.select_end);
  const int hi = std::max(mEditState.select_start, mEditState.select_end);
  if (lo != hi)
  {
    const IBlend selection(kBlendDefault, 0.2f);
    g.FillRect(mText.mTextEntryFGColor,
               IRECT(xAt(lo), top + row.ymin + 0.1f * s, xAt(hi), top + row.ymax - 0.1f * s), &selection);
  }

  g.DrawText(mText, GetStr().c_str(), mRECT);

  if (lo == hi && mCaretVisible)
  {
    const float x = xAt(mEditState.cursor);
    g.FillRect(mText.mTextEntryFGColor, IRECT(std::round(x - 1.f), top + row.ymin + 0.1f * s, std::round(x),
                                              top + row.ymax - 0.1f * s));
  }
}

void ITextEntryControl::OnMouseDown(float x, float y, const IMouseMod& mod)
{
  if (!mRECT.Contains(x, y))
  {
    CommitEdit();
    return;
  }
  if (mod.L)
    Click(x, y);
  else if (mod.R)
    ShowContextMenu(x, y);
}

void ITextEntryControl::ShowContextMenu(float x, float y)
{
  if (!mGraphics) return;
  if (!mContextMenu)
  {
    mContextMenu = new IPopupMenu("", 0, false, {"Cut", "Copy", "Paste"});
    mContextMenu->SetFunction(
        [this](IPopupMenu* pMenu)
        {
          switch (pMenu->GetChosenItemIdx())
          {
          case 0:
            CutSelection();
            break;
          case 1:
            CopySelection();
            break;
          case 2:
            Paste();
            break;
          default:
            break;
          }
        });
  }
  mGraphics->CreatePopupMenu(*this, *mContextMenu, IRECT(x, y, x, y), 0, false);
}

void ITextEntryControl::OnMouseDrag(float x, float y, float dX, float dY, const IMouseMod& mod)
{
  if (mod.L) Drag(x, y);
}

void ITextEntryControl::OnMouseUp(float x, float y, const IMouseMod& mod)
{
  if (!mod.L) return;
  Drag(x, y);
  SetDirty(true);
}

void ITextEntryControl::OnMouseDblClick(float x, float y, const IMouseMod& mod)
{
  SelectAll();
}

void ITextEntryControl::CopySelection()
{
  const int lo = std::min(mEditState.select_start, mEditState.select_end);
  const int hi = std::max(mEditState.select_start, mEditState.select_end);
  if (lo == hi || !mGraphics) return;
  const int end = std::min(hi, int(mEditString.size()));
  if (lo >= end) return;
  mGraphics->SetTextInClipboard(UTF16ToUTF8(mEditString.data() + lo, size_t(end - lo)).c_str());
}

bool ITextEntryControl::FilteredKey(const IKeyPress& key, unsigned cp, unsigned& code) const
{
  const unsigned special = kSpecialKey | unsigned(key.VK);
  const IControl* pEdited = mGraphics ? mGraphics->GetControlInTextEntry() : nullptr;
  if (!pEdited) return false;
  const IParam* pParam = pEdited->GetParam(0);
  if (!pParam || pParam->Type() == IParam::kTypeNone)
  {
    code = cp ? cp : special;
    return true;
  }
  const bool digit = key.VK >= kVK0 && key.VK <= kVK9 && !key.S;
  const bool keypad = key.VK >= kVKNumPad0 && key.VK <= kVKNumPad9;
  const bool sign = cp == '+' || cp == '-';
  const bool point = pParam->Type() == IParam::kTypeDouble && cp == '.';
  code = digit || keypad || sign || point ? cp : special;
  return true;
}

bool ITextEntryControl::OnKeyDown(float x, float y, const IKeyPress& key)
{
  if (key.C)
  {
    switch (key.VK)
    {
    case kVKA:
      SelectAll();
      return true;
    case kVKC:
      CopySelection();
      return true;
    case kVKV:
      Paste();
      return true;
    case kVKX:
      CutSelection();
      return true;
    case kVKZ:
      SendKey(kCommandBit | (key.S ? kShiftBit : 0u) | 'z');
      return true;
    default:
      break;
    }
  }

  const unsigned cp = DecodeKeyText(key.utf8);
  unsigned code = 0;
  switch (key.VK)
  {
  case kVKTab:
    return false;
  // The edit is over: the key must not reach the core, which would insert and record it.
  case kVKReturn:
    CommitEdit();
    return true;
  case kVKEscape:
    DismissEdit();
    return true;
  case kVKSpace:
    code = 0x20;
    break;
  case kVKBackspace:
  case kVKDelete:
    code = kSpecialKey | unsigned(key.VK);
    break;
  default:
    if (key.VK >= kVKPageUp && key.VK <= kVKDown)
      code = kSpecialKey | unsigned(key.VK);
    else if (!FilteredKey(key, cp, code))
      return false;
    break;
  }

  if (key.C) code |= kCommandBit;
  if (key.A) code |= kOptionBit;
  if (key.S) code |= kShiftBit;
  return SendKey(code);
}

void ITextEntryControl::EndEditing()
{
  mEditing = false;
  mMouseIsOver = false;
  SetTargetAndDrawRECTs(IRECT());
}

void ITextEntryControl::CommitEdit()
{
  EndEditing();
  if (mGraphics)
  {
    mGraphics->SetControlValueAfterTextEdit(GetStr().c_str());
    mGraphics->SetAllControlsDirty();
  }
}

void ITextEntryControl::DismissEdit()
{
  EndEditing();
  if (mGraphics)
  {
    mGraphics->ClearControlInTextEntry();
    mGraphics->SetAllControlsDirty();
  }
}

void ITextEntryControl::CaretBlinkStep(IControl* pControl)
{
  auto* pEntry = static_cast<ITextEntryControl*>(pControl);
  const double p = pEntry->GetAnimationProgress();
  if (p > 0.5)
  {
    pEntry->mCaretVisible = false;
    pEntry->SetDirty(false);
  }
  if (p > 1.0) pEntry->OnEndAnimation();
}

void ITextEntryControl::OnEndAnimation()
{
  if (mEditing)
    SetDirty(true);
  else
    // A blink left running after the edit would keep the entry dirty, and the editor redrawing, forever.
    IControl::OnEndAnimation();
}

void IGraphics::AttachTextEntryControl()
{
  if (!mTextEntryControl) AttachSpecialControl(mTextEntryControl, new ITextEntryControl());
}
} // namespace iplugin::igraphics
