// Stand-in for the runtime's class list: a class is found by its name, as NSClassFromString finds the
// classes of every binary loaded so far, and makes new instances of itself. A binary puts its classes on
// the list when it is loaded (QorvPlatform/Classes.h), as the runtime reads a bundle's classes when it
// loads the bundle. Main thread only.
#pragma once

#include <Foundation/NSString.h>

#include <string>

class objc_class
{
public:
  using Maker = NSObject* (*)();
  objc_class(std::string name, Maker make) : m_name(std::move(name)), m_make(make) {}
  const std::string& name() const { return m_name; }
  // A new instance, allocated and initialised, that the caller owns; null when out of memory.
  id alloc() const { return m_make(); }

private:
  std::string m_name;
  Maker m_make;
};
typedef const objc_class* Class;

// The class of that name, or null when no loaded binary defines one.
Class NSClassFromString(const NSString* name);
