// The native text field of a value prompt, its vertically centring cell and the formatter that limits
// what can be typed. Made by the view's createTextEntry; main thread only.
#pragma once

#include <AppKit/NSTextField.h>
#include <Foundation/NSFormatter.h>

#include <memory>

namespace iplugin::igraphics
{
class IGraphicsTextField_vQorv_au : public NSTextField
{
public:
  using NSTextField::NSTextField;
  // The insertion point takes the field's text colour.
  bool becomeFirstResponder() override;
};

class IGraphicsTextFieldCell_vQorv_au : public NSTextFieldCell
{
public:
  using NSTextFieldCell::NSTextFieldCell;
  // Centres one text line vertically, except while editing or selecting (the editor places itself).
  NSRect drawingRectForBounds(NSRect rect) const override;
  void selectWithFrame(NSRect rect, NSView* controlView, NSTextView* textObj, id delegate, long selStart,
                       long selLength) override;
  void editWithFrame(NSRect rect, NSView* controlView, NSTextView* textObj, id delegate,
                     void* event) override;

private:
  bool mIsEditingOrSelecting = false;
};

class IGraphicsFormatter_vQorv_au : public NSFormatter
{
public:
  void setAcceptableCharacterSet(std::shared_ptr<NSCharacterSet> set) { filterCharacterSet = std::move(set); }
  // 0: no limit.
  void setMaximumLength(int len) { maxLength = len; }
  void setMaximumValue(int value) { maxValue = value; }

  bool isPartialStringValid(const NSString& partialString, std::shared_ptr<NSString>* newString,
                            std::string* error) const override;
  std::shared_ptr<NSString> stringForObjectValue(const NSObject* obj) const override;
  bool getObjectValue(std::shared_ptr<NSObject>* obj, const NSString& string,
                      std::string* error) const override;

private:
  std::shared_ptr<NSCharacterSet> filterCharacterSet;
  int maxLength = 0;
  int maxValue = 0;
};
} // namespace iplugin::igraphics
