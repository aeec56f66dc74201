#include "graphics/mac/IGraphicsTextField.h"

namespace iplugin::igraphics
{
bool IGraphicsTextField_vQorv_au::becomeFirstResponder()
{
  const bool success = NSTextField::becomeFirstResponder();
  if (success)
    if (NSTextView* editor = currentEditor()) editor->setInsertionPointColor(textColor());
  return success;
}

NSRect IGraphicsTextFieldCell_vQorv_au::drawingRectForBounds(NSRect rect) const
{
  NSRect r = NSTextFieldCell::drawingRectForBounds(rect);
  if (!mIsEditingOrSelecting)
  {
    const CGFloat d = CGFloat(float(r.size.height - cellSize().height));
    r.size.height -= d;
    r.origin.y += d / 2;
  }
  return r;
}

void IGraphicsTextFieldCell_vQorv_au::selectWithFrame(NSRect rect, NSView* controlView, NSTextView* textObj,
                                                      id delegate, long selStart, long selLength)
{
  const NSRect frame = drawingRectForBounds(rect);
  mIsEditingOrSelecting = true;
  NSTextFieldCell::selectWithFrame(frame, controlView, textObj, delegate, selStart, selLength);
  mIsEditingOrSelecting = false;
}

void IGraphicsTextFieldCell_vQorv_au::editWithFrame(NSRect rect, NSView* controlView, NSTextView* textObj,
                                                    id delegate, void* event)
{
  const NSRect frame = drawingRectForBounds(rect);
  mIsEditingOrSelecting = true;
  NSTextFieldCell::editWithFrame(frame, controlView, textObj, delegate, event);
  mIsEditingOrSelecting = false;
}

bool IGraphicsFormatter_vQorv_au::isPartialStringValid(const NSString& partialString,
                                                       std::shared_ptr<NSString>* newString,
                                                       std::string* error) const
{
  if (filterCharacterSet)
    for (char16_t c : partialString.characters())
      if (!filterCharacterSet->characterIsMember(c)) return false;
  if (maxLength && partialString.length() > unsigned(maxLength)) return false;
  if (maxValue && partialString.intValue() > maxValue) return false;
  return true;
}

std::shared_ptr<NSString> IGraphicsFormatter_vQorv_au::stringForObjectValue(const NSObject* obj) const
{
  const auto* s = dynamic_cast<const NSString*>(obj);
  return s ? NSString::stringWithString(*s) : nullptr;
}

bool IGraphicsFormatter_vQorv_au::getObjectValue(std::shared_ptr<NSObject>* obj, const NSString& string,
                                                 std::string* error) const
{
  if (obj) *obj = NSString::stringWithString(string);
  return true;
}
} // namespace iplugin::igraphics
