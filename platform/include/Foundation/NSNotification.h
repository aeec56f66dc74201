// Stand-in for notifications and the default notification centre: observers are called synchronously,
// in the order they were added, on the thread that posts (the main thread in this product).
#pragma once

#include <Foundation/NSObject.h>

#include <functional>
#include <string>
#include <vector>

class NSNotification : public NSObject
{
public:
  explicit NSNotification(NSObject* object, std::string name = "") : m_object(object), m_name(std::move(name))
  {
  }
  NSObject* object() const { return m_object; }
  const std::string& name() const { return m_name; }

private:
  NSObject* m_object;
  std::string m_name;
};

class NSNotificationCenter
{
public:
  static NSNotificationCenter* defaultCenter();
  // object null: notifications of that name from any object.
  void addObserver(NSObject* observer, std::function<void(NSNotification*)> block, const std::string& name,
                   NSObject* object);
  // Forgets every registration of the observer; safe from inside a notification.
  void removeObserver(NSObject* observer);
  void postNotificationName(const std::string& name, NSObject* object);

private:
  struct Entry
  {
    NSObject* observer;
    std::function<void(NSNotification*)> block;
    std::string name;
    NSObject* object;
    bool removed = false;
  };
  std::vector<Entry> m_entries;
  int m_posting = 0;
};
