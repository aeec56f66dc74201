// Stand-in for a notification: the object it concerns.
#pragma once

#include <Foundation/NSObject.h>

class NSNotification : public NSObject
{
public:
  explicit NSNotification(NSObject* object) : m_object(object) {}
  NSObject* object() const { return m_object; }

private:
  NSObject* m_object;
};
