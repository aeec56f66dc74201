// The in-window text entry: one line of text edited in place over a rectangle of the editor, for
// value prompts. The graphics context opens it through CreateTextEntry and, while it is editing, gives
// it every mouse event and key; Return or a click outside hands the text back through the context's
// SetControlValueAfterTextEdit, Escape abandons it. Cursor, selection, undo and redo are done by the
// stb_textedit core on UTF-16 code units (TextEntryEditing.cpp binds it). Main thread only.
#pragma once

#include "graphics/IControl.h"
#include "graphics/ISpecialControlInterfaces.h"

#include <string>
#include <vector>

// The core's record types, shared by this header and the binding.
#define STB_TEXTEDIT_CHARTYPE char16_t
#define STB_TEXTEDIT_POSITIONTYPE int
#define STB_TEXTEDIT_UNDOSTATECOUNT 99
#define STB_TEXTEDIT_UNDOCHARCOUNT 999
#include <stb_textedit.h>

namespace iplugin::igraphics
{
class IPopupMenu;

class ITextEntryControl : public IControl, public ITextEntryControlInterface
{
public:
  // Key codes handed to the editing core: a character is its code point; a special key is kSpecialKey
  // with the virtual key in the low bits; the modifier bits are added on top.
  static constexpr unsigned kSpecialKey = 0x80000000u;
  static constexpr unsigned kShiftBit = 0x40000000u;
  static constexpr unsigned kCommandBit = 0x20000000u;
  static constexpr unsigned kOptionBit = 0x10000000u;

  ITextEntryControl();
  ~ITextEntryControl() override;

  // ITextEntryControlInterface. paramIdx and length are not used: the context keeps the edited control.
  bool GetEditing() const override { return mEditing; }
  void CreateTextEntry(int paramIdx, const IText& text, const IRECT& bounds, int length,
                       const char* str) override;

  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnMouseUp(float x, float y, const IMouseMod& mod) override;
  void OnMouseDrag(float x, float y, float dX, float dY, const IMouseMod& mod) override;
  void OnMouseDblClick(float x, float y, const IMouseMod& mod) override;
  bool OnKeyDown(float x, float y, const IKeyPress& key) override;
  void Draw(IGraphics& g) override;
  void OnEndAnimation() override;

  // Ends the edit and delivers the text.
  void CommitEdit();
  // Ends the edit without delivering anything.
  void DismissEdit();
  void CopySelection();
  void CutSelection();
  void Paste();
  // Replaces the text; the widths are measured again when next needed.
  void SetStr(const char* utf8);

  // The text as UTF-8.
  std::string GetStr() const;
  // Cursor and selection, in UTF-16 code units.
  int GetCursor() const { return mEditState.cursor; }
  int GetSelectionStart() const { return mEditState.select_start; }
  int GetSelectionEnd() const { return mEditState.select_end; }
  bool GetCaretVisible() const { return mCaretVisible; }

  // --- The editing core's callbacks (TextEntryEditing.cpp) -------------------------------------------
  static int StringLength(const ITextEntryControl* pEntry) { return int(pEntry->mEditString.size()); }
  static char16_t CharAt(const ITextEntryControl* pEntry, int i);
  static float CharWidth(ITextEntryControl* pEntry, int i);
  static void LayoutRow(StbTexteditRow* pRow, ITextEntryControl* pEntry, int start);
  static int InsertChars(ITextEntryControl* pEntry, int pos, const char16_t* pChars, int n);
  static void DeleteChars(ITextEntryControl* pEntry, int pos, int n);
  // 0 for special keys and Command keys, else the character with the modifier bits cleared.
  static int KeyToText(unsigned key);

  // Advance of c after prev (0: none), kerning included.
  float GetCharWidth(char16_t c, char16_t prev);
  void CalcCharWidths();

private:
  // The core's own initial state for a single-line field, with no undo history.
  void InitEditState();
  void Click(float x, float y);
  void Drag(float x, float y);
  // Runs the editing core on a key code; true when that changed the state.
  bool SendKey(unsigned key);
  // Runs f on the editing state; SetDirty(false) and true when the state changed.
  template <class F> bool EditAndMark(F f);
  void ShowContextMenu(float x, float y);
  void SelectAll();
  // The key code of a character key for the core, after the parameter's character filter (cp: the
  // key's code point); false when no control is being edited.
  bool FilteredKey(const IKeyPress& key, unsigned cp, unsigned& code) const;
  static void CaretBlinkStep(IControl* pControl);
  // Empties and parks both rectangles and redraws everything the entry covered.
  void EndEditing();

  bool mCaretVisible = false;
  bool mEditing = false;
  STB_TexteditState mEditState;
  std::vector<float> mCharWidths;
  std::u16string mEditString;
  IPopupMenu* mContextMenu = nullptr;
};
} // namespace iplugin::igraphics
