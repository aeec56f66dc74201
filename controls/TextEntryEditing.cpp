// The text entry's binding of the stb_textedit core: the callbacks that give it the text, the widths
// and the row, the ones that change the text, and the key codes it understands.
#include "controls/ITextEntryControl.h"
#include "controls/UTF16Text.h"
#include "graphics/IGraphics.h"

#include <cctype>
#include <cstring>

#define STB_TEXTEDIT_STRING iplugin::igraphics::ITextEntryControl
#define STB_TEXTEDIT_KEYTYPE unsigned
#define STB_TEXTEDIT_STRINGLEN(obj) iplugin::igraphics::ITextEntryControl::StringLength(obj)
#define STB_TEXTEDIT_GETCHAR(obj, i) iplugin::igraphics::ITextEntryControl::CharAt(obj, i)
#define STB_TEXTEDIT_GETWIDTH(obj, n, i) iplugin::igraphics::ITextEntryControl::CharWidth(obj, i)
#define STB_TEXTEDIT_LAYOUTROW(r, obj, n) iplugin::igraphics::ITextEntryControl::LayoutRow(r, obj, n)
#define STB_TEXTEDIT_INSERTCHARS(obj, i, c, n)                                                               \
  iplugin::igraphics::ITextEntryControl::InsertChars(obj, i, c, n)
#define STB_TEXTEDIT_DELETECHARS(obj, i, n) iplugin::igraphics::ITextEntryControl::DeleteChars(obj, i, n)
#define STB_TEXTEDIT_KEYTOTEXT(key) iplugin::igraphics::ITextEntryControl::KeyToText(key)
// Word moves: only ASCII units can be spaces. isspace is undefined above 255, and the C library's
// locale tables would take CJK and Hangul units for blanks.
#define STB_TEXTEDIT_IS_SPACE(ch) ((ch) < 0x80 && std::isspace(int(ch)))
#define STB_TEXTEDIT_NEWLINE 0x0A

#define STB_TEXTEDIT_K_SHIFT 0x40000000u
#define STB_TEXTEDIT_K_LEFT 0x80000025u
#define STB_TEXTEDIT_K_RIGHT 0x80000027u
#define STB_TEXTEDIT_K_UP 0x80000026u
#define STB_TEXTEDIT_K_DOWN 0x80000028u
#define STB_TEXTEDIT_K_LINESTART 0x80000024u
#define STB_TEXTEDIT_K_LINEEND 0x80000023u
#define STB_TEXTEDIT_K_TEXTSTART 0xA0000024u
#define STB_TEXTEDIT_K_TEXTEND 0xA0000023u
#define STB_TEXTEDIT_K_WORDLEFT 0xA0000025u
#define STB_TEXTEDIT_K_WORDRIGHT 0xA0000027u
#define STB_TEXTEDIT_K_DELETE 0x8000002Eu
#define STB_TEXTEDIT_K_BACKSPACE 0x80000008u
#define STB_TEXTEDIT_K_INSERT 0x8000002Du
#define STB_TEXTEDIT_K_UNDO 0x2000007Au
#define STB_TEXTEDIT_K_REDO 0x6000007Au
// The core wants page keys; these codes carry bits that no key code sets (virtual keys stay below
// 0x100), so Page Up and Page Down fall through to the default case and do nothing.
#define STB_TEXTEDIT_K_PGUP 0x8F000021u
#define STB_TEXTEDIT_K_PGDOWN 0x8F000022u

#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#pragma GCC diagnostic ignored "-Wunused-function"
#endif
#define STB_TEXTEDIT_IMPLEMENTATION
#include <stb_textedit.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

namespace iplugin::igraphics
{
char16_t ITextEntryControl::CharAt(const ITextEntryControl* pEntry, int i)
{
  // The core reads only inside the text when its state belongs to this text; answer 0 outside anyway.
  return i >= 0 && size_t(i) < pEntry->mEditString.size() ? pEntry->mEditString[size_t(i)] : char16_t(0);
}

float ITextEntryControl::CharWidth(ITextEntryControl* pEntry, int i)
{
  if (pEntry->mCharWidths.empty()) pEntry->CalcCharWidths();
  return i >= 0 && size_t(i) < pEntry->mCharWidths.size() ? pEntry->mCharWidths[size_t(i)] : 0.f;
}

void ITextEntryControl::LayoutRow(StbTexteditRow* pRow, ITextEntryControl* pEntry, int start)
{
  if (pEntry->mCharWidths.empty()) pEntry->CalcCharWidths();
  float total = 0.f;
  for (float w : pEntry->mCharWidths)
    total += w;

  const IRECT& r = pEntry->mRECT;
  const IText& text = pEntry->mText;
  pRow->num_chars = int(pEntry->mEditString.size());
  pRow->baseline_y_delta = 1.25f;
  if (text.mAlign == kAlignNear)
    pRow->x0 = r.L;
  else if (text.mAlign == kAlignCenter)
    pRow->x0 = r.MW() - total / 2.f;
  else
    pRow->x0 = r.R - total;
  pRow->x1 = pRow->x0 + total;

  const float s = text.mSize;
  if (text.mVAlign == kVAlignTop)
    pRow->ymin = 0.f;
  else if (text.mVAlign == kVAlignMiddle)
    pRow->ymin = r.H() / 2.f - s / 2.f;
  else
    pRow->ymin = r.H() - s;
  pRow->ymax = pRow->ymin + s;
}

int ITextEntryControl::InsertChars(ITextEntryControl* pEntry, int pos, const char16_t* pChars, int n)
{
  std::u16string& str = pEntry->mEditString;
  if (pos < 0 || size_t(pos) > str.size() || n < 0) return 0;
  str.insert(size_t(pos), pChars, size_t(n));
  pEntry->SetStr(UTF16ToUTF8(str).c_str());
  pEntry->CalcCharWidths();
  return 1;
}

void ITextEntryControl::DeleteChars(ITextEntryControl* pEntry, int pos, int n)
{
  std::u16string& str = pEntry->mEditString;
  if (pos < 0 || size_t(pos) > str.size() || n < 0) return;
  str.erase(size_t(pos), size_t(n));
  pEntry->SetStr(UTF16ToUTF8(str).c_str());
  pEntry->CalcCharWidths();
}

int ITextEntryControl::KeyToText(unsigned key)
{
  // The installed core inserts whatever this answers above 0, so special keys must answer 0 here or
  // a rejected letter or Page Up would still insert its low bits.
  if (key & (kSpecialKey | kCommandBit)) return 0;
  return int(key & 0x0FFFFFFFu);
}

float ITextEntryControl::GetCharWidth(char16_t c, char16_t prev)
{
  IRECT bounds;
  if (!mGraphics) return 0.f;
  if (prev == 0) return mGraphics->MeasureText(mText, UTF16ToUTF8(&c, 1).c_str(), bounds);
  std::string pair = UTF16ToUTF8(&prev, 1);
  const float prevWidth = mGraphics->MeasureText(mText, pair.c_str(), bounds);
  pair += UTF16ToUTF8(&c, 1);
  return mGraphics->MeasureText(mText, pair.c_str(), bounds) - prevWidth;
}

void ITextEntryControl::CalcCharWidths()
{
  mCharWidths.resize(mEditString.size());
  for (size_t i = 0; i < mEditString.size(); ++i)
    mCharWidths[i] = GetCharWidth(mEditString[i], i > 0 ? mEditString[i - 1] : char16_t(0));
}

void ITextEntryControl::SetStr(const char* utf8)
{
  mCharWidths.clear();
  mEditString = UTF8ToUTF16(utf8);
}

std::string ITextEntryControl::GetStr() const
{
  return UTF16ToUTF8(mEditString);
}

template <class F> bool ITextEntryControl::EditAndMark(F f)
{
  STB_TexteditState before;
  std::memcpy(&before, &mEditState, sizeof(before));
  f();
  const bool changed = std::memcmp(&before, &mEditState, sizeof(before)) != 0;
  if (changed) SetDirty(false);
  return changed;
}

bool ITextEntryControl::SendKey(unsigned key)
{
  return EditAndMark([&] { stb_textedit_key(this, &mEditState, key); });
}

void ITextEntryControl::InitEditState()
{
  std::memset(&mEditState, 0, sizeof(mEditState));
  stb_textedit_initialize_state(&mEditState, 1);
}

void ITextEntryControl::SelectAll()
{
  EditAndMark(
      [&]
      {
        mEditState.select_start = 0;
        mEditState.select_end = int(mEditString.size());
      });
}

void ITextEntryControl::Click(float x, float y)
{
  EditAndMark([&] { stb_textedit_click(this, &mEditState, x, y); });
}

void ITextEntryControl::Drag(float x, float y)
{
  EditAndMark([&] { stb_textedit_drag(this, &mEditState, x, y); });
}

void ITextEntryControl::CutSelection()
{
  CopySelection();
  EditAndMark([&] { stb_textedit_cut(this, &mEditState); });
}

void ITextEntryControl::Paste()
{
  StringBuf clip;
  if (!mGraphics || !mGraphics->GetTextFromClipboard(clip)) return;
  const std::u16string text = UTF8ToUTF16(clip.Get());
  EditAndMark([&] { stb_textedit_paste(this, &mEditState, text.data(), int(text.size())); });
}
} // namespace iplugin::igraphics
