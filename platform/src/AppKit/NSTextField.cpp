#include <AppKit/NSTextField.h>
#include <QorvPlatform/Dialogs.h>

NSSize NSTextFieldCell::cellSize() const
{
  return NSMakeSize(CGFloat(m_string.size()) * m_font.pointSize * 0.6, m_font.pointSize + 4);
}

NSTextView* NSTextField::currentEditor() const
{
  NSWindow* w = window();
  return w && w->firstResponder() == this ? w->fieldEditor() : nullptr;
}

bool NSTextField::becomeFirstResponder()
{
  NSWindow* w = window();
  if (!w) return false;
  m_cell->selectWithFrame(bounds(), this, w->fieldEditor(), nullptr, 0, long(stringValue().size()));
  return true;
}

namespace qorvplatform
{
bool TypeIntoKeyField(const std::string& utf8, FieldEnd end)
{
  NSWindow* w = NSWindow::keyWindow();
  auto* field = w ? dynamic_cast<NSTextField*>(w->firstResponder()) : nullptr;
  if (!field) return false;

  // The whole text is selected when editing begins, so the first character replaces it.
  std::string typed;
  const NSFormatter* formatter = field->formatter();
  for (size_t i = 0; i < utf8.size();)
  {
    size_t len = 1;
    const auto c = static_cast<unsigned char>(utf8[i]);
    if (c >= 0xC0) len = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : 2;
    const std::string candidate = typed + utf8.substr(i, len);
    if (!formatter || formatter->isPartialStringValid(NSString(candidate), nullptr, nullptr))
      typed = candidate;
    i += len;
  }
  if (end == FieldEnd::Escape) return true;
  field->setStringValue(typed);
  NSNotification note(field);
  if (NSTextFieldDelegate* d = field->delegate()) d->controlTextDidEndEditing(&note);
  return true;
}
} // namespace qorvplatform
