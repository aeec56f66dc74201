// Stand-in for AppKit's text fields. A field draws and edits through its cell; while it is the key
// window's first responder, QorvPlatform/Dialogs.h types into it character by character (each one
// checked by the formatter) and ends the editing with Return (the delegate is told) or Escape (the
// text is dropped and the field stays open).
#pragma once

#include <AppKit/NSColor.h>
#include <AppKit/NSFont.h>
#include <AppKit/NSView.h>
#include <Foundation/NSFormatter.h>
#include <Foundation/NSNotification.h>

#include <memory>
#include <string>

enum
{
  NSLeftTextAlignment = 0,
  NSRightTextAlignment = 1,
  NSCenterTextAlignment = 2
};

enum
{
  NSFocusRingTypeDefault = 0,
  NSFocusRingTypeNone = 1
};

enum
{
  NSLineBreakByTruncatingTail = 4
};

class NSTextFieldDelegate
{
public:
  virtual ~NSTextFieldDelegate() = default;
  virtual void controlTextDidEndEditing(NSNotification* notification) {}
};

class NSTextFieldCell : public NSObject
{
public:
  explicit NSTextFieldCell(std::string text = "") : m_string(std::move(text)) {}

  const std::string& stringValue() const { return m_string; }
  void setStringValue(const std::string& s) { m_string = s; }
  const NSFont& font() const { return m_font; }
  void setFont(const NSFont& font) { m_font = font; }
  long alignment() const { return m_alignment; }
  void setAlignment(long alignment) { m_alignment = alignment; }
  bool isEditable() const { return m_editable; }
  void setEditable(bool on) { m_editable = on; }
  bool drawsBackground() const { return m_drawsBackground; }
  void setDrawsBackground(bool on) { m_drawsBackground = on; }
  long lineBreakMode() const { return m_lineBreakMode; }
  void setLineBreakMode(long mode) { m_lineBreakMode = mode; }
  bool allowsEditingTextAttributes() const { return m_editingAttributes; }
  void setAllowsEditingTextAttributes(bool on) { m_editingAttributes = on; }
  const NSColor& textColor() const { return m_textColor; }
  void setTextColor(const NSColor& c) { m_textColor = c; }
  const NSColor& backgroundColor() const { return m_backgroundColor; }
  void setBackgroundColor(const NSColor& c) { m_backgroundColor = c; }
  NSFormatter* formatter() const { return m_formatter.get(); }
  void setFormatter(std::shared_ptr<NSFormatter> f) { m_formatter = std::move(f); }

  // The stand-in's text line: the string at 0.6 of the font size per byte, the font size plus 4 high.
  virtual NSSize cellSize() const;
  virtual NSRect drawingRectForBounds(NSRect rect) const { return rect; }
  // Editing begins in the given frame; the stand-in notes it (editingFrame).
  virtual void selectWithFrame(NSRect rect, NSView* controlView, NSTextView* textObj, id delegate,
                               long selStart, long selLength)
  {
    m_editingFrame = rect;
  }
  virtual void editWithFrame(NSRect rect, NSView* controlView, NSTextView* textObj, id delegate, void* event)
  {
    m_editingFrame = rect;
  }
  NSRect editingFrame() const { return m_editingFrame; }

private:
  std::string m_string;
  NSFont m_font = NSFont::systemFontOfSize(13);
  long m_alignment = NSLeftTextAlignment;
  bool m_editable = true;
  bool m_drawsBackground = false;
  long m_lineBreakMode = 0;
  bool m_editingAttributes = true;
  NSColor m_textColor;
  NSColor m_backgroundColor = NSColor{1, 1, 1, 1};
  std::shared_ptr<NSFormatter> m_formatter;
  NSRect m_editingFrame = NSMakeRect(0, 0, 0, 0);
};

class NSTextField : public NSView
{
public:
  explicit NSTextField(NSRect frame) : NSView(frame), m_cell(std::make_unique<NSTextFieldCell>()) {}

  NSTextFieldCell* cell() const { return m_cell.get(); }
  // The field takes the cell over.
  void setCell(NSTextFieldCell* cell) { m_cell.reset(cell); }

  std::string stringValue() const { return m_cell->stringValue(); }
  void setStringValue(const std::string& s) { m_cell->setStringValue(s); }
  NSFont font() const { return m_cell->font(); }
  void setFont(const NSFont& font) { m_cell->setFont(font); }
  long alignment() const { return m_cell->alignment(); }
  void setAlignment(long a) { m_cell->setAlignment(a); }
  NSColor textColor() const { return m_cell->textColor(); }
  void setTextColor(const NSColor& c) { m_cell->setTextColor(c); }
  NSColor backgroundColor() const { return m_cell->backgroundColor(); }
  void setBackgroundColor(const NSColor& c) { m_cell->setBackgroundColor(c); }
  NSFormatter* formatter() const { return m_cell->formatter(); }
  void setFormatter(std::shared_ptr<NSFormatter> f) { m_cell->setFormatter(std::move(f)); }
  bool isBordered() const { return m_bordered; }
  void setBordered(bool on) { m_bordered = on; }
  long focusRingType() const { return m_focusRing; }
  void setFocusRingType(long type) { m_focusRing = type; }
  NSTextFieldDelegate* delegate() const { return m_delegate; }
  void setDelegate(NSTextFieldDelegate* d) { m_delegate = d; }

  // The window's field editor while this field is its first responder, else null.
  NSTextView* currentEditor() const;
  // Starts editing in the cell over the whole text.
  bool becomeFirstResponder() override;

private:
  std::unique_ptr<NSTextFieldCell> m_cell;
  bool m_bordered = true;
  long m_focusRing = NSFocusRingTypeDefault;
  NSTextFieldDelegate* m_delegate = nullptr;
};
