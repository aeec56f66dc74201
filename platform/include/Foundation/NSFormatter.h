// Stand-in for the formatter base that text fields consult while the user types.
#pragma once

#include <Foundation/NSString.h>

#include <memory>
#include <string>

class NSFormatter : public NSObject
{
public:
  // The text for a value object; null when the formatter has none.
  virtual std::shared_ptr<NSString> stringForObjectValue(const NSObject* obj) const = 0;
  // Makes a value object from the text; false with a description when it cannot.
  virtual bool getObjectValue(std::shared_ptr<NSObject>* obj, const NSString& string,
                              std::string* error) const = 0;
  // Whether the text as typed so far may stand; the default takes everything.
  virtual bool isPartialStringValid(const NSString& partialString, std::shared_ptr<NSString>* newString,
                                    std::string* error) const
  {
    return true;
  }
};
